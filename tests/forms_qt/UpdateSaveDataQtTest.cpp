// The record form through the real Qt widgets: Ctrl+H and Return typed into them, the tabs and
// their mnemonics, the close box's question, the limits of its size.
#include "forms/RecordFormProgram.h"
#include "forms/UpdateSaveData.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/classlib/IniManager.h"
#include "platform/classlib/WindowManager.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/Picture.h"
#include "platform/runtime/Window.h"
#include "platform/ui/qt/DialogUnits.h"
#include "platform/ui/qt/QtUi.h"
#include "support/ScratchFolder.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorin::forms {
namespace {

namespace fs = std::filesystem;

// Steps that each wait for what they need, polled from whichever event loop runs meanwhile (the
// form's, or a message box's inside it), then act once.
class Steps {
public:
    Steps()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    }
    void When(std::function<bool()> ready, std::function<void()> act)
    {
        steps_.push_back({std::move(ready), std::move(act)});
        timer_.start();
    }
    std::size_t Pending() const { return steps_.size(); }

private:
    void Poll()
    {
        if (steps_.empty()) {
            timer_.stop();
            return;
        }
        if (!steps_.front().first()) {
            return;
        }
        auto act = std::move(steps_.front().second);
        steps_.pop_front();
        // Outside the timer's callback: the action may open a nested loop (a message box).
        QTimer::singleShot(0, std::move(act));
    }

    std::deque<std::pair<std::function<bool()>, std::function<void()>>> steps_;
    QTimer timer_;
};

const RecordLayout& Layout() { return PdfFormSaveDataLayout(); }
char* Record() { return PdfFormSaveData().Record(); }

// The open form's widgets.
QWidget* Top() { return CurrentWindow() != nullptr ? ui::QtUi::WidgetOf(*CurrentWindow()) : nullptr; }
template <class T = QWidget>
T* Widget(int control)
{
    const Control* c = CurrentWindow() != nullptr ? CurrentWindow()->control(control) : nullptr;
    return c != nullptr ? qobject_cast<T*>(ui::QtUi::WidgetOf(*c)) : nullptr;
}
bool Shown(int control) { return Widget(control) != nullptr && Widget(control)->isVisible(); }

// The form is up under this title; its window takes the keys.
std::function<bool()> FormUp(const char* title)
{
    return [title] {
        QWidget* top = Top();
        if (top == nullptr || !top->isVisible() || top->windowTitle() != QString::fromUtf8(title)) {
            return false;
        }
        QApplication::setActiveWindow(top);
        return true;
    };
}

void Click(int control) { QTest::mouseClick(Widget(control), Qt::LeftButton); }
void Mnemonic(Qt::Key key) { QTest::keyClick(Top(), key, Qt::AltModifier); }

class UpdateSaveDataQtTest : public ::testing::Test {
protected:
    void TearDown() override { Hooks() = ProgramHooks{}; }

    void RunWithForm(const std::function<void()>& body)
    {
        forms::testing::RunProgramWithRecordForm(body);
        EXPECT_EQ(steps_.Pending(), 0u);
        QApplication::processEvents(); // the widgets go with deleteLater
    }
    static std::uint8_t Form(std::uint8_t requested) { return forms::testing::RecordForm(requested); }
    void Put(std::string_view email)
    {
        Layout().Clear(Record());
        Layout().SetLong(Record(), sav::kDate, day_);
        Layout().SetLong(Record(), sav::kTime, 1);
        Layout().SetText(Record(), sav::kEmail, email);
        ASSERT_EQ(AccessPdfFormSaveData()->Insert(), 0);
    }
    // The stored record of day_, loaded as the browse loads it before a change or a view.
    DataRecord Load()
    {
        Layout().Clear(Record());
        Layout().SetLong(Record(), sav::kDate, day_);
        Layout().SetLong(Record(), sav::kTime, 1);
        DataRecord row;
        row.image.resize(Layout().Size());
        EXPECT_EQ(AccessPdfFormSaveData()->Keyed()->Get(0, Record(), row.image.data()), 0);
        row.id = AccessPdfFormSaveData()->Keyed()->Current();
        std::copy(row.image.begin(), row.image.end(), Record());
        AccessPdfFormSaveData()->SetCurrent(row.id);
        return row;
    }

