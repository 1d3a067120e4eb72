#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

// The report files of the cleaning run, and their readers. A run writes its run report
// "Reports\yyyy_mm_dd_hh_nn_ss.rep" in the program folder (lines group "%" name "%" size, or
// group "%" plug-in "%" name "%" size) and a window copy of the same name in the temporary
// folder (the same lines keyed by item number). Lines end in CR LF and "%" separates fields;
// "%", CR and LF inside a name are written as "-", so every line parses back.
namespace lumexa::core {

inline constexpr std::uint8_t PluginItem = 120;

// The name a run's reports take for a run starting at `start`.
std::string ReportFileName(platform::TDateTime start);
// Replaces every "%", CR and LF by "-".
std::string SanitizeLoggedName(std::string_view name);
// The report line formats, CR LF included.
std::string RunReportLine(int group, std::string_view pluginName, std::string_view name, std::uint64_t size);
std::string WindowCopyLine(std::uint8_t item, std::string_view pluginName, std::string_view name, std::uint64_t size);

// The date and time a report file's name stands for (its first 19 characters); nullopt for
// names that do not parse.
std::optional<platform::TDateTime> ParseReportName(std::string_view fileName);

// The program folder's "Reports\" folder.
std::string ReportsFolder();
// The run times ("hh:nn:ss") of the run reports of one day, in name order.
std::vector<std::string> ListReportTimes(platform::TDateTime date);
// The run report of a day and a time "hh:nn:ss", as the "Select Report Time" dialog rebuilds it.
std::string RunReportPath(platform::TDateTime date, std::string_view time);

// One row of the report viewers.
struct TReportRow
{
    std::string caption; // the object's file-name part
    std::string path;    // its folder part, with the trailing "\"
    std::uint64_t size = 0;
};

// The four lists of "Erased Files/ Folders": Browser, Windows, Plugins, Email and News (the
// item groups in order).
using TReportLists = std::array<std::vector<TReportRow>, 4>;

// Reads one run report into the lists. With a non-empty `search`, only rows whose caption
// matches "*" + search + "*" (case-insensitive wildcards) are kept. A missing file and lines
// that do not parse (a bad group or size) are skipped. False when the file could not be read.
bool ReadRunReport(const std::string& path, std::string_view search, TReportLists& lists);

// Every window copy in the temporary folder ("*.rep" whose names parse), in name order.
std::vector<std::string> WindowCopies();
// The newest window copy in the temporary folder, or nullopt.
std::optional<std::string> NewestWindowCopy();
// The erased item report of a Tracks Eraser row: the newest window copy's lines of `item`; for
// item 120 only the lines of the plug-in whose row caption ("Pluggin: " + name) equals
// `caption`, case-insensitively.
std::vector<TReportRow> ReadItemReport(std::string_view caption, std::uint8_t item);

// The caption of a plug-in row of the Tracks Eraser list.
std::string PluginRowCaption(std::string_view pluginName);

// Splits a logged path into the file-name part and the folder part (with its trailing "\").
TReportRow SplitLoggedPath(std::string_view path, std::uint64_t size);

} // namespace lumexa::core
