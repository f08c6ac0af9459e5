#include "ViewerFixture.h"

#include "platform/runtime/Queue.h"

namespace quorin::viewer::testing {
namespace {

using quorin::testing::ViewerControlDouble;

TEST_F(ViewerTest, ConstructedWrapperAnswersWithoutCallingAnything)
{
    RecordingViewer viewer;
    EXPECT_EQ(viewer.IUNK, nullptr);
    EXPECT_EQ(viewer.IPDFVIEWOBJ, nullptr);
    EXPECT_EQ(viewer.ISINITIALIZED, 0);
    EXPECT_EQ(viewer.DEBUG, 0);
    EXPECT_EQ(viewer.GetOleControl(), 0);

    BSTR out = nullptr;
    std::int32_t cell = 0;
    VARIANT value{};
    com::VariantInit(&value);
    const HRESULT results[] = {
        viewer.SetProperty(nullptr, value, 0),      viewer.RunJavaScript(nullptr, &out, 1, 0),
        viewer.SaveDocument(1, nullptr, 3, 0),      viewer.CloseDocument(1, 2),
        viewer.OpenDocument(nullptr, nullptr, &cell, 0), viewer.GetTextFromResult(com::E_FAIL, &cell),
    };
    for (HRESULT hr : results) {
        EXPECT_EQ(hr, com::E_FAIL);
    }
    EXPECT_EQ(viewer.HR, com::E_FAIL);
    EXPECT_EQ(viewer.SetFlagProperty("Documents.UseStreamsDirectly", 0), 0);
    EXPECT_EQ(viewer.SetLongProperty("p", 5), 0);
    EXPECT_EQ(viewer.SaveDocumentAs(1, "x.pdf", 1), 0);
    EXPECT_EQ(viewer.OpenDocumentFile("x.pdf", "", cell, 0), 0);
    Queue script(RecordLayout("SCRIPT", {{"LINE", FieldType::Text, kScriptLineWidth}}));
    Queue result(RecordLayout("RESULT", {{"LINE", FieldType::Text, kScriptLineWidth}}));
    script.SetText(1, "x");
    script.Add();
    EXPECT_EQ(viewer.RunScriptLines(1, script, result, 0), 0);
    EXPECT_EQ(control_->made, 0);
    EXPECT_TRUE(ui_.Messages().empty());

    EXPECT_EQ(viewer.Kill(), com::E_NOINTERFACE);
}

TEST_F(ViewerTest, InitHoldsTheControlAndKillLetsItGo)
{
    auto viewer = HoldingViewer();
    ViewerControlDouble* control = control_->last;
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(viewer->ISINITIALIZED, 1);
    EXPECT_EQ(viewer->HR, 0);
    EXPECT_EQ(viewer->IPDFVIEWOBJ, control->Interface());
    EXPECT_EQ(viewer->IUNK, viewer->IPDFVIEWOBJ);
    EXPECT_EQ(control->References(), 1u); // the one reference CoCreateInstance gave
    EXPECT_EQ(viewer->OLECTRL, 0);
    EXPECT_EQ(viewer->REGIONCTRLID, 0);

    viewer->DEBUG = 1;
    EXPECT_EQ(viewer->Kill(), 0);
    EXPECT_EQ(viewer->IUNK, nullptr);
    EXPECT_EQ(viewer->IPDFVIEWOBJ, nullptr);
    EXPECT_EQ(viewer->IPDFVIEWEVENTS, nullptr);
    EXPECT_EQ(viewer->ISINITIALIZED, 0);
    EXPECT_EQ(viewer->HR, 0);
    EXPECT_EQ(viewer->DEBUG, 1); // kept
    EXPECT_EQ(control_->instances, 0); // the object Init made is released by Kill

    // A second Kill changes HR only.
    EXPECT_EQ(viewer->Kill(), com::E_NOINTERFACE);
    EXPECT_EQ(viewer->HR, com::E_NOINTERFACE);
    EXPECT_EQ(viewer->ISINITIALIZED, 0);
    EXPECT_EQ(viewer->IUNK, nullptr);
    viewer.reset(); // Destruct after Kill releases nothing more
    EXPECT_EQ(control_->instances, 0);
}

TEST_F(ViewerTest, DestructKillsAHoldingWrapper)
{
    auto viewer = HoldingViewer();
    EXPECT_EQ(control_->instances, 1);
    viewer.reset();
    EXPECT_EQ(control_->instances, 0);
}

TEST_F(ViewerTest, AttachOfNullChangesNothingButHR)
{
    auto viewer = HoldingViewer();
    pdfview::IPDFview* held = viewer->IPDFVIEWOBJ;
    EXPECT_EQ(viewer->Attach(nullptr), com::E_NOINTERFACE);
    EXPECT_EQ(viewer->HR, com::E_NOINTERFACE);
    EXPECT_EQ(viewer->ISINITIALIZED, 1);
    EXPECT_EQ(viewer->IPDFVIEWOBJ, held);
    EXPECT_EQ(viewer->IUNK, held);
}

TEST_F(ViewerTest, FailedInitLeavesTheConstructedState)
{
    registration_.reset(); // the viewer's class is not registered
    RecordingViewer viewer;
    EXPECT_EQ(viewer.Init(), com::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(viewer.ISINITIALIZED, 0);
    EXPECT_EQ(viewer.IUNK, nullptr);
    EXPECT_TRUE(ui_.Messages().empty()); // DEBUG is off
    std::int32_t id = 0;
    EXPECT_EQ(viewer.CloseDocument(id, 2), com::E_FAIL);
    EXPECT_EQ(viewer.Kill(), com::E_NOINTERFACE);
    EXPECT_EQ(viewer.GetServerPath(), "");
}

TEST_F(ViewerTest, FailedInitWithDebugReportsTheCodeAndReturnsTheReportsLastResult)
{
    control_->createResult = com::E_ACCESSDENIED;
    RecordingViewer viewer;
    viewer.DEBUG = 1;
    // The report's GetTextFromResult finds no control: E_FAIL, the last result of the report.
    EXPECT_EQ(viewer.Init(), com::E_FAIL);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"IPDFviewClass.Init: CoCreateInstance failed (80070005)"});
}

TEST_F(ViewerTest, ServerPathComesFromTheClassRegistration)
{
    RecordingViewer viewer;
    EXPECT_EQ(viewer.GetServerPath(), quorin::testing::kViewerDoubleServerPath);
}

// Connects a sink as the hosting road does.
ObservedSink* ConnectSink(IPDFviewClass& viewer, bool& destroyed)
{
    auto* sink = new ObservedSink(destroyed);
    viewer.IPDFVIEWEVENTS = sink;
    sink->Init();
    EXPECT_EQ(sink->Connect(viewer.GetInterface()), 0);
    sink->AHOST = &viewer;
    return sink;
}

TEST_F(ViewerTest, KillDisconnectsAndEndsTheSink)
{
    auto viewer = HoldingViewer();
    bool destroyed = false;
    ObservedSink* sink = ConnectSink(*viewer, destroyed);
    ViewerControlDouble* control = control_->last;
    EXPECT_EQ(control->Connections(), 1u);
    EXPECT_NE(sink->DWCOOKIE, 0u);
    EXPECT_EQ(sink->CREF.load(), 2); // the host's and the connection's

    control->RaiseEvent(1, u"open", 5);
    ASSERT_EQ(viewer->events.size(), 1u);

    EXPECT_EQ(viewer->Kill(), 0);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(viewer->IPDFVIEWEVENTS, nullptr);
    EXPECT_EQ(control_->instances, 0);
}

TEST_F(ViewerTest, SinkThatCannotBeDisconnectedOutlivesItsHostSafely)
{
    auto viewer = HoldingViewer();
    bool destroyed = false;
    ConnectSink(*viewer, destroyed);
    ViewerControlDouble* control = control_->last;
    control->AddRef(); // keep the control alive past Kill, still holding the sink
    control_->unadviseResult = com::E_FAIL;

    EXPECT_EQ(viewer->Kill(), 0);
    EXPECT_FALSE(destroyed); // the control still holds it
    EXPECT_EQ(viewer->IPDFVIEWEVENTS, nullptr);
    EXPECT_EQ(control->RaiseEvent(1, u"late", 0), std::vector<HRESULT>{com::S_OK});
    EXPECT_TRUE(viewer->events.empty()); // no host any more: dropped

    viewer.reset();
    control->Release(); // the control ends and lets go of the sink
    EXPECT_TRUE(destroyed);
}

} // namespace
} // namespace quorin::viewer::testing