    const std::int32_t day_ = *DayNumber(2024, 3, 5);
    quorin::testing::ScratchFolder folder_{"quorin-record-form-qt"};
    ui::QtUi ui_;
    ScopedUserInterface installed_{ui_};
    Steps steps_;
};

TEST_F(UpdateSaveDataQtTest, CtrlHAndReturnThroughTheRealWidgets)
{
    RunWithForm([&] {
        Put("old@example.org");

        // A new record: the notes on the third tab, then the e-mail, and Return stores it.
        Layout().Clear(Record());
        steps_.When(FormUp("Record Will Be Added"), [] {
            // The form opens on the primed date, selected, so typing replaces it.
            auto* date = Widget<QLineEdit>(quick::kDate);
            EXPECT_EQ(QApplication::focusWidget(), date);
            EXPECT_FALSE(date->text().isEmpty());
            EXPECT_EQ(date->selectedText(), date->text());
            Mnemonic(Qt::Key_3);
        });
        steps_.When([] { return Shown(quick::kAddlInfo); }, [] {
            Click(quick::kAddlInfo);
            QTest::keyClicks(Widget(quick::kAddlInfo), "notes from Qt");
            Mnemonic(Qt::Key_1);
        });
        steps_.When([] { return Shown(quick::kEmail); }, [] {
            Click(quick::kEmail);
            QTest::keyClicks(Widget(quick::kEmail), "qt@example.org");
            QTest::keyClick(Widget(quick::kEmail), Qt::Key_Return);
        });
        EXPECT_EQ(Form(request::kInsert), response::kCompleted);

        // The older record recalls both fields with Ctrl+H; Return stores them.
        Load();
        steps_.When(FormUp("Record Will Be Changed"), [] {
            Click(quick::kEmail);
            QTest::keyClick(Widget(quick::kEmail), Qt::Key_H, Qt::ControlModifier);
        });
        steps_.When([] { return Widget<QLineEdit>(quick::kEmail)->text() == "qt@example.org"; },
                    [] { Mnemonic(Qt::Key_3); });
        steps_.When([] { return Shown(quick::kAddlInfo); }, [] {
            Click(quick::kAddlInfo);
            QTest::keyClick(Widget(quick::kAddlInfo), Qt::Key_H, Qt::ControlModifier);
        });
        steps_.When([] { return Widget<QPlainTextEdit>(quick::kAddlInfo)->toPlainText() == "notes from Qt"; },
                    [] { Mnemonic(Qt::Key_1); });
        steps_.When([] { return Shown(quick::kEmail); }, [] {
            Click(quick::kEmail);
            QTest::keyClick(Widget(quick::kEmail), Qt::Key_Return);
        });
        EXPECT_EQ(Form(request::kChange), response::kCompleted);
        const DataRecord changed = Load();
        EXPECT_EQ(Layout().FieldAsText(changed.image.data(), sav::kEmail), "qt@example.org");
        EXPECT_EQ(Layout().FieldAsText(changed.image.data(), sav::kAddlInfo), "notes from Qt");
    });
}

