#include "platform/ui/qt/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace quorin::ui {

BoxIcon BoxIconFromSystemId(int id)
{
    switch (id) {
    case 32513: // hand, also the error icon
        return BoxIcon::Error;
    case 32514:
        return BoxIcon::Question;
    case 32515: // exclamation, also the warning icon
        return BoxIcon::Warning;
    case 32516: // asterisk, also the information icon
        return BoxIcon::Information;
    default:
        return BoxIcon::None;
    }
}

QString BoxText(std::string_view text)
{
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QLatin1Char('|'), QLatin1Char('\n'));
    return result;
}

namespace {

QMessageBox::Icon ToQtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Error:
        return QMessageBox::Critical;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

BoxAnswer ShowMessageBox(QWidget* parent, const BoxContent& content)
{
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    const bool yesNo = content.buttons == BoxButtons::YesNo;
    QMessageBox box(ToQtIcon(content.icon), content.caption, content.text,
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
    box.setObjectName(QLatin1String(kMessageBoxObjectName));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (yesNo) {
        box.setDefaultButton(content.defaultAnswer == BoxAnswer::No ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (!yesNo) {
        return BoxAnswer::Ok;
    }
    return result == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

} // namespace quorin::ui
