#include "platform/ui/qt/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
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
    for (int escape : {button::kCancel, button::kNo, button::kOk}) {
        if ((buttons & escape) != 0) {
            for (const auto& [value, standard] : kButtons) {
                if (value == escape) {
                    box.setEscapeButton(box.button(standard));
                }
            }
            break;
        }
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
