#include "platform/ui/qt/QtUi.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMenu>
#include <QScreen>
#include <QTabWidget>
#include <QTreeView>
#include <QWindow>
#include <algorithm>

#include "platform/runtime/Window.h"
#include "platform/ui/qt/QtControls.h"
#include "platform/ui/qt/QtFileDialog.h"
#include "platform/ui/qt/QtListModel.h"
#include "platform/ui/qt/QtMessageBox.h"
#include "platform/ui/qt/QtPlacement.h"
#include "platform/ui/qt/QtRefusal.h"
#include "platform/ui/qt/QtSync.h"
#include "platform/ui/qt/QtWindowWidget.h"

namespace quorin::ui {


QtUi::~QtUi()
{
    if (waitCursor_ && QApplication::instance() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

QWidget* QtUi::WidgetOf(const Window& window) { return WindowWidgetOf(window); }

QWidget* QtUi::WidgetOf(const Control& control) { return ControlWidget(control); }

int QtUi::ShowMessageBox(const MessageBoxRequest& request)
{
    Window* current = CurrentWindow();
    const InputOrder::Wait answer(order_, nullptr);
    const int chosen = ui::ShowMessageBox(current != nullptr ? WidgetOf(*current) : nullptr, request);
    if (current != nullptr && current == CurrentWindow()) {
        GiveKeyboardBack(*current);
    }
    return chosen;
}

std::optional<std::string> QtUi::AskFile(const FileDialogRequest& request)
{
    Window* current = CurrentWindow();
    const InputOrder::Wait answer(order_, nullptr);
    std::optional<std::string> chosen = AskFileName(current != nullptr ? WidgetOf(*current) : nullptr, request);
    if (current != nullptr && current == CurrentWindow()) {
        GiveKeyboardBack(*current);
    }
    return chosen;
}

void QtUi::CreateWindowWidget(Window& window)
{
    auto* ww = new WindowWidget(window);
    window.backendData = ww;
    InstallControlFilter(ww);
    const WindowDefinition& definition = window.definition();
    const QFont font = WindowFont(definition.font.typeface, definition.font.points, definition.font.weight);
    ww->setFont(font);
    ww->SetUnits(DialogUnits(font));
    ww->setObjectName(FromUtf8(definition.name));

    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (window.hasCloseBox()) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;
        // Only `Max` gives the maximise box; a resizable frame alone does not.
        if ((definition.attributes & kWinMax) != 0) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    ww->setWindowFlags(flags);
    ww->setWindowTitle(FromUtf8(window.title()));
    // Gray: the desktop's dialog colour; otherwise the window is drawn in the colour of text fields.
    QPalette palette = ww->palette();
    if ((definition.attributes & kWinGray) == 0) {
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    }
    if (definition.font.colour >= 0) {
        // A colour value holds red in its low byte, then green and blue.
        const int colour = definition.font.colour;
        const QColor text(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(role, text);
        }
    }
    ww->setPalette(palette);
    ww->setAutoFillBackground(true);
    ww->placed = definition.x.has_value() && definition.y.has_value() && (definition.attributes & kWinCenter) == 0;
    Applying applying(ww);
    ApplyWindowPlace(ww, window);
}

void QtUi::ShowWindow(Window& window, Window* owner)
{
    WindowWidget* ww = WindowWidgetOf(window);
    if (ww == nullptr) {
        return;
    }
    Applying applying(ww);
    Relink(window);
    ApplyVisibility(window);
    // A window opened while another is up runs a nested loop: the ones under it take nothing, and
    // it stays above the one it was opened over (a window manager keeps a transient on top).
    const Window* under = owner != nullptr ? owner : (shown_.empty() || shown_.back() == &window ? nullptr : shown_.back());
    QWidget* over = under != nullptr ? WidgetOf(*under) : nullptr;
    if (under != nullptr) {
        ww->setWindowModality(Qt::ApplicationModal);
    }
    if (over != nullptr) {
        // Only a dialog's window carries its transient parent to the window manager.
        ww->setWindowFlags((ww->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
        ww->winId();
        over->winId();
        ww->windowHandle()->setTransientParent(over->windowHandle());
    }
    if (!ww->placed) {
        QRect area = over != nullptr ? over->frameGeometry() : QRect();
        if (area.isEmpty()) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        }
        QRect frame(QPoint(0, 0), ww->size());
        frame.moveCenter(area.center());
        frame.moveTop(std::max(area.top(), frame.top()));
        frame.moveLeft(std::max(area.left(), frame.left()));
        ww->move(frame.topLeft());
        ww->placed = true;
        const DialogUnits& units = ww->units();
        window.ReportPlacement(units.ToUnitsX(frame.left()), units.ToUnitsY(frame.top()), window.width(),
                               window.height());
    }
    shown_.push_back(&window);
    ww->show();
    ApplyWindowState(ww, window);
    ww->raise();
    ww->activateWindow();
    if (const Control* focused = window.control(window.focus())) {
        if (QWidget* widget = WidgetOf(*focused)) {
            FocusAsTab(widget);
        }
    }
}

void QtUi::DestroyWindowWidget(Window& window)
{
    std::erase(shown_, &window);
    order_.Wake(window);
    WindowWidget* ww = WindowWidgetOf(window);
    if (ww == nullptr) {
        return;
    }
    ww->Detach();
    for (Control* c : window.Controls()) {
        c->backendData = nullptr;
    }
    window.backendData = nullptr;
    ww->hide();
    // Later: Qt may still be inside one of this window's widgets (a click that closed it).
    ww->deleteLater();
    // The window under it takes the keyboard again, access keys included, as a window manager
    // gives it back to the owner of a closed dialog; without one nothing else would.
    if (!shown_.empty()) {
        GiveKeyboardBack(*shown_.back());
    }
}

void QtUi::CreateControlWidget(Window& window, Control& control)
{
    WindowWidget* ww = WindowWidgetOf(window);
    if (ww == nullptr) {
        return;
    }
    Applying applying(ww);
    QWidget* widget = MakeWidget(ww, window, control);
    if (widget == nullptr) {
        return;
    }
    control.backendData = widget;
    if (control.kind() != ControlKind::Tab) {
        widget->setObjectName(FromUtf8(control.label().empty() ? "control" + std::to_string(control.number())
                                                                : control.label()));
        if (control.kind() != ControlKind::List) {
            Watch(ww, widget, control.number());
        } else {
            widget->setProperty(kNumberProperty, control.number());
            widget->installEventFilter(FilterOf(ww));
        }
        widget->setToolTip(FromUtf8(control.definition().tip));
        widget->setStatusTip(FromUtf8(control.definition().msg));
        if (window.IsCloseButton(control.number())) {
            // A click leaves without saving: it must not first move the focus out of an entry,
            // which would check its picture.
            widget->setFocusPolicy(Qt::TabFocus);
        }
    } else {
        widget->setObjectName(FromUtf8(control.label()));
    }
    ApplyGeometry(ww, control, widget);
    ApplyText(control, widget);
    ApplyReadOnly(control, widget);
    widget->setEnabled(control.enabled());
    widget->raise();
    if (control.kind() == ControlKind::List || control.kind() == ControlKind::Sheet) {
        ApplyCurrent(ww, window, control, widget);
    }
    if (ww->isVisible()) {
        Relink(window);
        ApplyVisibility(window);
    }
}

void QtUi::DestroyControlWidget(Window& window, Control& control)
{
    QWidget* widget = WidgetOf(control);
    control.backendData = nullptr;
    if (widget == nullptr) {
        return;
    }
    if (WindowWidget* ww = WindowWidgetOf(window)) {
        Applying applying(ww);
        if (control.kind() == ControlKind::Tab) {
            if (QTabWidget* sheet = SheetWidget(window, control)) {
                sheet->removeTab(sheet->indexOf(widget));
            }
        }
        widget->hide();
    }
    widget->deleteLater();
}

void QtUi::ControlChanged(Window& window, Control& control, unsigned changes)
{
    WindowWidget* ww = WindowWidgetOf(window);
    QWidget* widget = WidgetOf(control);
    if (ww == nullptr || widget == nullptr) {
        return;
    }
    Applying applying(ww);
    if ((changes & kChangeRows) != 0) {
        if (auto* view = qobject_cast<QTreeView*>(widget)) {
            ListModelOf(view->model())->Reset();
        }
    }
    if ((changes & (kChangeText | kChangeRedraw)) != 0) {
        ApplyText(control, widget);
    }
    if ((changes & kChangeEnabled) != 0) {
        widget->setEnabled(control.enabled());
    }
    if ((changes & kChangeReadOnly) != 0) {
        ApplyReadOnly(control, widget);
    }
    if ((changes & kChangeGeometry) != 0) {
        ApplyGeometry(ww, control, widget);
    }
    if ((changes & (kChangeRows | kChangeCurrentRow)) != 0) {
        ApplyCurrent(ww, window, control, widget);
    }
    if ((changes & kChangeHidden) != 0) {
        ApplyVisibility(window);
    }
}

void QtUi::WindowChanged(Window& window, unsigned changes)
{
    WindowWidget* ww = WindowWidgetOf(window);
    if (ww == nullptr) {
        return;
    }
    Applying applying(ww);
    if ((changes & kChangeTitle) != 0) {
        ww->setWindowTitle(FromUtf8(window.title()));
    }
    if ((changes & kChangeGeometry) != 0) {
        ww->placed = true; // the program placed it (an INI file, a resizer)
        ApplyWindowPlace(ww, window);
    }
    if ((changes & kChangeState) != 0) {
        ApplyWindowState(ww, window);
    }
}

void QtUi::FocusChanged(Window& window, int focus)
{
    (void)focus;
    if (WindowWidget* ww = WindowWidgetOf(window)) {
        FollowModelFocus(ww, FocusMove::AsTab, ww->reporting > 0);
    }
}

void QtUi::EventPosted(Window& window) { order_.Wake(window); }

bool QtUi::WaitForAction(Window& window)
{
    if (QApplication::instance() == nullptr) {
        return false;
    }
    if (window.HasPendingEvents() || !window.IsOpen() || WidgetOf(window) == nullptr) {
        return true;
    }
    for (Window* shown : shown_) {
        SyncLists(*shown);
    }
    InputOrder::Wait next(order_, &window);
    if (!order_.Release()) {
        return true; // what was held posted an event, or the window went
    }
    QEventLoop loop;
    next.SetLoop(&loop);
    loop.exec();
    return true;
}

int QtUi::PopupMenu(Window& window, const std::vector<std::string>& items, int atRowOf)
{
    QMenu menu(WidgetOf(window));
    menu.setObjectName(QStringLiteral("quorinPopupMenu"));
    std::vector<QAction*> actions;
    for (const std::string& item : items) {
        if (item == "-") {
            actions.push_back(menu.addSeparator());
            continue;
        }
        const bool disabled = !item.empty() && item.front() == '~';
        QAction* action = menu.addAction(FromUtf8(disabled ? std::string_view(item).substr(1) : std::string_view(item)));
        action->setEnabled(!disabled);
        actions.push_back(action);
    }
    QAction* chosen = nullptr;
    {
        ModalDialogScope modal;
        const InputOrder::Wait answer(order_, nullptr);
        chosen = menu.exec(atRowOf != 0 ? MenuPlaceAtRow(window, atRowOf) : QCursor::pos());
    }
    GiveKeyboardBack(window);
    const auto found = std::find(actions.begin(), actions.end(), chosen);
    return chosen != nullptr && found != actions.end() ? static_cast<int>(found - actions.begin()) + 1 : 0;
}

void QtUi::EntryRefused(Window& window, Control& control, std::string_view what)
{
    (void)window;
    if (QWidget* widget = WidgetOf(control)) {
        TellRefusedEntry(widget, FromUtf8(what));
    }
}

void QtUi::SetWaitCursor(bool on)
{
    if (on == waitCursor_ || QApplication::instance() == nullptr) {
        return;
    }
    waitCursor_ = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace quorin::ui

