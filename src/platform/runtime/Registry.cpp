#include "platform/runtime/Registry.h"

#include <map>
#include <memory>
#include <mutex>

namespace quorin {
namespace {

// Orders names without regard to ASCII case, as registry names compare.
struct NoCaseLess {
    using is_transparent = void;
    static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
    bool operator()(std::string_view a, std::string_view b) const
    {
        const std::size_t n = a.size() < b.size() ? a.size() : b.size();
        for (std::size_t i = 0; i < n; ++i) {
            const char x = Lower(a[i]);
            const char y = Lower(b[i]);
            if (x != y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            }
        }
        return a.size() < b.size();
    }
};

struct Key {
    std::map<std::string, RegistryValue, NoCaseLess> values;
    std::map<std::string, std::unique_ptr<Key>, NoCaseLess> subkeys;
};

struct Store {
    std::mutex mutex;
    std::map<RegistryRoot, Key> roots;
};

Store& TheStore()
{
    static Store store;
    return store;
}

// Calls `step` for each non-empty component of a "\"-separated path.
template <class Step>
bool ForEachComponent(std::string_view path, Step step)
{
    while (!path.empty()) {
        const std::size_t cut = path.find('\\');
        const std::string_view part = path.substr(0, cut);
        if (!part.empty() && !step(part)) {
            return false;
        }
        if (cut == std::string_view::npos) {
            break;
        }
        path.remove_prefix(cut + 1);
    }
    return true;
}

Key* FindKey(Store& store, RegistryRoot root, std::string_view path)
{
    auto rootIt = store.roots.find(root);
    if (rootIt == store.roots.end()) {
        return nullptr;
    }
    Key* key = &rootIt->second;
    const bool found = ForEachComponent(path, [&](std::string_view part) {
        auto it = key->subkeys.find(part);
        if (it == key->subkeys.end()) {
            return false;
        }
        key = it->second.get();
        return true;
    });
    return found ? key : nullptr;
}

Key& MakeKey(Store& store, RegistryRoot root, std::string_view path)
{
    Key* key = &store.roots[root];
    ForEachComponent(path, [&](std::string_view part) {
        auto it = key->subkeys.find(part);
        if (it == key->subkeys.end()) {
            it = key->subkeys.emplace(std::string(part), std::make_unique<Key>()).first;
        }
        key = it->second.get();
        return true;
    });
    return *key;
}

void SetValue(RegistryRoot root, std::string_view path, std::string_view name, RegistryValue value)
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    Key& key = MakeKey(store, root, path);
    auto it = key.values.find(name);
    if (it == key.values.end()) {
        key.values.emplace(std::string(name), std::move(value));
    } else {
        it->second = std::move(value);
    }
}

} // namespace

void SetRegistryString(RegistryRoot root, std::string_view keyPath, std::string_view valueName, std::string_view value)
{
    SetValue(root, keyPath, valueName, std::string(value));
}

void SetRegistryNumber(RegistryRoot root, std::string_view keyPath, std::string_view valueName, std::uint32_t value)
{
    SetValue(root, keyPath, valueName, value);
}

void CreateRegistryKey(RegistryRoot root, std::string_view keyPath)
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    MakeKey(store, root, keyPath);
}

bool DeleteRegistryKey(RegistryRoot root, std::string_view keyPath)
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    const std::size_t cut = keyPath.find_last_of('\\');
    const std::string_view parentPath = cut == std::string_view::npos ? std::string_view{} : keyPath.substr(0, cut);
    const std::string_view leaf = cut == std::string_view::npos ? keyPath : keyPath.substr(cut + 1);
    Key* parent = FindKey(store, root, parentPath);
    if (parent == nullptr || leaf.empty()) {
        return false;
    }
    auto it = parent->subkeys.find(leaf);
    if (it == parent->subkeys.end()) {
        return false;
    }
    parent->subkeys.erase(it);
    return true;
}

bool DeleteRegistryValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName)
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    Key* key = FindKey(store, root, keyPath);
    if (key == nullptr) {
        return false;
    }
    auto it = key->values.find(valueName);
    if (it == key->values.end()) {
        return false;
    }
    key->values.erase(it);
    return true;
}

bool RegistryKeyExists(RegistryRoot root, std::string_view keyPath)
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    return FindKey(store, root, keyPath) != nullptr;
}

std::optional<RegistryValue> QueryRegistryValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName)
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    Key* key = FindKey(store, root, keyPath);
    if (key == nullptr) {
        return std::nullopt;
    }
    auto it = key->values.find(valueName);
    if (it == key->values.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::string GetRegistryValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName)
{
    const std::optional<RegistryValue> value = QueryRegistryValue(root, keyPath, valueName);
    if (!value) {
        return {};
    }
    if (const auto* text = std::get_if<std::string>(&*value)) {
        return *text;
    }
    return std::to_string(std::get<std::uint32_t>(*value));
}

} // namespace quorin
