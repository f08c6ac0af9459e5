#pragma once
// Pictures: how a value is shown and typed. "s"n a text of up to n characters; "D17" a date in the
// locale's short date (the year always with all its digits, so a typed date round-trips); "T7" a
// time as the locale's hours and minutes (12- or 24-hour as the locale has it). A zero date or time
// shows empty and an empty text reads as zero.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorin {

enum class PictureKind { Text, Date, Time, Other };

struct PictureSpec {
    PictureKind kind = PictureKind::Other;
    int number = 0; // n of "s"n, 17 of "D17"
};
PictureSpec ReadPicture(std::string_view picture); // "@" marks around it are allowed

// The locale the date and time pictures use: a locale name ("en_US", "de_DE"); empty goes back to
// the user's locale (from the environment).
void SetPictureLocale(std::string_view name);
std::string PictureLocale();

// A day number shown through a date picture; empty for 0 or a day outside 1801 to 9999.
std::string FormatDate(std::int32_t dayNumber, std::string_view picture = "D17");
// A typed date in the locale's short form, day and month with one digit or two; 0 for an empty
// text; none for a text that is no valid date.
std::optional<std::int32_t> ParseDate(std::string_view text, std::string_view picture = "D17");

// A clock time shown through a time picture; empty for 0 or a value past midnight.
std::string FormatTime(std::int32_t clockTime, std::string_view picture = "T7");
// A typed time; 0 for an empty text; none for a text that is no valid time. Takes 24-hour ("13:45",
// "1345") and 12-hour ("1:45pm", "1:45 PM") times and hours alone ("9"), whichever the locale shows.
std::optional<std::int32_t> ParseTime(std::string_view text, std::string_view picture = "T7");

// What an entry with this picture takes, for telling a refused value: "a date like 12/31/2026"
// (31 December of this year in the locale's form), "a time like 1:45 PM", "a number".
std::string PictureHint(std::string_view picture);

// The widest text a date or time picture shows in the locale in use, as `width` measures texts:
// over every month and weekday name, AM/PM marker and count of digits that the locale's format
// gives, with each digit the widest of its script's ten, so that no value shows wider. Empty for
// other pictures.
std::string WidestPictureText(std::string_view picture, const std::function<double(std::string_view)>& width);

// A text through an "s"n picture: cut to n bytes, never inside a character.
std::string FormatText(std::string_view text, std::string_view picture);

} // namespace quorin
