#include "core/RunReports.h"

#include <algorithm>
#include <charconv>

#include "core/MessageTable.h"
#include "core/SecureDeleteHelpers.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Shell.h"
#include "platform/Text.h"

namespace lumexa::core {

namespace {

using platform::Machine;

constexpr std::size_t ReportNameLength = 19; // yyyy_mm_dd_hh_nn_ss

bool ParseDigits(std::string_view text, int& value)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}

template <typename Number> bool ParseNumber(std::string_view text, Number& value)
{
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The lines of a report file, without their CR LF ends.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Cuts the text up to the next "%" off `line`; false when there is no "%".
bool TakeField(std::string_view& line, std::string_view& field)
{
    const std::size_t percent = line.find('%');
    if (percent == std::string_view::npos)
        return false;
    field = line.substr(0, percent);
    line.remove_prefix(percent + 1);
    return true;
}

// The object's name and size at the end of a line: the size follows the last "%" (names are
// written without "%", but a file of an older build may still hold one).
bool TakeNameAndSize(std::string_view line, std::string_view& name, std::uint64_t& size)
{
    const std::size_t percent = line.rfind('%');
    if (percent == std::string_view::npos)
        return false;
    name = line.substr(0, percent);
    return !name.empty() && ParseNumber(line.substr(percent + 1), size);
}

std::vector<std::string> ReportNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    auto find = Machine::Current().Files().FindFirstFile(folder + "*.rep");
    if (!find)
        return names;
    do {
        const platform::FindData& entry = find->Data();
        if (!(entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) && ParseReportName(entry.name))
            names.push_back(entry.name);
    } while (find->Next());
    return names;
}

} // namespace

std::string ReportFileName(platform::TDateTime start)
{
    return platform::FormatDateTime("yyyy_mm_dd_hh_nn_ss", start, Machine::Current().Clock().UserLocale()) + ".rep";
}

std::string SanitizeLoggedName(std::string_view name)
{
    std::string clean(name);
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '%' || c == '\r' || c == '\n'; }, '-');
    return clean;
}

std::string RunReportLine(int group, std::string_view pluginName, std::string_view name, std::uint64_t size)
{
    std::string line = std::to_string(group) + "%";
    if (group == 2) {
        line += pluginName;
        line += '%';
    }
    line += name;
    line += '%';
    line += std::to_string(size);
    line += "\r\n";
    return line;
}

std::string WindowCopyLine(std::uint8_t item, std::string_view pluginName, std::string_view name, std::uint64_t size)
{
    std::string line = std::to_string(item) + "%";
    if (item == PluginItem) {
        line += pluginName;
        line += '%';
    }
    line += name;
    line += '%';
    line += std::to_string(size);
    line += "\r\n";
    return line;
}

std::optional<platform::TDateTime> ParseReportName(std::string_view fileName)
{
    if (fileName.size() < ReportNameLength)
        return std::nullopt;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ParseDigits(fileName.substr(0, 4), year) || !ParseDigits(fileName.substr(5, 2), month) ||
        !ParseDigits(fileName.substr(8, 2), day) || !ParseDigits(fileName.substr(11, 2), hour) ||
        !ParseDigits(fileName.substr(14, 2), minute) || !ParseDigits(fileName.substr(17, 2), second))
        return std::nullopt;
    return platform::EncodeDateTime(year, month, day, hour, minute, second);
}

std::string ReportsFolder()
{
    return Machine::Current().ProgramFolder() + "Reports\\";
}

std::vector<std::string> ListReportTimes(platform::TDateTime date)
{
    const platform::DateTimeParts wanted = platform::DecodeDateTime(date);
    std::vector<std::string> times;
    for (const std::string& name : ReportNamesIn(ReportsFolder())) {
        const platform::DateTimeParts parts = platform::DecodeDateTime(*ParseReportName(name));
        if (parts.year != wanted.year || parts.month != wanted.month || parts.day != wanted.day)
            continue;
        std::string time = name.substr(11, 8);
        std::replace(time.begin(), time.end(), '_', ':');
        times.push_back(std::move(time));
    }
    return times;
}

std::string RunReportPath(platform::TDateTime date, std::string_view time)
{
    std::string name(time);
    std::replace(name.begin(), name.end(), ':', '_');
    return ReportsFolder() + platform::FormatDateTime("yyyy_mm_dd_", date, Machine::Current().Clock().UserLocale()) +
           name + ".rep";
}

TReportRow SplitLoggedPath(std::string_view path, std::uint64_t size)
{
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos)
        return {std::string(path), "", size};
    return {std::string(path.substr(slash + 1)), std::string(path.substr(0, slash + 1)), size};
}

bool ReadRunReport(const std::string& path, std::string_view search, TReportLists& lists)
{
    const auto text = Machine::Current().Files().ReadWholeFile(path);
    if (!text)
        return false;
    const std::string mask = search.empty() ? std::string() : platform::LowerCase("*" + std::string(search) + "*");
    for (std::string_view line : Lines(*text)) {
        std::string_view field;
        int group = 0;
        if (!TakeField(line, field) || !ParseNumber(field, group) || group < 0 || group >= 4)
            continue;
        if (group == 2 && !TakeField(line, field))
            continue;
        std::string_view name;
        std::uint64_t size = 0;
        if (!TakeNameAndSize(line, name, size))
            continue;
        TReportRow row = SplitLoggedPath(name, size);
        if (!mask.empty() && !MatchesValueMask(platform::LowerCase(row.caption), mask))
            continue;
        lists[static_cast<std::size_t>(group)].push_back(std::move(row));
    }
    return true;
}

std::vector<std::string> WindowCopies()
{
    const std::string folder = Machine::Current().Shell().TempPath();
    std::vector<std::string> paths;
    if (folder.empty())
        return paths;
    for (const std::string& name : ReportNamesIn(folder))
        paths.push_back(folder + name);
    return paths;
}

std::optional<std::string> NewestWindowCopy()
{
    std::optional<std::string> newest;
    platform::TDateTime newestTime = 0;
    for (const std::string& path : WindowCopies()) {
        const platform::TDateTime time = *ParseReportName(path.substr(path.rfind('\\') + 1));
        if (!newest || time >= newestTime) {
            newest = path;
            newestTime = time;
        }
    }
    return newest;
}

std::vector<TReportRow> ReadItemReport(std::string_view caption, std::uint8_t item)
{
    std::vector<TReportRow> rows;
    const auto path = NewestWindowCopy();
    if (!path)
        return rows;
    const auto text = Machine::Current().Files().ReadWholeFile(*path);
    if (!text)
        return rows;
    const std::string wantedCaption = platform::UpperCase(caption);
    for (std::string_view line : Lines(*text)) {
        std::string_view field;
        int number = 0;
        if (!TakeField(line, field) || !ParseNumber(field, number) || number != item)
            continue;
        if (item == PluginItem &&
            (!TakeField(line, field) || platform::UpperCase(PluginRowCaption(field)) != wantedCaption))
            continue;
        std::string_view name;
        std::uint64_t size = 0;
        if (TakeNameAndSize(line, name, size))
            rows.push_back(SplitLoggedPath(name, size));
    }
    return rows;
}

std::string PluginRowCaption(std::string_view pluginName)
{
    return Msg("strLX_CAPTION583") + std::string(pluginName);
}

} // namespace lumexa::core
