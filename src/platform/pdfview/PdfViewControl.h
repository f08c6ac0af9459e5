#pragma once
// The PDF viewer control as a COM object: the main interface IPDFview (dual), a connection point
// for _IPDFviewEvents and the OLE-object interface the OLE host runs verbs on.
//
// Calls and what their flags and options mean (any other value is refused with BadFlags):
//   OpenDocument(name, password, &id, flags)   flags 0. The name is a system file name (Windows-style
//       names go through the path layer). An empty password opens unencrypted files and files with an
//       empty user password. Ids count from 1 and are not reused while the control lives.
//   CloseDocument(id, flags)                   flags 0 or 2 (2: drop unsaved changes; the control
//       never saves by itself, so both close without saving).
//   SaveDocument(id, name, option, flags)      option 3 (a full rewrite); flags 0 or 2 (2: replace an
//       existing file; 0 refuses one with DestinationExists).
//   RunJavaScript(script, &result, id, flags)  flags 0. The result is the last expression's value as
//       text, or null when it is undefined or empty.
//   SetProperty(name, value, options)          options 0. "Documents.UseStreamsDirectly": 0 reads a
//       document whole at open (the file is not held open), 1 reads it as needed. Applies to
//       documents opened later.
//   GetTextFromResult(code, &number)           the control's own number (1..14) for a code it
//       produced; any other code fails with BadArgument.
// A failure returns one of the codes of ViewerResult.h and leaves a description in the thread's
// error information.
//
// Events (dispatch id 1, parameters type, name, document id, detail, flags):
//   1 "DocumentOpened"  detail: the file name; for a damaged file that was repaired, then CR LF and
//                       "The document was damaged and has been repaired: " with what was repaired
//                                                         flags: the open flags
//   2 "ScriptRun"       detail: the error text, or empty    flags: the run's result code
//   3 "DocumentSaved"   detail: the file name             flags: the save flags
//   4 "DocumentClosed"  detail: empty                     flags: the close flags
#include <atomic>
#include <map>
#include <memory>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/OleObject.h"
#include "platform/pdfview/PdfDocument.h"
#include "platform/pdfview/PdfViewInterface.h"
#include "platform/runtime/Module.h"

namespace quorin::pdfview {

enum ViewerEventType : std::int32_t {
  kEventDocumentOpened = 1,
  kEventScriptRun = 2,
  kEventDocumentSaved = 3,
  kEventDocumentClosed = 4,
};

inline constexpr std::int32_t kSaveOptionFullRewrite = 3;
inline constexpr std::int32_t kSaveFlagReplace = 2;
inline constexpr std::int32_t kCloseFlagDiscard = 2;

class PdfViewControl final : public IPDFview, public com::IConnectionPointContainer, public com::IOleObjectLite {
public:
  // A new control with one reference, as `riid`.
  static HRESULT Create(com::IUnknown* outer, com::REFIID riid, void** object);

  // IUnknown
  HRESULT QueryInterface(com::REFIID riid, void** object) override;
  com::ULONG AddRef() override;
  com::ULONG Release() override;
  // IDispatch: the six methods by dispatch id 1..6 (names as the methods').
  HRESULT GetTypeInfoCount(com::UINT* count) override;
  HRESULT GetTypeInfo(com::UINT index, com::LCID lcid, com::ITypeInfo** info) override;
  HRESULT GetIDsOfNames(com::REFIID riid, com::LPOLESTR* names, com::UINT count, com::LCID lcid,
                        com::DISPID* ids) override;
  HRESULT Invoke(com::DISPID member, com::REFIID riid, com::LCID lcid, com::WORD flags, com::DISPPARAMS* params,
                 VARIANT* result, com::EXCEPINFO* excepInfo, com::UINT* argErr) override;
  // IPDFview
  HRESULT GetTextFromResult(HRESULT code, std::int32_t* text) override;
  HRESULT OpenDocument(BSTR fileName, BSTR password, std::int32_t* documentId, std::int32_t flags) override;
  HRESULT CloseDocument(std::int32_t documentId, std::int32_t flags) override;
  HRESULT SaveDocument(std::int32_t documentId, BSTR fileName, std::int32_t saveOption, std::int32_t flags) override;
  HRESULT RunJavaScript(BSTR script, BSTR* result, std::int32_t documentId, std::int32_t flags) override;
  HRESULT SetProperty(BSTR name, VARIANT value, std::int32_t options) override;
  // IConnectionPointContainer
  HRESULT EnumConnectionPoints(com::IEnumConnectionPoints** points) override;
  HRESULT FindConnectionPoint(com::REFIID riid, com::IConnectionPoint** point) override;
  // IOleObjectLite: the control is never shown, so its verbs have nothing to do.
  HRESULT DoVerb(com::LONG verb) override;
  HRESULT Close(com::DWORD saveOption) override;

  // Limits of the scripts of documents opened from now on (not part of the COM surface).
  void SetScriptLimits(const ScriptLimits& limits) { limits_ = limits; }
  std::size_t OpenDocumentCount() const { return documents_.size(); }

private:
  PdfViewControl();
  ~PdfViewControl();
  HRESULT Fail(const ViewerStatus& status);
  void Raise(std::int32_t type, const char* name, std::int32_t documentId, const std::string& detail,
             std::int32_t flags);

  std::atomic<com::ULONG> refs_{0};
  com::ConnectionPoint events_;
  std::map<std::int32_t, std::unique_ptr<PdfDocument>> documents_;
  std::int32_t nextId_ = 1;
  bool readWhole_ = true;
  ScriptLimits limits_;
};

// The control's start-up entry: registers the class (class registry, "CLSID\{...}" with its
// ProgID and "InprocServer32", "<ProgID>\CLSID") at module initialisation and removes it at module
// finalisation.
Module ViewerControlModule();

// The same as a scope, for tests and tools: registered while the object lives.
class ViewerControlRegistration {
public:
  ViewerControlRegistration();
  ~ViewerControlRegistration();
  ViewerControlRegistration(const ViewerControlRegistration&) = delete;
  ViewerControlRegistration& operator=(const ViewerControlRegistration&) = delete;
  HRESULT Result() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace quorin::pdfview
