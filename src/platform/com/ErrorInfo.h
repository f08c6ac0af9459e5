#pragma once
// Per-thread error information: a failing call leaves a description for its caller to pick up.
#include <string_view>

#include "platform/com/Unknown.h"

namespace quorin::com {

class IErrorInfo : public IUnknown {
public:
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

// Replaces the calling thread's error information with `info` (null clears it), taking a reference.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
// Hands the thread's error information over to the caller and clears it: S_OK and the object (one
// reference, the caller's), or S_FALSE and null when the thread holds none.
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);

// A new error object (one reference, the caller's) with these texts; null without memory.
IErrorInfo* CreateErrorInfoObject(std::u16string_view description, std::u16string_view source = {},
                                  const GUID& guid = GUID_NULL);
// Makes such an object and sets it as the thread's error information.
void SetErrorDescription(std::u16string_view description, std::u16string_view source = {},
                         const GUID& guid = GUID_NULL);

} // namespace quorin::com
