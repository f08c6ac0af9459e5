#include "platform/pdfview/PdfViewControl.h"

#include <climits>
#include <new>
#include <unistd.h>

#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ErrorInfo.h"
#include "platform/com/Variant.h"
#include "platform/runtime/CodePage.h"
#include "platform/runtime/Paths.h"

namespace quorin::pdfview {
namespace {

using namespace quorin::com;

constexpr char16_t kErrorSource[] = u"QuorinPdfView.Viewer";

std::string Utf8(BSTR text) { return text == nullptr ? std::string() : AnsiFromWide(text); }

const char16_t* const kMethodNames[] = {u"GetTextFromResult", u"OpenDocument", u"CloseDocument",
                                        u"SaveDocument", u"RunJavaScript", u"SetProperty"};

bool SameName(const char16_t* a, const char16_t* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (lower(*a) != lower(*b)) {
      return false;
    }
  }
  return *a == *b;
}

// The path of the file that holds the control: this program.
std::string ServerPath() {
  char buffer[PATH_MAX];
  const auto n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// The second line of the open event of a repaired document: the first repairs and how many more.
std::string RepairNote(const std::vector<std::string>& repairs) {
  constexpr std::size_t kShown = 3;
  std::string note = "The document was damaged and has been repaired:";
  for (std::size_t i = 0; i < repairs.size() && i < kShown; ++i) {
    note += (i == 0 ? " " : "; ") + repairs[i];
  }
  if (repairs.size() > kShown) {
    note += " (and " + std::to_string(repairs.size() - kShown) + " more)";
  }
  return note;
}

} // namespace

PdfViewControl::PdfViewControl() : events_(this, IID__IPDFviewEvents) {}

PdfViewControl::~PdfViewControl() {
  events_.Close();
  documents_.clear();
}

HRESULT PdfViewControl::Create(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = nullptr;
  if (outer != nullptr) {
    return CLASS_E_NOAGGREGATION;
  }
  auto* control = new (std::nothrow) PdfViewControl();
  if (control == nullptr) {
    return E_OUTOFMEMORY;
  }
  control->AddRef();
  const HRESULT hr = control->QueryInterface(riid, object);
  control->Release();
  return hr;
}

HRESULT PdfViewControl::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IPDFview) {
    *object = static_cast<IPDFview*>(this);
  } else if (riid == IID_IConnectionPointContainer) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else if (riid == IID_IOleObjectLite) {
    *object = static_cast<IOleObjectLite*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG PdfViewControl::AddRef() { return ++refs_; }

ULONG PdfViewControl::Release() {
  const ULONG left = --refs_;
  if (left == 0) {
    delete this;
  }
  return left;
}

HRESULT PdfViewControl::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) {
    return E_POINTER;
  }
  *count = 0;
  return S_OK;
}

HRESULT PdfViewControl::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT PdfViewControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr) {
    return E_POINTER;
  }
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = -1;
    for (DISPID m = 0; m < 6; ++m) {
      if (names[i] != nullptr && i == 0 && SameName(names[i], kMethodNames[m])) {
        ids[i] = m + 1;
      }
    }
    if (ids[i] == -1) {
      hr = DISP_E_UNKNOWNNAME;
    }
  }
  return hr;
}

HRESULT PdfViewControl::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT* argErr) {
  if ((flags & DISPATCH_METHOD) == 0) {
    return DISP_E_MEMBERNOTFOUND;
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (params == nullptr) {
    params = &none;
  }
  // Each argument is read into its own VARIANT, which owns any BSTR until the call ends.
  VARIANT args[4];
  for (auto& a : args) {
    VariantInit(&a);
  }
  auto get = [&](UINT position, VARTYPE vt) { return DispGetParam(params, position, vt, &args[position], argErr); };
  auto cleanup = [&] {
    for (auto& a : args) {
      VariantClear(&a);
    }
  };
  HRESULT hr = S_OK;
  std::int32_t number = 0;
  BSTR text = nullptr;
  switch (member) {
  case 1:
    if ((hr = get(0, VT_I4)) >= 0 && (hr = GetTextFromResult(args[0].lVal, &number)) == S_OK && result) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = number;
    }
    break;
  case 2:
    if ((hr = get(0, VT_BSTR)) >= 0 && (hr = get(1, VT_BSTR)) >= 0 && (hr = get(2, VT_I4)) >= 0 &&
        (hr = OpenDocument(args[0].bstrVal, args[1].bstrVal, &number, args[2].lVal)) == S_OK && result) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = number;
    }
    break;
  case 3:
    if ((hr = get(0, VT_I4)) >= 0 && (hr = get(1, VT_I4)) >= 0) {
      hr = CloseDocument(args[0].lVal, args[1].lVal);
    }
    break;
  case 4:
    if ((hr = get(0, VT_I4)) >= 0 && (hr = get(1, VT_BSTR)) >= 0 && (hr = get(2, VT_I4)) >= 0 &&
        (hr = get(3, VT_I4)) >= 0) {
      hr = SaveDocument(args[0].lVal, args[1].bstrVal, args[2].lVal, args[3].lVal);
    }
    break;
  case 5:
    if ((hr = get(0, VT_BSTR)) >= 0 && (hr = get(1, VT_I4)) >= 0 && (hr = get(2, VT_I4)) >= 0 &&
        (hr = RunJavaScript(args[0].bstrVal, &text, args[1].lVal, args[2].lVal)) == S_OK) {
      if (result != nullptr) {
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = text != nullptr ? text : SysAllocString(u"");
      } else {
        SysFreeString(text);
      }
    }
    break;
  case 6:
    if ((hr = get(1, VT_VARIANT)) >= 0 && (hr = get(0, VT_BSTR)) >= 0 && (hr = get(2, VT_I4)) >= 0) {
      hr = SetProperty(args[0].bstrVal, args[1], args[2].lVal);
    }
    break;
  default:
    hr = DISP_E_MEMBERNOTFOUND;
  }
  cleanup();
  return hr;
}

