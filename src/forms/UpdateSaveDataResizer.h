#pragma once
// The record form's resizer: the class library's resizer, with every control following the
// strategy from the start.
#include <cstdint>

#include "forms/UpdateSaveData.h"
#include "platform/classlib/WindowResizer.h"

namespace quorin::forms {

class UpdateSaveDataResizer : public WindowResizer {
public:
    explicit UpdateSaveDataResizer(UpdateSaveDataContext& context) : context_(context) {}

    // The class library's Init is virtual, so this takes its place; it adds ApplyStrategies.
    void Init(std::uint8_t strategy, std::uint8_t setMinimum, std::uint8_t setMaximum) override;

private:
    UpdateSaveDataContext& context_; // the procedure's locals, as the window manager has them
};

} // namespace quorin::forms
