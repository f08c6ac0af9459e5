#include "platform/runtime/Picture.h"

#include "platform/runtime/CodePage.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/FixedText.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cctype>
#include <memory>
#include <mutex>

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
std::unique_ptr<icu::SimpleDateFormat> ShortFormat(bool date)
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
    const auto format = ShortFormat(true);
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
    const std::optional<UDate> when = ParseWhole(*format, text);
    if (!when || *when < 0 || *when >= kMsPerDay)
        return std::nullopt;
    const auto minutes = static_cast<std::int32_t>(*when / 60000.0);
    return ClockTime(minutes / 60, minutes % 60);
}

std::string FormatText(std::string_view text, std::string_view picture)
{
    const PictureSpec spec = ReadPicture(picture);
    if (spec.kind == PictureKind::Text && spec.number > 0)
        return std::string(Utf8Prefix(text, static_cast<std::size_t>(spec.number)));
    return std::string(text);
}

} // namespace quorin
