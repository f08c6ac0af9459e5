// How the Qt backend takes the user's input: keys queued by the window system before the program
// runs are taken in the order they came, also across a request the first of them makes, a box's
// answer and the window manager's close; entries take no more than their variables store, whether
// typed, pasted or written on several lines.
#include "QtWindowFixture.h"
#include "platform/runtime/Event.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

namespace quorin::ui {
namespace {

using QtInputTest = QtWindowTest;

// A key as the window system reports it: queued for Qt's loop, as a display server's keys are.
void QueueKey(QWindow* window, int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {})
{
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, type, key,
                                                                                          modifiers, text);
    }
}

void QueueText(QWindow* window, const QString& text)
{
    for (const QChar c : text) {
        const bool upper = c.isUpper();
        const int key = c.isLetter() && c.unicode() < 0x80 ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode();
        QueueKey(window, key, upper ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
    }
}

// The events of a window's loop up to `last`, the opening and focus events left out.
std::vector<Event> RunUntil(Window& window, EventCode last, int control)
{
    std::vector<Event> seen;
    while (window.NextEvent()) {
        const Event e = window.currentEvent();
        if (e.code == EventCode::OpenWindow || e.code == EventCode::Selected) {
            continue;
        }
        seen.push_back(e);
        if (e.code == last && e.control == control) {
            break;
        }
    }
    return seen;
}

// Which event of which control, by name, for comparing what a loop saw.
using Seen = std::vector<std::pair<std::string_view, int>>;

Seen Codes(const std::vector<Event>& events)
{
    Seen seen;
    for (const Event& e : events) {
        seen.emplace_back(EventName(e.code), e.control);
    }
    return seen;
}

// Ctrl+H, End and text typed on, all queued before the program runs: the text lands after what
// the recall put in the entry, not before it and then under it.
TEST_F(QtInputTest, KeysQueuedBehindARecallAreTypedAfterIt)
{
    constexpr int kCtrlH = keys::kCtrl | 'H';
    window_->control(kName)->AddAlertKey(kCtrlH);
    window_->Select(kName);
    QWindow* top = Top()->windowHandle();
    QueueKey(top, Qt::Key_H, Qt::ControlModifier);
    QueueKey(top, Qt::Key_End);
    QueueText(top, ".uk");
    QueueKey(top, Qt::Key_Return);

    const Event recall = Next();
    ASSERT_EQ(recall.code, EventCode::AlertKey);
    EXPECT_EQ(recall.key, kCtrlH);
    // The recall as a form makes it: the variable from the last record, the entry drawn anew.
    name_ = "first@example.org";
    window_->Display(kName, 0);

    const std::vector<Event> after = RunUntil(*window_, EventCode::Accepted, kOk);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front().code, EventCode::Accepted);
    EXPECT_EQ(after.front().control, kName);
    EXPECT_EQ(name_.Str(), "first@example.org.uk");
    EXPECT_EQ(Widget<QLineEdit>(kName)->text(), "first@example.org.uk");
}

// An access key's request opens a window; the keys queued behind it were typed for that window and
// go there, not to the one under it.
TEST_F(QtInputTest, KeysQueuedBehindARequestReachTheWindowItOpens)
{
    window_->Select(kList);
    QWindow* top = Top()->windowHandle();
    QueueKey(top, Qt::Key_S, Qt::AltModifier);
    QueueText(top, "Bob");
    QueueKey(top, Qt::Key_Return);

    const Event save = Next();
    ASSERT_EQ(save.code, EventCode::Accepted);
    ASSERT_EQ(save.control, kSave);
    // The procedure of the request runs its form over the window.
    InnerWindow form;
    ASSERT_NE(form.window, nullptr);
    form.window->Open(window_.get());
    const std::vector<Event> seen = RunUntil(*form.window, EventCode::Accepted, kOk);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().control, kOk) << "Return pressed the form's default button";
    EXPECT_EQ(form.name.Str(), "Bob");
    DisposeWindow(form.window);

    EXPECT_EQ(name_.Str(), "Paul") << "nothing was typed into the window under the form";
    EXPECT_EQ(Widget<QLineEdit>(kName)->text(), "Paul");
}

