#pragma once
// What a window manager asks of the components it holds (a browse): they see the window's events
// after the manager's own accepted handling, bring the record buffers up to date, and register keys.
#include <cstdint>

namespace quorin {

class WindowComponent {
public:
    virtual ~WindowComponent() = default;
    // One event of the window; a non-zero level ends its handling there (5 handled, 3 stop).
    virtual std::uint8_t TakeEvent() = 0;
    // The component's data into the record buffers (a browse: its selected row's record).
    virtual void Update() = 0;
    // Registers the keys the component reacts to on its controls.
    virtual void SetAlerts() = 0;
    // The window manager is going away.
    virtual void Kill() = 0;
};

} // namespace quorin
