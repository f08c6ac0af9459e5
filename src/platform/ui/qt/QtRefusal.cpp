#include "platform/ui/qt/QtRefusal.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QToolTip>

namespace quorin::ui {

void TellRefusedEntry(QWidget* entry, const QString& what)
{
    QApplication::beep();
    // After the focus moves that the refusal started (the model's, the toolkit's own) are done.
    QTimer::singleShot(0, entry, [entry = QPointer<QWidget>(entry), what] {
        if (entry == nullptr || !entry->isVisible()) {
            return;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(entry.data())) {
            edit->selectAll();
        }
        QToolTip::showText(entry->mapToGlobal(QPoint(0, entry->height())), what, entry);
    });
}

} // namespace quorin::ui
