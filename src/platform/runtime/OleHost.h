#pragma once
// The OLE host control (kind 32): embeds one OLE object in a window and holds its reference.
// Its properties: Create (a ProgID or a braced class id), DoVerb (a verb number as text),
// DispatchRef (read: "`" and the decimal IDispatch pointer, one reference for the reader; empty
// without an object) and Release ("`" and decimal digits: one Release on that pointer).
#include <string>
#include <string_view>

#include "platform/com/Unknown.h"
#include "platform/runtime/Control.h"

namespace quorin {

class OleHostControl : public Control {
public:
    OleHostControl(Window& window, int number, const ControlDefinition& definition);
    ~OleHostControl() override; // closes and releases the object

    std::string GetProperty(int property) const override;
    void SetProperty(int property, std::string_view value) override;

    com::IUnknown* object() const { return object_; } // no reference added
    // HRESULT of the latest Create or DoVerb.
    com::HRESULT lastResult() const { return lastResult_; }

    // Create: closes and releases what it held, then makes the object; false when none was made.
    bool CreateObject(std::string_view progIdOrClsid);
    com::HRESULT DoVerb(long verb);
    void ReleaseObject();

private:
    com::IUnknown* object_ = nullptr;
    com::HRESULT lastResult_ = 0;
};

} // namespace quorin
