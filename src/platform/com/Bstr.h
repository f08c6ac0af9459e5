#pragma once
// BSTR: a UTF-16 text with a 32-bit byte length in front and a zero character after it. It may
// hold zero characters inside; its length comes from the prefix, not from a terminator.
#include <string>
#include <string_view>

#include "platform/com/Types.h"

namespace quorin::com {

// A new BSTR holding the zero-terminated text (null gives an empty BSTR); null without memory.
BSTR SysAllocString(const OLECHAR* text);
// A new BSTR of `length` characters copied from `text`, or left zero when `text` is null.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// Characters in the BSTR; 0 for null.
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
// Frees it; null does nothing.
void SysFreeString(BSTR text);

// Characters up to the first zero character; 0 for null.
UINT WideLength(const OLECHAR* text);

// Conversions through the ANSI code page (UTF-8 on this platform).
BSTR BstrFromAnsi(std::string_view text);
std::string AnsiFromWide(const OLECHAR* text); // up to the first zero character; null gives ""
std::u16string_view BstrView(BSTR text);       // the BSTR's characters, its full length

} // namespace quorin::com
