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

// How a control stores its text: a line entry as it is; a multi-line text as its document gives it
// back, each line end as CR LF.
enum class Storage { Line, Lines };

int StoredBytes(const QString& text, Storage storage);

// The longest start of `added` that takes at most `room` stored bytes.
QString FitInto(const QString& added, int room, Storage storage);

// For a line entry: what a change added beyond the limit is refused or cut; QLineEdit tells the
// refusal by inputRejected, and so does the cut.
class StoredLengthValidator : public QValidator {
public:
    StoredLengthValidator(int bytes, QLineEdit* edit);
    State validate(QString& input, int& position) const override;

private:
    void Track();

    int bytes_;
    QLineEdit* edit_;
    mutable QString shown_; // the text last taken: a change is told against it
    // Where the next insert goes: the cursor, or the selection it replaces. QLineEdit tells a paste's
    // or a key's move only after validating it, so during that these still hold the place before.
    qsizetype from_ = 0;
    qsizetype to_ = 0;
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
