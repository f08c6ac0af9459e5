#include "platform/ui/qt/QtTextLimit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <algorithm>
#include <optional>

namespace quorin::ui {

namespace {

// The stored bytes of the character that starts at `at`; `units` its length in the text. A
// multi-line text stores what its document gives back: every break Qt makes a line end of (CR, LF,
// CR LF, the line and paragraph separators, the frame marks) as CR LF, a no-break space as a space.
int CharacterBytes(const QString& text, qsizetype at, qsizetype& units, Storage storage)
{
    const char16_t c = text[at].unicode();
    units = 1;
    if (QChar::isHighSurrogate(c) && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        units = 2;
        return 4;
    }
    if (storage == Storage::Lines) {
        switch (c) {
        case u'\r':
            if (at + 1 < text.size() && text[at + 1] == u'\n') {
                units = 2;
            }
            return 2;
        case u'\n':
        case QChar::LineSeparator:
        case QChar::ParagraphSeparator:
        case 0xFDD0:
        case 0xFDD1: return 2;
        case QChar::Nbsp: return 1;
        default: break;
        }
    }
    // A lone half of a pair counts as the most UTF-8 writes in its place.
    return c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
}

struct Around {
    qsizetype head; // what stayed of the old text before the change
    qsizetype tail; // and after it
};

// The change as an insert over [from, to) of `before` that left the cursor at `position`, the end
// of what it put in; nothing when `after` is not that.
std::optional<Around> InsertAt(const QString& before, const QString& after, qsizetype from, qsizetype to,
                               qsizetype position)
{
    const qsizetype tail = before.size() - to;
    if (from < 0 || from > to || to > before.size() || position < from || position != after.size() - tail) {
        return std::nullopt;
    }
    if (QStringView(after).left(from) != QStringView(before).left(from)
        || QStringView(after).mid(position) != QStringView(before).mid(to)) {
        return std::nullopt;
    }
    return Around{from, tail};
}

// A change at an unknown place, told from what stayed at both ends. The cursor after it, when the
// text behind the cursor stayed, bounds the change's end (an input method moves the cursor before
// the check, so its place is not tracked); otherwise the longest common end.
Around Compare(const QString& before, const QString& after, qsizetype position)
{
    qsizetype tail = after.size() - position;
    const bool behind = position >= 0 && tail >= 0 && tail <= before.size()
                        && QStringView(after).right(tail) == QStringView(before).right(tail);
    const qsizetype most = behind ? std::min(position, before.size() - tail) : std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < most && before[head] == after[head]) {
        ++head;
    }
    if (!behind) {
        tail = 0;
        while (tail < before.size() - head && tail < after.size() - head
               && before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
            ++tail;
        }
    }
    if (head > 0 && after[head - 1].isHighSurrogate()) {
        --head; // never between the halves of one character
    }
    if (tail > 0 && after[after.size() - tail].isLowSurrogate()) {
        --tail;
    }
    return {head, tail};
}

} // namespace

int StoredBytes(const QString& text, Storage storage)
{
    int bytes = 0;
    for (qsizetype at = 0, units = 0; at < text.size(); at += units) {
        bytes += CharacterBytes(text, at, units, storage);
    }
    return bytes;
}

QString FitInto(const QString& added, int room, Storage storage)
{
    qsizetype end = 0;
    for (qsizetype units = 0; end < added.size(); end += units) {
        room -= CharacterBytes(added, end, units, storage);
        if (room < 0) {
            break;
        }
    }
    return added.left(end);
}

StoredLengthValidator::StoredLengthValidator(int bytes, QLineEdit* edit)
    : QValidator(edit), bytes_(bytes), edit_(edit), shown_(edit->text())
{
    connect(edit, &QLineEdit::cursorPositionChanged, this, &StoredLengthValidator::Track);
    connect(edit, &QLineEdit::selectionChanged, this, &StoredLengthValidator::Track);
    Track();
}

void StoredLengthValidator::Track()
{
    if (edit_->hasSelectedText()) {
        from_ = edit_->selectionStart();
        to_ = edit_->selectionEnd();
    } else {
        from_ = to_ = edit_->cursorPosition();
    }
}

QValidator::State StoredLengthValidator::validate(QString& input, int& position) const
{
    const int total = StoredBytes(input, Storage::Line);
    if (total <= bytes_) {
        shown_ = input;
        return Acceptable;
    }
    // Cut what the change put in, at its end: where the cursor or selection was when the change is
    // an insert there, for a paste may repeat the text beside it.
    const std::optional<Around> insert = InsertAt(shown_, input, from_, to_, position);
    const Around around = insert ? *insert : Compare(shown_, input, position);
    const QString added = input.mid(around.head, input.size() - around.head - around.tail);
    const QString fits = FitInto(added, bytes_ - (total - StoredBytes(added, Storage::Line)), Storage::Line);
    if (fits.isEmpty()) {
        return Invalid; // QLineEdit undoes the change and says so
    }
    input = input.left(around.head) + fits + input.right(around.tail);
    position = static_cast<int>(around.head + fits.size());
    shown_ = input;
    emit edit_->inputRejected();
    return Acceptable;
}

int LimitedTextEdit::Room() const
{
    return bytes_ - StoredBytes(toPlainText(), Storage::Lines)
           + StoredBytes(textCursor().selection().toPlainText(), Storage::Lines);
}

void LimitedTextEdit::keyPressEvent(QKeyEvent* event)
{
    QString typed = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        typed = QStringLiteral("\n");
    }
    const bool typing = !typed.isEmpty() && (typed[0].isPrint() || typed == QLatin1String("\n"))
                        && (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (typing && !isReadOnly() && StoredBytes(typed, Storage::Lines) > Room()) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (!commit.isEmpty() && StoredBytes(commit, Storage::Lines) > Room()) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(FitInto(commit, Room(), Storage::Lines), event->replacementStart(),
                            event->replacementLength());
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
    const QString kept = FitInto(text, Room(), Storage::Lines);
    if (kept.size() < text.size()) {
        QApplication::beep();
    }
    if (!kept.isEmpty()) {
        textCursor().insertText(kept);
        ensureCursorVisible();
    }
}

} // namespace quorin::ui
