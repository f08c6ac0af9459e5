#pragma once
// Property values of windows and controls as text, the one form PROP reads and writes them in.
#include <string_view>

namespace quorin::prop {

// The whole number the text starts with, blanks around it allowed; false and `value` untouched
// when it starts with none.
bool ParseInt(std::string_view text, int& value);
// A number other than 0; anything else (no number at all included) is off.
bool Truthy(std::string_view text);
// An on/off value as the runtime shows it: "1" or "0".
inline const char* Flag(bool on) { return on ? "1" : "0"; }

} // namespace quorin::prop
