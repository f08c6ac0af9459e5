// The viewer hosted in a window through the runtime's OLE host, against the viewer control double.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/OleHost.h"
#include "platform/runtime/UserInterface.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "support/ViewerControlDouble.h"
#include "viewer/IPDFviewClass.h"
#include "viewer/ViewerEventSink.h"
#include "viewer/ViewerModule.h"

namespace quorin::viewer {
namespace {

constexpr int kRegion = 8;

// Records which controls were drawn again (DisplayControls).
class RedrawRecorder : public ScriptedUi {
public:
    void ControlChanged(Window& window, Control& control, unsigned changes) override
    {
        (void)window;
        if (changes & kChangeRedraw)
            redrawn.push_back(control.number());
    }
    std::vector<int> redrawn;
};

class ViewerHostingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnlinkAllControlKinds();
        LinkRegionControlKind();
        LinkButtonControlKind();
        ViewerModuleInit();
        window = MakeWindow(9, 327, 34, 14);
        window->Open();
    }
    void TearDown() override
    {
        wrapper.reset(); // before the window: Kill may destroy the host
        DisposeWindow(window);
        UnlinkAllControlKinds();
    }

    // Controls 1..7 buttons, 8 the region ?REGION1 at the given place.
    static std::unique_ptr<Window> MakeWindow(int x, int y, int w, int h)
    {
        WindowDefinition d;
        d.module = "tests$viewer";
        d.name = "HOSTWINDOW" + std::to_string(x);
        d.width = 330;
        d.height = 345;
        for (int n = 1; n < kRegion; ++n) {
            ControlDefinition b;
            b.kind = ControlKind::Button;
            b.caption = "B";
            d.controls.push_back(b);
        }
        ControlDefinition region;
        region.label = "?REGION1";
        region.kind = ControlKind::Region;
        region.attributes = kCtlHide;
        region.x = x;
        region.y = y;
        region.width = w;
        region.height = h;
        d.controls.push_back(region);
        RegisterWindowDefinition(d);
        return NewWindow(d.module, d.name, {});
    }

    struct Place {
        int x, y, width, height;
        bool operator==(const Place&) const = default;
    };
    static Place PlaceOf(const Control& c) { return {c.x(), c.y(), c.width(), c.height()}; }

    RedrawRecorder ui;
    ScopedUserInterface scope{ui};
    std::unique_ptr<Window> window;
    std::unique_ptr<IPDFviewClass> wrapper = std::make_unique<IPDFviewClass>();
};

TEST_F(ViewerHostingTest, InitInRegionCoversTheRegionAttachesAndConnects)
{
    testing::ViewerDoubleRegistration viewer;
    EXPECT_EQ(wrapper->InitInRegion(kRegion, nullptr), 0);

    EXPECT_EQ(wrapper->REGIONCTRLID, kRegion);
    ASSERT_NE(wrapper->OLECTRL, 0);
    EXPECT_NE(wrapper->OLECTRL, kRegion);
    const Control* host = window->control(wrapper->OLECTRL);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->kind(), ControlKind::Ole);
    EXPECT_EQ(PlaceOf(*host), (Place{9, 327, 34, 14}));
    EXPECT_EQ(wrapper->ISINITIALIZED, 1);
    EXPECT_EQ(wrapper->HR, 0);
    EXPECT_EQ(wrapper->IPDFVIEWOBJ, viewer->last->Interface());
    ASSERT_NE(wrapper->IPDFVIEWEVENTS, nullptr);
    EXPECT_EQ(wrapper->IPDFVIEWEVENTS->AHOST, wrapper.get());
    EXPECT_EQ(viewer->last->Connections(), 1u);
    // The reference that reading DispatchRef added went back: the host's is the only one.
    EXPECT_EQ(viewer->last->References(), 1u);
    EXPECT_EQ(viewer->CallsOf("DoVerb").size(), 1u);
    EXPECT_TRUE(ui.redrawn.empty()) << "CreateControl does not redraw";
    EXPECT_EQ(ui.MessageCount(), 0u);

    const int hostNumber = wrapper->OLECTRL;
    wrapper->Kill();
    EXPECT_EQ(window->control(hostNumber), nullptr) << "the wrapper's own host is destroyed";
    EXPECT_EQ(viewer->instances, 0);
}

