#include "platform/runtime/Date.h"
#include "platform/runtime/Picture.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(Date, DayNumbersFromTheFirstDayWithLeapYears)
{
    struct Case {
        int y, m, d;
        std::optional<std::int32_t> day;
    } const cases[] = {
        {1801, 1, 1, 4},          {1801, 1, 2, 5},         {1801, 12, 31, 368},
        {1802, 1, 1, 369},        {1800, 12, 31, {}},      {1900, 2, 29, {}}, // 1900 is no leap year
        {2000, 2, 29, 72746},     {2024, 2, 29, 81512},    {2023, 2, 29, {}},
        {2024, 4, 31, {}},        {2024, 13, 1, {}},       {2024, 0, 1, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DayNumber(c.y, c.m, c.d), c.day) << c.y << "-" << c.m << "-" << c.d;
        if (c.day) {
            EXPECT_EQ(DateOfDay(*c.day), (CivilDate{c.y, c.m, c.d}));
        }
    }
    EXPECT_EQ(*DayNumber(2000, 3, 1) - *DayNumber(2000, 2, 28), 2);
    EXPECT_EQ(*DayNumber(1900, 3, 1) - *DayNumber(1900, 2, 28), 1);
    EXPECT_FALSE(DateOfDay(3));
    EXPECT_FALSE(DateOfDay(0));
    EXPECT_FALSE(DateOfDay(2994627)); // past 31 December 9999
    for (std::int32_t day = 4; day <= 2994626; day += 997) {
        const auto date = DateOfDay(day);
        ASSERT_TRUE(date) << day;
        EXPECT_EQ(DayNumber(date->year, date->month, date->day), day);
    }
}

TEST(Date, ClockTimesStartAtOneForMidnight)
{
    EXPECT_EQ(ClockTime(0, 0), 1);
    EXPECT_EQ(ClockTime(0, 0, 0, 1), 2);
    EXPECT_EQ(ClockTime(23, 59, 59, 99), kLastTime);
    EXPECT_EQ(ClockTime(12, 30), (12 * 60 + 30) * 6000 + 1);
    EXPECT_FALSE(ClockTime(24, 0));
    EXPECT_FALSE(ClockTime(10, 60));
    EXPECT_GE(GetClockTime(), 1);
    EXPECT_LE(GetClockTime(), kLastTime);
    EXPECT_GT(GetTodayDate(), *DayNumber(2020, 1, 1));
}

class PictureTest : public ::testing::Test {
protected:
    void TearDown() override { SetPictureLocale(""); }
};

TEST_F(PictureTest, ShortDateOfTheLocaleBothWays)
{
    struct Case {
        const char* locale;
        CivilDate date;
        const char* shown;
    } const cases[] = {
        {"en_US", {2024, 3, 5}, "3/5/2024"},
        {"en_US", {1801, 1, 1}, "1/1/1801"},
        {"de_DE", {2024, 2, 29}, "29.02.2024"},
        {"en_GB", {1999, 12, 31}, "31/12/1999"},
    };
    for (const Case& c : cases) {
        SetPictureLocale(c.locale);
        const std::int32_t day = *DayNumber(c.date.year, c.date.month, c.date.day);
        EXPECT_EQ(FormatDate(day, "D17"), c.shown) << c.locale;
        EXPECT_EQ(ParseDate(c.shown, "@D17@"), day) << c.locale;
    }
    SetPictureLocale("en_US");
    for (std::int32_t day = 4; day < 4 + 80000; day += 1234)
        EXPECT_EQ(ParseDate(FormatDate(day)), day) << day;
    EXPECT_EQ(FormatDate(0), "");
    EXPECT_EQ(ParseDate("   "), 0);
    EXPECT_EQ(ParseDate(" 3/5/24 "), *DayNumber(2024, 3, 5)) << "a two-digit year is read";
}

TEST_F(PictureTest, InvalidTypedDateIsRefused)
{
    SetPictureLocale("en_US");
    for (const char* typed : {"2/30/2024", "2/29/2023", "13/1/2024", "0/1/2024", "3/5/2024x", "abc", "3//2024",
                              "1/1/1800", "\xff\xfe"})
        EXPECT_FALSE(ParseDate(typed)) << typed;
}

