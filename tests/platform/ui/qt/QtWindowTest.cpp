// The Qt backend over a small window definition of these tests: where the widgets stand, what a
// click, a mnemonic and Return do, the required entry, lists, tabs and a message box.
#include "QtWindowFixture.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Picture.h"
#include "platform/runtime/Window.h"
#include "platform/ui/qt/DialogUnits.h"
#include "platform/ui/qt/QtUi.h"
#include "platform/ui/qt/QtWindowWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace quorin::ui {
namespace {

TEST_F(QtWindowTest, WidgetsStandWhereTheDefinitionPutsThem)
{
    const DialogUnits units = Units();
    EXPECT_EQ(Top()->windowTitle(), "Qt Test Window");
    EXPECT_EQ(Top()->size(), units.ToPixels(QSize(300, 124)));
    EXPECT_FALSE(Top()->windowFlags() & Qt::WindowCloseButtonHint); // no System: no close box
    EXPECT_EQ(Top()->minimumSize(), Top()->maximumSize());         // no Resize: a fixed frame

    for (Control* c : window_->Controls()) {
        if (c->kind() == ControlKind::Tab) {
            continue;
        }
        QWidget* widget = QtUi::WidgetOf(*c);
        ASSERT_NE(widget, nullptr) << c->label();
        EXPECT_EQ(widget->geometry(), units.ToPixels(QRect(c->x(), c->y(), c->width(), c->height()))) << c->label();
        EXPECT_EQ(widget->objectName().toStdString(), c->label());
    }
    EXPECT_EQ(window_->control(kName)->x(), 40);
    EXPECT_EQ(Widget(kName)->geometry().topLeft(), units.ToPixels(QPoint(40, 6)));

    // A prompt's mnemonic belongs to the next control; a caption shows its access key.
    auto* prompt = Widget<QLabel>(kNamePrompt);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->buddy(), Widget(kName));
    EXPECT_EQ(prompt->text(), "&Name:");
    ASSERT_NE(Widget<QLineEdit>(kName), nullptr);
    EXPECT_EQ(Widget<QLineEdit>(kName)->text(), "Paul");
    ASSERT_NE(Widget<QCheckBox>(kExport), nullptr);
    EXPECT_EQ(Widget<QCheckBox>(kExport)->text(), " E&xport Script");
    ASSERT_NE(Widget<QPushButton>(kOk), nullptr);
    EXPECT_TRUE(Widget<QPushButton>(kOk)->isDefault());
    EXPECT_FALSE(Widget<QPushButton>(kSave)->isDefault());

    // Lists: one column per format group, header texts, widths in dialog units, the queue's rows.
    auto* list = Widget<QTreeView>(kList);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->model()->columnCount(), 2);
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "Field Name");
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_EQ(list->header()->sectionSize(0), units.ToPixelsX(70));
    EXPECT_EQ(list->header()->sectionResizeMode(0), QHeaderView::Interactive); // "M"
    EXPECT_EQ(list->header()->sectionResizeMode(1), QHeaderView::Fixed);
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->index(1, 0).data().toString(), "LastName");
    EXPECT_EQ(list->model()->index(1, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);

    // Sheets: the tabs in order, the first shown, a control on the other tab hidden.
    auto* sheet = Widget<QTabWidget>(kSheet);
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->count(), 2);
    EXPECT_EQ(sheet->tabText(0), "&General");
    EXPECT_EQ(sheet->tabText(1), "&More");
    EXPECT_TRUE(Widget(kGeneralPrompt)->isVisible());
    EXPECT_FALSE(Widget(kNotes)->isVisible());
}

