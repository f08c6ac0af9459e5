#include "platform/ui/qt/QtMessageBox.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <algorithm>
#include <array>
#include <utility>

namespace quorin::ui {

QString BoxText(std::string_view text)
{
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QLatin1Char('|'), QLatin1Char('\n'));
    return result;
}

namespace {

QMessageBox::Icon ToQtIcon(int id)
{
    switch (id) {
    case icon::kHand: return QMessageBox::Critical;
    case icon::kQuestion: return QMessageBox::Question;
    case icon::kExclamation: return QMessageBox::Warning;
    case icon::kAsterisk: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The runtime's buttons in the order a box shows them, with Qt's standard buttons.
constexpr std::array<std::pair<int, QMessageBox::StandardButton>, 8> kButtons = {{
    {button::kOk, QMessageBox::Ok},
    {button::kYes, QMessageBox::Yes},
    {button::kNo, QMessageBox::No},
    {button::kAbort, QMessageBox::Abort},
    {button::kRetry, QMessageBox::Retry},
    {button::kIgnore, QMessageBox::Ignore},
    {button::kCancel, QMessageBox::Cancel},
    {button::kHelp, QMessageBox::Help},
}};

// Escape answers as Cancel or No would, or as OK where OK is the only answer; else nothing.
int EscapeAnswer(int buttons)
{
    if ((buttons & button::kCancel) != 0) {
        return button::kCancel;
    }
    if ((buttons & button::kNo) != 0) {
        return button::kNo;
    }
    return (buttons & ~button::kHelp) == button::kOk ? button::kOk : 0;
}

class EscapeFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Keeps the box as wide as its title bar needs to show the whole caption (it holds the text and
// the buttons anyway): a window manager draws the caption bold and centred between the window's
// icon on one side and up to three buttons on the other, and cuts it where it would reach them.
void FitCaption(QMessageBox& box)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int button = box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    int least = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + 2 * 3 * button;
    // However long the caption, no wider than the screen.
    if (const QScreen* screen = box.screen(); screen != nullptr) {
        least = std::min(least, screen->availableGeometry().width());
    }
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(least, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
}

} // namespace

int ShowMessageBox(QWidget* parent, const MessageBoxRequest& request)
{
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    QMessageBox box(ToQtIcon(request.icon), QString::fromUtf8(request.caption.c_str()), BoxText(request.text),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QLatin1String(kMessageBoxObjectName));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    const int buttons = request.buttons == 0 ? button::kOk : request.buttons;
    for (const auto& [value, standard] : kButtons) {
        if ((buttons & value) == 0) {
            continue;
        }
        QPushButton* made = box.addButton(standard);
        if (value == request.defaultButton) {
            box.setDefaultButton(made);
        }
    }
    // A dialog of the window that shows it: above it, centred over it, no minimise or maximise box;
    // a close box only where Escape has an answer to give.
    const int escape = EscapeAnswer(buttons);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
    if (escape != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    box.setWindowFlags(flags);
    FitCaption(box);
    EscapeFilter filter;
    if (escape != 0) {
        for (const auto& [value, standard] : kButtons) {
            if (value == escape) {
                box.setEscapeButton(box.button(standard));
            }
        }
    } else {
        box.installEventFilter(&filter); // Qt would take Abort for Escape
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [value, standard] : kButtons) {
        if (clicked != nullptr && clicked == box.button(standard)) {
            return value;
        }
    }
    return request.defaultButton;
}

} // namespace quorin::ui
