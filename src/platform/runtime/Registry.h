#pragma once
// The process's registry: root keys, key paths separated by "\", and named values (the unnamed one
// is the key's default value) holding a string or a 32-bit number. It lives in memory for the run;
// COM enters its class registrations here. Key and value names compare without regard to case.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quorin {

enum class RegistryRoot : std::uint32_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    Users = 0x80000003u,
};

inline constexpr RegistryRoot HKEY_CLASSES_ROOT = RegistryRoot::ClassesRoot;
inline constexpr RegistryRoot HKEY_CURRENT_USER = RegistryRoot::CurrentUser;
inline constexpr RegistryRoot HKEY_LOCAL_MACHINE = RegistryRoot::LocalMachine;
inline constexpr RegistryRoot HKEY_USERS = RegistryRoot::Users;

using RegistryValue = std::variant<std::string, std::uint32_t>;

// Creates the key and its parents as needed. An empty value name sets the default value.
void SetRegistryString(RegistryRoot root, std::string_view keyPath, std::string_view valueName, std::string_view value);
void SetRegistryNumber(RegistryRoot root, std::string_view keyPath, std::string_view valueName, std::uint32_t value);
void CreateRegistryKey(RegistryRoot root, std::string_view keyPath);
// Removes the key with everything under it; false when it does not exist.
bool DeleteRegistryKey(RegistryRoot root, std::string_view keyPath);
bool DeleteRegistryValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName);
bool RegistryKeyExists(RegistryRoot root, std::string_view keyPath);

std::optional<RegistryValue> QueryRegistryValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName);

// The value as text: a string as stored, a number as decimal text; empty when the key or value is
// missing. An empty value name reads the key's default value.
std::string GetRegistryValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName = {});

} // namespace quorin
