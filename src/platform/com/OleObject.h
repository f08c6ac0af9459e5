#pragma once
// The two small OLE-object interfaces that the runtime's OLE host control uses on what it embeds.
#include "platform/com/Unknown.h"

namespace quorin::com {

inline constexpr LONG OLEIVERB_PRIMARY = 0;
inline constexpr LONG OLEIVERB_SHOW = -1;
inline constexpr LONG OLEIVERB_HIDE = -3;

inline constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
inline constexpr DWORD OLECLOSE_NOSAVE = 1;

// An object that can be embedded in a host control: the host runs its verbs and closes it before
// releasing it.
class IOleObjectLite : public IUnknown {
public:
    // OLEIVERB_PRIMARY (0) is the object's main action; an unknown verb answers OLEOBJ_S_INVALIDVERB.
    virtual HRESULT DoVerb(LONG verb) = 0;
    // The host is done with it: drop documents, disconnect sinks; the object is released afterwards.
    virtual HRESULT Close(DWORD saveOption) = 0;

protected:
    ~IOleObjectLite() = default;
};

// An object that needs a start step after creation before it is used.
class IRunnableObjectLite : public IUnknown {
public:
    virtual HRESULT Run() = 0;
    virtual BOOL IsRunning() = 0;

protected:
    ~IRunnableObjectLite() = default;
};

inline constexpr IID IID_IOleObjectLite{0x6A1F0C3E, 0x52B4, 0x4D7A, {0x9E, 0x21, 0x3C, 0x8B, 0x07, 0xD4, 0x5F, 0x11}};
inline constexpr IID IID_IRunnableObjectLite{
    0x6A1F0C3F, 0x52B4, 0x4D7A, {0x9E, 0x21, 0x3C, 0x8B, 0x07, 0xD4, 0x5F, 0x11}};

// Puts a newly made object into its running state: when it answers IRunnableObjectLite, its Run
// result; an object without that interface is running already, S_OK. E_INVALIDARG for null.
HRESULT OleRun(IUnknown* object);

} // namespace quorin::com
