#pragma once
// The texts of the message boxes a scripted user was shown, in order.
#include <string>
#include <vector>

#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin::testing {

inline std::vector<std::string> MessageTexts(const ScriptedUi& ui)
{
    std::vector<std::string> texts;
    for (const MessageBoxRequest& m : ui.Messages()) {
        texts.push_back(m.text);
    }
    return texts;
}

} // namespace quorin::testing
