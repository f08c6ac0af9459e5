#pragma once
// Pictures: how a value is shown and typed. "s"n a text of up to n characters; "D17" a date in the
// locale's short date (the year always with all its digits, so a typed date round-trips); "T7" a
// time as the locale's hours and minutes (12- or 24-hour as the locale has it). A zero date or time
// shows empty and an empty text reads as zero.
#include <cstdint>
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
// A typed date; 0 for an empty text; none for a text that is no valid date.
std::optional<std::int32_t> ParseDate(std::string_view text, std::string_view picture = "D17");

// A clock time shown through a time picture; empty for 0 or a value past midnight.
std::string FormatTime(std::int32_t clockTime, std::string_view picture = "T7");
// A typed time; 0 for an empty text; none for a text that is no valid time.
std::optional<std::int32_t> ParseTime(std::string_view text, std::string_view picture = "T7");

// A text through an "s"n picture: cut to n bytes, never inside a character.
std::string FormatText(std::string_view text, std::string_view picture);

} // namespace quorin
