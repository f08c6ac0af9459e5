#include "platform/ui/qt/QtSync.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "platform/ui/qt/QtListModel.h"

namespace quorin::ui {

bool ShownOnScreen(const Window& window, const Control& control)
{
    if (!control.Visible()) {
        return false;
    }
    for (const Control* c = &control; c != nullptr && c->parent() != 0;) {
        const Control* parent = window.control(c->parent());
        if (parent == nullptr) {
            break;
        }
        if (parent->kind() == ControlKind::Tab) {
            const Control* sheet = window.control(parent->parent());
            if (sheet != nullptr && sheet->currentTab() != parent->number()) {
                return false;
            }
        }
        c = parent;
    }
    return true;
}

bool OnSheet(const Window& window, const Control* control, int sheet)
{
    for (const Control* c = control; c != nullptr && c->parent() != 0; c = window.control(c->parent())) {
        if (c->parent() == sheet) {
            return true;
        }
    }
    return false;
}

void ApplyVisibility(const Window& window)
{
    for (Control* c : window.Controls()) {
        QWidget* widget = ControlWidget(*c);
        if (widget != nullptr && c->kind() != ControlKind::Tab) {
            widget->setVisible(ShownOnScreen(window, *c));
        }
    }
}

void ApplyGeometry(WindowWidget* ww, const Control& c, QWidget* widget)
{
    if (c.kind() == ControlKind::Tab) {
        return; // a page of its sheet
    }
    widget->setGeometry(ww->units().ToPixels(QRect(c.x(), c.y(), c.width(), c.height())));
}

void ApplyText(const Control& c, QWidget* widget)
{
    switch (c.kind()) {
    case ControlKind::Entry:
        if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && edit->text() != FromUtf8(c.screenText())) {
            edit->setText(FromUtf8(c.screenText()));
        }
        break;
    case ControlKind::Text:
        if (auto* edit = qobject_cast<QPlainTextEdit*>(widget);
            edit && edit->toPlainText() != FromStoredText(c.screenText())) {
            edit->setPlainText(FromStoredText(c.screenText()));
        }
        break;
    case ControlKind::Check:
        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            box->setText(FromUtf8(c.caption()));
            box->setChecked(c.checked());
        }
        break;
    case ControlKind::Button:
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->setText(FromUtf8(c.caption()));
        }
        break;
    case ControlKind::Prompt:
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            const QString caption = FromUtf8(c.caption());
            label->setText(label->buddy() != nullptr ? caption : PlainCaption(caption));
        }
        break;
    case ControlKind::Tab: {
        auto* sheet = qobject_cast<QTabWidget*>(widget->parentWidget() ? widget->parentWidget()->parentWidget() : nullptr);
        if (sheet != nullptr) {
            const int index = sheet->indexOf(widget);
            if (index >= 0) {
                sheet->setTabText(index, FromUtf8(c.caption()));
            }
        }
        break;
    }
    default: break;
    }
}

void ApplyReadOnly(const Control& c, QWidget* widget)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setReadOnly(c.readOnly());
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        text->setReadOnly(c.readOnly());
    }
}

void FocusAsTab(QWidget* target)
{
    target->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
        edit->selectAll();
    }
}

QTabWidget* SheetWidget(const Window& window, const Control& tab)
{
    const Control* sheet = window.control(tab.parent());
    return sheet != nullptr ? qobject_cast<QTabWidget*>(ControlWidget(*sheet)) : nullptr;
}

void ApplyCurrent(WindowWidget* ww, const Window& window, const Control& c, QWidget* widget)
{
    if (c.kind() == ControlKind::List) {
        auto* view = qobject_cast<QTreeView*>(widget);
        if (view == nullptr || view->model() == nullptr) {
            return;
        }
        if (c.currentRow() > 0) {
            const QModelIndex index = view->model()->index(c.currentRow() - 1, 0);
            view->setCurrentIndex(index);
            view->scrollTo(index);
        } else {
            view->clearSelection();
        }
    } else if (c.kind() == ControlKind::Sheet) {
        auto* sheet = qobject_cast<QTabWidget*>(widget);
        const Control* tab = window.control(c.currentTab());
        QWidget* page = tab != nullptr ? ControlWidget(*tab) : nullptr;
        if (sheet != nullptr && page != nullptr && sheet->currentWidget() != page) {
            sheet->setCurrentWidget(page);
        }
        ApplyVisibility(window);
    }
    (void)ww;
}

