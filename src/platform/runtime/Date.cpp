#include "platform/runtime/Date.h"

#include <ctime>
#include <sys/time.h>

namespace quorin {

namespace {

constexpr std::int64_t DaysFromCivil(int y, unsigned m, unsigned d)
{
    // Days since 1970-01-01 of a proleptic Gregorian date.
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr std::int64_t kDay4 = DaysFromCivil(1801, 1, 1);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

} // namespace

std::optional<std::int32_t> DayNumber(int year, int month, int day)
{
    if (year < 1801 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<std::int32_t>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))
                                     - kDay4 + kFirstDay);
}

std::optional<CivilDate> DateOfDay(std::int32_t dayNumber)
{
    static const std::int32_t last = *DayNumber(9999, 12, 31);
    if (dayNumber < kFirstDay || dayNumber > last)
        return std::nullopt;
    // civil_from_days
    std::int64_t z = dayNumber - kFirstDay + kDay4 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    return CivilDate{static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

std::optional<std::int32_t> ClockTime(int hours, int minutes, int seconds, int hundredths)
{
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 || hundredths < 0
        || hundredths > 99)
        return std::nullopt;
    return ((hours * 60 + minutes) * 60 + seconds) * 100 + hundredths + 1;
}

std::int32_t GetTodayDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).value_or(0);
}

std::int32_t GetClockTime()
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    const std::time_t now = tv.tv_sec;
    std::tm local{};
    localtime_r(&now, &local);
    // A leap second shows as 59.
    return ClockTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                     static_cast<int>(tv.tv_usec / 10000))
        .value_or(1);
}

} // namespace quorin
