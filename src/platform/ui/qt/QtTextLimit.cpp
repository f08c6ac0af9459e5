#include "platform/ui/qt/QtTextLimit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>

namespace quorin::ui {

namespace {

int CodePointBytes(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

} // namespace

int StoredBytes(const QString& text)
{
    int bytes = 0;
    for (const char32_t c : text.toUcs4()) {
        bytes += c == U'\n' ? 2 : CodePointBytes(c);
    }
    return bytes;
}

QString FitInto(const QString& added, int room)
{
    qsizetype end = 0;
    int used = 0;
    while (end < added.size()) {
        const bool pair = added[end].isHighSurrogate() && end + 1 < added.size() && added[end + 1].isLowSurrogate();
        const int bytes = pair ? 4 : added[end] == QLatin1Char('\n') ? 2 : CodePointBytes(added[end].unicode());
        if (used + bytes > room) {
            break;
        }
        used += bytes;
        end += pair ? 2 : 1;
    }
    return added.left(end);
}

StoredLengthValidator::StoredLengthValidator(int bytes, QLineEdit* edit)
    : QValidator(edit), bytes_(bytes), edit_(edit), shown_(edit->text())
{
}

QValidator::State StoredLengthValidator::validate(QString& input, int& position) const
{
    if (StoredBytes(input) <= bytes_) {
        shown_ = input;
        return Acceptable;
    }
    // What the change put between the part before it and the part after it that stayed.
    const QString& before = shown_;
    qsizetype head = 0;
    while (head < before.size() && head < input.size() && before[head] == input[head]) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < input.size() - head
           && before[before.size() - 1 - tail] == input[input.size() - 1 - tail]) {
        ++tail;
    }
    if (head > 0 && input[head - 1].isHighSurrogate()) {
        --head; // never between the halves of one character
    }
    if (tail > 0 && input[input.size() - tail].isLowSurrogate()) {
        --tail;
    }
    const QString added = input.mid(head, input.size() - head - tail);
    const QString kept = FitInto(added, bytes_ - (StoredBytes(input) - StoredBytes(added)));
    if (kept.isEmpty()) {
        return Invalid; // QLineEdit undoes the change and says so
    }
    input = input.left(head) + kept + input.right(tail);
    position = static_cast<int>(head + kept.size());
    shown_ = input;
    emit edit_->inputRejected();
    return Acceptable;
}

int LimitedTextEdit::Room() const
{
    return bytes_ - StoredBytes(toPlainText()) + StoredBytes(textCursor().selection().toPlainText());
}

void LimitedTextEdit::keyPressEvent(QKeyEvent* event)
{
    QString typed = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        typed = QStringLiteral("\n");
    }
    const bool typing = !typed.isEmpty() && (typed[0].isPrint() || typed == QLatin1String("\n"))
                        && (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (typing && !isReadOnly() && StoredBytes(typed) > Room()) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (!commit.isEmpty() && StoredBytes(commit) > Room()) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(FitInto(commit, Room()), event->replacementStart(), event->replacementLength());
        QApplication::beep();
        QPlainTextEdit::inputMethodEvent(&cut);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void LimitedTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr || !source->hasText() || isReadOnly()) {
        return;
    }
    const QString text = source->text();
    const QString kept = FitInto(text, Room());
    if (kept.size() < text.size()) {
        QApplication::beep();
    }
    if (!kept.isEmpty()) {
        textCursor().insertText(kept);
        ensureCursorVisible();
    }
}

} // namespace quorin::ui
