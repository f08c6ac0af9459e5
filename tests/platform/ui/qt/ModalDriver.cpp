#include "ModalDriver.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

namespace quorin::ui::test {

ModalDriver::ModalDriver()
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
}

ModalDriver::~ModalDriver() { timer_.stop(); }

void ModalDriver::Soon(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

void ModalDriver::Poll()
{
    if (steps_.empty()) {
        timer_.stop();
        return;
    }
    // A popup menu is not modal but blocks just the same.
    QWidget* modal = QApplication::activePopupWidget();
    if (modal == nullptr) {
        modal = QApplication::activeModalWidget();
    }
    if (modal == nullptr || !modal->isVisible() || !steps_.front().match(modal)) {
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    // The action may open a nested modal loop: run it outside this timer's callback so the
    // polling goes on meanwhile.
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, [target, action = std::move(step.action)] {
        if (target) {
            action(target.data());
        }
    });
}

} // namespace quorin::ui::test

namespace quorin::ui::test {

void ChooseFile(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    if (edit == nullptr || buttons == nullptr) {
        dialog->reject();
        return;
    }
    edit->setText(name);
    QPushButton* accept = buttons->button(dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                                        : QDialogButtonBox::Open);
    if (accept == nullptr) {
        dialog->reject();
        return;
    }
    accept->click();
}

} // namespace quorin::ui::test
