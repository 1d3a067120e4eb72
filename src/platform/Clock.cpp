#include "platform/Clock.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/Text.h"

namespace lumexa::platform {

namespace {

constexpr double kMsPerDay = 86400000.0;
// Days from 1601-01-01 (FILETIME epoch) to 1899-12-30 (TDateTime epoch).
constexpr std::int64_t kFileTimeToDateTimeDays = 109205;
constexpr std::int64_t kTicksPerDay = 864000000000LL;
constexpr std::int64_t kTicksPerMs = 10000;

// Days since 1899-12-30 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t daysSince1970 = era * 146097 + doe - 719468;
    return daysSince1970 + 25569; // 1899-12-30 .. 1970-01-01
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day)
{
    std::int64_t z = days - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// Milliseconds since the TDateTime epoch; for negative values Delphi keeps the fraction's
// magnitude as the time of day.
std::int64_t ToMilliseconds(TDateTime value)
{
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    return static_cast<std::int64_t>(whole) * 86400000LL +
           static_cast<std::int64_t>(std::llround(fraction * kMsPerDay)) * (value < 0 ? -1 : 1);
}

std::string Pad(int value, int width)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

TDateTime HostLocalNow(std::int64_t offsetSeconds)
{
    const auto now = std::chrono::system_clock::now() + std::chrono::seconds(offsetSeconds);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return *EncodeDateTime(local.tm_year + 1900,
                           local.tm_mon + 1,
                           local.tm_mday,
                           local.tm_hour,
                           local.tm_min,
                           local.tm_sec,
                           static_cast<int>(ms));
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::optional<TDateTime> EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return std::nullopt;
    const double days = static_cast<double>(DaysFromCivil(year, month, day));
    const double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
    return days >= 0 ? days + time : days - time;
}

DateTimeParts DecodeDateTime(TDateTime value)
{
    const std::int64_t totalMs = ToMilliseconds(value);
    std::int64_t days = totalMs / 86400000LL;
    std::int64_t msOfDay = totalMs % 86400000LL;
    if (msOfDay < 0)
        msOfDay = -msOfDay;
    DateTimeParts parts;
    CivilFromDays(days, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(msOfDay / 3600000);
    parts.minute = static_cast<int>(msOfDay / 60000 % 60);
    parts.second = static_cast<int>(msOfDay / 1000 % 60);
    parts.millisecond = static_cast<int>(msOfDay % 1000);
    // 1899-12-30 was a Saturday.
    parts.dayOfWeek = static_cast<int>(((days % 7) + 7 + 6) % 7);
    return parts;
}

TDateTime FileTimeToDateTime(FileTime time)
{
    const auto ticks = static_cast<std::int64_t>(time.ticks);
    const std::int64_t ms = ticks / kTicksPerMs;
    const std::int64_t days = ms / 86400000LL - kFileTimeToDateTimeDays;
    const double fraction = static_cast<double>(ms % 86400000LL) / kMsPerDay;
    return static_cast<double>(days) + fraction;
}

FileTime DateTimeToFileTime(TDateTime value)
{
    const std::int64_t ms = ToMilliseconds(value);
    const std::int64_t days = (ms >= 0 ? ms / 86400000LL : (ms - 86399999LL) / 86400000LL);
    const std::int64_t msOfDay = ms - days * 86400000LL;
    const std::int64_t ticks = (days + kFileTimeToDateTimeDays) * kTicksPerDay + msOfDay * kTicksPerMs;
    return FileTime{ticks < 0 ? 0u : static_cast<std::uint64_t>(ticks)};
}

Locale LocaleByName(std::string_view name)
{
    Locale locale;
    if (EqualsNoCase(name, "en-GB")) {
        locale.name = "en-GB";
        locale.shortDateFormat = "dd/mm/yyyy";
        locale.longDateFormat = "dd mmmm yyyy";
        locale.shortTimeFormat = "hh:nn";
        locale.longTimeFormat = "hh:nn:ss";
    } else if (EqualsNoCase(name, "de-DE")) {
        locale.name = "de-DE";
        locale.shortDateFormat = "dd.mm.yyyy";
        locale.longDateFormat = "dddd, d. mmmm yyyy";
        locale.shortTimeFormat = "hh:nn";
        locale.longTimeFormat = "hh:nn:ss";
        locale.dateSeparator = '.';
        locale.decimalSeparator = ',';
        locale.thousandSeparator = '.';
        locale.shortMonthNames = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
        locale.longMonthNames = {"Januar",
                                 "Februar",
                                 "März",
                                 "April",
                                 "Mai",
                                 "Juni",
                                 "Juli",
                                 "August",
                                 "September",
                                 "Oktober",
                                 "November",
                                 "Dezember"};
        locale.shortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
        locale.longDayNames = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
    }
    return locale;
}

std::string FormatDateTime(std::string_view format, TDateTime value, const Locale& locale)
{
    const DateTimeParts p = DecodeDateTime(value);
    std::string out;
    bool lastWasHour = false;
    bool useAmPm = false;
    // A 12-hour clock applies to the whole format when it holds an am/pm specifier.
    {
        const std::string lower = LowerCase(format);
        useAmPm = lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos ||
                  lower.find("ampm") != std::string::npos;
    }
    auto count = [&](std::size_t at, char c) {
        std::size_t n = 0;
        while (at + n < format.size() && (format[at + n] | 0x20) == c)
            ++n;
        return n;
    };
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        const char lower = static_cast<char>(c | 0x20);
        if (c == '\'' || c == '"') {
            const std::size_t end = format.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? format.size() : end;
            out.append(format.substr(i + 1, stop - i - 1));
            i = stop == format.size() ? stop : stop + 1;
            continue;
        }
        if (c == '/') {
            out += locale.dateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += locale.timeSeparator;
            ++i;
            continue;
        }
        if (lower == 'a') {
            const std::string rest = LowerCase(format.substr(i, 5));
            if (rest.starts_with("am/pm")) {
                const std::string& text = p.hour < 12 ? locale.timeAmString : locale.timePmString;
                out += std::isupper(static_cast<unsigned char>(c)) ? text : LowerCase(text);
                i += 5;
                continue;
            }
            if (rest.starts_with("a/p")) {
                const char t = p.hour < 12 ? 'a' : 'p';
                out += std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(t - 32) : t;
                i += 3;
                continue;
            }
            if (rest.starts_with("ampm")) {
                out += p.hour < 12 ? locale.timeAmString : locale.timePmString;
                i += 4;
                continue;
            }
            out += c;
            ++i;
            continue;
        }
        const std::size_t n = (lower == 'd' || lower == 'm' || lower == 'y' || lower == 'h' || lower == 'n' ||
                               lower == 's' || lower == 'z' || lower == 't' || lower == 'c')
                                  ? count(i, lower)
                                  : 0;
        const int hour12 = useAmPm ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
        switch (lower) {
        case 'd':
            if (n == 1)
                out += std::to_string(p.day);
            else if (n == 2)
                out += Pad(p.day, 2);
            else if (n == 3)
                out += locale.shortDayNames[static_cast<std::size_t>(p.dayOfWeek)];
            else if (n == 4)
                out += locale.longDayNames[static_cast<std::size_t>(p.dayOfWeek)];
            else if (n == 5)
                out += FormatDateTime(locale.shortDateFormat, value, locale);
            else
                out += FormatDateTime(locale.longDateFormat, value, locale);
            lastWasHour = false;
            break;
        case 'm':
            if (lastWasHour && n <= 2)
                out += n == 1 ? std::to_string(p.minute) : Pad(p.minute, 2);
            else if (n == 1)
                out += std::to_string(p.month);
            else if (n == 2)
                out += Pad(p.month, 2);
            else if (n == 3)
                out += locale.shortMonthNames[static_cast<std::size_t>(p.month - 1)];
            else
                out += locale.longMonthNames[static_cast<std::size_t>(p.month - 1)];
            lastWasHour = false;
            break;
        case 'y':
            out += n <= 2 ? Pad(p.year % 100, 2) : Pad(p.year, 4);
            lastWasHour = false;
            break;
        case 'h':
            out += n == 1 ? std::to_string(hour12) : Pad(hour12, 2);
            lastWasHour = true;
            break;
        case 'n':
            out += n == 1 ? std::to_string(p.minute) : Pad(p.minute, 2);
            lastWasHour = false;
            break;
        case 's':
            out += n == 1 ? std::to_string(p.second) : Pad(p.second, 2);
            lastWasHour = false;
            break;
        case 'z':
            out += n >= 3 ? Pad(p.millisecond, 3) : std::to_string(p.millisecond);
            lastWasHour = false;
            break;
        case 't':
            out += FormatDateTime(n == 1 ? locale.shortTimeFormat : locale.longTimeFormat, value, locale);
            lastWasHour = false;
            break;
        case 'c':
            out += DateTimeToStr(value, locale);
            lastWasHour = false;
            break;
        default:
            out += c;
            i += 1;
            continue;
        }
        i += n;
    }
    return out;
}

std::string DateTimeToStr(TDateTime value, const Locale& locale)
{
    std::string text = FormatDateTime(locale.shortDateFormat, value, locale);
    const DateTimeParts p = DecodeDateTime(value);
    if (p.hour != 0 || p.minute != 0 || p.second != 0 || p.millisecond != 0)
        text += " " + FormatDateTime(locale.longTimeFormat, value, locale);
    return text;
}

std::optional<TDateTime> StrToDate(std::string_view text, const Locale& locale)
{
    // The order of day, month and year follows the short date format.
    std::string order;
    for (const char c : LowerCase(locale.shortDateFormat))
        if ((c == 'd' || c == 'm' || c == 'y') && order.find(c) == std::string::npos)
            order += c;
    if (order.size() != 3)
        order = "mdy";
    const std::vector<std::string> pieces = SplitAt(Trim(text), locale.dateSeparator);
    if (pieces.size() != 3)
        return std::nullopt;
    int values[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string piece = Trim(pieces[i]);
        if (piece.empty() || piece.size() > 4)
            return std::nullopt;
        for (const char c : piece)
            if (c < '0' || c > '9')
                return std::nullopt;
        values[i] = std::stoi(piece);
    }
    int day = 0, month = 0, year = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (order[i] == 'd')
            day = values[i];
        else if (order[i] == 'm')
            month = values[i];
        else
            year = values[i];
    }
    if (year < 100)
        year += year < 50 ? 2000 : 1900;
    return EncodeDateTime(year, month, day);
}

std::string FormatFixed(double value, int decimals, const Locale& locale)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    for (char& c : text)
        if (c == '.')
            c = locale.decimalSeparator;
    return text;
}

