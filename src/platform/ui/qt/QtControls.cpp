#include "platform/ui/qt/QtControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "platform/ui/qt/QtListModel.h"
#include "platform/ui/qt/QtSync.h"
#include "platform/ui/qt/QtTextLimit.h"

namespace quorin::ui {

namespace {

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
            // Whatever moved it (a key, a click, a closed box, the window manager), the model's
            // focus follows the toolkit's; the entry left is written back as a Tab would.
            owner_->Report([&](Window& model) { model.UserFocus(number); });
            FollowModelFocus(owner_, FocusMove::Restore, true);
            return false;
        }
        case QEvent::KeyPress: return Key(*c, static_cast<QKeyEvent*>(event));
        case QEvent::Shortcut:
            // A prompt's access key moves the focus as Tab does, also onto the entry that has it:
            // its text is selected, so what is typed next replaces it.
            if (auto* label = qobject_cast<QLabel*>(watched); label != nullptr && label->buddy() != nullptr
                && label->buddy()->focusPolicy() != Qt::NoFocus) {
                FocusAsTab(label->buddy());
                return true;
            }
            return false;
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

    QPointer<WindowWidget> owner_;
};

} // namespace

void InstallControlFilter(WindowWidget* ww) { new ControlFilter(ww); }

QObject* FilterOf(WindowWidget* ww) { return ww->findChild<ControlFilter*>(QString(), Qt::FindDirectChildrenOnly); }

void Watch(WindowWidget* ww, QWidget* widget, int number)
{
    widget->setProperty(kNumberProperty, number);
    widget->installEventFilter(FilterOf(ww));
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
        header->resizeSection(section, ColumnWidth(view, columns[i], ww->units()));
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
        if (const int length = c.MaxTextBytes(); length > 0) {
            edit->setValidator(new StoredLengthValidator(length, edit));
        }
        QObject::connect(edit, &QLineEdit::inputRejected, edit, [] { QApplication::beep(); });
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
        const int length = c.MaxTextBytes();
        auto* edit = length > 0 ? new LimitedTextEdit(length, ww) : new QPlainTextEdit(ww);
        edit->setTabChangesFocus(true);
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [owner, number, edit] {
            if (!owner || owner->applying > 0) {
                return;
            }
            const std::string typed = ToStoredText(edit->toPlainText());
            owner->Report([&](Window& w) { w.UserEdit(number, typed); });
            if (Window* w = owner->model()) {
                if (const Control* text = w->control(number); text && text->screenText() != typed) {
                    Applying applying(owner);
                    ApplyText(*text, edit);
                }
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

} // namespace quorin::ui
