#include <gtest/gtest.h>

#include <set>

#include "platform/runtime/Event.h"

namespace quorin {
namespace {

// Alert keys and list keys are compared by code, so a key with modifiers must never equal another key.
TEST(KeyCodes, EveryKeyWithEveryModifierIsDistinct)
{
    std::vector<int> bases = {keys::kEnter, keys::kEscape, keys::kTab, keys::kBackspace, keys::kInsert,
                              keys::kDelete, keys::kHome, keys::kEnd, keys::kPageUp, keys::kPageDown,
                              keys::kUp, keys::kDown, keys::kLeft, keys::kRight, keys::kMouseLeft2,
                              keys::kMouseRight, keys::kMenu};
    for (int n = 1; n <= 24; ++n) {
        bases.push_back(keys::FunctionKey(n));
    }
    for (int c = 0x20; c <= 0x7E; ++c) {
        if (c < 'a' || c > 'z') {
            bases.push_back(c);
        }
    }
    std::set<int> seen;
    for (int base : bases) {
        for (int mods = 0; mods < 8; ++mods) {
            const int code = base | (mods & 1 ? keys::kShift : 0) | (mods & 2 ? keys::kCtrl : 0) |
                             (mods & 4 ? keys::kAlt : 0);
            EXPECT_TRUE(seen.insert(code).second) << std::hex << code;
        }
    }
    EXPECT_EQ(keys::kCtrl | 'H', 0x248); // the record form's history key
}

} // namespace
} // namespace quorin
