#pragma once
// The fill script: the function `loadfield`, then one call of it per field-list row. With
// " E&xport Script" ticked it is also written to "quorin36.js" in the working folder.
#include <array>
#include <string>
#include <string_view>

#include "forms/MainContext.h"

namespace quorin::forms {

// The 45 lines of `loadfield`, without their trailing blanks. They hold no comment and depend on no
// line break, so the function stays valid when the lines are joined with blanks.
extern const std::array<std::string_view, kLoadFieldLines> kLoadFieldText;

// The call line of one field-list row: loadfield("name","value"); with the clipped texts, unescaped.
std::string LoadFieldCall(std::string_view name, std::string_view value);

// Builds `Main`'s script queue from its `loadfield` lines and field list and exports it when the
// export flag is set. Reports nothing: a failed export leaves the script queue complete.
void BuildFillScript(MainContext& main);

} // namespace quorin::forms
