#include "platform/ui/qt/QtTextLimit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>

namespace quorin::ui {

namespace {

// The stored bytes of the character that starts at `at`; `units` its length in the text.
int CharacterBytes(const QString& text, qsizetype at, qsizetype& units)
{
    const char16_t c = text[at].unicode();
    units = 1;
    if (QChar::isHighSurrogate(c) && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        units = 2;
        return 4;
    }
    return c == u'\n' ? 2 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
}

} // namespace

int StoredBytes(const QString& text)
{
    int bytes = 0;
    for (qsizetype at = 0, units = 0; at < text.size(); at += units) {
        bytes += CharacterBytes(text, at, units);
    }
    return bytes;
}

QString FitInto(const QString& added, int room)
{
    qsizetype end = 0;
    for (qsizetype units = 0; end < added.size(); end += units) {
        room -= CharacterBytes(added, end, units);
        if (room < 0) {
            break;
        }
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
