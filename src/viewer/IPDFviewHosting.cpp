// Hosting the viewer control in a window: the operations of IPDFviewClass that work through the
// runtime's OLE host control.
#include <charconv>
#include <cstdint>
#include <string>

#include "platform/com/ClassRegistry.h"
#include "platform/runtime/CodePage.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Window.h"
#include "viewer/IPDFviewClass.h"
#include "viewer/ViewerEventSink.h"
#include "viewer/ViewerModule.h"

namespace quorin::viewer {

namespace {

constexpr std::size_t kProgIdSize = 128;   // zero-terminated: at most 127 characters
constexpr std::size_t kInterfaceSize = 32; // zero-terminated: at most 31 characters
constexpr char kInterfaceMark = '`';

// Properties named to the runtime by number, as decimal texts.
const std::string kXpos = std::to_string(prop::kXpos);
const std::string kYpos = std::to_string(prop::kYpos);
const std::string kWidth = std::to_string(prop::kWidth);
const std::string kHeight = std::to_string(prop::kHeight);
const std::string kCreate = std::to_string(prop::kCreate);
const std::string kDoVerb = std::to_string(prop::kDoVerb);
const std::string kRelease = std::to_string(prop::kRelease);
const std::string kDispatchRef = std::to_string(prop::kDispatchRef);

// The integer part of a property's text.
std::int32_t IntegerOf(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    std::int32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void SetHostLong(std::int32_t control, const std::string& property, std::int32_t value)
{
    std::int32_t cell = value;
    SetControlProperty(control, BoundVariable::Long(&cell), 0, nullptr, property);
}

struct Geometry {
    std::int32_t x, y, width, height;
};

Geometry ReadGeometry(std::int32_t region, Window* window)
{
    Geometry g{};
    g.x = IntegerOf(GetControlProperty(region, 0, window, kXpos));
    g.y = IntegerOf(GetControlProperty(region, 0, window, kYpos));
    g.width = IntegerOf(GetControlProperty(region, 0, window, kWidth));
    g.height = IntegerOf(GetControlProperty(region, 0, window, kHeight));
    return g;
}

// The ProgID string from ProgIDFromCLSID, freed through the task allocator on every path.
struct TaskString {
    com::LPOLESTR text = nullptr;
    ~TaskString() { com::CoTaskMemFree(text); }
};

} // namespace

void ViewerModuleInit() { LinkOleControlKind(); }

std::int32_t IPDFviewClass::InitInRegion(std::int32_t region, Window* window)
{
    REGIONCTRLID = region;
    const Geometry g = ReadGeometry(region, window);
    return CreateControl(g.x, g.y, g.width, g.height, 1);
}

// From the ProgID on: create the object in the host OLECTRL, run its primary verb, take its
// pointer, place the host when asked, attach, and connect the sink when asked.
static std::int32_t HostViewer(IPDFviewClass& self, com::LPOLESTR progId, bool place, Geometry where,
                               std::int32_t withEvents)
{
    if (progId == nullptr)
        return 0;
    const std::u16string_view wide(progId, std::char_traits<char16_t>::length(progId));
    const std::string narrow = WideToAnsi(wide);
    // A text that did not survive the conversion leaves the host without an object.
    if (narrow.find("\xEF\xBF\xBD") == std::string::npos) {
        char progIdText[kProgIdSize];
        AssignCString(progIdText, sizeof progIdText, narrow);
        SetControlProperty(self.OLECTRL, BoundVariable::CString(progIdText, sizeof progIdText), 0, nullptr,
                           kCreate);
        SetControlPropertyText(self.OLECTRL, 0, nullptr, kDoVerb, "0");
    }
    char interfaceText[kInterfaceSize];
    AssignCString(interfaceText, sizeof interfaceText, GetControlProperty(self.OLECTRL, 0, nullptr, kDispatchRef));
    if (interfaceText[0] != kInterfaceMark)
        return 0;
    const std::string_view digits = Clip(std::string_view(interfaceText + 1));
    std::uintptr_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    // Give back at once the reference that reading DispatchRef added: the host owns the object.
    SetControlProperty(self.OLECTRL, BoundVariable::CString(interfaceText, sizeof interfaceText), 0, nullptr,
                       kRelease);
    if (place) {
        SetHostLong(self.OLECTRL, kXpos, where.x);
        SetHostLong(self.OLECTRL, kYpos, where.y);
        SetHostLong(self.OLECTRL, kWidth, where.width);
        SetHostLong(self.OLECTRL, kHeight, where.height);
    }
    auto* pointer = reinterpret_cast<pdfview::IPDFview*>(value);
    self.HR = self.Attach(pointer);
    if (pointer == nullptr)
        return 0;
    if (withEvents != 0) {
        auto* sink = new ViewerEventSink();
        self.IPDFVIEWEVENTS = sink;
        sink->Init();
        sink->Connect(pointer);
        sink->AHOST = &self; // only now: an event raised inside Connect finds no host
    }
    return 0;
}

std::int32_t IPDFviewClass::CreateControl(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                          std::int32_t withEvents)
{
    TaskString progId;
    if (com::Failed(com::ProgIDFromCLSID(pdfview::CLSID_PDFview, &progId.text))) {
        OLECTRL = 0;
        return 0;
    }
    OLECTRL = quorin::CreateControl(0, ControlKind::Ole, 0, -1);
    if (OLECTRL == 0)
        return 0;
    hostWindow_ = CurrentWindow()->Handle(); // the runtime made the host there
    return HostViewer(*this, progId.text, true, Geometry{x, y, width, height}, withEvents);
}

std::int32_t IPDFviewClass::InitOnControl(std::int32_t control, std::int32_t withEvents)
{
    TaskString progId;
    if (com::Failed(com::ProgIDFromCLSID(pdfview::CLSID_PDFview, &progId.text))) {
        OLECTRL = 0;
        return 0;
    }
    OLECTRL = control;
    REGIONCTRLID = control;
    return HostViewer(*this, progId.text, false, Geometry{}, withEvents);
}

std::int32_t IPDFviewClass::MoveToRegion(std::int32_t region, Window* window)
{
    const Geometry g = ReadGeometry(region, window);
    return SetPosition(g.x, g.y, g.width, g.height);
}

std::int32_t IPDFviewClass::SetPosition(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    // Without a host there is nothing to move (number 0 would be the window itself).
    if (OLECTRL == 0)
        return 0;
    SetHostLong(OLECTRL, kXpos, x);
    SetHostLong(OLECTRL, kYpos, y);
    SetHostLong(OLECTRL, kWidth, width);
    SetHostLong(OLECTRL, kHeight, height);
    DisplayControls(OLECTRL, 0);
    return 0;
}

} // namespace quorin::viewer
