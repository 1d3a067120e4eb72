#include "core/Helpers.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace lumexa::core {

namespace {

constexpr std::string_view CrLf = "\r\n";

// Serialises the writers of the error log, which worker threads call too.
std::mutex g_logMutex;

// One parsed integer conversion of a caller's format.
struct TIntegerConversion
{
    std::string_view prefix;
    std::string_view suffix;
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool zeroPad = false;
    std::size_t width = 0;
    std::optional<std::size_t> precision;
    char type = 'd';
};

constexpr std::size_t MaxFieldWidth = 255;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads up to three digits; false when the number is larger than MaxFieldWidth.
bool ReadNumber(std::string_view text, std::size_t& at, std::size_t& value)
{
    value = 0;
    while (at < text.size() && IsDigit(text[at])) {
        value = value * 10 + static_cast<std::size_t>(text[at] - '0');
        if (value > MaxFieldWidth)
            return false;
        ++at;
    }
    return true;
}

// Text outside the conversion may hold "%%" and nothing else starting with '%'.
bool IsPlainText(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 >= text.size() || text[i + 1] != '%')
            return false;
        ++i;
    }
    return true;
}

std::string UnescapePercents(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        result += text[i];
        if (text[i] == '%')
            ++i;
    }
    return result;
}

std::optional<TIntegerConversion> ParseIntegerFormat(std::string_view format)
{
    std::size_t at = 0;
    while (at < format.size() && (format[at] != '%' || (at + 1 < format.size() && format[at + 1] == '%')))
        at += format[at] == '%' ? 2 : 1;
    if (at >= format.size())
        return std::nullopt;
    TIntegerConversion conversion;
    conversion.prefix = format.substr(0, at);
    ++at;
    for (; at < format.size(); ++at) {
        const char c = format[at];
        if (c == '-')
            conversion.leftAlign = true;
        else if (c == '+')
            conversion.plusSign = true;
        else if (c == ' ')
            conversion.spaceSign = true;
        else if (c == '0')
            conversion.zeroPad = true;
        else
            break;
    }
    if (!ReadNumber(format, at, conversion.width))
        return std::nullopt;
    if (at < format.size() && format[at] == '.') {
        std::size_t precision = 0;
        if (!ReadNumber(format, ++at, precision))
            return std::nullopt;
        conversion.precision = precision;
    }
    if (at >= format.size() || std::string_view("diuxX").find(format[at]) == std::string_view::npos)
        return std::nullopt;
    conversion.type = format[at];
    conversion.suffix = format.substr(at + 1);
    if (!IsPlainText(conversion.suffix))
        return std::nullopt;
    return conversion;
}

std::string Digits(std::uint64_t value, char conversion)
{
    if (value == 0)
        return "0";
    const bool hex = conversion == 'x' || conversion == 'X';
    const char* alphabet = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    const std::uint64_t base = hex ? 16 : 10;
    std::string digits;
    for (; value != 0; value /= base)
        digits.insert(digits.begin(), alphabet[value % base]);
    return digits;
}

std::string ApplyIntegerConversion(const TIntegerConversion& conversion, std::int64_t n)
{
    const bool isSigned = conversion.type == 'd' || conversion.type == 'i';
    const bool negative = isSigned && n < 0;
    // As C's printf: unsigned conversions show the two's-complement bits of a negative value.
    const std::uint64_t magnitude = negative ? ~static_cast<std::uint64_t>(n) + 1 : static_cast<std::uint64_t>(n);
    std::string digits = Digits(magnitude, conversion.type);
    if (conversion.precision) {
        if (*conversion.precision == 0 && magnitude == 0)
            digits.clear();
        if (digits.size() < *conversion.precision)
            digits.insert(0, *conversion.precision - digits.size(), '0');
    }
    std::string sign;
    if (negative)
        sign = "-";
    else if (isSigned && conversion.plusSign)
        sign = "+";
    else if (isSigned && conversion.spaceSign)
        sign = " ";
    std::string field = sign + digits;
    if (field.size() < conversion.width) {
        const std::size_t pad = conversion.width - field.size();
        if (conversion.leftAlign)
            field.append(pad, ' ');
        else if (conversion.zeroPad && !conversion.precision)
            field.insert(sign.size(), pad, '0');
        else
            field.insert(0, pad, ' ');
    }
    return UnescapePercents(conversion.prefix) + field + UnescapePercents(conversion.suffix);
}

// The machine's locale; en-US should a caller format before main() has chosen a machine.
const platform::Locale& MachineLocale()
{
    static const platform::Locale fallback;
    return platform::Machine::HasCurrent() ? platform::Machine::Current().Clock().UserLocale() : fallback;
}

