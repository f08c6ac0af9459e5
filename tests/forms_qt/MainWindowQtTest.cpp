// The form-filling window through the real Qt widgets: a fixed dialog frame without maximise or
// close box, its controls where their dialog units put them, the browse with its five columns and
// vertical scroll bar, its dates and times shown whole, the viewer's host never shown, a mnemonic,
// "Close" and the window manager's close request.
#include "forms/MainFixture.h"
#include "forms/MainWindowDefinition.h"
#include "platform/classlib/IniManager.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/ListFormat.h"
#include "platform/runtime/Picture.h"
#include "platform/ui/qt/DialogUnits.h"
#include "platform/ui/qt/QtUi.h"
#include "support/ViewerControlDouble.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace quorin::forms {
namespace {

using namespace mainctl;

QWidget* Top() { return CurrentWindow() != nullptr ? ui::QtUi::WidgetOf(*CurrentWindow()) : nullptr; }

template <class T = QWidget>
T* Widget(int control)
{
    const Control* c = CurrentWindow() != nullptr ? CurrentWindow()->control(control) : nullptr;
    return c != nullptr ? qobject_cast<T*>(ui::QtUi::WidgetOf(*c)) : nullptr;
}

class MainWindowQtTest : public testing::MainFixture {
protected:
    // Runs `act` once `ready` holds, looked at from a timer of whichever loop runs meanwhile.
    static void When(std::function<bool()> ready, std::function<void()> act)
    {
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [timer, ready, act] {
            if (!ready()) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            act();
        });
        timer->start();
    }
    static bool Up()
    {
        QWidget* top = Top();
        return top != nullptr && top->isVisible() && top->windowTitle() == QLatin1String("PDF Form Filling");
    }

    quorin::testing::ViewerDoubleRegistration control_;
    ui::QtUi qt_;
    ScopedUserInterface qtInstalled_{qt_};
};

