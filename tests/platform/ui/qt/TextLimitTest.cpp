// Entries that take no more than their variables store: what a paste, an input method or a drop
// puts in is cut at the end of what it put in, wherever it lands and whatever text lies beside it,
// and the bytes counted are the bytes stored, line ends included.
#include "platform/ui/qt/QtTextLimit.h"
#include "platform/ui/qt/QtWindowWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace quorin::ui {
namespace {

QString X(int count) { return QString(count, QLatin1Char('x')); }

enum class Via { Paste, InputMethod, Drop, SetText };

// A case puts `put` over [from, to) of `shown`: a drop goes to the start or the end of the text,
// and text the program sets replaces it all.
struct LineCase {
    const char* what;
    Via via;
    QString shown;
    int from;
    int to;
    QString put;
    QString kept;
    int left; // bytes still free: a cut leaves less than its next character takes
};

void Put(QLineEdit& edit, const LineCase& c)
{
    switch (c.via) {
    case Via::Paste:
        QGuiApplication::clipboard()->setText(c.put);
        ASSERT_EQ(QGuiApplication::clipboard()->text(), c.put);
        edit.paste();
        break;
    case Via::InputMethod: {
        QInputMethodEvent commit;
        commit.setCommitString(c.put);
        QApplication::sendEvent(&edit, &commit);
        break;
    }
    case Via::Drop: {
        QMimeData dragged;
        dragged.setText(c.put);
        const QPoint at(c.from == 0 ? 1 : edit.width() - 1, edit.height() / 2);
        // As a drag does: the entry takes a drop only after the drag entered it.
        QDragEnterEvent enter(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &drop);
        break;
    }
    case Via::SetText: edit.setText(c.put); break;
    }
}

TEST(TextLimitTest, WhatAnEntryIsGivenIsCutAtTheEndOfWhatWasPutIn)
{
    constexpr int kLimit = 20;
    const QString euro = QString::fromUtf8("€");    // three bytes stored
    const QString smile = QString::fromUtf8("😀"); // a surrogate pair, four bytes stored
    const LineCase cases[] = {
        {"the paste repeats the text after the cursor", Via::Paste, "Paul", 2, 2, "ul" + X(20),
         "Paul" + X(14) + "ul", 0},
        {"at the start, the paste begins as the text does", Via::Paste, "Paul", 0, 0, "Paul" + X(20),
         "Paul" + X(12) + "Paul", 0},
        {"at the end", Via::Paste, "Paul", 4, 4, X(20), "Paul" + X(16), 0},
        {"over a selection, the paste ends as the selection did", Via::Paste, "Paul", 2, 4, X(20) + "ul",
         "Pa" + X(18), 0},
        {"over a selection, the paste begins as the selection did", Via::Paste, "Paul" + X(16), 2, 4, "u" + euro,
         "Pau" + X(16), 1},
        {"over a selection, fits: nothing told", Via::Paste, "Paul", 1, 3, "nn", "Pnnl", 16},
        {"three-byte characters at the cut", Via::Paste, "Paul", 2, 2, euro.repeated(8),
         "Pa" + euro.repeated(5) + "ul", 1},
        {"a surrogate pair at the cut", Via::Paste, "Paul", 4, 4, "x" + smile.repeated(5),
         "Paulx" + smile.repeated(3), 3},
        {"pairs beside pairs", Via::Paste, smile.repeated(2), 2, 2, smile.repeated(4), smile.repeated(5), 0},
        {"a line's LF is stored as it is", Via::Paste, "Paul", 4, 4, QString(20, QLatin1Char('\n')),
         "Paul" + QString(16, QLatin1Char('\n')), 0},
        {"and so is CR LF", Via::Paste, "", 0, 0, QString("ab\r\n").repeated(6), QString("ab\r\n").repeated(5), 0},
        {"an input method's commit repeats the text after the cursor", Via::InputMethod, "Paul", 2, 2,
         "ul" + X(20), "Paul" + X(14) + "ul", 0},
        {"an input method's commit over a selection", Via::InputMethod, "Paul", 2, 4, X(20) + "ul", "Pa" + X(18),
         0},
        {"a drop at the start begins as the text does", Via::Drop, "Paul", 0, 0, "Paul" + X(20),
         "Paul" + X(12) + "Paul", 0},
        {"text the program sets keeps its start", Via::SetText, "Paul", 4, 4, X(20) + "Paul", X(20), 0},
    };
    // One entry for all, as a user goes on: each case starts from what the last one left.
    QLineEdit edit;
    edit.setValidator(new StoredLengthValidator(kLimit, &edit));
    edit.resize(200, 30);
    edit.show();
    QSignalSpy told(&edit, &QLineEdit::inputRejected);
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.what);
        edit.setText(c.shown);
        if (c.to > c.from) {
            edit.setSelection(c.from, c.to - c.from);
        } else {
            edit.setCursorPosition(c.from);
        }
        told.clear();
        Put(edit, c);
        EXPECT_EQ(edit.text(), c.kept);
        const auto stored = static_cast<int>(ToUtf8(edit.text()).size());
        EXPECT_LE(stored, kLimit);
        EXPECT_EQ(kLimit - stored, c.left);
        const QString whole = c.via == Via::SetText ? c.put : c.shown.left(c.from) + c.put + c.shown.mid(c.to);
        EXPECT_EQ(told.count(), c.kept == whole ? 0 : 1) << "a cut is told";
        if (c.via == Via::Paste || c.via == Via::InputMethod || c.via == Via::SetText) {
            EXPECT_EQ(edit.cursorPosition(), c.kept.size() - (c.shown.size() - c.to))
                << "the cursor ends where what was kept of the insert ends";
        }
    }
}

