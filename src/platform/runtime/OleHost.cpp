#include "platform/runtime/OleHost.h"

#include <charconv>
#include <cstdint>

#include "platform/com/ClassRegistry.h"
#include "platform/com/OleObject.h"
#include "platform/runtime/CodePage.h"
#include "platform/runtime/FixedText.h"

namespace quorin {

namespace {

constexpr char kBackquote = '`';

} // namespace

OleHostControl::OleHostControl(Window& window, int number, const ControlDefinition& definition)
    : Control(window, number, definition)
{
}

OleHostControl::~OleHostControl() { ReleaseObject(); }

void OleHostControl::ReleaseObject()
{
    if (object_ == nullptr)
        return;
    com::IUnknown* held = object_;
    object_ = nullptr;
    com::IOleObjectLite* ole = nullptr;
    if (held->QueryInterface(com::IID_IOleObjectLite, reinterpret_cast<void**>(&ole)) == com::S_OK && ole) {
        ole->Close(com::OLECLOSE_NOSAVE);
        ole->Release();
    }
    held->Release();
}

bool OleHostControl::CreateObject(std::string_view progIdOrClsid)
{
    ReleaseObject();
    const std::u16string name = AnsiToWide(Clip(progIdOrClsid));
    com::CLSID clsid{};
    lastResult_ = com::CLSIDFromString(name.c_str(), &clsid);
    if (com::Failed(lastResult_))
        return false;
    com::IUnknown* made = nullptr;
    lastResult_ = com::CoCreateInstance(clsid, nullptr, com::CLSCTX_ALL, com::IID_IUnknown,
                                        reinterpret_cast<void**>(&made));
    if (com::Failed(lastResult_) || made == nullptr)
        return false;
    lastResult_ = com::OleRun(made);
    if (com::Failed(lastResult_)) {
        made->Release();
        return false;
    }
    object_ = made;
    return true;
}

com::HRESULT OleHostControl::DoVerb(long verb)
{
    if (object_ == nullptr)
        return lastResult_ = com::E_UNEXPECTED;
    com::IOleObjectLite* ole = nullptr;
    lastResult_ = object_->QueryInterface(com::IID_IOleObjectLite, reinterpret_cast<void**>(&ole));
    if (com::Failed(lastResult_) || ole == nullptr)
        return lastResult_;
    lastResult_ = ole->DoVerb(static_cast<com::LONG>(verb));
    ole->Release();
    return lastResult_;
}

std::string OleHostControl::GetProperty(int property) const
{
    if (property != prop::kDispatchRef)
        return Control::GetProperty(property);
    if (object_ == nullptr)
        return {};
    void* dispatch = nullptr;
    if (com::Failed(object_->QueryInterface(com::IID_IDispatch, &dispatch)) || dispatch == nullptr)
        return {};
    // The reference QueryInterface added is the reader's.
    return std::string(1, kBackquote) + std::to_string(reinterpret_cast<std::uintptr_t>(dispatch));
}

void OleHostControl::SetProperty(int property, std::string_view value)
{
    switch (property) {
    case prop::kCreate:
        CreateObject(value);
        break;
    case prop::kDoVerb: {
        const std::string_view text = Clip(value);
        long verb = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), verb);
        if (error == std::errc() && end == text.data() + text.size())
            DoVerb(verb);
        break;
    }
    case prop::kRelease: {
        const std::string_view text = Clip(value);
        if (text.empty() || text.front() != kBackquote)
            break;
        std::uintptr_t pointer = 0;
        const auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), pointer);
        if (error != std::errc() || end != text.data() + text.size() || pointer == 0)
            break;
        // Only a pointer of the object this host holds: a stray number must not become a call.
        void* dispatch = nullptr;
        if (object_ == nullptr || com::Failed(object_->QueryInterface(com::IID_IDispatch, &dispatch))
            || dispatch == nullptr)
            break;
        auto* held = static_cast<com::IUnknown*>(static_cast<com::IDispatch*>(dispatch));
        held->Release(); // the probe's own reference
        if (reinterpret_cast<std::uintptr_t>(dispatch) == pointer)
            held->Release();
        break;
    }
    default:
        Control::SetProperty(property, value);
        break;
    }
}

} // namespace quorin