void ApplyWindowState(WindowWidget* ww, const Window& window)
{
    if (!ww->isVisible()) {
        return;
    }
    if (window.iconized()) {
        ww->showMinimized();
    } else if (window.maximized()) {
        ww->showMaximized();
    } else if (ww->isMaximized() || ww->isMinimized()) {
        ww->showNormal();
    }
}

void Relink(const Window& window)
{
    const std::vector<Control*> controls = window.Controls();
    QWidget* previous = nullptr;
    for (Control* c : controls) {
        QWidget* widget = ControlWidget(*c);
        if (widget == nullptr || !(IsFocusable(c->kind()) || c->kind() == ControlKind::Sheet)) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(ControlWidget(*controls[i]));
        if (label == nullptr) {
            continue;
        }
        QWidget* buddy = nullptr;
        for (std::size_t j = i + 1; j < controls.size() && buddy == nullptr; ++j) {
            if (IsFocusable(controls[j]->kind())) {
                buddy = ControlWidget(*controls[j]);
            }
        }
        label->setBuddy(buddy);
        ApplyText(*controls[i], label);
    }
}

// A list shows its queue as it is: rows the program added to or removed from a bound queue
// without redrawing the list (the field list of a fill request) reach the widget before the user
// acts again, as do changed rows.
void SyncLists(const Window& window)
{
    WindowWidget* ww = WindowWidgetOf(window);
    if (ww == nullptr || !ww->isVisible()) {
        return;
    }
    Applying applying(ww);
    for (Control* c : window.Controls()) {
        auto* view = c->kind() == ControlKind::List ? qobject_cast<QTreeView*>(ControlWidget(*c)) : nullptr;
        if (view == nullptr) {
            continue;
        }
        if (ListModelOf(view->model())->Told() != c->RowCount()) {
            ListModelOf(view->model())->Reset();
            ApplyCurrent(ww, window, *c, view);
        } else {
            view->viewport()->update();
        }
    }
}

namespace {

// Some window's focus waits to be brought in step: BringFocusInStep runs after every event of the
// window system, and has nothing to do for almost all of them.
bool g_focusWaits = false;

void ApplyModelFocus(WindowWidget* ww, FocusMove how)
{
    ww->focusPending = 0;
    Window* w = ww->model();
    if (w == nullptr) {
        return;
    }
    Applying applying(ww);
    const Control* c = w->control(w->focus());
    QWidget* target = c != nullptr ? ControlWidget(*c) : nullptr;
    if (how == FocusMove::AsTab) {
        if (target != nullptr) {
            FocusAsTab(target);
        } else if (QWidget* focused = ww->focusWidget()) {
            focused->clearFocus();
        }
    } else if (target != nullptr && target->isVisible() && ww->focusWidget() != target) {
        target->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace

void FollowModelFocus(WindowWidget* ww, FocusMove how, bool later)
{
    if (!later) {
        ApplyModelFocus(ww, how);
        return;
    }
    const bool posted = ww->focusPending != 0;
    ww->focusPending = std::max(ww->focusPending, static_cast<int>(how));
    g_focusWaits = true;
    if (!posted) {
        QTimer::singleShot(0, ww, [] { BringFocusInStep(); });
    }
}

void BringFocusInStep()
{
    if (!g_focusWaits) {
        return;
    }
    g_focusWaits = false;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* ww = dynamic_cast<WindowWidget*>(top);
        if (ww != nullptr && ww->focusPending != 0) {
            ApplyModelFocus(ww, static_cast<FocusMove>(ww->focusPending));
        }
    }
}

void GiveKeyboardBack(const Window& window)
{
    WindowWidget* ww = WindowWidgetOf(window);
    if (ww == nullptr || !ww->isVisible()) {
        return;
    }
    ww->raise();
    ww->activateWindow();
    const Control* focused = window.control(window.focus());
    if (QWidget* target = focused != nullptr ? ControlWidget(*focused) : nullptr;
        target != nullptr && target->isVisible() && ww->focusWidget() != target) {
        Applying applying(ww);
        target->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace quorin::ui
