#pragma once
// Entries that take no more than their variable stores. The limit counts the bytes of the stored
// text (UTF-8, a multi-line text's line ends as CR LF), not the characters shown. A key that would
// go beyond it is refused wherever the cursor is; a paste or a drop is cut at the limit, at a
// character. Both are told with the beep of refused typing, and nothing already shown is dropped.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QValidator>

namespace quorin::ui {

int StoredBytes(const QString& text);

// The longest start of `added` that takes at most `room` stored bytes.
QString FitInto(const QString& added, int room);

// For a line entry: what a change added beyond the limit is refused or cut; QLineEdit tells the
// refusal by inputRejected, and so does the cut.
class StoredLengthValidator : public QValidator {
public:
    StoredLengthValidator(int bytes, QLineEdit* edit);
    State validate(QString& input, int& position) const override;

private:
    int bytes_;
    QLineEdit* edit_;
    mutable QString shown_; // the text last taken: a change is told against it
};

// A multi-line text with the same limit.
class LimitedTextEdit : public QPlainTextEdit {
public:
    LimitedTextEdit(int bytes, QWidget* parent) : QPlainTextEdit(parent), bytes_(bytes) {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Room for text typed or pasted at the cursor (over the selection it replaces).
    int Room() const;
    int bytes_;
};

} // namespace quorin::ui