// Alt+S asks a question, answered by a plain letter; Return typed on is for the window again, where
// it presses the button Alt+S focused: the letter answers at once, before Return reaches the box
// and presses its default button.
TEST_F(QtInputTest, ABoxAnsweredByItsLetterActsBeforeTheKeysAfterIt)
{
    const std::pair<int, int> cases[] = {{Qt::Key_N, button::kNo}, {Qt::Key_Y, button::kYes}};
    for (const auto& [letter, answer] : cases) {
        SCOPED_TRACE(answer);
        QWindow* top = Top()->windowHandle();
        QueueKey(top, Qt::Key_S, Qt::AltModifier);
        QueueKey(top, letter, Qt::NoModifier, QString(QChar(letter).toLower()));
        QueueKey(top, Qt::Key_Return);
        QueueKey(top, Qt::Key_O, Qt::AltModifier);

        ASSERT_EQ(Codes({Next()}), (Seen{{"Accepted", kSave}}));
        MessageBoxRequest question;
        question.caption = "Confirm Save";
        question.text = "Save the name?";
        question.icon = icon::kQuestion;
        question.buttons = button::kYes | button::kNo;
        question.defaultButton = button::kYes;
        EXPECT_EQ(ui_.ShowMessageBox(question), answer);
        EXPECT_EQ(Codes(RunUntil(*window_, EventCode::Accepted, kOk)),
                  (Seen{{"Accepted", kSave}, {"Accepted", kOk}}))
            << "Return did not reach the window after the box";
    }
}

// A prompt's access key presses the button it is the buddy of at once, as the button's own would:
// the key typed on acts after the press.
TEST_F(QtInputTest, APromptsAccessKeyPressesItsButtonBeforeTheKeysAfterIt)
{
    Widget<QLabel>(kNamePrompt)->setBuddy(Widget(kExport));
    QWindow* top = Top()->windowHandle();
    QueueKey(top, Qt::Key_N, Qt::AltModifier);
    QueueKey(top, Qt::Key_O, Qt::AltModifier);

    EXPECT_EQ(Codes(RunUntil(*window_, EventCode::Accepted, kOk)),
              (Seen{{"Accepted", kExport}, {"Accepted", kOk}}));
    EXPECT_EQ(export_, 1);
}

// The window manager's close (its close box, Alt+F4) queued behind a Tab and a Space that checks
// the box Tab went to: the close acts after them, on the window they changed.
TEST_F(QtInputTest, ACloseQueuedBehindKeysActsAfterThem)
{
    Open(kWinGray | kWinDouble | kWinSystem);
    window_->Select(kName);
    QWindow* top = Top()->windowHandle();
    QueueKey(top, Qt::Key_Tab);
    QueueKey(top, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(top);
    QueueKey(top, Qt::Key_O, Qt::AltModifier); // ends the loop should the close be lost

    std::vector<Event> seen;
    while (window_->NextEvent()) {
        const Event e = window_->currentEvent();
        if (e.code == EventCode::Selected || e.code == EventCode::OpenWindow) {
            continue;
        }
        seen.push_back(e);
        if (e.code == EventCode::CloseWindow) {
            EXPECT_EQ(export_, 1) << "the close came before the Space";
            window_->SkipDefault(); // kept open: what came after the close is seen too
        } else if (e.code == EventCode::Accepted && e.control == kOk) {
            break;
        }
    }
    EXPECT_EQ(Codes(seen), (Seen{{"Accepted", kExport}, {"CloseWindow", 0}, {"Accepted", kOk}}));
}

// The Menu key's request for a context menu, queued behind an access key whose request opens a
// window: it reaches the focused control of that window, as the keys after it do.
TEST_F(QtInputTest, AContextMenuRequestQueuedBehindARequestReachesTheWindowItOpens)
{
    // Where the request lands; Qt's own menu of an entry is not wanted here.
    struct Catch : QObject {
        QWidget* at = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::ContextMenu && watched->isWidgetType()) {
                at = static_cast<QWidget*>(watched);
                return true;
            }
            return false;
        }
    } caught;
    qApp->installEventFilter(&caught);
    window_->Select(kList);
    QWindow* top = Top()->windowHandle();
    QueueKey(top, Qt::Key_S, Qt::AltModifier);
    QWindowSystemInterface::handleContextMenuEvent(top, false, QPoint(), QPoint(), Qt::NoModifier);
    QueueKey(top, Qt::Key_Return);

    ASSERT_EQ(Codes({Next()}), (Seen{{"Accepted", kSave}}));
    InnerWindow form;
    ASSERT_NE(form.window, nullptr);
    form.window->Open(window_.get());
    RunUntil(*form.window, EventCode::Accepted, kOk);
    ASSERT_NE(caught.at, nullptr) << "no context menu was asked for";
    EXPECT_EQ(caught.at->window(), QtUi::WidgetOf(*form.window)) << "asked for in the window under the form";
    DisposeWindow(form.window);
    qApp->removeEventFilter(&caught);
}

