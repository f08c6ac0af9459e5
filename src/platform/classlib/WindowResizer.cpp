#include "platform/classlib/WindowResizer.h"

#include <string>

#include "platform/runtime/Control.h"
#include "platform/runtime/Window.h"

namespace quorin {

void WindowResizer::Init(std::uint8_t strategy, std::uint8_t setMinimum, std::uint8_t setMaximum)
{
    APPSTRATEGY = strategy;
    window_ = CurrentWindow();
    if (window_ == nullptr) {
        return;
    }
    window_->SetProperty(0, prop::kImm, "1"); // size events arrive as they happen
    Reset();
    if (strategy == 2 || strategy == 4) {
        ApplyStrategies();
    }
    if (setMinimum != 0) {
        window_->SetProperty(0, prop::kMinWidth, std::to_string(ORIGWIN.WIDTH));
        window_->SetProperty(0, prop::kMinHeight, std::to_string(ORIGWIN.HEIGHT));
    }
    if (setMaximum != 0) {
        window_->SetProperty(0, prop::kMaxWidth, std::to_string(ORIGWIN.WIDTH));
        window_->SetProperty(0, prop::kMaxHeight, std::to_string(ORIGWIN.HEIGHT));
    }
}

void WindowResizer::Reset()
{
    if (window_ == nullptr) {
        return;
    }
    ORIGWIN.XPOS = window_->x();
    ORIGWIN.YPOS = window_->y();
    ORIGWIN.WIDTH = window_->width();
    ORIGWIN.HEIGHT = window_->height();
    ORIGWIN.MAXIMIZED = window_->maximized() ? 1 : 0;
    ORIGWIN.ICONIZED = window_->iconized() ? 1 : 0;
    PREVIOUSWIN = ORIGWIN;
    CONTROLQUEUE.clear();
    for (Control* control : window_->Controls()) {
        ControlEntry entry;
        entry.control = control->number();
        entry.defined = {control->x(), control->y(), control->width(), control->height()};
        entry.keepHeight = control->kind() == ControlKind::Button;
        CONTROLQUEUE.push_back(entry);
    }
}

void WindowResizer::ApplyStrategies()
{
    for (ControlEntry& entry : CONTROLQUEUE) {
        entry.strategy = APPSTRATEGY;
    }
}

bool WindowResizer::SetStrategy(int control, std::uint8_t strategy)
{
    for (ControlEntry& entry : CONTROLQUEUE) {
        if (entry.control == control) {
            entry.strategy = strategy;
            return true;
        }
    }
    return false;
}

ResizeRect WindowResizer::Placement(const ControlEntry& entry, ResizeSize size) const
{
    if (entry.strategy != resize::kProportional) {
        return entry.defined;
    }
    return ScaleToWindow(entry.defined, {ORIGWIN.WIDTH, ORIGWIN.HEIGHT}, size, entry.keepHeight);
}

ResizeSize WindowResizer::MinimumSize() const
{
    if (window_ == nullptr) {
        return {};
    }
    return {window_->minWidth(), window_->minHeight()};
}

ResizeSize WindowResizer::MaximumSize() const
{
    if (window_ == nullptr) {
        return {};
    }
    return {window_->maxWidth(), window_->maxHeight()};
}

void WindowResizer::Resize()
{
    if (window_ == nullptr) {
        return;
    }
    const ResizeSize asked{window_->width(), window_->height()};
    const ResizeSize size = ClampWindowSize(asked, MinimumSize(), MaximumSize());
    if (!(size == asked)) {
        window_->SetGeometry(window_->x(), window_->y(), size.width, size.height);
    }
    if (RESIZECALLED != 0 && size.width == PREVIOUSWIN.WIDTH && size.height == PREVIOUSWIN.HEIGHT) {
        return;
    }
    RESIZELIST.clear();
    for (const ControlEntry& entry : CONTROLQUEUE) {
        Control* control = window_->control(entry.control);
        if (control == nullptr || entry.strategy == resize::kNone) {
            continue;
        }
        const ResizeRect r = Placement(entry, size);
        control->SetGeometry(r.x, r.y, r.width, r.height);
        RESIZELIST.push_back(entry.control);
    }
    PREVIOUSWIN = {window_->x(), window_->y(), size.width, size.height};
    RESIZECALLED = 1;
    Resized();
}

void WindowResizer::Kill()
{
    window_ = nullptr;
    CONTROLQUEUE.clear();
    RESIZELIST.clear();
}

} // namespace quorin
