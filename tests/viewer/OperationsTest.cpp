#include "ViewerFixture.h"

#include <functional>

namespace quorin::viewer::testing {
namespace {

// Each interface call, made with arguments of no interest, and its method's name at the control.
struct InterfaceCall {
    const char* method;
    std::function<HRESULT(IPDFviewClass&)> call;
};

std::vector<InterfaceCall> InterfaceCalls()
{
    return {
        {"SetProperty", [](IPDFviewClass& v) { VARIANT x{}; com::VariantInit(&x); return v.SetProperty(nullptr, x, 0); }},
        {"RunJavaScript", [](IPDFviewClass& v) { BSTR out = nullptr; return v.RunJavaScript(nullptr, &out, 1, 0); }},
        {"SaveDocument", [](IPDFviewClass& v) { return v.SaveDocument(1, nullptr, 3, 0); }},
        {"CloseDocument", [](IPDFviewClass& v) { return v.CloseDocument(1, 2); }},
        {"OpenDocument", [](IPDFviewClass& v) { std::int32_t id = 0; return v.OpenDocument(nullptr, nullptr, &id, 0); }},
        {"GetTextFromResult", [](IPDFviewClass& v) { std::int32_t cell = 0; return v.GetTextFromResult(5, &cell); }},
    };
}

TEST_F(ViewerTest, EveryResultButZeroIsAFailureKeptInHR)
{
    auto viewer = HoldingViewer();
    for (const InterfaceCall& c : InterfaceCalls()) {
        for (HRESULT code : {com::S_FALSE, com::E_ACCESSDENIED}) {
            control_->results[c.method] = code;
            viewer->HR = 12345;
            EXPECT_EQ(c.call(*viewer), code) << c.method;
            EXPECT_EQ(viewer->HR, code) << c.method;
        }
        control_->results.erase(c.method);
        EXPECT_EQ(c.call(*viewer), 0) << c.method;
        EXPECT_EQ(viewer->HR, 0) << c.method;
    }
    EXPECT_TRUE(ui_.Messages().empty()); // reported with the debug-only flag while DEBUG is 0

    control_->results["SetProperty"] = com::S_FALSE;
    control_->results["SaveDocument"] = com::S_FALSE;
    control_->results["OpenDocument"] = com::S_FALSE;
    std::int32_t id = 0;
    EXPECT_EQ(viewer->SetLongProperty("p", 1), 0);
    EXPECT_EQ(viewer->SetFlagProperty("p", 1), 0);
    EXPECT_EQ(viewer->SaveDocumentAs(1, "x", 0), 0);
    EXPECT_EQ(viewer->OpenDocumentFile("x", "", id, 0), 0);
    EXPECT_EQ(viewer->HR, com::S_FALSE);
}

TEST_F(ViewerTest, OpenDocumentFileSendsClippedTextsAndAnEmptyPassword)
{
    auto viewer = HoldingViewer();
    std::int32_t id = 0;
    control_->documentId = 41;
    EXPECT_EQ(viewer->OpenDocumentFile("  C:\\Forms\\f\xC3\xBCr.pdf      ", "    ", id, 6), 1);
    EXPECT_EQ(id, 41);
    const auto calls = control_->CallsOf("OpenDocument");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].texts[0], std::optional<std::u16string>(u"  C:\\Forms\\für.pdf"));
    ASSERT_TRUE(calls[0].texts[1].has_value()); // an empty BSTR, not a null one
    EXPECT_EQ(*calls[0].texts[1], u"");
    EXPECT_EQ(calls[0].numbers, std::vector<std::int64_t>{6});

    control_->results["OpenDocument"] = com::E_FAIL;
    id = 99;
    EXPECT_EQ(viewer->OpenDocumentFile("missing.pdf", "", id, 0), 0);
    EXPECT_EQ(id, 99); // the cell holds what the control left there
}

TEST_F(ViewerTest, FlagAndLongPropertiesTravelAsFourByteIntegers)
{
    auto viewer = HoldingViewer();
    struct Case {
        std::uint8_t flag;
        std::int32_t sent;
    };
    for (Case c : {Case{0, 0}, Case{1, 1}, Case{2, 1}, Case{255, 1}}) {
        control_->calls.clear();
        EXPECT_EQ(viewer->SetFlagProperty("Documents.UseStreamsDirectly", c.flag), 1);
        const auto calls = control_->CallsOf("SetProperty");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].texts[0], std::optional<std::u16string>(u"Documents.UseStreamsDirectly"));
        EXPECT_EQ(calls[0].variantType, com::VT_I4);
        EXPECT_EQ(calls[0].variantLong, c.sent) << int(c.flag);
        EXPECT_EQ(calls[0].numbers, std::vector<std::int64_t>{0}); // options
    }
    control_->calls.clear();
    EXPECT_EQ(viewer->SetLongProperty("Zoom  ", -200), 1);
    EXPECT_EQ(control_->calls.at(0).variantLong, -200);
    EXPECT_EQ(control_->calls.at(0).texts[0], std::optional<std::u16string>(u"Zoom"));
}