// Kill destroys the host in the window that holds it, not a control of the same number in the window
// that is current by then.
TEST_F(ViewerHostingTest, KillDestroysTheHostInItsOwnWindowWhicheverIsCurrent)
{
    testing::ViewerDoubleRegistration viewer;
    wrapper->InitInRegion(kRegion, nullptr);
    const int hostNumber = wrapper->OLECTRL;
    ASSERT_NE(window->control(hostNumber), nullptr);

    auto other = MakeWindow(50, 60, 70, 80);
    other->Open(window.get());
    ASSERT_EQ(CurrentWindow(), other.get());
    ASSERT_EQ(other->Create(hostNumber, ControlKind::Button, 0), hostNumber);

    EXPECT_EQ(wrapper->Kill(), 0);
    EXPECT_NE(other->control(hostNumber), nullptr) << "the current window's control stays";
    EXPECT_EQ(window->control(hostNumber), nullptr) << "the wrapper's own host is destroyed";
    EXPECT_NE(window->control(kRegion), nullptr);
    EXPECT_EQ(viewer->instances, 0);
    DisposeWindow(other);

    // A window destroyed first took its host along: Kill then has no window to touch.
    wrapper->CreateControl(1, 2, 3, 4, 0);
    ASSERT_NE(wrapper->OLECTRL, 0);
    DisposeWindow(window);
    EXPECT_EQ(wrapper->Kill(), 0);
    EXPECT_EQ(wrapper->OLECTRL, 0);
}

TEST_F(ViewerHostingTest, GeometryComesFromTheGivenWindowAndTheHostGoesToTheCurrentOne)
{
    testing::ViewerDoubleRegistration viewer;
    auto other = MakeWindow(50, 60, 70, 80); // not opened: not current
    wrapper->InitInRegion(kRegion, other.get());
    const Control* host = window->control(wrapper->OLECTRL);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(PlaceOf(*host), (Place{50, 60, 70, 80}));
    EXPECT_EQ(other->LastNumber(), kRegion);
}

TEST_F(ViewerHostingTest, UnregisteredViewerMakesNoHost)
{
    EXPECT_EQ(wrapper->InitInRegion(kRegion, nullptr), 0);
    EXPECT_EQ(wrapper->OLECTRL, 0);
    EXPECT_EQ(wrapper->ISINITIALIZED, 0);
    EXPECT_EQ(wrapper->REGIONCTRLID, kRegion);
    EXPECT_EQ(window->LastNumber(), kRegion);
    EXPECT_EQ(wrapper->GetOleControl(), 0);
    EXPECT_EQ(ui.MessageCount(), 0u);
}

TEST_F(ViewerHostingTest, ViewerThatCannotBeCreatedLeavesAnUnplacedEmptyHost)
{
    testing::ViewerDoubleRegistration viewer;
    viewer->createResult = com::E_FAIL;
    EXPECT_EQ(wrapper->InitInRegion(kRegion, nullptr), 0);
    ASSERT_NE(wrapper->OLECTRL, 0);
    const int hostNumber = wrapper->OLECTRL;
    Control* host = window->control(hostNumber);
    ASSERT_NE(host, nullptr);
    EXPECT_NE(PlaceOf(*host), (Place{9, 327, 34, 14}));
    EXPECT_EQ(host->GetProperty(prop::kDispatchRef), "");
    EXPECT_EQ(wrapper->ISINITIALIZED, 0);
    EXPECT_EQ(wrapper->IPDFVIEWEVENTS, nullptr);
    wrapper->Kill();
    EXPECT_NE(window->control(hostNumber), nullptr) << "Kill leaves the host while not initialised";
    EXPECT_EQ(ui.MessageCount(), 0u);
}

TEST_F(ViewerHostingTest, CreateControlWithoutEventsAttachesAndPlacesOnly)
{
    testing::ViewerDoubleRegistration viewer;
    EXPECT_EQ(wrapper->CreateControl(1, 2, 3, 4, 0), 0);
    EXPECT_EQ(wrapper->ISINITIALIZED, 1);
    EXPECT_EQ(PlaceOf(*window->control(wrapper->OLECTRL)), (Place{1, 2, 3, 4}));
    EXPECT_EQ(wrapper->IPDFVIEWEVENTS, nullptr);
    EXPECT_EQ(viewer->last->Connections(), 0u);
    EXPECT_EQ(viewer->last->References(), 1u);
}