TEST_F(PictureTest, HoursAndMinutesOfTheLocaleBothWays)
{
    struct Case {
        const char* locale;
        int h, m;
        const char* shown;
    } const cases[] = {
        {"en_US", 0, 0, "12:00 AM"},
        {"en_US", 13, 5, "1:05 PM"},
        {"de_DE", 0, 0, "00:00"},
        {"de_DE", 23, 59, "23:59"},
    };
    for (const Case& c : cases) {
        SetPictureLocale(c.locale);
        const std::int32_t time = *ClockTime(c.h, c.m);
        EXPECT_EQ(FormatTime(time, "T7"), c.shown) << c.locale;
        EXPECT_EQ(ParseTime(c.shown, "T7"), time) << c.locale;
    }
    SetPictureLocale("de_DE");
    EXPECT_EQ(FormatTime(*ClockTime(7, 8, 59, 99)), "07:08") << "seconds are not shown";
    EXPECT_EQ(FormatTime(0), "");
    EXPECT_EQ(FormatTime(kLastTime + 1), "");
    EXPECT_EQ(ParseTime(""), 0);
    for (const char* typed : {"25:00", "12:61", "noon", "12:00:00x"})
        EXPECT_FALSE(ParseTime(typed)) << typed;
}

TEST_F(PictureTest, TypedTimesInTheFormsPeopleTypeWhicheverFormTheLocaleShows)
{
    struct Case {
        const char* typed;
        int h, m; // -1: refused
    } const cases[] = {
        {"13:45", 13, 45},  {"1345", 13, 45},   {"945", 9, 45},     {"0:05", 0, 5},     {"9", 9, 0},
        {"23", 23, 0},      {"1:45pm", 13, 45}, {"1:45 PM", 13, 45}, {"1:45Pm", 13, 45}, {"1:45 am", 1, 45},
        {"12:10 am", 0, 10}, {"12 pm", 12, 0},  {"9pm", 21, 0},     {"1245pm", 12, 45}, {" 7:30 ", 7, 30},
        {"25:99", -1, 0},   {"24:00", -1, 0},   {"12:61", -1, 0},   {"13:45 pm", -1, 0}, {"0 am", -1, 0},
        {"abc", -1, 0},     {"1:5", -1, 0},     {"12345", -1, 0},   {"1::45", -1, 0},   {":45", -1, 0},
        {"12:00:00", -1, 0}, {"1:45 xm", -1, 0}, {"pm", -1, 0},      {"1:45 pm pm", -1, 0}, {"\xff\xfe", -1, 0},
    };
    for (const char* locale : {"en_US", "de_DE"}) {
        SetPictureLocale(locale);
        for (const Case& c : cases) {
            const std::optional<std::int32_t> want = c.h < 0 ? std::nullopt : ClockTime(c.h, c.m);
            EXPECT_EQ(ParseTime(c.typed, "T7"), want) << locale << " '" << c.typed << "'";
        }
    }
    // The locale's own separator and markers, the marker first where the locale puts it.
    SetPictureLocale("fi_FI");
    EXPECT_EQ(ParseTime("13.45"), ClockTime(13, 45));
    EXPECT_EQ(ParseTime("13:45"), ClockTime(13, 45));
    SetPictureLocale("ko_KR");
    EXPECT_EQ(ParseTime(FormatTime(*ClockTime(21, 5))), ClockTime(21, 5));
    for (const char* locale : {"en_US", "de_DE", "fi_FI", "nl_NL", "ko_KR", "ja_JP"}) {
        SetPictureLocale(locale);
        for (int minutes = 0; minutes < 24 * 60; minutes += 37) {
            const std::int32_t time = *ClockTime(minutes / 60, minutes % 60);
            EXPECT_EQ(ParseTime(FormatTime(time)), time) << locale << " " << FormatTime(time);
        }
    }
}

TEST_F(PictureTest, TypedDatesTakeOneOrTwoDigitDaysAndMonths)
{
    struct Case {
        const char* locale;
        const char* typed;
        CivilDate date; // year 0: refused
    } const cases[] = {
        {"en_US", "3/5/2024", {2024, 3, 5}},   {"en_US", "03/05/2024", {2024, 3, 5}},
        {"en_US", "12/31/2026", {2026, 12, 31}}, {"en_US", "99/99/9999", {}},
        {"en_US", "31/12/2026", {}},           {"en_US", "3-5-2024", {}},
        {"de_DE", "5.3.2024", {2024, 3, 5}},   {"de_DE", "05.03.2024", {2024, 3, 5}},
        {"de_DE", "5.03.2024", {2024, 3, 5}},  {"de_DE", "31.2.2024", {}},
        {"en_GB", "5/3/2024", {2024, 3, 5}},   {"en_GB", "3/13/2024", {}},
    };
    for (const Case& c : cases) {
        SetPictureLocale(c.locale);
        const std::optional<std::int32_t> want = c.date.year == 0 ? std::nullopt
                                                                  : DayNumber(c.date.year, c.date.month, c.date.day);
        EXPECT_EQ(ParseDate(c.typed, "D17"), want) << c.locale << " '" << c.typed << "'";
    }
    SetPictureLocale("de_DE");
    EXPECT_EQ(FormatDate(*DayNumber(2024, 3, 5)), "05.03.2024") << "shown in the locale's own form";
}

