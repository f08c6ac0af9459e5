#include "platform/com/ComStrings.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/runtime/CodePage.h"
#include "platform/runtime/FixedText.h"

namespace quorin::com {

BstrString::~BstrString()
{
    if (BSELFCLEANING) {
        SysFreeString(BSTR);
    }
}

com::BSTR BstrString::FromText(std::string_view text, bool selfCleaning)
{
    if (BSELFCLEANING) {
        SysFreeString(BSTR);
    }
    BSTR = nullptr;
    DWBYTES = 0;
    BSELFCLEANING = selfCleaning;
    // Trailing blanks go first; the rest ends at a zero byte, so blanks before one stay.
    text = Clip(text);
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos) {
        text = text.substr(0, zero);
    }
    BSTR = BstrFromAnsi(text);
    DWBYTES = SysStringByteLen(BSTR);
    return BSTR;
}

NarrowString::~NarrowString()
{
    if (BSELFCLEANING) {
        FreeText(CSTR);
    }
}

void NarrowString::FreeText(char* text) { std::free(text); }

void NarrowString::FromWide(const OLECHAR* text, bool selfCleaning, bool freeSource)
{
    if (BSELFCLEANING) {
        FreeText(CSTR);
    }
    CSTR = nullptr;
    DWBYTES = 0;
    BSELFCLEANING = selfCleaning;
    BINITIALISED = true;
    const UINT length = WideLength(text);
    if (length > 0) {
        const std::string narrow = WideToAnsi(std::u16string_view(text, length));
        if (!narrow.empty()) {
            CSTR = static_cast<char*>(std::malloc(narrow.size() + 1));
            if (CSTR != nullptr) {
                std::memcpy(CSTR, narrow.c_str(), narrow.size() + 1);
                DWBYTES = static_cast<DWORD>(narrow.size() + 1);
            }
        }
    }
    if (freeSource) {
        SysFreeString(const_cast<OLECHAR*>(text));
    }
}

void NarrowString::FromWideString(const WideString& wide, bool selfCleaning)
{
    FromWide(wide.Text(), selfCleaning, false);
}

int WideString::Attach(const OLECHAR* text)
{
    if (WSTR != nullptr || text == nullptr) {
        return 0;
    }
    WSTR = text;
    return 1;
}

void FreeBstr(com::BSTR text) { SysFreeString(text); }

void ResetBstr(com::BSTR* variable)
{
    if (variable != nullptr) {
        SysFreeString(*variable);
        *variable = nullptr;
    }
}

} // namespace quorin::com