TEST_F(QtWindowTest, AttributesShapeTheFrame)
{
    EXPECT_FALSE(Top()->windowFlags() & Qt::WindowMaximizeButtonHint);
    Open(kWinSystem | kWinResize);
    EXPECT_TRUE(Top()->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(Top()->windowFlags() & Qt::WindowMaximizeButtonHint) << "no Max: no maximise box";
    EXPECT_NE(Top()->minimumSize(), Top()->maximumSize());
    // The close box asks; the model turns it into the window's close event.
    driver_.Soon([&] { Top()->close(); });
    EXPECT_EQ(Next().code, EventCode::CloseWindow);
    EXPECT_TRUE(Top()->isVisible()) << "the close box alone does not close the window";
}

// The window manager's close request (its close box, its menu, Alt+F4) is the close box where the
// window has one and its close button where it has none; the window stays until its procedure
// closes it.
TEST_F(QtWindowTest, TheWindowManagersCloseRequestIsTheCloseBoxOrElseTheCloseButton)
{
    const struct {
        std::uint32_t attributes;
        EventCode code;
        int control;
    } cases[] = {
        {kWinSystem | kWinGray, EventCode::CloseWindow, 0},
        {kWinGray | kWinDouble, EventCode::Accepted, kCancel},
    };
    for (const auto& c : cases) {
        Open(c.attributes);
        window_->MarkCloseButton(kCancel);
        driver_.Soon([&] {
            Top()->close();
            if (!window_->HasPendingEvents()) {
                window_->Post({EventCode::Restored, 0, 0}); // the request was lost: the test goes on
            }
        });
        const Event e = Next();
        EXPECT_EQ(e.code, c.code) << c.attributes;
        EXPECT_EQ(e.control, c.control) << c.attributes;
        EXPECT_TRUE(Top()->isVisible()) << c.attributes;
    }
}

TEST_F(QtWindowTest, ClicksAndMnemonicsAreAccepted)
{
    driver_.Soon([&] { QTest::mouseClick(Widget(kCancel), Qt::LeftButton); });
    Event e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kCancel);
    int focusAfterPrompt = 0;

    driver_.Soon([&] { QTest::keyClick(Top(), Qt::Key_S, Qt::AltModifier); });
    e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kSave);

    // A prompt's access key moves the focus to the control after it.
    driver_.Soon([&] {
        QTest::keyClick(Top(), Qt::Key_N, Qt::AltModifier);
        focusAfterPrompt = window_->focus();
        QTest::keyClick(Top(), Qt::Key_X, Qt::AltModifier);
    });
    e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kExport);
    EXPECT_EQ(export_, 1);
    EXPECT_EQ(focusAfterPrompt, kName);
    EXPECT_TRUE(Widget<QCheckBox>(kExport)->isChecked());

    // A disabled button cannot be accepted.
    DisableControls(kCancel, 0);
    EXPECT_FALSE(Widget(kCancel)->isEnabled());
    driver_.Soon([&] {
        QTest::mouseClick(Widget(kCancel), Qt::LeftButton);
        QTest::mouseClick(Widget(kOk), Qt::LeftButton);
    });
    e = Next();
    EXPECT_EQ(e.control, kOk);
}

TEST_F(QtWindowTest, TypingAndReturnWriteTheEntryAndPressTheDefaultButton)
{
    driver_.Soon([&] {
        auto* edit = Widget<QLineEdit>(kName);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, "Anna");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Event e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kName); // the entry is written back before the button acts
    EXPECT_EQ(name_.Str(), "Anna");
    e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kOk);

    // The program's own change of the variable shows once it displays the control.
    name_ = "Bert";
    DisplayControls(kName, 0);
    EXPECT_EQ(Widget<QLineEdit>(kName)->text(), "Bert");
}

TEST_F(QtWindowTest, ARequiredEntryHoldsTheFocus)
{
    name_.Clear();
    DisplayControls(0, 0);
    QWidget* focusAfterSave = nullptr;
    driver_.Soon([&] {
        QTest::mouseClick(Widget(kCancel), Qt::LeftButton);
        QTest::mouseClick(Widget(kSave), Qt::LeftButton);
        QTimer::singleShot(0, [&] {
            focusAfterSave = QApplication::focusWidget();
            QTest::mouseClick(Widget(kOk), Qt::LeftButton);
        });
    });
    EXPECT_EQ(Next().control, kCancel);
    const Event e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kOk) << "the button with Req was not to be accepted";
    EXPECT_EQ(focusAfterSave, Widget(kName));
}

TEST_F(QtWindowTest, SelectingAPromptPutsTheKeyboardInTheControlItNames)
{
    SelectControl(kNamePrompt);
    QApplication::processEvents();
    EXPECT_EQ(window_->focus(), kName) << "the entry the prompt names";
    EXPECT_EQ(QApplication::focusWidget(), Widget(kName));
    EXPECT_EQ(Widget<QLineEdit>(kName)->selectedText(), "Paul") << "typing replaces the text, as after a Tab";
}