std::string FormatGrouped(std::uint64_t value, const Locale& locale)
{
    std::string digits = std::to_string(value);
    std::string out;
    const std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out.append(digits, 0, lead);
    for (std::size_t i = lead; i < digits.size(); i += 3) {
        out += locale.thousandSeparator;
        out.append(digits, i, 3);
    }
    return out;
}

Clock::Clock(std::optional<TDateTime> fixedLocal, std::int64_t offsetSeconds, Locale locale)
    : m_fixed(fixedLocal)
    , m_offsetSeconds(offsetSeconds)
    , m_locale(std::move(locale))
{}

TDateTime Clock::Now() const
{
    if (m_fixed)
        return *m_fixed + static_cast<double>(m_offsetSeconds) / 86400.0;
    return HostLocalNow(m_offsetSeconds);
}

FileTime Clock::NowUtc() const
{
    if (m_fixed)
        return DateTimeToFileTime(Now()); // a fixed clock runs in UTC
    const auto now = std::chrono::system_clock::now() + std::chrono::seconds(m_offsetSeconds);
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count() / 100;
    return FileTime{static_cast<std::uint64_t>(ticks + 116444736000000000LL)};
}

std::int64_t Clock::UtcOffsetSeconds() const
{
    if (m_fixed)
        return 0;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local.tm_gmtoff;
}

void Clock::SetFixed(std::optional<TDateTime> localTime)
{
    m_fixed = localTime;
    m_offsetSeconds = 0;
}

void Clock::Advance(std::int64_t seconds)
{
    m_offsetSeconds += seconds;
}

} // namespace lumexa::platform
