#include "platform/ui/qt/QtUi.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <functional>

#include "platform/runtime/ControlPicture.h"
#include "platform/runtime/Window.h"
#include "platform/ui/qt/DialogUnits.h"
#include "platform/ui/qt/QtFileDialog.h"
#include "platform/ui/qt/QtMessageBox.h"

namespace quorin::ui {

namespace {

constexpr const char* kNumberProperty = "quorinControl";

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string ToUtf8(const QString& text) { return text.toStdString(); }

// A caption as a widget without mnemonic support shows it: "&" dropped, "&&" a literal "&".
QString PlainCaption(const QString& caption)
{
    QString result;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
        }
        result += caption[i];
    }
    return result;
}

// Multi-line texts hold CR LF line ends; Qt's editors use LF.
QString FromStoredText(const std::string& text)
{
    QString result = FromUtf8(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

std::string ToStoredText(QString text)
{
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return ToUtf8(text);
}

// The runtime's code of a key press; 0 for keys it has no code for.
int KeyCode(const QKeyEvent* event)
{
    const int key = event->key();
    int code = 0;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: code = keys::kEnter; break;
    case Qt::Key_Escape: code = keys::kEscape; break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: code = keys::kTab; break;
    case Qt::Key_Backspace: code = keys::kBackspace; break;
    case Qt::Key_Insert: code = keys::kInsert; break;
    case Qt::Key_Delete: code = keys::kDelete; break;
    case Qt::Key_Home: code = keys::kHome; break;
    case Qt::Key_End: code = keys::kEnd; break;
    case Qt::Key_PageUp: code = keys::kPageUp; break;
    case Qt::Key_PageDown: code = keys::kPageDown; break;
    case Qt::Key_Up: code = keys::kUp; break;
    case Qt::Key_Down: code = keys::kDown; break;
    case Qt::Key_Left: code = keys::kLeft; break;
    case Qt::Key_Right: code = keys::kRight; break;
    default:
        if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
            code = keys::FunctionKey(1 + (key - Qt::Key_F1));
        } else if (key >= 0x20 && key <= 0x7E) {
            code = key; // letters come upper case, as the runtime names them
        }
        break;
    }
    if (code == 0) {
        return 0;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ShiftModifier || key == Qt::Key_Backtab) {
        code |= keys::kShift;
    }
    if (mods & Qt::ControlModifier) {
        code |= keys::kCtrl;
    }
    if (mods & Qt::AltModifier) {
        code |= keys::kAlt;
    }
    return code;
}