HRESULT PdfViewControl::Fail(const ViewerStatus& status) {
  SetErrorDescription(AnsiToWide(status.description.empty() ? ViewerErrorText(status.error) : status.description),
                      kErrorSource);
  return status.code();
}

void PdfViewControl::Raise(std::int32_t type, const char* name, std::int32_t documentId, const std::string& detail,
                           std::int32_t flags) {
  // The sinks' list is copied with references held, so a sink that disconnects in its handler
  // stays valid until its call returns.
  for (IDispatch* sink : events_.Sinks()) {
    VARIANT args[5];
    for (auto& a : args) {
      VariantInit(&a);
    }
    args[4].vt = VT_I4;
    args[4].lVal = type;
    args[3].vt = VT_BSTR;
    args[3].bstrVal = BstrFromAnsi(name);
    args[2].vt = VT_I4;
    args[2].lVal = documentId;
    args[1].vt = VT_BSTR;
    args[1].bstrVal = BstrFromAnsi(detail);
    args[0].vt = VT_I4;
    args[0].lVal = flags;
    DISPPARAMS params{args, nullptr, 5, 0};
    sink->Invoke(DISPID_OnEvent, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    for (auto& a : args) {
      VariantClear(&a);
    }
    sink->Release();
  }
}

HRESULT PdfViewControl::GetTextFromResult(HRESULT code, std::int32_t* text) {
  if (text == nullptr) {
    return Fail(ViewerStatus::Fail(ViewerError::BadArgument, "GetTextFromResult: no out-cell"));
  }
  const std::int32_t number = ViewerErrorNumber(code);
  if (number == 0) {
    return Fail(ViewerStatus::Fail(ViewerError::BadArgument, "The result code is not one of the viewer's"));
  }
  *text = number;
  return S_OK;
}

HRESULT PdfViewControl::OpenDocument(BSTR fileName, BSTR password, std::int32_t* documentId, std::int32_t flags) {
  if (documentId == nullptr) {
    return Fail(ViewerStatus::Fail(ViewerError::BadArgument, "OpenDocument: no cell for the document id"));
  }
  if (flags != 0) {
    return Fail(ViewerStatus::Fail(ViewerError::BadFlags, "OpenDocument: flags " + std::to_string(flags) + " not supported"));
  }
  const std::string name = Utf8(fileName);
  const std::string path = NativePath(name);
  OpenOptions options;
  options.readWhole = readWhole_;
  options.limits = limits_;
  std::unique_ptr<PdfDocument> doc;
  const auto status = PdfDocument::Open(path, Utf8(password), options, doc);
  if (!status.ok()) {
    return Fail(status);
  }
  const std::int32_t id = nextId_++;
  const std::string detail = doc->repairs().empty() ? name : name + "\r\n" + RepairNote(doc->repairs());
  documents_[id] = std::move(doc);
  *documentId = id;
  Raise(kEventDocumentOpened, "DocumentOpened", id, detail, flags);
  return S_OK;
}

HRESULT PdfViewControl::CloseDocument(std::int32_t documentId, std::int32_t flags) {
  if ((flags & ~kCloseFlagDiscard) != 0) {
    return Fail(ViewerStatus::Fail(ViewerError::BadFlags, "CloseDocument: flags " + std::to_string(flags) + " not supported"));
  }
  const auto it = documents_.find(documentId);
  if (it == documents_.end()) {
    return Fail(ViewerStatus::Fail(ViewerError::UnknownDocument, "No open document has the id " + std::to_string(documentId)));
  }
  documents_.erase(it);
  Raise(kEventDocumentClosed, "DocumentClosed", documentId, {}, flags);
  return S_OK;
}

HRESULT PdfViewControl::SaveDocument(std::int32_t documentId, BSTR fileName, std::int32_t saveOption,
                                     std::int32_t flags) {
  if (saveOption != kSaveOptionFullRewrite || (flags & ~kSaveFlagReplace) != 0) {
    return Fail(ViewerStatus::Fail(ViewerError::BadFlags, "SaveDocument: option " + std::to_string(saveOption) +
                                                              " with flags " + std::to_string(flags) + " not supported"));
  }
  const auto it = documents_.find(documentId);
  if (it == documents_.end()) {
    return Fail(ViewerStatus::Fail(ViewerError::UnknownDocument, "No open document has the id " + std::to_string(documentId)));
  }
  const std::string name = Utf8(fileName);
  const auto status = it->second->Save(NativePath(name), (flags & kSaveFlagReplace) != 0);
  if (!status.ok()) {
    return Fail(status);
  }
  Raise(kEventDocumentSaved, "DocumentSaved", documentId, name, flags);
  return S_OK;
}

HRESULT PdfViewControl::RunJavaScript(BSTR script, BSTR* result, std::int32_t documentId, std::int32_t flags) {
  if (result == nullptr) {
    return Fail(ViewerStatus::Fail(ViewerError::BadArgument, "RunJavaScript: no cell for the result"));
  }
  if (flags != 0) {
    return Fail(ViewerStatus::Fail(ViewerError::BadFlags, "RunJavaScript: flags " + std::to_string(flags) + " not supported"));
  }
  const auto it = documents_.find(documentId);
  if (it == documents_.end()) {
    return Fail(ViewerStatus::Fail(ViewerError::UnknownDocument, "No open document has the id " + std::to_string(documentId)));
  }
  std::string text;
  const auto status = it->second->RunScript(Utf8(script), text);
  Raise(kEventScriptRun, "ScriptRun", documentId, status.description, status.code());
  if (!status.ok()) {
    return Fail(status);
  }
  *result = text.empty() ? nullptr : BstrFromAnsi(text);
  return S_OK;
}

HRESULT PdfViewControl::SetProperty(BSTR name, VARIANT value, std::int32_t options) {
  if (options != 0) {
    return Fail(ViewerStatus::Fail(ViewerError::BadFlags, "SetProperty: options " + std::to_string(options) + " not supported"));
  }
  const std::string property = Utf8(name);
  if (property != "Documents.UseStreamsDirectly") {
    return Fail(ViewerStatus::Fail(ViewerError::UnknownProperty, "Unknown property '" + property + "'"));
  }
  VARIANT number;
  VariantInit(&number);
  if (VariantChangeType(&number, &value, 0, VT_I4) < 0 || (number.lVal != 0 && number.lVal != 1)) {
    VariantClear(&number);
    return Fail(ViewerStatus::Fail(ViewerError::BadArgument, "Documents.UseStreamsDirectly takes 0 or 1"));
  }
  readWhole_ = number.lVal == 0;
  return S_OK;
}

HRESULT PdfViewControl::EnumConnectionPoints(IEnumConnectionPoints**) { return E_NOTIMPL; }

HRESULT PdfViewControl::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (point == nullptr) {
    return E_POINTER;
  }
  if (riid != IID__IPDFviewEvents) {
    *point = nullptr;
    return CONNECT_E_NOCONNECTION;
  }
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

HRESULT PdfViewControl::DoVerb(LONG verb) {
  return verb == OLEIVERB_PRIMARY || verb == OLEIVERB_SHOW || verb == OLEIVERB_HIDE ? S_OK : OLEOBJ_S_INVALIDVERB;
}

HRESULT PdfViewControl::Close(DWORD) {
  documents_.clear();
  events_.Close();
  return S_OK;
}

struct ViewerControlRegistration::Impl {
  ClassRegistration registration{CLSID_PDFview, kPDFviewProgId, "PDF viewer control", ServerPath(),
                                 &PdfViewControl::Create};
};

ViewerControlRegistration::ViewerControlRegistration() : impl_(std::make_unique<Impl>()) {}
ViewerControlRegistration::~ViewerControlRegistration() = default;
HRESULT ViewerControlRegistration::Result() const { return impl_->registration.Result(); }

Module ViewerControlModule() {
  // One registration for the process, between module initialisation and finalisation.
  static std::unique_ptr<ViewerControlRegistration> registration;
  Module m;
  m.name = "pdfview";
  m.moduleInit = [] { registration = std::make_unique<ViewerControlRegistration>(); };
  m.moduleTerm = [] { registration.reset(); };
  return m;
}

} // namespace quorin::pdfview
