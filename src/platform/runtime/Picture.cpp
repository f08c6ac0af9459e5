#include "platform/runtime/Picture.h"

#include "platform/runtime/CodePage.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/FixedText.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace quorin {

namespace {

std::mutex g_localeMutex;
std::string g_locale; // empty: the user's

icu::Locale CurrentLocale()
{
    std::lock_guard lock(g_localeMutex);
    return g_locale.empty() ? icu::Locale::getDefault() : icu::Locale(g_locale.c_str());
}

// Blanks that the locale's patterns use (narrow and plain no-break spaces) are typed as spaces.
icu::UnicodeString PlainSpaces(icu::UnicodeString text)
{
    text.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x202F)), icu::UnicodeString(" "));
    text.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x00A0)), icu::UnicodeString(" "));
    return text;
}

// The locale's short pattern; a two-letter year becomes the full year, which still reads two digits.
// For reading a typed date the day and the month take one digit or two, whatever the locale shows.
std::unique_ptr<icu::SimpleDateFormat> ShortFormat(bool date, bool typed = false)
{
    const icu::Locale locale = CurrentLocale();
    std::unique_ptr<icu::DateFormat> base(date ? icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale)
                                               : icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale));
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(base.get());
    if (!simple)
        return nullptr;
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    pattern = PlainSpaces(pattern);
    if (date && pattern.indexOf(icu::UnicodeString("yyyy")) < 0)
        pattern.findAndReplace(icu::UnicodeString("yy"), icu::UnicodeString("y"));
    if (date && typed && pattern.indexOf(icu::UnicodeString("MMM")) < 0) {
        pattern.findAndReplace(icu::UnicodeString("dd"), icu::UnicodeString("d"));
        pattern.findAndReplace(icu::UnicodeString("MM"), icu::UnicodeString("M"));
    }
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    if (U_FAILURE(status))
        return nullptr;
    format->adoptTimeZone(icu::TimeZone::createTimeZone("GMT"));
    format->setLenient(false);
    return format;
}

std::string ToUtf8(const icu::UnicodeString& text)
{
    std::string out;
    PlainSpaces(text).toUTF8String(out);
    return out;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

constexpr double kMsPerDay = 86400000.0;
// 1970-01-01 as a day number.
const std::int32_t kEpochDay = *DayNumber(1970, 1, 1);

// Reads the whole text with the format; none when anything is left over or it is no valid value.
std::optional<UDate> ParseWhole(icu::SimpleDateFormat& format, std::string_view text)
{
    const icu::UnicodeString input = PlainSpaces(icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size()))));
    icu::ParsePosition pos(0);
    const UDate when = format.parse(input, pos);
    if (pos.getErrorIndex() >= 0 || pos.getIndex() != input.length())
        return std::nullopt;
    return when;
}