Qt::Alignment ToQtAlignment(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Right:
    case Alignment::Decimal: return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

class WindowWidget : public QWidget {
public:
    explicit WindowWidget(Window& model) : model_(&model) {}

    Window* model() const { return model_; }
    void Detach() { model_ = nullptr; }
    const DialogUnits& units() const { return units_; }
    void SetUnits(const DialogUnits& units) { units_ = units; }

    // Set while the backend applies the model to the widgets: their signals are not the user's.
    int applying = 0;
    // Set while a user action is being reported: focus moves the model asks for meanwhile wait
    // until Qt has finished the event at hand.
    int reporting = 0;
    bool placed = false;

    // Reports a user action to the model, unless the model let go or the backend is applying.
    void Report(const std::function<void(Window&)>& action)
    {
        if (model_ == nullptr || applying > 0) {
            return;
        }
        ++reporting;
        action(*model_);
        --reporting;
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        // The window manager's close box asks; the model decides (no close box without System).
        event->ignore();
        Report([](Window& w) { w.UserClose(); });
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (event->spontaneous() && isVisible()) {
            const QSize size = event->size();
            Report([&](Window& w) { w.UserResize(units_.ToUnitsX(size.width()), units_.ToUnitsY(size.height())); });
        }
    }
    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        if (event->spontaneous() && isVisible()) {
            const QPoint at = event->pos();
            Report([&](Window& w) { w.UserMove(units_.ToUnitsX(at.x()), units_.ToUnitsY(at.y())); });
        }
    }
    void changeEvent(QEvent* event) override
    {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && isVisible()) {
            const bool maximized = isMaximized();
            const bool minimized = isMinimized();
            Report([&](Window& w) { w.UserState(maximized, minimized); });
        }
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // Keys no control took: Enter presses the default button, F1 asks for help.
        const int code = KeyCode(event);
        if (code == keys::kEnter || code == keys::kF1) {
            Report([&](Window& w) { w.UserKey(0, code); });
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    Window* model_;
    DialogUnits units_{QFont()};
};

WindowWidget* WindowWidgetOf(const Window& window) { return static_cast<WindowWidget*>(window.backendData); }

int NumberOf(const QObject* object)
{
    const QVariant number = object->property(kNumberProperty);
    return number.isValid() ? number.toInt() : 0;
}

// The rows of a list, read from the model each time Qt asks.
class ListModel : public QAbstractTableModel {
public:
    ListModel(WindowWidget* owner, int number, QObject* parent)
        : QAbstractTableModel(parent), owner_(owner), number_(number)
    {
    }

    void Reset()
    {
        beginResetModel();
        endResetModel();
    }

    // The row count the view was last told; a queue that grew or shrank since needs a reset.
    int Told() const { return told_; }

    int rowCount(const QModelIndex& parent) const override
    {
        const Control* c = Model();
        if (parent.isValid()) {
            return 0;
        }
        told_ = c == nullptr ? 0 : c->RowCount();
        return told_;
    }
    int columnCount(const QModelIndex& parent) const override
    {
        const Control* c = Model();
        return parent.isValid() || c == nullptr ? 0 : static_cast<int>(c->listFormat().columns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const Control* c = Model();
        if (c == nullptr || !index.isValid()) {
            return {};
        }
        const auto& columns = c->listFormat().columns;
        if (index.column() >= static_cast<int>(columns.size())) {
            return {};
        }
        if (role == Qt::DisplayRole) {
            const std::vector<std::string> texts = c->RowTexts(index.row() + 1);
            return index.column() < static_cast<int>(texts.size())
                       ? FromUtf8(texts[static_cast<std::size_t>(index.column())])
                       : QString();
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(ToQtAlignment(columns[static_cast<std::size_t>(index.column())].alignment));
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        const Control* c = Model();
        if (c == nullptr || orientation != Qt::Horizontal || section >= static_cast<int>(c->listFormat().columns.size())) {
            return {};
        }
        const ListColumn& column = c->listFormat().columns[static_cast<std::size_t>(section)];
        if (role == Qt::DisplayRole) {
            return FromUtf8(column.header);
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(ToQtAlignment(column.headerAlignment));
        }
        return {};
    }

private:
    const Control* Model() const
    {
        Window* w = owner_ ? owner_->model() : nullptr;
        return w ? w->control(number_) : nullptr;
    }

    QPointer<WindowWidget> owner_;
    int number_;
    mutable int told_ = 0;
};

// Draws a list's cells with the column's indent and its right border mark ("|").
class ColumnDelegate : public QStyledItemDelegate {
public:
    ColumnDelegate(WindowWidget* owner, int number, QObject* parent)
        : QStyledItemDelegate(parent), owner_(owner), number_(number)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        const ListColumn* column = Column(index.column());
        if (column != nullptr && column->indent > 0 && owner_) {
            const int indent = owner_->units().ToPixelsX(column->indent);
            if (column->alignment == Alignment::Right || column->alignment == Alignment::Decimal) {
                shifted.rect.adjust(0, 0, -indent, 0);
            } else if (column->alignment == Alignment::Left) {
                shifted.rect.adjust(indent, 0, 0, 0);
            }
        }
        if (shifted.rect != option.rect) {
            // The row's background (a selection's colour) spans the whole cell, indent included;
            // only the text moves in.
            QStyleOptionViewItem full(option);
            initStyleOption(&full, index);
            full.text.clear();
            full.icon = QIcon();
            const QWidget* view = option.widget;
            (view != nullptr ? view->style() : QApplication::style())
                ->drawControl(QStyle::CE_ItemViewItem, &full, painter, view);
        }
        QStyledItemDelegate::paint(painter, shifted, index);
        if (column != nullptr && column->rightBorder) {
            painter->save();
            painter->setPen(option.palette.color(QPalette::Mid));
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }

private:
    const ListColumn* Column(int section) const
    {
        Window* w = owner_ ? owner_->model() : nullptr;
        const Control* c = w ? w->control(number_) : nullptr;
        if (c == nullptr || section < 0 || section >= static_cast<int>(c->listFormat().columns.size())) {
            return nullptr;
        }
        return &c->listFormat().columns[static_cast<std::size_t>(section)];
    }

    QPointer<WindowWidget> owner_;
    int number_;
};

// Watches the control widgets of one window: focus moves, alert keys, Enter and F1, and the mouse
// on lists.
class ControlFilter : public QObject {
public:
    explicit ControlFilter(WindowWidget* owner) : QObject(owner), owner_(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const int number = NumberOf(watched);
        Window* w = owner_ ? owner_->model() : nullptr;
        Control* c = w != nullptr && number != 0 ? w->control(number) : nullptr;
        if (c == nullptr || owner_->applying > 0) {
            return false;
        }
        switch (event->type()) {
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
                || reason == Qt::ShortcutFocusReason) {
                owner_->Report([&](Window& model) { model.UserFocus(number); });
                SyncFocus();
            }
            return false;
        }
        case QEvent::KeyPress: return Key(*c, static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonDblClick:
            if (c->kind() == ControlKind::List) {
                owner_->Report([&](Window& model) { model.UserKey(number, keys::kMouseLeft2); });
                return true;
            }
            return false;
        case QEvent::MouseButtonPress:
            if (auto* bar = qobject_cast<QScrollBar*>(watched)) {
                return ScrollBarPress(*c, bar, static_cast<QMouseEvent*>(event));
            }
            if (c->kind() == ControlKind::List && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
                auto* view = qobject_cast<QTreeView*>(static_cast<QWidget*>(watched)->parentWidget());
                const QModelIndex at =
                    view ? view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()) : QModelIndex();
                owner_->Report([&](Window& model) {
                    if (at.isValid()) {
                        model.UserPickRow(number, at.row() + 1);
                    }
                    model.UserKey(number, keys::kMouseRight);
                });
                return true;
            }
            return false;
        case QEvent::Wheel: return Wheel(*c, static_cast<QWidget*>(watched), static_cast<QWheelEvent*>(event));
        default: return false;
        }
    }

private:
    bool Key(Control& c, QKeyEvent* event)
    {
        const int code = KeyCode(event);
        const int number = c.number();
        if (code != 0 && c.IsAlertKey(code)) {
            owner_->Report([&](Window& model) { model.UserKey(number, code); });
            return true;
        }
        if (code == keys::kEnter && c.kind() != ControlKind::Text) {
            // Enter on a button presses it, elsewhere the window's default button.
            owner_->Report([&](Window& model) {
                if (c.kind() == ControlKind::Button) {
                    model.UserPress(number);
                } else {
                    model.UserKey(number, code);
                }
            });
            return true;
        }
        if (code == keys::kF1) {
            owner_->Report([&](Window& model) { model.UserKey(number, code); });
            return true;
        }
        // Alt and a letter is an access key; Qt hands the press on only when the window has none
        // for it, and then it is no typing either.
        if ((event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) == Qt::AltModifier &&
            !event->text().isEmpty() && (c.kind() == ControlKind::Entry || c.kind() == ControlKind::Text)) {
            return true;
        }
        return false;
    }

    // At either end of a list the wheel scrolls the list's source (a browse loads the next page).
    bool Wheel(Control& c, QWidget* viewport, QWheelEvent* event)
    {
        auto* view = qobject_cast<QTreeView*>(viewport->parentWidget());
        if (c.kind() != ControlKind::List || view == nullptr) {
            return false;
        }
        const int delta = event->angleDelta().y();
        const QScrollBar* bar = view->verticalScrollBar();
        const int number = c.number();
        if (delta > 0 && bar->value() == bar->minimum()) {
            owner_->Report([&](Window& model) { model.UserScroll(number, EventCode::ScrollUp); });
            return true;
        }
        if (delta < 0 && bar->value() == bar->maximum()) {
            owner_->Report([&](Window& model) { model.UserScroll(number, EventCode::ScrollDown); });
            return true;
        }
        return false;
    }

    // A browse keeps only a page of rows in its list, so the list's own scroll bar has nothing to
    // scroll and Qt ignores clicks on it: they still scroll the list's source.
    bool ScrollBarPress(Control& c, QScrollBar* bar, QMouseEvent* event)
    {
        if (bar->minimum() != bar->maximum() || event->button() != Qt::LeftButton) {
            return false;
        }
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.subControls = QStyle::SC_All;
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        const QStyle::SubControl part =
            bar->style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, event->position().toPoint(), bar);
        EventCode how = EventCode::None;
        switch (part) {
        case QStyle::SC_ScrollBarAddLine: how = EventCode::ScrollDown; break;
        case QStyle::SC_ScrollBarSubLine: how = EventCode::ScrollUp; break;
        case QStyle::SC_ScrollBarAddPage: how = EventCode::PageDown; break;
        case QStyle::SC_ScrollBarSubPage: how = EventCode::PageUp; break;
        default: return true;
        }
        const int number = c.number();
        owner_->Report([&](Window& model) { model.UserScroll(number, how); });
        return true;
    }

    // A refused move (an entry whose picture cannot take its text) keeps the focus where it was.
    void SyncFocus()
    {
        QPointer<WindowWidget> owner = owner_;
        QTimer::singleShot(0, owner, [owner] {
            Window* w = owner ? owner->model() : nullptr;
            if (w == nullptr) {
                return;
            }
            const Control* focused = w->control(w->focus());
            QWidget* target = focused ? QtUi::WidgetOf(*focused) : nullptr;
            if (target != nullptr && QApplication::focusWidget() != target && target->isVisible()) {
                ++owner->applying;
                target->setFocus(Qt::OtherFocusReason);
                --owner->applying;
            }
        });
    }

    QPointer<WindowWidget> owner_;
};