TEST_F(QtWindowTest, AnAltLetterThatIsNoAccessKeyTypesNothing)
{
    SelectControl(kName);
    QApplication::processEvents();
    QTest::keyClick(Widget(kName), Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(Widget(kNotes), Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(Widget<QLineEdit>(kName)->text(), "Paul");
    EXPECT_EQ(Widget<QPlainTextEdit>(kNotes)->toPlainText(), "");
    QTest::keyClick(Widget(kName), Qt::Key_Q);
    EXPECT_EQ(Widget<QLineEdit>(kName)->text(), "q") << "plain typing still replaces the selected text";
}

TEST_F(QtWindowTest, ListRowsAndTabsReportTheirSelection)
{
    driver_.Soon([&] {
        auto* list = Widget<QTreeView>(kList);
        const QRect row = list->visualRect(list->model()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    });
    Event e = Next();
    EXPECT_EQ(e.code, EventCode::NewSelection);
    EXPECT_EQ(e.control, kList);
    EXPECT_EQ(window_->control(kList)->currentRow(), 2);

    driver_.Soon([&] { QTest::keyClick(Top(), Qt::Key_M, Qt::AltModifier); });
    e = Next();
    EXPECT_EQ(e.code, EventCode::NewSelection);
    EXPECT_EQ(e.control, kSheet);
    EXPECT_EQ(window_->control(kSheet)->currentTab(), kTabMore);
    EXPECT_TRUE(Widget(kNotes)->isVisible());
    EXPECT_FALSE(Widget(kGeneralPrompt)->isVisible());

    // The program's rows and current row show.
    rows_.SetText(1, "Country");
    rows_.Add();
    DisplayControls(kList, 0);
    window_->control(kList)->SetCurrentRow(3);
    auto* list = Widget<QTreeView>(kList);
    EXPECT_EQ(list->model()->rowCount(), 3);
    EXPECT_EQ(list->currentIndex().row(), 2);
}

// Choosing a tab while a field of the other page has the focus: the focus goes to the tab strip,
// not through the page's hidden fields to whatever comes after them.
TEST_F(QtWindowTest, ChoosingATabTakesTheFocusFromTheOldPageToTheTabStrip)
{
    auto* sheet = Widget<QTabWidget>(kSheet);
    ASSERT_NE(sheet, nullptr);
    driver_.Soon([&] { QTest::keyClick(Top(), Qt::Key_M, Qt::AltModifier); });
    ASSERT_EQ(Next().control, kSheet);
    driver_.Soon([&] {
        Widget(kNotes)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Top(), Qt::Key_G, Qt::AltModifier);
    });
    ASSERT_EQ(Next().control, kSheet);
    EXPECT_EQ(window_->control(kSheet)->currentTab(), kTabGeneral);
    EXPECT_EQ(QApplication::focusWidget(), sheet->tabBar());
    EXPECT_EQ(window_->focus(), kSheet);
}

// A selected row is one band of the selection's colour: the columns' indents included.
TEST_F(QtWindowTest, ASelectedRowIsHighlightedAcrossTheIndents)
{
    window_->control(kList)->SetCurrentRow(1);
    auto* list = Widget<QTreeView>(kList);
    ASSERT_NE(list, nullptr);
    const QRect first = list->visualRect(list->model()->index(0, 0));  // "70L(2)": indent on the left
    const QRect second = list->visualRect(list->model()->index(0, 1)); // "60R(2)": text on the right
    const QImage image = list->viewport()->grab().toImage();
    const int y = first.center().y();
    const QRgb selected = image.pixel(second.left() + 3, y);
    EXPECT_NE(selected, image.pixel(first.left() + 1, first.bottom() + 6)) << "the row below is not selected";
    EXPECT_EQ(image.pixel(first.left() + 1, y), selected) << "the indent of a left-aligned column";
    EXPECT_EQ(image.pixel(second.right() - 1, y), selected) << "the indent of a right-aligned column";
}

// The program fills a bound queue and goes back to waiting without redrawing the list: the list
// shows the rows before the user acts again.
TEST_F(QtWindowTest, RowsAddedWithoutARedrawShowWhenTheWindowWaits)
{
    auto* list = Widget<QTreeView>(kList);
    ASSERT_NE(list, nullptr);
    for (const char* name : {"Country", "Email", "Account"}) {
        rows_.SetText(1, name);
        rows_.Add();
    }
    // What the view has laid out, not what its model would answer now.
    bool lastShown = false;
    driver_.Soon([&] {
        lastShown = list->visualRect(list->model()->index(4, 0)).isValid();
        QTest::mouseClick(Widget(kCancel), Qt::LeftButton);
    });
    EXPECT_EQ(Next().control, kCancel);
    EXPECT_TRUE(lastShown);

    rows_.Free();
    bool firstShown = true;
    driver_.Soon([&] {
        firstShown = list->indexAt(QPoint(5, 5)).isValid();
        QTest::mouseClick(Widget(kCancel), Qt::LeftButton);
    });
    EXPECT_EQ(Next().control, kCancel);
    EXPECT_FALSE(firstShown);
}

// A browse keeps a page of rows in its list: at the list's ends the scroll bar and the wheel
// still scroll, and the window hears of it.
TEST_F(QtWindowTest, AListWhoseRowsFitStillReportsScrolling)
{
    auto* list = Widget<QTreeView>(kList);
    ASSERT_NE(list, nullptr);
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_EQ(bar->minimum(), bar->maximum()) << "the two rows fit";
    const auto wheel = [list](int delta) {
        const QPointF at(5, 5);
        QWheelEvent event(at, list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &event);
    };
    const struct {
        const char* what;
        std::function<void()> act;
        EventCode expected;
    } cases[] = {
        {"bottom arrow", [&] { QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3)); },
         EventCode::ScrollDown},
        {"top arrow", [&] { QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 3)); },
         EventCode::ScrollUp},
        {"wheel down", [&] { wheel(-120); }, EventCode::ScrollDown},
        {"wheel up", [&] { wheel(120); }, EventCode::ScrollUp},
    };
    for (const auto& c : cases) {
        driver_.Soon(c.act);
        const Event e = Next();
        EXPECT_EQ(e.code, c.expected) << c.what;
        EXPECT_EQ(e.control, kList) << c.what;
    }
}

