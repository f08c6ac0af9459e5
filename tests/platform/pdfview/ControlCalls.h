#pragma once
// Calling the viewer control as the wrapper does: a BSTR for one call, the description a failure
// left, and a sink on the control's connection point that records each event it receives.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/ErrorInfo.h"
#include "platform/com/Variant.h"
#include "platform/pdfview/PdfViewInterface.h"

namespace quorin::pdfview::testing {

// A BSTR for the length of one call.
struct Text {
  explicit Text(const std::string& s) : b(com::BstrFromAnsi(s)) {}
  ~Text() { com::SysFreeString(b); }
  com::BSTR b;
};

inline std::string TakeErrorDescription() {
  com::IErrorInfo* info = nullptr;
  if (com::GetErrorInfo(0, &info) != com::S_OK || info == nullptr) {
    return {};
  }
  com::BSTR d = nullptr;
  info->GetDescription(&d);
  std::string text = com::AnsiFromWide(d);
  com::SysFreeString(d);
  info->Release();
  return text;
}

class RecordingSink final : public com::IDispatch {
public:
  struct Event {
    std::int32_t type;
    std::string name;
    std::int32_t documentId;
    std::string detail;
    std::int32_t flags;
  };
  std::vector<Event> events;

  com::HRESULT QueryInterface(com::REFIID riid, void** object) override {
    if (riid == com::IID_IUnknown || riid == com::IID_IDispatch || riid == IID__IPDFviewEvents) {
      *object = this;
      AddRef();
      return com::S_OK;
    }
    *object = nullptr;
    return com::E_NOINTERFACE;
  }
  com::ULONG AddRef() override { return ++refs; }
  com::ULONG Release() override { return --refs; }
  com::HRESULT GetTypeInfoCount(com::UINT*) override { return com::E_NOTIMPL; }
  com::HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) override { return com::E_NOTIMPL; }
  com::HRESULT GetIDsOfNames(com::REFIID, com::LPOLESTR*, com::UINT, com::LCID, com::DISPID*) override {
    return com::E_NOTIMPL;
  }
  com::HRESULT Invoke(com::DISPID member, com::REFIID, com::LCID, com::WORD, com::DISPPARAMS* params, com::VARIANT*,
                      com::EXCEPINFO*, com::UINT*) override {
    using namespace quorin::com;
    if (member != DISPID_OnEvent) {
      return DISP_E_MEMBERNOTFOUND;
    }
    VARIANT type, name, id, detail, flags;
    for (VARIANT* v : {&type, &name, &id, &detail, &flags}) {
      VariantInit(v);
    }
    UINT err = 0;
    EXPECT_EQ(DispGetParam(params, 0, VT_I4, &type, &err), S_OK);
    EXPECT_EQ(DispGetParam(params, 1, VT_BSTR, &name, &err), S_OK);
    EXPECT_EQ(DispGetParam(params, 2, VT_I4, &id, &err), S_OK);
    EXPECT_EQ(DispGetParam(params, 3, VT_BSTR, &detail, &err), S_OK);
    EXPECT_EQ(DispGetParam(params, 4, VT_I4, &flags, &err), S_OK);
    events.push_back({type.lVal, com::AnsiFromWide(name.bstrVal), id.lVal, com::AnsiFromWide(detail.bstrVal), flags.lVal});
    for (VARIANT* v : {&type, &name, &id, &detail, &flags}) {
      VariantClear(v);
    }
    return S_OK;
  }
  com::ULONG refs = 1;
};

} // namespace quorin::pdfview::testing