ControlFilter* FilterOf(WindowWidget* ww) { return ww->findChild<ControlFilter*>(QString(), Qt::FindDirectChildrenOnly); }

void Watch(WindowWidget* ww, QWidget* widget, int number)
{
    widget->setProperty(kNumberProperty, number);
    widget->installEventFilter(FilterOf(ww));
}

// Whether a control is on the screen: shown itself and its parents, and its tab the one shown.
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

// Whether a control lies on one of the sheet's tabs (its widget is the window's child, not the page's).
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
        QWidget* widget = QtUi::WidgetOf(*c);
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

QIcon ButtonIcon(const std::string& name)
{
    // The program's own button icons, drawn with the desktop's standard ones.
    const QString file = FromUtf8(name).toUpper();
    QStyle* style = QApplication::style();
    if (file.contains(QLatin1String("OK"))) {
        return style->standardIcon(QStyle::SP_DialogOkButton);
    }
    if (file.contains(QLatin1String("CANCEL"))) {
        return style->standardIcon(QStyle::SP_DialogCancelButton);
    }
    if (file.contains(QLatin1String("HELP"))) {
        return style->standardIcon(QStyle::SP_DialogHelpButton);
    }
    return {};
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

// The program moves the focus as a Tab would: an entry's text is selected, so typing replaces it.
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
    return sheet != nullptr ? qobject_cast<QTabWidget*>(QtUi::WidgetOf(*sheet)) : nullptr;
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
        QWidget* page = tab != nullptr ? QtUi::WidgetOf(*tab) : nullptr;
        if (sheet != nullptr && page != nullptr && sheet->currentWidget() != page) {
            sheet->setCurrentWidget(page);
        }
        ApplyVisibility(window);
    }
    (void)ww;
}

