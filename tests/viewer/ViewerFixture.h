#pragma once
// What the viewer tests share: the scripted user interface (to see report boxes), the viewer
// control double under the viewer's class id, and a wrapper that records its events.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ErrorInfo.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "support/MessageTexts.h"
#include "support/ViewerControlDouble.h"
#include "viewer/IPDFviewClass.h"
#include "viewer/ViewerEventSink.h"

namespace quorin::viewer::testing {

struct HostEvent {
    int operation; // 1, 3 or 4
    std::optional<std::string> name;
    std::size_t size;
    std::int32_t flags;
};

class RecordingViewer : public IPDFviewClass {
public:
    void OnEventType1(const char* name, std::size_t size, std::int32_t flags) override { Record(1, name, size, flags); }
    void OnEventType3(const char* name, std::size_t size, std::int32_t flags) override { Record(3, name, size, flags); }
    void OnEventType4(const char* name, std::size_t size, std::int32_t flags) override { Record(4, name, size, flags); }
    std::vector<HostEvent> events;

private:
    void Record(int operation, const char* name, std::size_t size, std::int32_t flags)
    {
        events.push_back({operation, name == nullptr ? std::nullopt : std::optional<std::string>(name), size, flags});
    }
};

// A sink whose end the test can see.
class ObservedSink : public ViewerEventSink {
public:
    explicit ObservedSink(bool& destroyed) : destroyed_(destroyed) {}

private:
    ~ObservedSink() override { destroyed_ = true; }
    bool& destroyed_;
};

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        com::SetErrorInfo(0, nullptr);
    }
    void TearDown() override { com::SetErrorInfo(0, nullptr); }

    // A wrapper holding a fresh double (through Init).
    std::unique_ptr<RecordingViewer> HoldingViewer()
    {
        auto viewer = std::make_unique<RecordingViewer>();
        EXPECT_EQ(viewer->Init(), 0);
        return viewer;
    }
    std::vector<std::string> Boxes() const { return quorin::testing::MessageTexts(ui_); }

    ScriptedUi ui_;
    ScopedUserInterface scoped_{ui_};
    // Reset to take the viewer's class out of the registry.
    std::unique_ptr<quorin::testing::ViewerDoubleRegistration> registration_ =
        std::make_unique<quorin::testing::ViewerDoubleRegistration>();
    std::shared_ptr<quorin::testing::ViewerDoubleState> control_ = registration_->state();
};

} // namespace quorin::viewer::testing