TEST_F(QtWindowTest, MessageBoxAnswersOverItsWindow)
{
    QWidget* parent = nullptr;
    QString text;
    driver_.When<QMessageBox>([&](QMessageBox* box) {
        parent = box->parentWidget();
        text = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    const int answer = ShowMessage("Delete the record?|It cannot be undone.", "Confirm Delete",
                                   SystemIconText(icon::kQuestion), button::kYes | button::kNo, button::kNo);
    EXPECT_EQ(answer, button::kYes);
    EXPECT_EQ(parent, Top());
    EXPECT_EQ(text, "Delete the record?\nIt cannot be undone.");
}

TEST_F(QtWindowTest, PopupMenuHelpAndWaitCursor)
{
    QStringList texts;
    QList<bool> enabled;
    driver_.When<QMenu>([&](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            enabled << action->isEnabled();
        }
        menu->setActiveAction(menu->actions().at(3));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_EQ(ui_.PopupMenu(*window_, {"&Insert", "~&Change", "-", "&Delete"}, 0), 4);
    EXPECT_EQ(texts, (QStringList{"&Insert", "&Change", "-", "&Delete"}));
    EXPECT_EQ(enabled, (QList<bool>{true, false, true, true}));

    // F1 with no help file: a box names the help id of the window.
    QString helpText;
    driver_.When<QMessageBox>([&](QMessageBox* box) {
        helpText = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    driver_.Soon([&] {
        QTest::keyClick(Widget(kName), Qt::Key_F1);
        QTest::mouseClick(Widget(kCancel), Qt::LeftButton);
    });
    EXPECT_EQ(Next().control, kCancel);
    EXPECT_EQ(driver_.Pending(), 0u);
    EXPECT_EQ(helpText.toStdString(), NoHelpMessage(window_->definition().helpId).text);

    ui_.SetWaitCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui_.SetWaitCursor(true);
    ui_.SetWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A record form opens with no owner while the main window is up: still modal, and kept above it.
TEST_F(QtWindowTest, AWindowOpenedWithoutOwnerOverAnotherStaysAboveIt)
{
    InnerWindow inner;
    ASSERT_NE(inner.window, nullptr);
    inner.window->Open();
    QWidget* innerTop = QtUi::WidgetOf(*inner.window);
    ASSERT_NE(innerTop, nullptr);
    EXPECT_EQ(innerTop->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(innerTop->windowHandle()->transientParent(), Top()->windowHandle());
    DisposeWindow(inner.window);
}

// A window opened over the current one runs its own loop; the one under it takes no input.
TEST_F(QtWindowTest, NestedWindowIsModalAndRunsItsOwnLoop)
{
    InnerWindow holder;
    std::unique_ptr<Window>& inner = holder.window;
    ASSERT_NE(inner, nullptr);
    inner->Open(window_.get());
    QWidget* innerTop = QtUi::WidgetOf(*inner);
    ASSERT_NE(innerTop, nullptr);
    EXPECT_EQ(innerTop->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(innerTop->windowHandle()->transientParent(), Top()->windowHandle());
    EXPECT_EQ(CurrentWindow(), inner.get());

    driver_.Soon([&] {
        QTest::mouseClick(Widget(kCancel), Qt::LeftButton); // the outer window's: not taken
        QTest::mouseClick(QtUi::WidgetOf(*inner->control(kOk)), Qt::LeftButton);
    });
    while (inner->NextEvent() && inner->currentEvent().code == EventCode::OpenWindow) {
    }
    const Event e = inner->currentEvent();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kOk);
    DisposeWindow(inner);
    EXPECT_EQ(CurrentWindow(), window_.get());
    // Activation comes back as an event of the window system; the bound only guards a hang.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == Top(); }, 30000))
        << "the keyboard and its access keys are back";

    // Had the outer window taken the click on Cancel, that would come first.
    driver_.Soon([&] { QTest::mouseClick(Widget(kOk), Qt::LeftButton); });
    EXPECT_EQ(Next().control, kOk);
}

// A text the picture cannot take stays in its entry, which keeps the focus; nothing is written.
TEST_F(QtWindowTest, ARefusedEntryKeepsTheFocus)
{
    ASSERT_NE(Widget<QLineEdit>(kDate), nullptr);
    EXPECT_TRUE(Widget<QLineEdit>(kDate)->alignment() & Qt::AlignRight);
    driver_.Soon([&] {
        auto* edit = Widget<QLineEdit>(kDate);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, "no date");
        QTest::mouseClick(Widget(kName), Qt::LeftButton);
    });
    const Event e = Next();
    EXPECT_EQ(e.code, EventCode::Rejected);
    EXPECT_EQ(e.control, kDate);
    EXPECT_EQ(date_, 0);
    EXPECT_EQ(window_->focus(), kDate);
    QApplication::processEvents(); // the focus goes back once Qt finished the click
    EXPECT_EQ(QApplication::focusWidget(), Widget(kDate));
    EXPECT_EQ(Widget<QLineEdit>(kDate)->text(), "no date");
    // The refusal is told: the text selected, so typing replaces it, and a tooltip at the entry.
    EXPECT_EQ(Widget<QLineEdit>(kDate)->selectedText(), "no date");
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text().toStdString(), "Type " + PictureHint("D17"));
    QToolTip::hideText();
}

// Escape that no control takes acts as the close box: the close event where the window has one,
// nothing where it has none.
TEST_F(QtWindowTest, EscapeActsAsTheCloseBoxWhereThereIsOne)
{
    for (const std::uint32_t attributes : {kWinGray | kWinDouble, kWinSystem | kWinGray}) {
        Open(attributes);
        driver_.Soon([&] {
            for (const int control : {kName, kList, kOk, kExport}) {
                QTest::keyClick(Widget(control), Qt::Key_Escape);
            }
            QTest::mouseClick(Widget(kCancel), Qt::LeftButton);
        });
        int closes = 0;
        Event e = Next();
        for (; e.code == EventCode::CloseWindow; e = Next()) {
            ++closes;
            window_->SkipDefault();
        }
        EXPECT_EQ(closes, (attributes & kWinSystem) != 0 ? 4 : 0) << attributes;
        EXPECT_EQ(e.code, EventCode::Accepted);
        EXPECT_EQ(e.control, kCancel);
    }
}

TEST_F(QtWindowTest, MultiLineTextAndAlertKeys)
{
    window_->control(kList)->AddAlertKey(keys::kDown);
    window_->Select(kNotes); // brings its tab forward
    EXPECT_TRUE(Widget(kNotes)->isVisible());
    driver_.Soon([&] {
        auto* notes = Widget<QPlainTextEdit>(kNotes);
        QTest::keyClicks(notes, "one");
        QTest::keyClick(notes, Qt::Key_Return); // typing, not the default button
        QTest::keyClicks(notes, "two");
        QTest::mouseClick(Widget(kList)->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")), Qt::LeftButton,
                          {}, QPoint(2, 2));
        QTest::keyClick(Widget(kList), Qt::Key_Down);
    });
    Event e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kNotes);
    EXPECT_EQ(notes_.Str(), "one\r\ntwo");
    do {
        e = Next();
    } while (e.code == EventCode::NewSelection);
    EXPECT_EQ(e.code, EventCode::AlertKey);
    EXPECT_EQ(e.control, kList);
    EXPECT_EQ(e.key, keys::kDown);
}

// The OLE host is an empty child widget where the program puts it; Hide and destroy reach it.
TEST_F(QtWindowTest, ControlsMadeAndDestroyedAtRunTime)
{
    const int host = CreateControl(0, ControlKind::Ole, 0, -1);
    ASSERT_EQ(host, kDate + 1);
    for (const auto& [property, value] : {std::pair{prop::kXpos, "9"}, {prop::kYpos, "100"}, {prop::kWidth, "34"},
                                          {prop::kHeight, "14"}}) {
        SetControlPropertyText(host, 0, nullptr, std::to_string(property), value);
    }
    QWidget* widget = QtUi::WidgetOf(*window_->control(host));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), Top());
    EXPECT_TRUE(widget->children().isEmpty());
    EXPECT_TRUE(widget->isVisible());
    EXPECT_EQ(widget->geometry(), Units().ToPixels(QRect(9, 100, 34, 14)));
    SetControlPropertyText(host, 0, nullptr, std::to_string(prop::kHide), "1");
    EXPECT_FALSE(widget->isVisible());

    QPointer<QWidget> watched(widget);
    DestroyControls(host, 0);
    EXPECT_EQ(window_->control(host), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());

    // The window's own properties reach its widget.
    SetControlPropertyText(0, 0, nullptr, std::to_string(prop::kText), "Record Will Be Added");
    EXPECT_EQ(Top()->windowTitle(), "Record Will Be Added");
    SetControlPropertyText(0, 0, nullptr, std::to_string(prop::kXpos), "20");
    EXPECT_EQ(Top()->pos().x(), Units().ToPixelsX(20));
}

// The widget that has the keyboard is the control the model holds focused, whatever moved it.
// Otherwise typed text lands in an entry the model never writes back before the next request.
TEST_F(QtWindowTest, TheModelsFocusIsTheToolkitsAfterEveryKindOfMove)
{
    auto* list = Widget<QTreeView>(kList);
    const auto inStep = [&] {
        QApplication::processEvents(); // focus moves asked for inside an event land after it
        return QApplication::focusWidget() == QtUi::WidgetOf(*window_->control(window_->focus()));
    };
    // Each move with the event that tells it is done: an access key clicks its button later, on a
    // timer of Qt's; the other moves are done when the marker the step posts after them comes.
    struct Move {
        const char* how;
        std::function<void()> move;
        Event done{EventCode::Restored, 0, 0};
    };
    const std::vector<Move> moves = {
        {"access key of a button", [&] { QTest::keyClick(Top(), Qt::Key_S, Qt::AltModifier); },
         {EventCode::Accepted, kSave, 0}},
        {"access key of a prompt", [&] { QTest::keyClick(Top(), Qt::Key_N, Qt::AltModifier); }},
        {"access key of a check box", [&] { QTest::keyClick(Top(), Qt::Key_X, Qt::AltModifier); },
         {EventCode::Accepted, kExport, 0}},
        {"right click on a row",
         [&] {
             QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                               list->visualRect(list->model()->index(0, 0)).center());
         }},
        {"the toolkit (window activation)", [&] { Widget(kName)->setFocus(Qt::ActiveWindowFocusReason); }},
        {"Tab", [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }},
        {"the toolkit (another reason)", [&] { Widget(kDate)->setFocus(Qt::OtherFocusReason); }},
    };
    for (const Move& m : moves) {
        driver_.Soon([&] {
            m.move();
            window_->Post({EventCode::Restored, 0, 0}); // a marker: the move itself is done
        });
        bool marked = false;
        bool done = false;
        while (!(marked && done)) {
            const Event e = Next();
            ASSERT_NE(e.code, EventCode::None) << m.how << ": the window closed";
            marked = marked || e.code == EventCode::Restored;
            done = done || (e.code == m.done.code && e.control == m.done.control);
        }
        EXPECT_TRUE(inStep()) << m.how << ": model " << window_->focus() << ", toolkit "
                              << NumberOf(QApplication::focusWidget());
    }
}

// Text typed into an entry that the toolkit focused on its own (a window given the keyboard back)
// is taken before a button pressed by its access key acts.
TEST_F(QtWindowTest, TextTypedWhereverTheToolkitPutTheFocusIsTakenBeforeARequest)
{
    window_->Select(kList);
    driver_.Soon([&] {
        auto* edit = Widget<QLineEdit>(kName);
        edit->setFocus(Qt::ActiveWindowFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, "Anna");
        QTest::keyClick(Top(), Qt::Key_S, Qt::AltModifier);
    });
    Event e = Next();
    EXPECT_EQ(e.code, EventCode::Accepted);
    EXPECT_EQ(e.control, kName);
    EXPECT_EQ(name_.Str(), "Anna");
    e = Next();
    EXPECT_EQ(e.control, kSave);

    // After the press, a corrected text typed and taken by the next press is used as well.
    driver_.Soon([&] {
        auto* edit = Widget<QLineEdit>(kName);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, "Bert");
        QTest::keyClick(Top(), Qt::Key_S, Qt::AltModifier);
    });
    do {
        e = Next();
    } while (e.code == EventCode::Accepted && e.control == kName);
    EXPECT_EQ(e.control, kSave);
    EXPECT_EQ(name_.Str(), "Bert");
}