void ApplyWindowGeometry(WindowWidget* ww, const Window& window)
{
    const DialogUnits& units = ww->units();
    const QSize size = units.ToPixels(QSize(window.width(), window.height()));
    if (window.resizable()) {
        ww->setMinimumSize(units.ToPixels(QSize(window.minWidth(), window.minHeight())));
        ww->setMaximumSize(window.maxWidth() > 0 ? units.ToPixelsX(window.maxWidth()) : QWIDGETSIZE_MAX,
                           window.maxHeight() > 0 ? units.ToPixelsY(window.maxHeight()) : QWIDGETSIZE_MAX);
        ww->resize(size);
    } else {
        ww->setFixedSize(size);
    }
    if (ww->placed) {
        ww->move(units.ToPixels(QPoint(window.x(), window.y())));
    }
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

// Tab order in control number order; prompts lend their mnemonic to the next control that takes
// the focus.
void Relink(const Window& window)
{
    const std::vector<Control*> controls = window.Controls();
    QWidget* previous = nullptr;
    for (Control* c : controls) {
        QWidget* widget = QtUi::WidgetOf(*c);
        if (widget == nullptr || !(IsFocusable(c->kind()) || c->kind() == ControlKind::Sheet)) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(QtUi::WidgetOf(*controls[i]));
        if (label == nullptr) {
            continue;
        }
        QWidget* buddy = nullptr;
        for (std::size_t j = i + 1; j < controls.size() && buddy == nullptr; ++j) {
            if (IsFocusable(controls[j]->kind())) {
                buddy = QtUi::WidgetOf(*controls[j]);
            }
        }
        label->setBuddy(buddy);
        ApplyText(*controls[i], label);
    }
}

struct Applying {
    explicit Applying(WindowWidget* ww) : ww_(ww) { ++ww_->applying; }
    ~Applying() { --ww_->applying; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;
    WindowWidget* ww_;
};

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
        auto* view = c->kind() == ControlKind::List ? qobject_cast<QTreeView*>(QtUi::WidgetOf(*c)) : nullptr;
        if (view == nullptr) {
            continue;
        }
        if (static_cast<ListModel*>(view->model())->Told() != c->RowCount()) {
            static_cast<ListModel*>(view->model())->Reset();
            ApplyCurrent(ww, window, *c, view);
        } else {
            view->viewport()->update();
        }
    }
}