TEST_F(UpdateSaveDataQtTest, TheTabsHoldTheirControlsAndTheFormSizesFromItsMinimum)
{
    const std::vector<int> firstTab = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
    const std::vector<int> secondTab = {24, 25, 26, 27};
    const std::vector<int> thirdTab = {29, 30};
    auto onlyShown = [&](const std::vector<int>& shown) {
        for (const std::vector<int>* tab : {&firstTab, &secondTab, &thirdTab}) {
            for (const int control : *tab) {
                EXPECT_EQ(Shown(control), tab == &shown) << control;
            }
        }
        for (const int button : {quick::kOk, quick::kCancel, quick::kHelp}) {
            EXPECT_TRUE(Shown(button)) << button;
        }
    };
    RunWithForm([&] {
        Put("viewed@example.org");
        Load();
        steps_.When(FormUp("View Record"), [&] {
            auto* sheet = Widget<QTabWidget>(quick::kCurrentTab);
            ASSERT_NE(sheet, nullptr);
            EXPECT_EQ(sheet->tabText(0), "&1) General");
            EXPECT_EQ(sheet->tabText(1), "&2) General (cont.)");
            EXPECT_EQ(sheet->tabText(2), "&3) AddlInfo");
            onlyShown(firstTab);
            for (const int control : firstTab) {
                EXPECT_TRUE(sheet->geometry().contains(Widget(control)->geometry())) << control;
            }
            EXPECT_EQ(Widget<QLineEdit>(quick::kEmail)->text(), "viewed@example.org");
            EXPECT_TRUE(Widget<QLineEdit>(quick::kEmail)->isReadOnly());
            EXPECT_EQ(Widget<QLineEdit>(quick::kDate)->alignment() & Qt::AlignRight, Qt::AlignRight);
            EXPECT_TRUE(Widget<QPushButton>(quick::kOk)->isDefault());
            EXPECT_FALSE(Widget<QPushButton>(quick::kOk)->icon().isNull());
            EXPECT_EQ(Widget(quick::kOk)->toolTip(), "Accept data and close the window");
            EXPECT_EQ(Widget(quick::kCancel)->statusTip(), "Cancel operation");

            const ui::DialogUnits units(Top()->font());
            EXPECT_EQ(Top()->minimumSize(), units.ToPixels(QSize(358, 182)));
            EXPECT_EQ(Top()->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
            Mnemonic(Qt::Key_2);
        });
        steps_.When([] { return Shown(quick::kCountry); }, [&] {
            onlyShown(secondTab);
            Mnemonic(Qt::Key_3);
        });
        steps_.When([] { return Shown(quick::kAddlInfo); }, [&] {
            onlyShown(thirdTab);
            EXPECT_FALSE(Widget<QPlainTextEdit>(quick::kAddlInfo)->isReadOnly());
            Mnemonic(Qt::Key_1);
        });
        // The frame dragged to twice the size (as the backend reports it): the widgets follow the resizer.
        steps_.When([] { return Shown(quick::kDate); }, [] {
            // A picture of the form for a person to look at: QUORIN_LOOK_DIR names the folder.
            if (const char* folder = std::getenv("QUORIN_LOOK_DIR")) {
                Top()->grab().save(QDir(QString::fromLocal8Bit(folder)).filePath("record-form.png"));
            }
            CurrentWindow()->UserResize(716, 364);
        });
        auto laidOut = [] {
            const ui::DialogUnits units(Top()->font());
            return Widget(quick::kOk)->geometry() == units.ToPixels(QRect(398, 328, 98, 14)) &&
                   Widget(quick::kCurrentTab)->geometry() == units.ToPixels(QRect(8, 8, 700, 312));
        };
        steps_.When(laidOut, [] { Click(quick::kCancel); });
        EXPECT_EQ(Form(request::kView), response::kCancelled);
    });
}

TEST_F(UpdateSaveDataQtTest, TheCloseBoxAsksBeforeDroppingAnEdit)
{
    auto answer = [](QMessageBox::StandardButton which) {
        return [which] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            box->button(which)->click();
        };
    };
    auto asking = [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box != nullptr && box->isVisible() && box->windowTitle() == "Changes will be lost!";
    };
    RunWithForm([&] {
        Put("kept@example.org");
        Load();
        steps_.When(FormUp("Record Will Be Changed"), [] {
            Click(quick::kEmail);
            QTest::keyClicks(Widget(quick::kEmail), " edited");
            Top()->close();
        });
        steps_.When(asking, answer(QMessageBox::No));
        steps_.When([] { return QApplication::activeModalWidget() == nullptr && Top() != nullptr; }, [] {
            EXPECT_TRUE(Top()->isVisible());
            EXPECT_EQ(Widget<QLineEdit>(quick::kEmail)->text(), "kept@example.org edited");
            Top()->close();
        });
        steps_.When(asking, answer(QMessageBox::Yes));
        EXPECT_EQ(Form(request::kChange), response::kCancelled);
        EXPECT_EQ(Layout().FieldAsText(Load().image.data(), sav::kEmail), "kept@example.org");
    });
}