TEST_F(MainWindowQtTest, AFixedDialogWithTheBrowseAndAHiddenViewer)
{
    bool looked = false;
    When(Up, [&] {
        looked = true;
        QWidget* top = Top();
        QApplication::setActiveWindow(top);
        const ui::DialogUnits units(top->font());
        EXPECT_EQ(top->size(), units.ToPixels(QSize(330, 345)));
        EXPECT_EQ(top->minimumSize(), top->maximumSize()) << "a fixed frame";
        EXPECT_FALSE(top->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(top->windowFlags() & Qt::WindowCloseButtonHint) << "no System: Close is the way out";

        Window& w = *CurrentWindow();
        for (int number : {kPdfMaster, kList1, kClose, kList, kToForm}) {
            const Control& c = *w.control(number);
            EXPECT_EQ(Widget(number)->geometry(), units.ToPixels(QRect(c.x(), c.y(), c.width(), c.height())))
                << c.label();
        }

        auto* browse = Widget<QTreeView>(kList);
        ASSERT_NE(browse, nullptr);
        ASSERT_EQ(browse->model()->columnCount(), 5);
        const char* headers[] = {"Date", "Time", "Account", "Password", "Email"};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(browse->model()->headerData(i, Qt::Horizontal).toString(), headers[i]);
        }
        EXPECT_EQ(browse->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_EQ(browse->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(browse->model()->rowCount(), 2);

        // The region and the viewer's host made over it: neither on the screen.
        int hosts = 0;
        for (Control* c : w.Controls()) {
            if (c->kind() == ControlKind::Region || c->kind() == ControlKind::Ole) {
                hosts += c->kind() == ControlKind::Ole;
                ASSERT_NE(ui::QtUi::WidgetOf(*c), nullptr) << c->number();
                EXPECT_FALSE(ui::QtUi::WidgetOf(*c)->isVisible()) << c->number();
            }
        }
        EXPECT_EQ(hosts, 1);

        // " E&xport Script": the mnemonic clicks the box once its animation is over.
        QTest::keyClick(top, Qt::Key_X, Qt::AltModifier);
        When([] { return Widget<QCheckBox>(kExportScript)->isChecked(); },
             [] { QTest::mouseClick(Widget(kClose), Qt::LeftButton); });
    });
    EXPECT_EQ(RunMain([] {
        AddRecord(81000, 100, "ACC-1", "");
        AddRecord(81001, 200, "ACC-2", "");
    }), 0);
    EXPECT_TRUE(looked);
    ASSERT_EQ(responses_.size(), 1u);
    EXPECT_EQ(responses_[0], 1);
    QApplication::processEvents(); // the widgets go with deleteLater
}

// The window has no close box, yet the window manager may ask it to close (Alt+F4, its menu, a
// session that ends): it ends as "Close" ends it, its place written under "Main".
TEST_F(MainWindowQtTest, TheWindowManagersCloseRequestEndsItAsCloseDoes)
{
    QPoint units;
    When(Up, [&] {
        const ui::DialogUnits dialogUnits(Top()->font());
        units = {dialogUnits.ToUnitsX(Top()->pos().x()), dialogUnits.ToUnitsY(Top()->pos().y())};
        Top()->close();
        if (!CurrentWindow()->HasPendingEvents()) {
            ADD_FAILURE() << "the close request was not taken";
            QTest::mouseClick(Widget(kClose), Qt::LeftButton);
        }
    });
    EXPECT_EQ(RunMain(), 0);
    EXPECT_EQ(responses_, std::vector<std::uint8_t>{1});
    IniManager ini;
    ini.Init(".\\quorin20.INI");
    EXPECT_EQ(ini.Fetch("Main", "XPos"), std::to_string(units.x()));
    EXPECT_EQ(ini.Fetch("Main", "YPos"), std::to_string(units.y()));
    QApplication::processEvents(); // the widgets go with deleteLater
}

// The browse's date and time columns hold their values whole in the window's font: the records'
// and the widest that the locale's formats give for any day of a year and any minute of a day.
TEST_F(MainWindowQtTest, TheBrowseShowsDatesAndTimesWhole)
{
    struct LocaleBack {
        ~LocaleBack() { SetPictureLocale(""); }
    } localeBack;
    const std::int32_t lastDay = *DayNumber(2026, 12, 31);
    bool added = false;
    for (const char* locale : {"en_US", "sq_AL"}) {
        SCOPED_TRACE(locale);
        SetPictureLocale(locale);
        std::vector<std::string> values[2];
        for (std::int32_t day = *DayNumber(2026, 1, 1); day <= lastDay; ++day) {
            values[0].push_back(FormatDate(day, "D17"));
        }
        for (int minute = 0; minute < 24 * 60; ++minute) {
            values[1].push_back(FormatTime(*ClockTime(minute / 60, minute % 60), "T7"));
        }
        When(Up, [&] {
            auto* browse = Widget<QTreeView>(kList);
            const QAbstractItemModel* rows = browse->model();
            EXPECT_EQ(rows->rowCount(), 2);
            const QFontMetrics metrics(browse->font());
            const ui::DialogUnits units(Top()->font());
            // The style draws a cell's text inside a margin on either side; the indent is the column's.
            const int margin = browse->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, browse) + 1;
            for (const int column : {0, 1}) {
                const ListColumn& format = CurrentWindow()->control(kList)->listFormat().columns[column];
                const int room = browse->header()->sectionSize(column) - 2 * margin - units.ToPixelsX(format.indent);
                for (int row = 0; row < rows->rowCount(); ++row) {
                    const QString text = rows->index(row, column).data().toString();
                    EXPECT_LE(metrics.horizontalAdvance(text), room) << text.toStdString();
                }
                int widest = 0;
                for (const std::string& value : values[column]) {
                    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(value)));
                }
                EXPECT_LE(widest, room) << format.header;
                EXPECT_EQ(browse->header()->sectionResizeMode(column), QHeaderView::Interactive)
                    << format.header << ": marked resizable, its header drags it wider";
            }
            QTest::mouseClick(Widget(kClose), Qt::LeftButton);
        });
        EXPECT_EQ(RunMain([&] {
                      if (!std::exchange(added, true)) {
                          AddRecord(lastDay, *ClockTime(10, 5), "morning", "");
                          AddRecord(lastDay, *ClockTime(12, 0), "noon", "");
                      }
                  }),
                  0);
        QApplication::processEvents(); // the widgets go with deleteLater
    }
}

// A place stored for the fixed window far off any edge: it opens with its title bar and all of it
// on the screen, and the place it had is what is written back.
TEST_F(MainWindowQtTest, AStoredPlaceOffTheScreenOpensTheWindowOnIt)
{
    for (const char* place : {"99999", "-99999"}) {
        SCOPED_TRACE(place);
        std::ofstream(dir_ / "quorin20.INI", std::ios::trunc)
            << "[Main]\r\nXPos=" << place << "\r\nYPos=" << place << "\r\nMaximize=0\r\nMinimize=0\r\n";
        QRect frame;
        QRect area;
        QPoint units;
        When(Up, [&] {
            QWidget* top = Top();
            const ui::DialogUnits dialogUnits(top->font());
            frame = top->frameGeometry();
            area = top->screen()->availableGeometry();
            units = {dialogUnits.ToUnitsX(top->pos().x()), dialogUnits.ToUnitsY(top->pos().y())};
            QTest::mouseClick(Widget(kClose), Qt::LeftButton);
        });
        EXPECT_EQ(RunMain(), 0);
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
        std::ifstream in(dir_ / "quorin20.INI");
        std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::erase(ini, '\r');
        EXPECT_NE(ini.find("\nXPos=" + std::to_string(units.x()) + "\n"), std::string::npos) << ini;
        EXPECT_NE(ini.find("\nYPos=" + std::to_string(units.y()) + "\n"), std::string::npos) << ini;
        QApplication::processEvents(); // the widgets go with deleteLater
    }
}

} // namespace
} // namespace quorin::forms