QWidget* MakeList(WindowWidget* ww, Control& c)
{
    auto* view = new QTreeView(ww);
    auto* model = new ListModel(ww, c.number(), view);
    view->setModel(model);
    view->setItemDelegate(new ColumnDelegate(ww, c.number(), view));
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setItemsExpandable(false);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy((c.attributes() & kCtlVScroll) != 0 ? Qt::ScrollBarAlwaysOn
                                                                          : Qt::ScrollBarAlwaysOff);
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    const auto& columns = c.listFormat().columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int section = static_cast<int>(i);
        header->setSectionResizeMode(section, columns[i].resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
        header->resizeSection(section, ww->units().ToPixelsX(columns[i].width));
    }
    const int number = c.number();
    QPointer<WindowWidget> owner(ww);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [owner, number, view](const QModelIndex& current, const QModelIndex&) {
                         if (!owner || owner->applying > 0 || !current.isValid()) {
                             return;
                         }
                         owner->Report([&](Window& w) { w.UserPickRow(number, current.row() + 1); });
                         if (Window* w = owner->model()) {
                             if (const Control* list = w->control(number); list && list->currentRow() != current.row() + 1) {
                                 Applying applying(owner);
                                 ApplyCurrent(owner, *w, *list, view);
                             }
                         }
                     });
    QObject::connect(view->verticalScrollBar(), &QAbstractSlider::actionTriggered, view, [owner, number](int action) {
        EventCode how = EventCode::None;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: how = EventCode::ScrollDown; break;
        case QAbstractSlider::SliderSingleStepSub: how = EventCode::ScrollUp; break;
        case QAbstractSlider::SliderPageStepAdd: how = EventCode::PageDown; break;
        case QAbstractSlider::SliderPageStepSub: how = EventCode::PageUp; break;
        case QAbstractSlider::SliderToMinimum: how = EventCode::ScrollTop; break;
        case QAbstractSlider::SliderToMaximum: how = EventCode::ScrollBottom; break;
        default: return;
        }
        if (owner) {
            owner->Report([&](Window& w) { w.UserScroll(number, how); });
        }
    });
    Watch(ww, view->viewport(), number);
    Watch(ww, view->verticalScrollBar(), number);
    return view;
}

