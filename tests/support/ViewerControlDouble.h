#pragma once
// A test double of the PDF viewer control: registered under the viewer's class id and ProgID, it
// records every call with its arguments, answers the codes a test chooses, leaves error
// information on failure, and raises events through its connection point.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ClassRegistry.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/OleObject.h"
#include "platform/pdfview/PdfViewInterface.h"

namespace quorin::testing {

// One call as the control saw it. BSTR arguments in `texts` (nullopt for a null BSTR), integer
// arguments in `numbers`, both in argument order; SetProperty's VARIANT in `variantType`/`variantLong`.
struct ViewerCall {
    std::string method;
    std::vector<std::optional<std::u16string>> texts;
    std::vector<std::int64_t> numbers;
    com::VARTYPE variantType = 0;
    std::int32_t variantLong = 0;
};

// What the test sets and reads; shared by the registration and every instance it made.
struct ViewerDoubleState {
    std::vector<ViewerCall> calls;
    // The answer of a method by name ("OpenDocument", ...); S_OK when not listed.
    std::map<std::string, com::HRESULT> results;
    // A description left as the thread's error information when a method answers non-zero.
    std::map<std::string, std::u16string> errorDescriptions;
    std::int32_t documentId = 7;          // given by OpenDocument
    std::int32_t textCell = 0;            // given by GetTextFromResult
    std::optional<std::u16string> scriptResult; // RunJavaScript's result text; nullopt: a null BSTR
    // Called with the method's name at every call, before the answer (e.g. to raise an event).
    std::function<void(const std::string&)> onCall;
    com::HRESULT createResult = com::S_OK; // the factory's answer (a failing class)
    com::HRESULT unadviseResult = com::S_OK; // forced failure of Unadvise (the sink stays connected)

    int instances = 0; // alive now
    int made = 0;
    class ViewerControlDouble* last = nullptr; // the newest living instance

    std::vector<std::string> Methods() const;
    // Calls of one method.
    std::vector<ViewerCall> CallsOf(const std::string& method) const;
};

class ViewerControlDouble final : public pdfview::IPDFview,
                                  public com::IConnectionPointContainer,
                                  public com::IOleObjectLite {
public:
    explicit ViewerControlDouble(std::shared_ptr<ViewerDoubleState> state);
    ViewerControlDouble(const ViewerControlDouble&) = delete;
    ViewerControlDouble& operator=(const ViewerControlDouble&) = delete;

    com::HRESULT QueryInterface(com::REFIID riid, void** object) override;
    com::ULONG AddRef() override;
    com::ULONG Release() override;

    com::HRESULT GetTypeInfoCount(com::UINT* count) override;
    com::HRESULT GetTypeInfo(com::UINT index, com::LCID lcid, com::ITypeInfo** info) override;
    com::HRESULT GetIDsOfNames(com::REFIID riid, com::LPOLESTR* names, com::UINT count, com::LCID lcid,
                               com::DISPID* ids) override;
    com::HRESULT Invoke(com::DISPID member, com::REFIID riid, com::LCID lcid, com::WORD flags,
                        com::DISPPARAMS* params, com::VARIANT* result, com::EXCEPINFO* excepInfo,
                        com::UINT* argErr) override;

    com::HRESULT GetTextFromResult(com::HRESULT code, std::int32_t* text) override;
    com::HRESULT OpenDocument(com::BSTR fileName, com::BSTR password, std::int32_t* documentId,
                              std::int32_t flags) override;
    com::HRESULT CloseDocument(std::int32_t documentId, std::int32_t flags) override;
    com::HRESULT SaveDocument(std::int32_t documentId, com::BSTR fileName, std::int32_t saveOption,
                              std::int32_t flags) override;
    com::HRESULT RunJavaScript(com::BSTR script, com::BSTR* result, std::int32_t documentId,
                               std::int32_t flags) override;
    com::HRESULT SetProperty(com::BSTR name, com::VARIANT value, std::int32_t options) override;

    com::HRESULT EnumConnectionPoints(com::IEnumConnectionPoints** points) override;
    com::HRESULT FindConnectionPoint(com::REFIID riid, com::IConnectionPoint** point) override;

    com::HRESULT DoVerb(com::LONG verb) override;
    com::HRESULT Close(com::DWORD saveOption) override;

    // Raises OnEvent on every connected sink through IDispatch::Invoke, with the five parameters in
    // reverse order; the results of the sinks' Invoke.
    std::vector<com::HRESULT> RaiseEvent(std::int32_t type, const std::u16string& name, std::int32_t flags);
    // Invoke with arguments of the test's making (reverse order, as DISPPARAMS holds them).
    std::vector<com::HRESULT> RaiseRaw(com::DISPID member, com::WORD flags, std::vector<com::VARIANT> reversedArgs,
                                       com::UINT* argErr);

    std::size_t Connections() const { return point_.Count(); }
    com::ULONG References() const { return count_; }
    pdfview::IPDFview* Interface() { return this; }

private:
    ~ViewerControlDouble();
    com::HRESULT Answer(ViewerCall call);

    std::shared_ptr<ViewerDoubleState> state_;
    std::atomic<com::ULONG> count_{1};
    com::ConnectionPoint point_;
};

// Registers the double for the viewer's class id and ProgID while it lives.
class ViewerDoubleRegistration {
public:
    ViewerDoubleRegistration();
    std::shared_ptr<ViewerDoubleState> state() const { return state_; }
    ViewerDoubleState& operator*() const { return *state_; }
    ViewerDoubleState* operator->() const { return state_.get(); }

private:
    std::shared_ptr<ViewerDoubleState> state_;
    com::ClassRegistration registration_;
};

inline constexpr const char* kViewerDoubleServerPath = "viewer-double.so";

} // namespace quorin::testing