// A date the picture refuses: Tab beeps and says what it takes, with the focus kept; Alt+C, a click
// on Cancel and Escape still leave the form, asking first since the typed date would be lost.
TEST_F(UpdateSaveDataQtTest, ARefusedDateIsToldAndCancelAltCAndEscapeStillLeave)
{
    auto asking = [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box != nullptr && box->isVisible() && box->windowTitle() == "Changes will be lost!";
    };
    auto yes = [] { qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->button(QMessageBox::Yes)->click(); };
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"Alt+C", [] { Mnemonic(Qt::Key_C); }},
        {"a click on Cancel", [] { Click(quick::kCancel); }},
        {"Escape", [] { QTest::keyClick(Widget(quick::kDate), Qt::Key_Escape); }},
    };
    SetPictureLocale("en_US");
    RunWithForm([&] {
        for (const auto& [name, leave] : ways) {
            SCOPED_TRACE(name);
            Layout().Clear(Record());
            steps_.When(FormUp("Record Will Be Added"), [] {
                auto* date = Widget<QLineEdit>(quick::kDate);
                date->setFocus(Qt::OtherFocusReason);
                date->selectAll();
                QTest::keyClicks(date, "99/99/9999");
                QTest::keyClick(date, Qt::Key_Tab);
            });
            steps_.When([] { return QToolTip::isVisible(); }, [leave = leave] {
                auto* date = Widget<QLineEdit>(quick::kDate);
                EXPECT_EQ(QApplication::focusWidget(), date);
                EXPECT_EQ(date->selectedText(), "99/99/9999");
                EXPECT_EQ(QToolTip::text(),
                          QString::fromStdString("Type a date like 12/31/" +
                                                 std::to_string(DateOfDay(GetTodayDate())->year)));
                leave();
            });
            steps_.When(asking, yes);
            EXPECT_EQ(Form(request::kInsert), response::kCancelled);
            QToolTip::hideText();
        }
    });
    SetPictureLocale("");
}

// The INI file as a person may have left it.
void StoreSection(std::string_view section, std::string_view x, std::string_view y, std::string_view width,
                  std::string_view height)
{
    std::ofstream ini("quorin20.INI", std::ios::binary | std::ios::trunc);
    ini << "[" << section << "]\r\nXPos=" << x << "\r\nYPos=" << y << "\r\nWidth=" << width << "\r\nHeight=" << height
        << "\r\nMaximize=0\r\nMinimize=0\r\n";
}

// Where the record form opened, in pixels and in the dialog units the INI file holds.
struct Opened {
    QRect frame;
    QRect area; // the available geometry of its screen
    QSize least;
    QPoint units;
    QSize unitsSize;
};

TEST_F(UpdateSaveDataQtTest, AStoredPlaceAndSizeOpenTheFormOnTheScreenAndTheRealPlaceIsSaved)
{
    struct Case {
        const char* what;
        const char *x, *y, *width, *height;
    } const cases[] = {
        {"huge", "99999", "-99999", "99999", "99999"},
        {"negative place", "-99999", "-99999", "400", "250"},
        {"beyond the right edge", "5000", "10", "400", "250"},
        {"beyond the bottom edge", "10", "5000", "400", "250"},
        {"beyond the left edge", "-5000", "10", "400", "250"},
        {"beyond the top edge", "10", "-5000", "400", "250"},
        {"zero", "0", "0", "0", "0"},
        {"negative size", "20", "20", "-400", "-250"},
        {"junk", "\x01\xfe", "12abc", "", "9e9"},
        {"the ends of an int", "2147483647", "-2147483648", "2147483647", "2147483647"},
        {"past an int", "99999999999", "-99999999999", "99999999999", "99999999999"},
    };
    RunWithForm([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            StoreSection("UpdateSaveData", c.x, c.y, c.width, c.height);
            Layout().Clear(Record());
            Opened opened;
            steps_.When(FormUp("Record Will Be Added"), [&opened] {
                QWidget* top = Top();
                const ui::DialogUnits units(top->font());
                opened = {top->frameGeometry(), top->screen()->availableGeometry(), top->minimumSize(),
                          {units.ToUnitsX(top->pos().x()), units.ToUnitsY(top->pos().y())},
                          {units.ToUnitsX(top->width()), units.ToUnitsY(top->height())}};
                Click(quick::kCancel);
            });
            EXPECT_EQ(Form(request::kInsert), response::kCancelled);
            EXPECT_TRUE(opened.area.contains(opened.frame)) << opened.frame.x() << "," << opened.frame.y() << " "
                                                            << opened.frame.width() << "x" << opened.frame.height();
            EXPECT_GE(opened.frame.width(), opened.least.width());
            EXPECT_GE(opened.frame.height(), opened.least.height());
            // What is written back is where the window was.
            IniManager& ini = GlobalIniManager();
            EXPECT_EQ(ini.Fetch("UpdateSaveData", "XPos"), std::to_string(opened.units.x()));
            EXPECT_EQ(ini.Fetch("UpdateSaveData", "YPos"), std::to_string(opened.units.y()));
            EXPECT_EQ(ini.Fetch("UpdateSaveData", "Width"), std::to_string(opened.unitsSize.width()));
            EXPECT_EQ(ini.Fetch("UpdateSaveData", "Height"), std::to_string(opened.unitsSize.height()));
        }
    });
}

