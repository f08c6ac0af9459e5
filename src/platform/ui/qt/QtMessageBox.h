#pragma once
// Modal message boxes on Qt: the caption, the text with "|" as its line break, a system icon and
// the buttons OK or Yes and No with a chosen default.
#include <QString>
#include <string_view>

class QWidget;

namespace quorin::ui {

enum class BoxIcon { None, Error, Question, Warning, Information };

// The icon of a system icon id (the hand, question, exclamation and asterisk icons and their
// aliases); an id that names no message icon shows none.
BoxIcon BoxIconFromSystemId(int id);

enum class BoxButtons { Ok, YesNo };

enum class BoxAnswer { Ok, Yes, No };

struct BoxContent {
    QString caption;
    QString text; // "|" starts a new line
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    BoxAnswer defaultAnswer = BoxAnswer::Ok; // for Yes/No: Yes or No
};

// "|" becomes a line break; the bytes are UTF-8, the platform's ANSI code page.
QString BoxText(std::string_view text);

// Shows the box modally over `parent` (or the active window) and waits for the answer. Closing
// the box with Escape or its frame answers No for Yes/No and OK otherwise.
BoxAnswer ShowMessageBox(QWidget* parent, const BoxContent& content);

// Object name of the boxes this layer shows, so a test can tell them from other modal widgets.
inline constexpr const char* kMessageBoxObjectName = "quorinMessageBox";

} // namespace quorin::ui
