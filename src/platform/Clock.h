#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Types.h"

// The machine's clock and locale. Times the program stores or shows are TDateTime values:
// days since 1899-12-30, the fraction being the time of day. Formats are produced here, from
// the machine's locale, never from the host's.
namespace lumexa::platform {

using TDateTime = double;

struct DateTimeParts
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 6; // 0 = Sunday .. 6 = Saturday
};

DateTimeParts DecodeDateTime(TDateTime value);
// nullopt for an invalid date or time.
std::optional<TDateTime>
EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int millisecond = 0);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// FILETIME (UTC) and TDateTime (taken as UTC, no zone conversion).
TDateTime FileTimeToDateTime(FileTime time);
FileTime DateTimeToFileTime(TDateTime value);

struct Locale
{
    std::string name = "en-US";
    std::string shortDateFormat = "m/d/yyyy";
    std::string longDateFormat = "dddd, mmmm dd, yyyy";
    std::string shortTimeFormat = "h:nn AMPM";
    std::string longTimeFormat = "h:nn:ss AMPM";
    char dateSeparator = '/';
    char timeSeparator = ':';
    char decimalSeparator = '.';
    char thousandSeparator = ',';
    std::string timeAmString = "AM";
    std::string timePmString = "PM";
    std::array<std::string, 12> shortMonthNames{
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> longMonthNames{"January",
                                               "February",
                                               "March",
                                               "April",
                                               "May",
                                               "June",
                                               "July",
                                               "August",
                                               "September",
                                               "October",
                                               "November",
                                               "December"};
    std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> longDayNames{
        "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
};

// The locale of a machine by name; unknown names give en-US.
Locale LocaleByName(std::string_view name);

// Delphi's FormatDateTime: d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss
// z zzz t tt c am/pm a/p ampm, "/" and ":" as the locale's separators, '...' and "..." literal.
// "m" right after "h"/"hh" means minutes, as in Delphi.
std::string FormatDateTime(std::string_view format, TDateTime value, const Locale& locale);
// DateTimeToStr: short date, and the long time unless the time is midnight.
std::string DateTimeToStr(TDateTime value, const Locale& locale);
// StrToDate with the locale's short date order and separator; nullopt when not a date.
std::optional<TDateTime> StrToDate(std::string_view text, const Locale& locale);
// A number with `decimals` digits after the locale's decimal separator (Delphi "%0.Nf").
std::string FormatFixed(double value, int decimals, const Locale& locale);
// Digits grouped with the locale's thousand separator ("1,234,567").
std::string FormatGrouped(std::uint64_t value, const Locale& locale);

class Clock
{
public:
    Clock() = default;
    Clock(std::optional<TDateTime> fixedLocal, std::int64_t offsetSeconds, Locale locale);

    // Local date and time of the machine.
    TDateTime Now() const;
    // The current UTC time as FILETIME (for file times).
    FileTime NowUtc() const;
    // Local minus UTC, in seconds, at the current time.
    std::int64_t UtcOffsetSeconds() const;

    // Tests fix or move the clock.
    void SetFixed(std::optional<TDateTime> localTime);
    void Advance(std::int64_t seconds);

    const Locale& UserLocale() const { return m_locale; }

private:
    std::optional<TDateTime> m_fixed;
    std::int64_t m_offsetSeconds = 0;
    Locale m_locale;
};

} // namespace lumexa::platform