TEST_F(ViewerHostingTest, InitOnControlUsesTheExistingHostAndLeavesItToTheWindow)
{
    testing::ViewerDoubleRegistration viewer;
    const int existing = window->Create(0, ControlKind::Ole, 0);
    window->control(existing)->SetGeometry(11, 22, 33, 44);
    EXPECT_EQ(wrapper->InitOnControl(existing, 1), 0);
    EXPECT_EQ(wrapper->OLECTRL, existing);
    EXPECT_EQ(wrapper->REGIONCTRLID, existing);
    EXPECT_EQ(wrapper->ISINITIALIZED, 1);
    EXPECT_EQ(PlaceOf(*window->control(existing)), (Place{11, 22, 33, 44}));
    EXPECT_NE(wrapper->IPDFVIEWEVENTS, nullptr);
    EXPECT_EQ(window->LastNumber(), existing) << "no control made";

    // Create on a host that held an object closes and releases that one first.
    testing::ViewerDoubleRegistration again;
    wrapper->Kill();
    ASSERT_NE(window->control(existing), nullptr) << "the window's control stays";
    EXPECT_EQ(viewer->instances, 1) << "the host still holds its object";
    wrapper->InitOnControl(existing, 0);
    EXPECT_EQ(viewer->instances + again->instances, 1);
}

TEST_F(ViewerHostingTest, InitOnControlWithoutTheClassKeepsTheRegion)
{
    wrapper->REGIONCTRLID = 5;
    wrapper->InitOnControl(3, 1);
    EXPECT_EQ(wrapper->OLECTRL, 0);
    EXPECT_EQ(wrapper->REGIONCTRLID, 5);
}

TEST_F(ViewerHostingTest, SetPositionAndMoveToRegionPlaceAndRedrawOnlyTheHost)
{
    testing::ViewerDoubleRegistration viewer;
    wrapper->InitInRegion(kRegion, nullptr);
    const int host = wrapper->OLECTRL;
    EXPECT_EQ(wrapper->SetPosition(5, 6, 7, 8), 0);
    EXPECT_EQ(PlaceOf(*window->control(host)), (Place{5, 6, 7, 8}));
    EXPECT_EQ(ui.redrawn, std::vector<int>{host});

    auto other = MakeWindow(100, 110, 120, 130);
    EXPECT_EQ(wrapper->MoveToRegion(kRegion, other.get()), 0);
    EXPECT_EQ(PlaceOf(*window->control(host)), (Place{100, 110, 120, 130}));
    EXPECT_EQ(wrapper->REGIONCTRLID, kRegion);
}

TEST_F(ViewerHostingTest, MarkedNullPointerPlacesTheHostButAttachesNothing)
{
    // A host that answers "`0": the runtime's never does, so this is the guard.
    struct NullRefHost : OleHostControl {
        using OleHostControl::OleHostControl;
        std::string GetProperty(int property) const override
        {
            return property == prop::kDispatchRef ? "`0" : OleHostControl::GetProperty(property);
        }
    };
    LinkControlKind(ControlKind::Ole, [](Window& w, int number, const ControlDefinition& d) {
        return std::make_unique<NullRefHost>(w, number, d);
    });
    testing::ViewerDoubleRegistration viewer;
    wrapper->InitInRegion(kRegion, nullptr);
    ASSERT_NE(wrapper->OLECTRL, 0);
    EXPECT_EQ(PlaceOf(*window->control(wrapper->OLECTRL)), (Place{9, 327, 34, 14}));
    EXPECT_EQ(wrapper->ISINITIALIZED, 0);
    EXPECT_EQ(wrapper->HR, static_cast<com::HRESULT>(0x80004002u));
    EXPECT_EQ(wrapper->IPDFVIEWEVENTS, nullptr);
}

TEST_F(ViewerHostingTest, WithoutViewerModuleInitNoHostIsMade)
{
    testing::ViewerDoubleRegistration viewer;
    UnlinkAllControlKinds();
    LinkRegionControlKind();
    wrapper->InitInRegion(kRegion, nullptr);
    EXPECT_EQ(wrapper->OLECTRL, 0);
    EXPECT_EQ(wrapper->ISINITIALIZED, 0);
    EXPECT_EQ(viewer->made, 0);
}

} // namespace
} // namespace quorin::viewer