// A multi-line text stores each line end Qt makes as CR LF, whatever the paste wrote for it.
TEST(TextLimitTest, APasteIntoAMultiLineTextCountsItsLineEndsAsStored)
{
    constexpr int kLimit = 8;
    struct Case {
        const char* what;
        QString shown;
        int cursor;
        QString pasted;
        QString kept; // as the text shows it
        int left;
    };
    const Case cases[] = {
        {"lone CRs", "", 0, "ab\rcd\ref", "ab\ncd\n", 0},
        {"CR LF, cut", "", 0, "ab\r\ncd\r\nef", "ab\ncd\n", 0},
        {"CR LF, filling the text", "", 0, "a\r\nb\r\ncd", "a\nb\ncd", 0},
        {"CRs at the cursor in a text", "ab", 1, QString(5, QLatin1Char('\r')), "a\n\n\nb", 0},
        {"LF up to the limit", "", 0, "abcd\nef\n", "abcd\nef", 0},
        {"LF just fits", "", 0, "abcdef\n", "abcdef\n", 0},
        {"a line end does not fit in one byte", "", 0, "abcdefg\n", "abcdefg", 1},
        {"paragraph and line separators", "", 0, QString::fromUtf8("ab\u2029cd\u2028ef"), "ab\ncd\n", 0},
        {"no-break spaces, stored as spaces", "", 0, QString::fromUtf8("a\u00a0").repeated(5), "a a a a ", 0},
    };
    LimitedTextEdit edit(kLimit, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        edit.setPlainText(c.shown);
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(c.cursor);
        edit.setTextCursor(cursor);
        QGuiApplication::clipboard()->setText(c.pasted);
        ASSERT_EQ(QGuiApplication::clipboard()->text(), c.pasted);
        edit.paste();
        EXPECT_EQ(edit.toPlainText(), c.kept);
        const auto stored = static_cast<int>(ToStoredText(edit.toPlainText()).size());
        EXPECT_LE(stored, kLimit);
        EXPECT_EQ(kLimit - stored, c.left);
    }
}

} // namespace
} // namespace quorin::ui