// The hours and minutes of a typed time in the forms people type, whether the locale shows 12 or
// 24 hours: "13:45", "1345", "9", "1:45pm", "1:45 PM", the marker first where the locale puts it
// there. The separator is ':' or the locale's own. None for anything else.
std::optional<std::int32_t> ReadTypedTime(std::string_view typed, const icu::SimpleDateFormat& format)
{
    icu::UnicodeString text = PlainSpaces(icu::UnicodeString::fromUTF8(
        icu::StringPiece(typed.data(), static_cast<std::int32_t>(typed.size()))));
    text.foldCase();

    // The marker, either of the locale's or the English one, at either end.
    int half = -1; // 0 before noon, 1 after
    {
        std::int32_t count = 0;
        const icu::UnicodeString* localeMarkers = format.getDateFormatSymbols()->getAmPmStrings(count);
        std::vector<std::pair<icu::UnicodeString, int>> markers = {{"am", 0}, {"pm", 1}};
        for (std::int32_t i = 0; i < count && i < 2; ++i)
            markers.emplace_back(PlainSpaces(localeMarkers[i]).foldCase(), i);
        for (const auto& [marker, which] : markers) {
            if (marker.isEmpty() || half >= 0)
                continue;
            if (text.endsWith(marker)) {
                text.truncate(text.length() - marker.length());
                half = which;
            } else if (text.startsWith(marker)) {
                text.remove(0, marker.length());
                half = which;
            }
        }
        text.trim();
    }

    // The locale's separator: what follows the hours in its pattern.
    UChar separator = u':';
    {
        icu::UnicodeString pattern;
        format.toPattern(pattern);
        const std::int32_t hours = pattern.indexOf(u'H') >= 0 ? pattern.indexOf(u'H')
                                   : pattern.indexOf(u'h') >= 0 ? pattern.indexOf(u'h')
                                                                : -1;
        for (std::int32_t i = hours; hours >= 0 && i < pattern.length(); ++i) {
            const UChar c = pattern.charAt(i);
            if (c != u'H' && c != u'h') {
                separator = c;
                break;
            }
        }
    }

    std::string hoursDigits;
    std::string minutesDigits;
    bool separated = false;
    for (std::int32_t i = 0; i < text.length(); ++i) {
        const UChar c = text.charAt(i);
        if (c >= u'0' && c <= u'9') {
            (separated ? minutesDigits : hoursDigits).push_back(static_cast<char>(c));
        } else if ((c == u':' || c == separator) && !separated) {
            separated = true;
        } else {
            return std::nullopt;
        }
    }
    if (!separated && hoursDigits.size() > 2) { // "1345", "945"
        minutesDigits = hoursDigits.substr(hoursDigits.size() - 2);
        hoursDigits.resize(hoursDigits.size() - 2);
    }
    if (hoursDigits.empty() || hoursDigits.size() > 2 || (separated && minutesDigits.size() != 2)
        || (!separated && !minutesDigits.empty() && minutesDigits.size() != 2))
        return std::nullopt;
    int hour = std::stoi(hoursDigits);
    const int minute = minutesDigits.empty() ? 0 : std::stoi(minutesDigits);
    if (half >= 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + 12 * half;
    }
    return ClockTime(hour, minute);
}

// The text with each digit made the widest of the ten digits of its script, as `width` measures;
// `widest` keeps what was measured, by the script's zero.
icu::UnicodeString WithWidestDigits(const icu::UnicodeString& text, const std::function<double(std::string_view)>& width,
                                    std::map<UChar32, UChar32>& widest)
{
    icu::UnicodeString out;
    for (std::int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        UChar32 c = text.char32At(i);
        if (const std::int32_t value = u_charDigitValue(c); value >= 0 && u_isdigit(c)) {
            // Unicode keeps the decimal digits of a script together, from zero to nine.
            const UChar32 zero = c - value;
            const auto [found, added] = widest.try_emplace(zero, zero);
            if (added) {
                double most = -1;
                for (UChar32 digit = zero; digit <= zero + 9; ++digit) {
                    if (const double w = width(ToUtf8(icu::UnicodeString(digit))); w > most) {
                        most = w;
                        found->second = digit;
                    }
                }
            }
            c = found->second;
        }
        out.append(c);
    }
    return out;
}

} // namespace

PictureSpec ReadPicture(std::string_view picture)
{
    while (!picture.empty() && (picture.front() == '@' || picture.front() == ' '))
        picture.remove_prefix(1);
    while (!picture.empty() && (picture.back() == '@' || picture.back() == ' '))
        picture.remove_suffix(1);
    PictureSpec spec;
    if (picture.empty())
        return spec;
    switch (std::toupper(static_cast<unsigned char>(picture.front()))) {
    case 'S': spec.kind = PictureKind::Text; break;
    case 'D': spec.kind = PictureKind::Date; break;
    case 'T': spec.kind = PictureKind::Time; break;
    default: return spec;
    }
    for (std::size_t i = 1; i < picture.size() && std::isdigit(static_cast<unsigned char>(picture[i])); ++i)
        spec.number = spec.number * 10 + (picture[i] - '0');
    return spec;
}

void SetPictureLocale(std::string_view name)
{
    std::lock_guard lock(g_localeMutex);
    g_locale = std::string(name);
}

std::string PictureLocale()
{
    return CurrentLocale().getName();
}