// A right click highlights its row before anything acts on it (its popup menu comes next).
TEST_F(QtWindowTest, ARightClickHighlightsItsRowFirst)
{
    window_->control(kList)->AddAlertKey(keys::kMouseRight);
    window_->control(kList)->SetCurrentRow(1);
    auto* list = Widget<QTreeView>(kList);
    ASSERT_EQ(list->currentIndex().row(), 0);
    driver_.Soon([&] {
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    });
    Event e;
    do {
        e = Next();
    } while (e.code == EventCode::NewSelection);
    EXPECT_EQ(e.code, EventCode::AlertKey);
    EXPECT_EQ(window_->control(kList)->currentRow(), 2);
    EXPECT_EQ(list->currentIndex().row(), 1) << "the row acted on is the one highlighted";
    EXPECT_TRUE(list->selectionModel()->isRowSelected(1, {}));
}

// The Menu key and Shift+F10 reach a list as keys the program can take (a browse opens its popup
// menu on them); a menu asked for from the keyboard opens at the list's highlighted row.
TEST_F(QtWindowTest, TheMenuKeysReachAListAndItsMenuOpensAtTheHighlightedRow)
{
    Control& list = *window_->control(kList);
    const int shiftF10 = keys::kShift | keys::FunctionKey(10);
    list.AddAlertKey(keys::kMenu);
    list.AddAlertKey(shiftF10);
    driver_.Soon([&] {
        QTest::keyClick(Widget(kList), Qt::Key_Menu);
        QTest::keyClick(Widget(kList), Qt::Key_F10, Qt::ShiftModifier);
        window_->Post({EventCode::Restored, 0, 0}); // a marker: the keys are done
    });
    std::vector<int> alerts;
    for (Event e = Next(); e.code != EventCode::Restored && e.code != EventCode::None; e = Next()) {
        EXPECT_EQ(e.code, EventCode::AlertKey);
        EXPECT_EQ(e.control, kList);
        alerts.push_back(e.key);
    }
    EXPECT_EQ(alerts, (std::vector<int>{keys::kMenu, shiftF10}));

    list.SetCurrentRow(2);
    auto* view = Widget<QTreeView>(kList);
    const QAbstractItemModel* rows = view->model();
    const QRect row = view->visualRect(rows->index(1, 0)).united(view->visualRect(rows->index(1, rows->columnCount() - 1)));
    const QRect onScreen(view->viewport()->mapToGlobal(row.topLeft()), row.size());
    QPoint opened;
    driver_.When<QMenu>([&](QMenu* menu) {
        opened = menu->pos();
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    EXPECT_EQ(ui_.PopupMenu(*window_, {"&Insert", "&Change"}, kList), 0);
    EXPECT_TRUE(onScreen.contains(opened)) << opened.x() << "," << opened.y();
}

// An entry holds no more than its variable stores: the picture counts stored bytes, and the
// Cyrillic letters here take two each.
TEST_F(QtWindowTest, AnEntryStopsWhereItsVariableEnds)
{
    const QString letters = QString::fromUtf8("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"); // 15 letters, 30 bytes
    QString typed;
    driver_.Soon([&] {
        auto* edit = Widget<QLineEdit>(kName);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        for (const QChar letter : letters) { // QTest types ASCII only
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
            QApplication::sendEvent(edit, &press);
        }
        typed = edit->text();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(Next().control, kName);
    EXPECT_EQ(typed, letters.left(10)) << "while typing";
    const QString shown = Widget<QLineEdit>(kName)->text();
    EXPECT_EQ(shown, letters.left(10));
    EXPECT_EQ(QString::fromStdString(name_.Str()), shown) << "what is shown is what is stored";
}

// A box is a dialog of its window, centred over it; Escape answers as Cancel or No, or as OK
// where OK is the only answer, and else does nothing. The window has the keyboard back after it.
TEST_F(QtWindowTest, MessageBoxesAreDialogsOfTheirWindowAndEscapeAnswersSafely)
{
    struct Case {
        int buttons;
        int escapeAnswer; // 0: Escape leaves the box up
    };
    const Case cases[] = {
        {button::kOk, button::kOk},
        {button::kOk | button::kHelp, button::kOk},
        {button::kOk | button::kCancel, button::kCancel},
        {button::kYes | button::kNo, button::kNo},
        {button::kYes | button::kNo | button::kCancel, button::kCancel},
        {button::kAbort | button::kRetry | button::kIgnore, 0},
    };
    window_->Select(kDate);
    for (const Case& c : cases) {
        Qt::WindowFlags flags;
        QPoint boxCentre;
        bool stayed = false;
        driver_.When<QMessageBox>([&](QMessageBox* box) {
            flags = box->windowFlags();
            boxCentre = box->frameGeometry().center();
            QTest::keyClick(box, Qt::Key_Escape);
            stayed = box->isVisible();
            if (stayed) {
                box->button(QMessageBox::Retry)->click();
            }
        });
        const int answer = ShowMessage("Question", "Caption", {}, c.buttons, 0);
        EXPECT_EQ(answer, c.escapeAnswer != 0 ? c.escapeAnswer : button::kRetry) << c.buttons;
        EXPECT_EQ(stayed, c.escapeAnswer == 0) << c.buttons;
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) << c.buttons;
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_LE((boxCentre - Top()->frameGeometry().center()).manhattanLength(), 2) << c.buttons;
        // Activation comes back as an event of the window system; the bound only guards a hang.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == Top(); }, 30000));
        EXPECT_EQ(QApplication::focusWidget(), Widget(kDate)) << "the keyboard is back where it was";
    }
}

// A picture of the window for a person to look at: QUORIN_LOOK_DIR names the folder.
TEST_F(QtWindowTest, GrabForALook)
{
    const char* folder = std::getenv("QUORIN_LOOK_DIR");
    if (folder == nullptr) {
        GTEST_SKIP() << "QUORIN_LOOK_DIR not set";
    }
    QApplication::processEvents();
    const QString file = QDir(QString::fromLocal8Bit(folder)).filePath(QStringLiteral("qt-test-window.png"));
    EXPECT_TRUE(Top()->grab().save(file));
    if (const char* shot = std::getenv("QUORIN_LOOK_HOLD_UNTIL")) {
        // Keeps the window up until the screenshot of the whole display, the file named, is there.
        const QString screenshot = QString::fromLocal8Bit(shot);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(screenshot); }, 60000)) << shot << " never came";
    }
}

} // namespace
} // namespace quorin::ui
