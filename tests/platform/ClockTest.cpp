#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace lumexa::platform {
namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return *EncodeDateTime(y, mo, d, h, mi, s, ms);
}

TEST(ClockTest, EncodesDaysSinceTheEndOf1899)
{
    struct Case
    {
        int y, mo, d;
        double expected;
    };
    const Case cases[] = {
        {1899, 12, 30, 0.0},
        {1899, 12, 31, 1.0},
        {1900, 1, 1, 2.0},
        {2000, 1, 1, 36526.0},
        {1899, 12, 29, -1.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(At(c.y, c.mo, c.d), c.expected) << c.y << "-" << c.mo << "-" << c.d;
    EXPECT_DOUBLE_EQ(At(1899, 12, 30, 18), 0.75);
}

TEST(ClockTest, RejectsDatesThatDoNotExist)
{
    EXPECT_FALSE(EncodeDateTime(2009, 2, 29));
    EXPECT_TRUE(EncodeDateTime(2008, 2, 29));
    EXPECT_FALSE(EncodeDateTime(2009, 13, 1));
    EXPECT_FALSE(EncodeDateTime(2009, 1, 1, 24));
}

TEST(ClockTest, DecodeReturnsTheEncodedPartsAndWeekday)
{
    const DateTimeParts p = DecodeDateTime(At(2009, 10, 30, 17, 5, 9, 123));
    EXPECT_EQ(p.year, 2009);
    EXPECT_EQ(p.month, 10);
    EXPECT_EQ(p.day, 30);
    EXPECT_EQ(p.hour, 17);
    EXPECT_EQ(p.minute, 5);
    EXPECT_EQ(p.second, 9);
    EXPECT_EQ(p.millisecond, 123);
    EXPECT_EQ(p.dayOfWeek, 5); // a Friday
}

TEST(ClockTest, FileTimeRoundTripsToTheMillisecond)
{
    const TDateTime value = At(2009, 10, 30, 17, 5, 9, 123);
    const FileTime time = DateTimeToFileTime(value);
    // 2009-10-30 17:05:09.123 UTC as FILETIME.
    EXPECT_EQ(time.ticks, 129013959091230000ull);
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(time), value);
    EXPECT_EQ(DateTimeToFileTime(At(1601, 1, 1)).ticks, 0u);
}

TEST(ClockTest, FormatsWithDelphiSpecifiers)
{
    const Locale enUs;
    const TDateTime value = At(2009, 10, 30, 17, 5, 9, 123);
    struct Case
    {
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"yyyy_mm_dd_hh_nn_ss", "2009_10_30_17_05_09"},
        {"yyyymmddhhnnsszzz", "20091030170509123"},
        {"dddd, mmmm dd, yyyy", "Friday, October 30, 2009"},
        {"mm/dd/yyyy hh:nn:ss", "10/30/2009 17:05:09"},
        {"m/d/yy", "10/30/09"},
        {"h:nn AM/PM", "5:05 PM"},
        {"hh:mm", "17:05"},
        {"'at' hh", "at 17"},
        {"ddd mmm", "Fri Oct"},
        {"c", "10/30/2009 5:05:09 PM"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(c.format, value, enUs), c.expected) << "format: " << c.format;
}

TEST(ClockTest, FormatsUseTheLocaleSeparators)
{
    const Locale german = LocaleByName("de-DE");
    EXPECT_EQ(FormatDateTime("mm/dd/yyyy", At(2009, 10, 30), german), "10.30.2009");
    EXPECT_EQ(FormatFixed(1.5, 2, german), "1,50");
    EXPECT_EQ(FormatGrouped(1234567, german), "1.234.567");
    EXPECT_EQ(FormatGrouped(1234567, Locale{}), "1,234,567");
    EXPECT_EQ(FormatGrouped(999, Locale{}), "999");
}

TEST(ClockTest, DateTimeToStrLeavesOutMidnight)
{
    EXPECT_EQ(DateTimeToStr(At(2009, 10, 30), Locale{}), "10/30/2009");
    EXPECT_EQ(DateTimeToStr(At(2009, 10, 30, 0, 0, 1), Locale{}), "10/30/2009 12:00:01 AM");
}

TEST(ClockTest, StrToDateFollowsTheShortDateOrder)
{
    EXPECT_EQ(StrToDate("10/30/2009", Locale{}), At(2009, 10, 30));
    EXPECT_EQ(StrToDate("30.10.2009", LocaleByName("de-DE")), At(2009, 10, 30));
    EXPECT_FALSE(StrToDate("30/10/2009", Locale{}));
    EXPECT_FALSE(StrToDate("yesterday", Locale{}));
    EXPECT_FALSE(StrToDate("", Locale{}));
}

TEST(ClockTest, AFixedClockStandsStillUntilAdvanced)
{
    Clock clock(At(2009, 10, 30, 17, 5, 9), 0, Locale{});
    EXPECT_DOUBLE_EQ(clock.Now(), At(2009, 10, 30, 17, 5, 9));
    clock.Advance(3600);
    EXPECT_NEAR(clock.Now(), At(2009, 10, 30, 18, 5, 9), 1e-9);
    EXPECT_EQ(clock.NowUtc(), DateTimeToFileTime(clock.Now()));
}

} // namespace
} // namespace lumexa::platform