QWidget* MakeWidget(WindowWidget* ww, const Window& window, Control& c)
{
    const int number = c.number();
    QPointer<WindowWidget> owner(ww);
    const QString caption = FromUtf8(c.caption());
    switch (c.kind()) {
    case ControlKind::Entry: {
        auto* edit = new QLineEdit(ww);
        if (const int length = PictureMaxLength(c.picture()); length > 0) {
            edit->setMaxLength(length);
        }
        edit->setAlignment(((c.attributes() & kCtlRight) != 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        QObject::connect(edit, &QLineEdit::textEdited, edit, [owner, number, edit](const QString& text) {
            if (!owner) {
                return;
            }
            owner->Report([&](Window& w) { w.UserEdit(number, ToUtf8(text)); });
            if (Window* w = owner->model()) {
                if (const Control* entry = w->control(number); entry && entry->screenText() != ToUtf8(text)) {
                    Applying applying(owner);
                    ApplyText(*entry, edit);
                }
            }
        });
        return edit;
    }
    case ControlKind::Text: {
        auto* edit = new QPlainTextEdit(ww);
        edit->setTabChangesFocus(true);
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [owner, number, edit] {
            if (owner) {
                owner->Report([&](Window& w) { w.UserEdit(number, ToStoredText(edit->toPlainText())); });
            }
        });
        return edit;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(caption, ww);
        button->setAutoDefault(false);
        button->setDefault(c.isDefault());
        if (const QIcon icon = ButtonIcon(c.definition().icon); !icon.isNull()) {
            button->setIcon(icon);
        }
        QObject::connect(button, &QPushButton::clicked, button, [owner, number] {
            if (owner) {
                owner->Report([&](Window& w) { w.UserPress(number); });
            }
        });
        return button;
    }
    case ControlKind::Check: {
        auto* box = new QCheckBox(caption, ww);
        QObject::connect(box, &QCheckBox::clicked, box, [owner, number, box] {
            if (!owner) {
                return;
            }
            owner->Report([&](Window& w) { w.UserPress(number); });
            if (Window* w = owner->model()) {
                if (const Control* check = w->control(number)) {
                    Applying applying(owner);
                    box->setChecked(check->checked());
                }
            }
        });
        return box;
    }
    case ControlKind::Prompt: {
        auto* label = new QLabel(PlainCaption(caption), ww);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case ControlKind::List: return MakeList(ww, c);
    case ControlKind::Sheet: {
        auto* sheet = new QTabWidget(ww);
        QObject::connect(sheet, &QTabWidget::currentChanged, sheet, [owner, number, sheet](int index) {
            if (!owner || owner->applying > 0 || index < 0) {
                return;
            }
            const int tab = NumberOf(sheet->widget(index));
            owner->Report([&](Window& w) { w.UserPickTab(number, tab); });
            if (Window* w = owner->model()) {
                if (const Control* model = w->control(number)) {
                    // A focus on the page that goes moves to the tab strip, as after choosing a tab
                    // in any dialog; hidden one by one, its fields would pass it on to a button.
                    QWidget* focused = QApplication::focusWidget();
                    if (model->currentTab() == tab && focused != nullptr && focused->window() == owner
                        && OnSheet(*w, w->control(NumberOf(focused)), number)) {
                        owner->Report([&](Window& m) { m.UserFocus(number); });
                        Applying applying(owner);
                        sheet->tabBar()->setFocus(Qt::OtherFocusReason);
                    }
                    Applying applying(owner);
                    ApplyCurrent(owner, *w, *model, sheet);
                }
            }
        });
        return sheet;
    }
    case ControlKind::Tab: {
        QTabWidget* sheet = SheetWidget(window, c);
        if (sheet == nullptr) {
            return nullptr;
        }
        auto* page = new QWidget;
        page->setProperty(kNumberProperty, number);
        sheet->addTab(page, caption);
        return page;
    }
    case ControlKind::Region:
    case ControlKind::Ole:
    default: {
        // A region only marks a rectangle; the OLE host is an empty child its object draws into.
        auto* area = new QWidget(ww);
        area->setAttribute(Qt::WA_TransparentForMouseEvents, c.kind() == ControlKind::Region);
        return area;
    }
    }
}

} // namespace

QtUi::~QtUi()
{
    if (waitCursor_ && QApplication::instance() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

QWidget* QtUi::WidgetOf(const Window& window) { return WindowWidgetOf(window); }

QWidget* QtUi::WidgetOf(const Control& control) { return static_cast<QWidget*>(control.backendData); }

int QtUi::ShowMessageBox(const MessageBoxRequest& request)
{
    Window* current = CurrentWindow();
    return ui::ShowMessageBox(current != nullptr ? WidgetOf(*current) : nullptr, request);
}

std::optional<std::string> QtUi::AskFile(const FileDialogRequest& request)
{
    Window* current = CurrentWindow();
    return AskFileName(current != nullptr ? WidgetOf(*current) : nullptr, request);
}

void QtUi::CreateWindowWidget(Window& window)
{
    auto* ww = new WindowWidget(window);
    window.backendData = ww;
    new ControlFilter(ww);
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
    ApplyWindowGeometry(ww, window);
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
    for (auto& [waiting, loop] : waiting_) {
        if (waiting == &window) {
            loop->quit();
        }
    }
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
        if (QWidget* under = WidgetOf(*shown_.back()); under != nullptr && under->isVisible()) {
            under->raise();
            under->activateWindow();
        }
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
            static_cast<ListModel*>(view->model())->Reset();
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
        ApplyWindowGeometry(ww, window);
    }
    if ((changes & kChangeState) != 0) {
        ApplyWindowState(ww, window);
    }
}

void QtUi::FocusChanged(Window& window, int focus)
{
    WindowWidget* ww = WindowWidgetOf(window);
    if (ww == nullptr) {
        return;
    }
    QPointer<WindowWidget> owner(ww);
    auto apply = [owner, focus] {
        Window* w = owner ? owner->model() : nullptr;
        if (w == nullptr) {
            return;
        }
        Applying applying(owner);
        const Control* c = w->control(focus);
        if (QWidget* target = c != nullptr ? WidgetOf(*c) : nullptr) {
            FocusAsTab(target);
        } else if (QWidget* focused = owner->focusWidget()) {
            focused->clearFocus();
        }
    };
    if (ww->reporting > 0) {
        QTimer::singleShot(0, ww, apply); // after Qt finished the focus event at hand
    } else {
        apply();
    }
}

void QtUi::EventPosted(Window& window)
{
    for (auto& [waiting, loop] : waiting_) {
        if (waiting == &window) {
            loop->quit();
        }
    }
}

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
    QEventLoop loop;
    waiting_.emplace_back(&window, &loop);
    loop.exec();
    std::erase_if(waiting_, [&](const auto& entry) { return entry.second == &loop; });
    return true;
}

int QtUi::PopupMenu(Window& window, const std::vector<std::string>& items)
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
    ModalDialogScope modal;
    QAction* chosen = menu.exec(QCursor::pos());
    const auto found = std::find(actions.begin(), actions.end(), chosen);
    return chosen != nullptr && found != actions.end() ? static_cast<int>(found - actions.begin()) + 1 : 0;
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
