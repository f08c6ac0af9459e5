#pragma once
// Dates as day numbers (1 January 1801 is day 4) and clock times (hundredths of a second since
// midnight, plus 1, so that 1 is midnight and 0 is "no time").
#include <cstdint>
#include <optional>

namespace quorin {

struct CivilDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

inline constexpr std::int32_t kFirstDay = 4; // 1 January 1801
inline constexpr std::int32_t kLastTime = 24 * 60 * 60 * 100; // 23:59:59.99, plus 1

// The day number of a valid date of the years 1801 to 9999; none for anything else.
std::optional<std::int32_t> DayNumber(int year, int month, int day);
// The date of a day number from 4 (1 January 1801) to 31 December 9999; none for others.
std::optional<CivilDate> DateOfDay(std::int32_t dayNumber);

// A clock time from hours, minutes, seconds and hundredths; none when out of range.
std::optional<std::int32_t> ClockTime(int hours, int minutes, int seconds = 0, int hundredths = 0);

// Today's local date as a day number.
std::int32_t GetTodayDate();
// The local time of day as hundredths of a second since midnight, plus 1.
std::int32_t GetClockTime();

} // namespace quorin