// A paste longer than the entry takes is cut at its limit, counted in stored bytes and never in
// the middle of a character; the text around the cursor stays, and the cut is told.
TEST_F(QtInputTest, APasteLongerThanTheEntryTakesIsCutAtItsLimit)
{
    const QString zhe = QString::fromUtf8("Ж"); // two bytes stored
    struct Case {
        QString shown;
        int cursor;
        QString pasted;
        QString kept;
    };
    const Case cases[] = {
        {"", 0, QString(30, QLatin1Char('x')), QString(20, QLatin1Char('x'))},
        {"Paul", 2, "abcdefghijklmnopqrstu", "Paabcdefghijklmnopul"},
        {"", 0, zhe.repeated(15), zhe.repeated(10)},
        {"abc", 3, zhe.repeated(10), "abc" + zhe.repeated(8)}, // 17 bytes of room: 8 letters, no half
        {"Paul", 4, "Anna", "PaulAnna"},                        // fits: nothing told
    };
    auto* edit = Widget<QLineEdit>(kName);
    QSignalSpy told(edit, &QLineEdit::inputRejected);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pasted.toStdString());
        name_ = c.shown.toStdString();
        window_->Display(kName, 0);
        QGuiApplication::clipboard()->setText(c.pasted);
        told.clear();
        driver_.Soon([&] {
            QTest::mouseClick(edit, Qt::LeftButton);
            edit->setCursorPosition(c.cursor);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        RunUntil(*window_, EventCode::Accepted, kOk);
        EXPECT_EQ(edit->text(), c.kept);
        EXPECT_EQ(QString::fromStdString(name_.Str()), c.kept) << "what is shown is what is stored";
        EXPECT_EQ(told.count(), c.kept == c.shown + c.pasted ? 0 : 1);
    }
}

// A full entry refuses a key wherever the cursor is, and tells it; nothing shown is dropped.
TEST_F(QtInputTest, AFullEntryRefusesAKeyWhereverTheCursorIs)
{
    const QString full = QString::fromUtf8("Ж").repeated(10); // 20 bytes
    auto* edit = Widget<QLineEdit>(kName);
    QSignalSpy told(edit, &QLineEdit::inputRejected);
    for (const int cursor : {0, 5, 10}) {
        SCOPED_TRACE(cursor);
        name_ = full.toStdString();
        window_->Display(kName, 0);
        told.clear();
        driver_.Soon([&] {
            QTest::mouseClick(edit, Qt::LeftButton);
            edit->setCursorPosition(cursor);
            QTest::keyClick(edit, Qt::Key_A);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        RunUntil(*window_, EventCode::Accepted, kOk);
        EXPECT_EQ(edit->text(), full);
        EXPECT_EQ(QString::fromStdString(name_.Str()), full);
        EXPECT_EQ(told.count(), 1);
    }
}

// The multi-line text stops where its variable ends (200 bytes, a line end stored as CR LF): a
// paste is cut, a key past the end is refused, and what it shows is what it stores.
TEST_F(QtInputTest, TheMultiLineTextStopsWhereItsVariableEnds)
{
    window_->Select(kNotes);
    auto* notes = Widget<QPlainTextEdit>(kNotes);
    ASSERT_NE(notes, nullptr);
    const QString lines = QString(98, QLatin1Char('a')) + "\n" + QString(150, QLatin1Char('b'));
    QGuiApplication::clipboard()->setText(lines);
    QString pasted;
    QString typed;
    driver_.Soon([&] {
        QTest::keyClick(notes, Qt::Key_V, Qt::ControlModifier);
        pasted = notes->toPlainText();
        QTest::keyClick(notes, Qt::Key_Backspace);
        QTest::keyClick(notes, Qt::Key_Return); // two bytes stored, one free: refused
        QTest::keyClick(notes, Qt::Key_C);      // fits
        QTest::keyClick(notes, Qt::Key_D);      // refused
        typed = notes->toPlainText();
        QTest::keyClick(notes, Qt::Key_Tab);    // leaves: the text is written back
    });
    RunUntil(*window_, EventCode::Accepted, kNotes);
    const QString cut = QString(98, QLatin1Char('a')) + "\n" + QString(100, QLatin1Char('b'));
    EXPECT_EQ(pasted, cut);
    EXPECT_EQ(typed, cut.chopped(1) + "c");
    EXPECT_EQ(notes_.Str(), std::string(98, 'a') + "\r\n" + std::string(99, 'b') + "c");
}

} // namespace
} // namespace quorin::ui
