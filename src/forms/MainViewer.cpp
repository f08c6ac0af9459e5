#include "forms/MainViewer.h"

namespace quorin::forms {

void MainViewer::OnEventType1(const char*, std::size_t, std::int32_t) {}
void MainViewer::OnEventType3(const char*, std::size_t, std::int32_t) {}
void MainViewer::OnEventType4(const char*, std::size_t, std::int32_t) {}

} // namespace quorin::forms
