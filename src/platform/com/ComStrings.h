#pragma once
// Holders that carry texts across the COM boundary: 8-bit text (ANSI code page) to BSTR, UTF-16
// to 8-bit text, and a borrowed UTF-16 text; plus the two BSTR release helpers.
#include <cstdint>
#include <string_view>

#include "platform/com/Bstr.h"

namespace quorin::com {

// One BSTR made from 8-bit text.
class BstrString {
public:
    BstrString() = default; // Construct: empty
    BstrString(const BstrString&) = delete;
    BstrString& operator=(const BstrString&) = delete;
    ~BstrString(); // Destruct: frees the BSTR when self-cleaning

    // Trailing blanks dropped, the text ends at a zero byte, converted to UTF-16; an empty text gives
    // an empty BSTR, not a null one; without memory none is made (null). A BSTR held before is freed
    // first when self-cleaning.
    com::BSTR FromText(std::string_view text, bool selfCleaning);
    com::BSTR Get() const { return BSTR; }

    bool BSELFCLEANING = false;
    com::BSTR BSTR = nullptr;
    DWORD DWBYTES = 0; // the BSTR's length in bytes
};

// A zero-terminated 8-bit copy of a UTF-16 text.
class WideString;
class NarrowString {
public:
    NarrowString() = default; // Construct: empty
    NarrowString(const NarrowString&) = delete;
    NarrowString& operator=(const NarrowString&) = delete;
    ~NarrowString(); // Destruct: frees the buffer when self-cleaning

    // Converts up to the first zero character; `freeSource` frees `text` with SysFreeString (it must
    // then be a BSTR). A null or empty text leaves the holder without text. Without self-cleaning
    // the buffer is the caller's, to be freed with FreeText.
    void FromWide(const OLECHAR* text, bool selfCleaning, bool freeSource);
    void FromWideString(const WideString& wide, bool selfCleaning);
    std::size_t Length() const { return CSTR == nullptr ? 0 : DWBYTES - 1; }
    const char* Text() const { return CSTR; } // null without text

    static void FreeText(char* text);

    bool BSELFCLEANING = false;
    bool BINITIALISED = false;
    char* CSTR = nullptr;
    DWORD DWBYTES = 0; // bytes of CSTR, the terminator included
};

// A UTF-16 text held without owning it.
class WideString {
public:
    WideString() = default; // Construct: empty
    // 1 and holds `text` when the holder is empty and the text not null; else 0.
    int Attach(const OLECHAR* text);
    const OLECHAR* Text() const { return WSTR; }

    const OLECHAR* WSTR = nullptr;
};

// SysFreeString; null does nothing.
void FreeBstr(com::BSTR text);
// Frees what the variable holds and sets it to null.
void ResetBstr(com::BSTR* variable);

} // namespace quorin::com