TEST_F(ViewerTest, SaveDocumentAsAlwaysSendsOptionThreeAndFlagsTwoOrZero)
{
    auto viewer = HoldingViewer();
    struct Case {
        std::int32_t flag;
        std::int64_t flags;
    };
    for (Case c : {Case{0, 0}, Case{1, 2}, Case{-7, 2}}) {
        control_->calls.clear();
        EXPECT_EQ(viewer->SaveDocumentAs(9, "out.pdf   ", c.flag), 1);
        const auto calls = control_->CallsOf("SaveDocument");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].texts[0], std::optional<std::u16string>(u"out.pdf"));
        EXPECT_EQ(calls[0].numbers, (std::vector<std::int64_t>{9, 3, c.flags}));
    }
}

TEST(FormatHResult, HexDigitsWithoutPrefixOrLeadingZeros)
{
    const std::pair<std::uint32_t, const char*> table[] = {
        {0x80004005u, "80004005"}, {1, "1"}, {0xFFFFFFFFu, "FFFFFFFF"}, {0x10, "10"},
        {0xF, "F"},                {0, ""},  {0x00ABCDEFu, "ABCDEF"},
    };
    for (const auto& [code, text] : table) {
        EXPECT_EQ(FormatHResult(static_cast<HRESULT>(code)), text);
    }
}

// The error report.
TEST_F(ViewerTest, DebugOnlyReportWithDebugOffDoesNothingAtAll)
{
    auto viewer = HoldingViewer();
    com::SetErrorDescription(u"pending");
    viewer->HR = 77;
    EXPECT_EQ(viewer->ReportComError("IPDFviewClass.OpenDocument", com::E_FAIL, 1), 0);
    EXPECT_TRUE(ui_.Messages().empty());
    EXPECT_TRUE(control_->calls.empty());
    EXPECT_EQ(viewer->HR, 77);
    com::IErrorInfo* info = nullptr;
    EXPECT_EQ(com::GetErrorInfo(0, &info), com::S_OK); // still the thread's
    com::SafeRelease(info);
}

TEST_F(ViewerTest, ReportIsShownWhenAskedInAnyCaseOrWithDebugOn)
{
    RecordingViewer viewer; // no control: the detail is the code
    EXPECT_EQ(viewer.ReportComError("IPDFviewClass.OpenDocument", com::E_FAIL, 0), 0);
    viewer.DEBUG = 1;
    EXPECT_EQ(viewer.ReportComError("Name with blanks  ", 0, 1), 0);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"IPDFviewClass.OpenDocument failed (80004005)",
                                                 "Name with blanks   failed ()"}));
    const MessageBoxRequest box = ui_.LastMessage();
    EXPECT_EQ(box.caption, "COM Error");
    EXPECT_EQ(box.icon, icon::kAsterisk);
    EXPECT_EQ(box.buttons, button::kOk);
}

TEST_F(ViewerTest, DetailIsTheDescriptionElseTheControlsTextElseTheCode)
{
    auto viewer = HoldingViewer();
    viewer->DEBUG = 1;
    control_->textCell = 42;

    com::SetErrorDescription(u"  disk full   ");
    viewer->ReportComError("A", com::E_FAIL, 1);
    EXPECT_TRUE(control_->CallsOf("GetTextFromResult").empty()); // a description needs no text

    com::SetErrorDescription(u"    "); // blanks only count as none
    viewer->ReportComError("B", com::E_FAIL, 1);
    ASSERT_EQ(control_->CallsOf("GetTextFromResult").size(), 1u);
    EXPECT_EQ(control_->CallsOf("GetTextFromResult")[0].numbers,
              (std::vector<std::int64_t>{com::E_FAIL, 0})); // the code, and the cell set to 0

    viewer->ReportComError("C", com::E_FAIL, 1); // a second report finds no description
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"A failed (  disk full)", "B failed (42)", "C failed (42)"}));
}

TEST_F(ViewerTest, FailureOfTheControlsTextYieldsAtMostTwoBoxes)
{
    auto viewer = HoldingViewer();
    viewer->DEBUG = 1;
    control_->results["OpenDocument"] = com::MakeHResult(0x80070002u);
    control_->results["GetTextFromResult"] = com::E_UNEXPECTED;
    std::int32_t id = 0;
    EXPECT_EQ(viewer->OpenDocumentFile("x.pdf", "", id, 0), 0);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"IPDFviewClass.GetTextFromResult failed (8000FFFF)",
                                                 "IPDFviewClass.OpenDocument failed (80070002)"}));
    EXPECT_EQ(control_->CallsOf("GetTextFromResult").size(), 1u);
    // The call answers its own failure; the report's calls stand in HR.
    EXPECT_EQ(viewer->HR, com::E_UNEXPECTED);
}

TEST_F(ViewerTest, DescriptionLeftByTheFailingControlIsShown)
{
    auto viewer = HoldingViewer();
    viewer->DEBUG = 1;
    control_->results["CloseDocument"] = com::E_FAIL;
    control_->errorDescriptions["CloseDocument"] = u"no such document";
    EXPECT_EQ(viewer->CloseDocument(3, 2), com::E_FAIL);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"IPDFviewClass.CloseDocument failed (no such document)"});
    EXPECT_EQ(viewer->HR, 0); // GetDescription's result
}

} // namespace
} // namespace quorin::viewer::testing
