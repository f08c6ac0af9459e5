#include <gtest/gtest.h>

#include "platform/runtime/Registry.h"

namespace quorin {
namespace {

TEST(Registry, ReadsStringsAndNumbersAsTextAndMissingAsEmpty)
{
    SetRegistryString(HKEY_CURRENT_USER, "Software\\Quorin\\Test", "", "default");
    SetRegistryString(HKEY_CURRENT_USER, "Software\\Quorin\\Test", "Name", "value");
    SetRegistryNumber(HKEY_CURRENT_USER, "Software\\Quorin\\Test", "Count", 4000000000u);
    EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, "Software\\Quorin\\Test"), "default");
    EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, "software\\QUORIN\\test", "name"), "value"); // case ignored
    EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, "Software\\Quorin\\Test", "Count"), "4000000000");
    EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, "Software\\Quorin\\Test", "Missing"), "");
    EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, "Software\\Quorin\\Other", "Name"), "");
    EXPECT_EQ(GetRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Quorin\\Test", "Name"), ""); // roots are apart

    SetRegistryString(HKEY_CURRENT_USER, "Software\\Quorin\\Test", "NAME", "replaced");
    EXPECT_EQ(GetRegistryValue(HKEY_CURRENT_USER, "Software\\Quorin\\Test", "Name"), "replaced");
    EXPECT_TRUE(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Quorin"));
}

TEST(Registry, DeletingAKeyRemovesItsSubtreeOnly)
{
    CreateRegistryKey(HKEY_CLASSES_ROOT, "Quorin.Test\\A\\B");
    SetRegistryString(HKEY_CLASSES_ROOT, "Quorin.Test\\A\\B", "", "deep");
    SetRegistryString(HKEY_CLASSES_ROOT, "Quorin.Test", "Keep", "kept");
    EXPECT_TRUE(DeleteRegistryKey(HKEY_CLASSES_ROOT, "Quorin.Test\\A"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, "Quorin.Test\\A\\B"));
    EXPECT_EQ(GetRegistryValue(HKEY_CLASSES_ROOT, "Quorin.Test\\A\\B"), "");
    EXPECT_EQ(GetRegistryValue(HKEY_CLASSES_ROOT, "Quorin.Test", "Keep"), "kept");
    EXPECT_FALSE(DeleteRegistryKey(HKEY_CLASSES_ROOT, "Quorin.Test\\A"));
    EXPECT_TRUE(DeleteRegistryValue(HKEY_CLASSES_ROOT, "Quorin.Test", "Keep"));
    EXPECT_FALSE(DeleteRegistryValue(HKEY_CLASSES_ROOT, "Quorin.Test", "Keep"));
    EXPECT_TRUE(DeleteRegistryKey(HKEY_CLASSES_ROOT, "Quorin.Test"));
}

} // namespace
} // namespace quorin
