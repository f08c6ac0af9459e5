// The OLE host control: Create, DoVerb, DispatchRef and Release, and what destroying it releases.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/com/Guid.h"
#include "platform/pdfview/PdfViewInterface.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/OleHost.h"
#include "platform/runtime/Window.h"
#include "support/ViewerControlDouble.h"

namespace quorin {
namespace {

class OleHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnlinkAllControlKinds();
        LinkOleControlKind();
        WindowDefinition d;
        d.module = "tests$ole";
        d.name = "HOST";
        d.width = 100;
        d.height = 100;
        RegisterWindowDefinition(d);
        window = NewWindow("tests$ole", "HOST", {});
        window->Open();
        host = CreateControl(0, ControlKind::Ole, 0, -1);
        ASSERT_NE(host, 0);
    }
    void TearDown() override
    {
        DisposeWindow(window);
        UnlinkAllControlKinds();
    }

    std::string Get(int property) { return GetControlProperty(host, 0, nullptr, std::to_string(property)); }
    void Set(int property, std::string_view value)
    {
        SetControlPropertyText(host, 0, nullptr, std::to_string(property), value);
    }
    testing::ViewerControlDouble& Object() { return *viewer->last; }

    testing::ViewerDoubleRegistration viewer;
    std::unique_ptr<Window> window;
    int host = 0;
};

TEST_F(OleHostTest, CreateByProgIdOrClassIdThenVerbAndReference)
{
    for (const std::string& name : {std::string(pdfview::kPDFviewProgId), com::FormatGuid(pdfview::CLSID_PDFview)}) {
        SCOPED_TRACE(name);
        viewer->calls.clear();
        Set(prop::kCreate, name);
        ASSERT_EQ(viewer->instances, 1) << "the previous object was released";
        EXPECT_EQ(Object().References(), 1u);

        Set(prop::kDoVerb, "0");
        ASSERT_EQ(viewer->CallsOf("DoVerb").size(), 1u);
        EXPECT_EQ(viewer->CallsOf("DoVerb")[0].numbers, std::vector<std::int64_t>{0});

        const std::string ref = Get(prop::kDispatchRef);
        ASSERT_FALSE(ref.empty());
        EXPECT_EQ(ref[0], '`');
        const auto* dispatch = static_cast<com::IDispatch*>(Object().Interface());
        EXPECT_EQ(ref.substr(1), std::to_string(reinterpret_cast<std::uintptr_t>(dispatch)));
        EXPECT_EQ(Object().References(), 2u) << "one reference for the reader";
        Set(prop::kRelease, ref);
        EXPECT_EQ(Object().References(), 1u);
    }
    EXPECT_EQ(viewer->made, 2);
    EXPECT_EQ(viewer->CallsOf("Close").size(), 1u) << "the first object was closed before the second was made";
}

TEST_F(OleHostTest, ReleaseTakesOnlyAMarkedPointerOfItsOwnObject)
{
    Set(prop::kCreate, pdfview::kPDFviewProgId);
    const std::string ref = Get(prop::kDispatchRef); // 2 references now
    for (const std::string& bad : {ref.substr(1), std::string("`0"), std::string("`12345"), std::string("`x"),
                                  std::string("")}) {
        Set(prop::kRelease, bad);
        EXPECT_EQ(Object().References(), 2u) << "'" << bad << "'";
    }
    Set(prop::kRelease, ref);
    EXPECT_EQ(Object().References(), 1u);
}

TEST_F(OleHostTest, WithoutAnObjectDispatchRefIsEmpty)
{
    EXPECT_EQ(Get(prop::kDispatchRef), "");
    Set(prop::kCreate, "No.Such.Class");
    EXPECT_EQ(Get(prop::kDispatchRef), "");
    Set(prop::kDoVerb, "0"); // nothing to run it on
    viewer->createResult = com::E_FAIL;
    Set(prop::kCreate, pdfview::kPDFviewProgId);
    EXPECT_EQ(Get(prop::kDispatchRef), "");
    EXPECT_EQ(viewer->instances, 0);
}

TEST_F(OleHostTest, DestroyingTheHostClosesAndReleasesTheObject)
{
    Set(prop::kCreate, pdfview::kPDFviewProgId);
    ASSERT_EQ(viewer->instances, 1);
    DestroyControls(host, 0);
    EXPECT_EQ(viewer->instances, 0);
    EXPECT_EQ(viewer->CallsOf("Close").size(), 1u);
}

TEST_F(OleHostTest, ClosingTheWindowReleasesTheObjectWithIt)
{
    Set(prop::kCreate, pdfview::kPDFviewProgId);
    DisposeWindow(window);
    EXPECT_EQ(viewer->instances, 0);
}

} // namespace
} // namespace quorin