TEST_F(PictureTest, AHintTellsWhatAnEntryTakesInTheLocalesForm)
{
    const int year = DateOfDay(GetTodayDate())->year;
    SetPictureLocale("en_US");
    EXPECT_EQ(PictureHint("@D17@"), "a date like 12/31/" + std::to_string(year));
    EXPECT_EQ(PictureHint("T7"), "a time like 1:45 PM");
    EXPECT_EQ(PictureHint("s20"), "a number");
    SetPictureLocale("de_DE");
    EXPECT_EQ(PictureHint("D17"), "a date like 31.12." + std::to_string(year));
    EXPECT_EQ(PictureHint("T7"), "a time like 13:45");
}

// Measured with "8", "P" and the Arabic-Indic eight wider than the rest: the widest value has
// every digit its script's widest and the wider of the markers; text pictures have none.
TEST_F(PictureTest, TheWidestValueOfADateOrTimeHasTheWidestDigitsAndNames)
{
    const auto width = [](std::string_view text) {
        double w = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            w += (c & 0xC0) != 0x80 ? 1 : 0;
            w += c == '8' || c == 'P' || text.substr(i, 2) == "\xD9\xA8" ? 1 : 0;
        }
        return w;
    };
    struct Case {
        const char* locale;
        const char* picture;
        const char* widest;
    } const cases[] = {
        {"en_US", "@D17@", "88/88/8888"},
        {"en_US", "T7", "88:88 PM"},
        {"de_DE", "D17", "88.88.8888"},
        {"de_DE", "T7", "88:88"},
        {"ar_EG", "T7", "\xD9\xA8\xD9\xA8:\xD9\xA8\xD9\xA8 \xD8\xB5"}, // markers of one letter each: the first
        {"en_US", "s20", ""},
    };
    for (const Case& c : cases) {
        SetPictureLocale(c.locale);
        EXPECT_EQ(WidestPictureText(c.picture, width), c.widest) << c.locale << " " << c.picture;
    }
}

TEST_F(PictureTest, TextPictureCutsAtACharacterBoundary)
{
    EXPECT_EQ(FormatText("abcdef", "@s4@"), "abcd");
    EXPECT_EQ(FormatText("ab\xc3\xa9z", "s3"), "ab"); // never half of "é"
    EXPECT_EQ(ReadPicture("@D17@").kind, PictureKind::Date);
    EXPECT_EQ(ReadPicture("T7").number, 7);
    EXPECT_EQ(ReadPicture("s260").number, 260);
}

} // namespace
} // namespace quorin

#include "platform/runtime/BoundVariable.h"
#include "platform/runtime/ControlPicture.h"

namespace quorin {
namespace {

TEST_F(PictureTest, EntryTakesAValidDateAndRefusesAnInvalidOneUntouched)
{
    SetPictureLocale("en_US");
    std::int32_t date = *DayNumber(2024, 3, 5);
    std::int32_t time = *ClockTime(9, 30);
    const BoundVariable dateVar = BoundVariable::Of(date);
    const BoundVariable timeVar = BoundVariable::Of(time);
    EXPECT_EQ(ShowThroughPicture("D17", dateVar), "3/5/2024");
    EXPECT_EQ(ShowThroughPicture("T7", timeVar), "9:30 AM");
    EXPECT_FALSE(TakeThroughPicture("D17", "2/30/2024", dateVar));
    EXPECT_EQ(date, *DayNumber(2024, 3, 5));
    EXPECT_FALSE(TakeThroughPicture("T7", "9:75 AM", timeVar));
    EXPECT_EQ(time, *ClockTime(9, 30));
    EXPECT_TRUE(TakeThroughPicture("D17", "2/29/2024", dateVar));
    EXPECT_EQ(date, *DayNumber(2024, 2, 29));
    EXPECT_TRUE(TakeThroughPicture("D17", "", dateVar));
    EXPECT_EQ(date, 0);
}

} // namespace
} // namespace quorin
