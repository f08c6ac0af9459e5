#pragma once
// The viewer object of the form-filling window: the hidden PDF viewer control. Its events have no
// effect in this system.
#include <cstddef>
#include <cstdint>

#include "viewer/IPDFviewClass.h"

namespace quorin::forms {

struct MainContext;

class MainViewer : public viewer::IPDFviewClass {
public:
    explicit MainViewer(MainContext& main) : main_(main) {}

    void OnEventType1(const char* name, std::size_t size, std::int32_t flags) override;
    void OnEventType3(const char* name, std::size_t size, std::int32_t flags) override;
    void OnEventType4(const char* name, std::size_t size, std::int32_t flags) override;

private:
    [[maybe_unused]] MainContext& main_;
};

} // namespace quorin::forms