std::string FormatScaled(std::int64_t n, double unit, std::string_view suffix)
{
    return platform::FormatFixed(static_cast<double>(n) / unit, 1, MachineLocale()) + std::string(suffix);
}

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;
constexpr std::int64_t GiB = 1024 * MiB;

// Components separated by "\", without the empty piece after a trailing "\".
std::vector<std::string> PathComponents(std::string_view path)
{
    std::vector<std::string> parts = platform::SplitAt(path, '\\');
    if (!parts.empty() && parts.back().empty())
        parts.pop_back();
    return parts;
}

void AppendToLog(platform::Machine& machine, const std::string& entry)
{
    const std::lock_guard lock(g_logMutex);
    // A log that cannot be written must not stop the caller, which is already handling an error.
    (void)machine.Files().AppendToFile(machine.ExecutablePath() + ".log", entry);
}

} // namespace

void LogError(std::string_view message, bool showBox) noexcept
{
    // Before anything else can overwrite it: the code describes the caller's failure.
    const std::uint32_t lastError = platform::GetLastError();
    std::string lastErrorLine;
    try {
        lastErrorLine = "Last error: \"" + platform::SystemMessage(lastError) + "\"";
        if (platform::Machine::HasCurrent()) {
            platform::Machine& machine = platform::Machine::Current();
            std::string entry = platform::DateTimeToStr(machine.Clock().Now(), machine.Clock().UserLocale());
            entry.append(" ").append(message).append(CrLf).append(lastErrorLine).append(CrLf).append(CrLf);
            AppendToLog(machine, entry);
        }
    } catch (...) {
    }
    if (showBox) {
        try {
            std::string text(message);
            text.append(CrLf).append(lastErrorLine);
            platform::Dialogs().MessageBox({text, "Error", platform::MessageIcon::Error, platform::MessageButtons::Ok});
        } catch (...) {
        }
    }
    platform::SetLastError(lastError);
}

std::string FormatInteger(std::string_view format, std::int64_t n)
{
    if (const std::optional<TIntegerConversion> conversion = ParseIntegerFormat(format))
        return ApplyIntegerConversion(*conversion, n);
    return std::to_string(n);
}

std::string FormatByteCount(std::string_view format, std::int64_t n)
{
    if (n < KiB)
        return FormatInteger(format, n) + " Byte";
    if (n < MiB)
        return FormatScaled(n, KiB, " KB");
    if (n < GiB)
        return FormatScaled(n, MiB, " MB");
    return FormatScaled(n, GiB, " GB");
}

std::string FormatSizeShort(std::string_view format, std::int64_t n)
{
    if (n < 100)
        return FormatInteger(format, n) + "b";
    if (n < 100000)
        return FormatScaled(n, KiB, "KB");
    return FormatScaled(n, MiB, "MB");
}

std::string ExcludeTrailingSlash(std::string_view path)
{
    if (path.ends_with('\\'))
        path.remove_suffix(1);
    return std::string(path);
}

std::vector<std::string> SplitList(std::string_view text, char delimiter)
{
    std::vector<std::string> list;
    std::size_t at = 0;
    while (at < text.size()) {
        std::string piece;
        if (text[at] == '"') {
            for (++at; at < text.size(); ++at) {
                if (text[at] != '"')
                    piece += text[at];
                else if (at + 1 < text.size() && text[at + 1] == '"')
                    piece += text[++at];
                else
                    break;
            }
            if (at < text.size())
                ++at; // the closing quote
        }
        const std::size_t end = std::min(text.find(delimiter, at), text.size());
        piece.append(text.substr(at, end - at));
        list.push_back(std::move(piece));
        if (end == text.size())
            break;
        at = end + 1;
        // An empty piece between two delimiters is kept; only an empty last piece is dropped.
        if (at == text.size())
            break;
    }
    return list;
}

bool IsUnderFolder(std::string_view path, std::string_view folder)
{
    const std::vector<std::string> folderParts = PathComponents(folder);
    const std::vector<std::string> pathParts = PathComponents(path);
    if (folderParts.empty() || pathParts.size() < folderParts.size())
        return false;
    for (std::size_t i = 0; i < folderParts.size(); ++i) {
        if (folderParts[i] != pathParts[i])
            return false;
    }
    return true;
}

bool ListContainsText(const std::vector<std::string>& list, std::string_view text)
{
    for (const std::string& entry : list) {
        if (platform::EqualsNoCase(entry, text))
            return true;
    }
    return false;
}

} // namespace lumexa::core
