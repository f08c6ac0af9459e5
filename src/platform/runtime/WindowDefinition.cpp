#include "platform/runtime/WindowDefinition.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace quorin {

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

struct Resources {
    std::mutex mutex;
    std::vector<std::unique_ptr<WindowDefinition>> definitions; // stable addresses
};

Resources& TheResources()
{
    static Resources resources;
    return resources;
}

} // namespace

bool ControlDefinition::UsesVariable() const
{
    return kind == ControlKind::Entry || kind == ControlKind::Check || kind == ControlKind::List
        || kind == ControlKind::Text;
}

void RegisterWindowDefinition(WindowDefinition definition)
{
    Resources& r = TheResources();
    std::lock_guard lock(r.mutex);
    for (auto& held : r.definitions) {
        if (SameName(held->module, definition.module) && SameName(held->name, definition.name)) {
            *held = std::move(definition);
            return;
        }
    }
    r.definitions.push_back(std::make_unique<WindowDefinition>(std::move(definition)));
}

const WindowDefinition* FindWindowDefinition(std::string_view module, std::string_view name)
{
    Resources& r = TheResources();
    std::lock_guard lock(r.mutex);
    for (auto& held : r.definitions)
        if (SameName(held->module, module) && SameName(held->name, name))
            return held.get();
    return nullptr;
}

} // namespace quorin
