#include "forms/UpdateSaveDataResizer.h"

namespace quorin::forms {

void UpdateSaveDataResizer::Init(std::uint8_t strategy, std::uint8_t setMinimum, std::uint8_t setMaximum)
{
    WindowResizer::Init(strategy, setMinimum, setMaximum);
    ApplyStrategies();
}

} // namespace quorin::forms