// The peak memory of this process, in kilobytes.
long PeakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Run as a child process by the next test: the record form opened once, drawn, and cancelled,
// with the INI file that QUORIN_PEAK_INI names ("huge" or none); the peak memory goes to the file
// QUORIN_PEAK_OUT names.
TEST_F(UpdateSaveDataQtTest, DISABLED_PeakMemoryOfOneInsert)
{
    const char* out = std::getenv("QUORIN_PEAK_OUT");
    ASSERT_NE(out, nullptr);
    const std::string ini = std::getenv("QUORIN_PEAK_INI") != nullptr ? std::getenv("QUORIN_PEAK_INI") : "";
    RunWithForm([&] {
        if (ini == "huge") {
            StoreSection("UpdateSaveData", "0", "0", "99999", "99999");
        }
        Layout().Clear(Record());
        steps_.When(FormUp("Record Will Be Added"), [] {
            Top()->repaint(); // every pixel of its backing store drawn
            Click(quick::kCancel);
        });
        EXPECT_EQ(Form(request::kInsert), response::kCancelled);
    });
    std::ofstream(out) << PeakKilobytes() << "\n";
}

TEST_F(UpdateSaveDataQtTest, AHugeStoredSizeCostsNoMoreMemoryThanNoIniFile)
{
    auto peak = [&](const char* ini) {
        const std::string out = (folder_.path() / (std::string("peak-") + ini)).string();
        ::setenv("QUORIN_PEAK_INI", ini, 1);
        ::setenv("QUORIN_PEAK_OUT", out.c_str(), 1);
        const std::string self = fs::read_symlink("/proc/self/exe").string();
        std::vector<std::string> args = {self, "--gtest_also_run_disabled_tests",
                                         "--gtest_filter=UpdateSaveDataQtTest.DISABLED_PeakMemoryOfOneInsert"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t child = 0;
        EXPECT_EQ(::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ini << ": status " << status;
        ::unsetenv("QUORIN_PEAK_INI");
        ::unsetenv("QUORIN_PEAK_OUT");
        long kilobytes = -1;
        std::ifstream(out) >> kilobytes;
        return kilobytes;
    };
    const long usual = peak("none");
    const long huge = peak("huge");
    ASSERT_GT(usual, 0);
    ASSERT_GT(huge, 0);
    std::printf("peak memory: %ld kB with no INI file, %ld kB with a huge stored size\n", usual, huge);
    // The window may be cut to a whole screen, larger than it usually is: two screens' worth of
    // pixels (its backing store and one more drawing) and a little slack, no more.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const long screenKilobytes = 4L * screen.width() * screen.height() / 1024;
    EXPECT_LE(huge, usual + 2 * screenKilobytes + 2048);
}

} // namespace
} // namespace quorin::forms