std::string FormatDate(std::int32_t dayNumber, std::string_view /*picture*/)
{
    if (!DateOfDay(dayNumber))
        return {};
    const auto format = ShortFormat(true);
    if (!format)
        return {};
    icu::UnicodeString out;
    format->format(static_cast<UDate>(dayNumber - kEpochDay) * kMsPerDay, out);
    return ToUtf8(out);
}

std::optional<std::int32_t> ParseDate(std::string_view text, std::string_view /*picture*/)
{
    text = Trimmed(text);
    if (text.empty())
        return 0;
    const auto format = ShortFormat(true, true);
    if (!format)
        return std::nullopt;
    const std::optional<UDate> when = ParseWhole(*format, text);
    if (!when)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(icu::TimeZone::createTimeZone("GMT"), status);
    calendar.setTime(*when, status);
    const int year = calendar.get(UCAL_YEAR, status);
    const int month = calendar.get(UCAL_MONTH, status) + 1;
    const int day = calendar.get(UCAL_DATE, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return DayNumber(year, month, day);
}

std::string FormatTime(std::int32_t clockTime, std::string_view /*picture*/)
{
    if (clockTime < 1 || clockTime > kLastTime)
        return {};
    const auto format = ShortFormat(false);
    if (!format)
        return {};
    icu::UnicodeString out;
    format->format(static_cast<UDate>(clockTime - 1) * 10.0, out);
    return ToUtf8(out);
}

std::optional<std::int32_t> ParseTime(std::string_view text, std::string_view /*picture*/)
{
    text = Trimmed(text);
    if (text.empty())
        return 0;
    const auto format = ShortFormat(false);
    if (!format)
        return std::nullopt;
    if (const std::optional<std::int32_t> typed = ReadTypedTime(text, *format))
        return typed;
    // Whatever else the locale's own pattern reads (its own digits, say).
    const std::optional<UDate> when = ParseWhole(*format, text);
    if (!when || *when < 0 || *when >= kMsPerDay)
        return std::nullopt;
    const auto minutes = static_cast<std::int32_t>(*when / 60000.0);
    return ClockTime(minutes / 60, minutes % 60);
}

std::string PictureHint(std::string_view picture)
{
    switch (ReadPicture(picture).kind) {
    case PictureKind::Date: {
        const std::optional<CivilDate> today = DateOfDay(GetTodayDate());
        return "a date like " + FormatDate(DayNumber(today ? today->year : 2026, 12, 31).value_or(0), picture);
    }
    case PictureKind::Time: return "a time like " + FormatTime(*ClockTime(13, 45), picture);
    default: return "a number";
    }
}

std::string WidestPictureText(std::string_view picture, const std::function<double(std::string_view)>& width)
{
    const PictureKind kind = ReadPicture(picture).kind;
    if (kind != PictureKind::Date && kind != PictureKind::Time)
        return {};
    const auto format = ShortFormat(kind == PictureKind::Date);
    if (!format)
        return {};
    // Values that between them give every name, marker and count of digits: each month on days of
    // one and of two digits, a week of each; each hour of the day.
    std::vector<UDate> values;
    if (kind == PictureKind::Date) {
        for (int month = 1; month <= 12; ++month)
            for (const int first : {1, 10})
                for (int day = first; day < first + 7; ++day)
                    values.push_back(static_cast<UDate>(*DayNumber(2026, month, day) - kEpochDay) * kMsPerDay);
    } else {
        for (int hour = 0; hour < 24; ++hour)
            values.push_back(hour * 3600000.0);
    }
    std::map<UChar32, UChar32> widestDigits;
    std::string widest;
    double most = -1;
    for (const UDate value : values) {
        icu::UnicodeString shown;
        format->format(value, shown);
        std::string text = ToUtf8(WithWidestDigits(shown, width, widestDigits));
        if (const double w = width(text); w > most) {
            most = w;
            widest = std::move(text);
        }
    }
    return widest;
}

std::string FormatText(std::string_view text, std::string_view picture)
{
    const PictureSpec spec = ReadPicture(picture);
    if (spec.kind == PictureKind::Text && spec.number > 0)
        return std::string(Utf8Prefix(text, static_cast<std::size_t>(spec.number)));
    return std::string(text);
}

} // namespace quorin
