#include <cmath>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "cleaners/Cleaners.h"
#include "core/EraseSummary.h"
#include "core/GeneralCleanerThread.h"
#include "core/Helpers.h"
#include "core/MessageTable.h"
#include "core/RunReports.h"
#include "core/SecureDeleteHelpers.h"
#include "core/SettingsManager.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

// The Tracks Eraser, the report pages and the statistics page without windows: a cleaning run
// of every enabled item (analyze, erase), the run reports of a day and the erased item report
// (reports), and the statistics file (stats).
namespace lumexa::app {

namespace {

using nlohmann::ordered_json;
using platform::Machine;

constexpr std::uint8_t kLastRunItem = 21;

// ---------------------------------------------------------------------------------------------
// Dates and times of the command line.

// "YYYY-MM-DD" exactly, and a real date.
std::optional<platform::TDateTime> ParseDay(const std::string& text)
{
    int y = 0, m = 0, d = 0, used = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &used) != 3 || used != 10 ||
        text[4] != '-' || text[7] != '-')
        return std::nullopt;
    return platform::EncodeDateTime(y, m, d);
}

// "HH:MM:SS" exactly, and a real time of day.
bool IsTimeOfDay(const std::string& text)
{
    int h = 0, m = 0, s = 0, used = 0;
    if (text.size() != 8 || std::sscanf(text.c_str(), "%2d:%2d:%2d%n", &h, &m, &s, &used) != 3 || used != 8 ||
        text[2] != ':' || text[5] != ':')
        return false;
    return platform::EncodeDateTime(2000, 1, 1, h, m, s).has_value();
}

const CLI::Validator kDayValidator(
    [](std::string& text) { return ParseDay(text) ? std::string() : "\"" + text + "\" is not a date YYYY-MM-DD"; },
    "YYYY-MM-DD");

const CLI::Validator kTimeValidator(
    [](std::string& text) { return IsTimeOfDay(text) ? std::string() : "\"" + text + "\" is not a time HH:MM:SS"; },
    "HH:MM:SS");

platform::TDateTime Today()
{
    return std::floor(Machine::Current().Clock().Now());
}

std::string DayText(platform::TDateTime day)
{
    return platform::FormatDateTime("yyyy-mm-dd", day, Machine::Current().Clock().UserLocale());
}

// ---------------------------------------------------------------------------------------------
// analyze / erase

// One row of the Tracks Eraser list, as the page shows it.
struct TRunRow
{
    core::TEraseListRow row;
    std::uint64_t size = 0;
    bool started = false;
    bool finished = false;
};

struct TRunArgs
{
    bool json = false;
    bool yes = false;
};

// Follows a run's events as the Tracks Eraser page does (current row, its size and state) and
// prints each row when it is done. Events arrive on the cleaner's thread; the lock keeps the
// rows and the output whole.
class TRunPrinter
{
public:
    TRunPrinter(TCliContext& context, std::vector<core::TEraseListRow> rows, bool json)
        : m_context(context)
        , m_json(json)
    {
        for (auto& row : rows)
            m_rows.push_back({std::move(row)});
    }

    void Wire(core::TGeneralCleannerThread& run)
    {
        run.OnItemStarted = [this](std::uint8_t item) {
            std::lock_guard lock(m_mutex);
            Start([item](const TRunRow& row) { return row.row.item == item; });
        };
        run.OnPluginStarted = [this](const std::string& name) {
            std::lock_guard lock(m_mutex);
            const std::string caption = platform::UpperCase(core::PluginRowCaption(name));
            Start([&caption](const TRunRow& row) {
                return row.row.item == core::PluginItem && platform::UpperCase(row.row.caption) == caption;
            });
        };
        run.OnItemFinished = [this](std::uint8_t) { Finish(); };
        run.OnPluginFinished = [this](const std::string&) { Finish(); };
        run.OnProgress = [this](std::uint8_t, std::uint64_t total) {
            std::lock_guard lock(m_mutex);
            if (m_current)
                m_current->size = total;
        };
        run.OnObject = [this](const std::string& name,
                              const std::string& pluginName,
                              std::uint8_t item,
                              bool success,
                              std::uint64_t size) {
            if (!m_json || name.empty())
                return;
            std::lock_guard lock(m_mutex);
            m_objects.push_back(
                {{"name", name}, {"item", item}, {"plugin", pluginName}, {"success", success}, {"size", size}});
        };
    }

    // Rows whose cleaner never started keep "N/A" and "Pending", as on the page.
    void PrintPending()
    {
        if (m_json)
            return;
        for (const TRunRow& row : m_rows)
            if (!row.started)
                Print(row);
    }

    ordered_json Json() const
    {
        ordered_json rows = ordered_json::array();
        for (const TRunRow& row : m_rows) {
            ordered_json entry{{"item", row.row.item}, {"name", row.row.caption}};
            entry["size"] = row.started ? ordered_json(row.size) : ordered_json(nullptr);
            entry["size_text"] = SizeText(row);
            entry["state"] = StateText(row);
            rows.push_back(std::move(entry));
        }
        return {{"rows", rows}, {"objects", m_objects}};
    }

private:
    template <typename Match> void Start(Match match)
    {
        for (TRunRow& row : m_rows)
            if (match(row)) {
                m_current = &row;
                row.started = true;
                row.finished = false;
                row.size = 0;
                return;
            }
        // No such row: the current row stays, as on the page.
    }

    void Finish()
    {
        std::lock_guard lock(m_mutex);
        if (!m_current || m_current->finished)
            return;
        m_current->finished = true;
        if (!m_json)
            Print(*m_current);
    }

    void Print(const TRunRow& row)
    {
        m_context.out << static_cast<int>(row.row.item) << "\t" << row.row.caption << "\t" << SizeText(row) << "\t"
                      << StateText(row) << "\n"
                      << std::flush;
    }

    static std::string SizeText(const TRunRow& row)
    {
        return row.started ? core::FormatSize(row.size) : core::Msg("strLX_CAPTION579");
    }
    static std::string StateText(const TRunRow& row)
    {
        if (row.finished)
            return core::Msg("strLX_CAPTION582");
        return core::Msg(row.started ? "strLX_CAPTION581" : "strLX_CAPTION580");
    }

    TCliContext& m_context;
    bool m_json;
    std::mutex m_mutex;
    std::vector<TRunRow> m_rows;
    TRunRow* m_current = nullptr;
    ordered_json m_objects = ordered_json::array();
};

// The close-your-applications notice, answered on stdin. True to go on.
bool Confirmed(TCliContext& context)
{
    context.err << core::Msg("strLX_MESSAGE505") << "\n"
                << core::Msg("strLX_MESSAGE506") << "\n"
                << "Erase now? [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(context.in, answer))
        context.err << "\n"; // no answer at all: end the prompt's line
    answer = platform::LowerCase(platform::Trim(answer));
    return answer == "y" || answer == "yes";
}

int RunTracks(TCliContext& context, bool analysis, const TRunArgs& args)
{
    std::vector<core::TEraseListRow> rows = core::BuildEraseList();
    if (rows.empty()) {
        context.Fail(core::Msg(analysis ? "strLX_MESSAGE504" : "strLX_MESSAGE503"));
        context.err << "Enable trace items first, e.g.: lumexa-cli settings set 92 true (see: lumexa-cli catalogue)\n";
        return 1;
    }
    if (!analysis && !args.yes && !Confirmed(context))
        return context.Fail("cancelled; nothing was erased");

    TRunPrinter printer(context, std::move(rows), args.json);
    core::TGeneralCleannerThread run(true, analysis);
    printer.Wire(run);
    run.Resume();
    run.WaitFor();
    printer.PrintPending();

    if (!core::TSettingsManager::WriteDate(kLastRunItem, Machine::Current().Clock().Now()))
        context.err << "lumexa-cli: warning: the run's time could not be stored (item 21)\n";

    const std::uint64_t failed = run.FailedObjects();
    if (args.json) {
        ordered_json doc{{"analysis", analysis}};
        doc.update(printer.Json());
        doc["failed"] = failed;
        doc["window_copy"] = run.WindowCopyPath();
        if (!analysis)
            doc["report"] = run.ReportPath();
        context.out << doc.dump(2) << "\n";
    }
    if (!analysis && core::RestartWanted())
        context.err << core::Msg("strLX_MESSAGE507") << "\n"
                    << "lumexa-cli does not restart Windows; restart the machine with: lumexa-cli machine reboot\n";
    if (failed > 0)
        return context.Fail(std::to_string(failed) + " object(s) could not be " + (analysis ? "read" : "erased"));
    return 0;
}

// ---------------------------------------------------------------------------------------------
// reports

struct TReportArgs
{
    std::string date;
    std::string time;
    std::string search;
    std::string caption;
    int item = 0;
    bool json = false;
};

platform::TDateTime DayOf(const TReportArgs& args)
{
    return args.date.empty() ? Today() : *ParseDay(args.date);
}

int ReportsList(TCliContext& context, const TReportArgs& args)
{
    const std::vector<std::string> times = core::ListReportTimes(DayOf(args));
    if (times.empty())
        return context.Fail(core::Msg("strLX_MESSAGE511") + " (" + DayText(DayOf(args)) + ")");
    for (const std::string& time : times)
        context.out << time << "\n";
    return 0;
}

ordered_json RowsJson(const std::vector<core::TReportRow>& rows)
{
    ordered_json list = ordered_json::array();
    for (const core::TReportRow& row : rows)
        list.push_back({{"file_name", row.caption},
                        {"path", row.path},
                        {"size", row.size},
                        {"size_text", core::FormatSize(row.size)}});
    return list;
}

void PrintRows(std::ostream& out, const std::vector<core::TReportRow>& rows)
{
    out << core::Msg("strLX_CAPTION593") << "\t" << core::Msg("strLX_CAPTION596") << "\t"
        << core::Msg("strLX_CAPTION573") << "\n";
    for (const core::TReportRow& row : rows)
        out << row.caption << "\t" << row.path << "\t" << core::FormatSize(row.size) << "\n";
}

int ReportsShow(TCliContext& context, const TReportArgs& args)
{
    const platform::TDateTime day = DayOf(args);
    std::vector<std::string> times;
    if (!args.time.empty()) {
        if (!Machine::Current().Files().FileExists(core::RunReportPath(day, args.time)))
            return context.Fail("no report of " + DayText(day) + " at " + args.time +
                                " (see: lumexa-cli reports list --date " + DayText(day) + ")");
        times.push_back(args.time);
    } else {
        times = core::ListReportTimes(day);
    }
    if (times.empty())
        return context.Fail(core::Msg("strLX_MESSAGE511") + " (" + DayText(day) + ")");

    core::TReportLists lists;
    for (const std::string& time : times)
        core::ReadRunReport(core::RunReportPath(day, time), args.search, lists);

    static constexpr const char* kListCaptions[] = {
        "strLX_CAPTION594", "strLX_CAPTION535", "strLX_CAPTION517", "strLX_CAPTION595"};
    static constexpr const char* kListKeys[] = {"browser", "windows", "plugins", "email"};
    static constexpr const char* kCountTexts[] = {
        "strLX_MESSAGE512", "strLX_MESSAGE513", "strLX_MESSAGE514", "strLX_MESSAGE515"};
    std::size_t total = 0;
    for (const auto& rows : lists)
        total += rows.size();

    if (args.json) {
        ordered_json doc{{"date", DayText(day)}, {"reports", times}};
        ordered_json listDoc = ordered_json::object();
        ordered_json counts = ordered_json::object();
        for (std::size_t i = 0; i < lists.size(); ++i) {
            listDoc[kListKeys[i]] = RowsJson(lists[i]);
            counts[kListKeys[i]] = lists[i].size();
        }
        counts["total"] = total;
        doc["lists"] = listDoc;
        doc["counts"] = counts;
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    for (std::size_t i = 0; i < lists.size(); ++i) {
        context.out << "[" << core::Msg(kListCaptions[i]) << "]\n";
        PrintRows(context.out, lists[i]);
        context.out << "\n";
    }
    for (std::size_t i = 0; i < lists.size(); ++i)
        context.out << lists[i].size() << core::Msg(kCountTexts[i]) << "\n";
    context.out << "\n" << total << core::Msg("strLX_MESSAGE516") << "\n";
    return 0;
}

int ReportsItem(TCliContext& context, const TReportArgs& args, bool captionGiven)
{
    const auto item = static_cast<std::uint8_t>(args.item);
    if (item == core::PluginItem && !captionGiven) {
        context.err << "lumexa-cli: item 120 needs --caption \"" << core::PluginRowCaption("NAME")
                    << "\" (the plug-in's row)\n";
        return 2;
    }
    const auto windowCopy = core::NewestWindowCopy();
    if (!windowCopy)
        return context.Fail("no run has left a report in the temporary folder (run: lumexa-cli analyze)");
    const std::string caption = captionGiven ? args.caption : core::TSettingsManager::GetItemName(item);
    const std::vector<core::TReportRow> rows = core::ReadItemReport(caption, item);
    if (args.json) {
        const ordered_json doc{
            {"report", *windowCopy}, {"item", args.item}, {"caption", caption}, {"rows", RowsJson(rows)}};
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    PrintRows(context.out, rows);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// stats

// Totals are bytes; a file written by an older build may hold a total that wrapped negative,
// shown as such rather than as an enormous size.
std::string SignedSize(std::int64_t n)
{
    return n < 0 ? "-" + core::FormatSize(0 - static_cast<std::uint64_t>(n))
                 : core::FormatSize(static_cast<std::uint64_t>(n));
}

std::string Count(std::int64_t n)
{
    return core::FormatByteCount("%d", n);
}

int StatsShow(TCliContext& context, bool json)
{
    const core::TEraseSummary summary;
    const std::string lastErase = summary.LastEraseDate == 0
                                      ? std::string("-----")
                                      : platform::FormatDateTime("dddd, mmmm dd, yyyy",
                                                                 summary.LastEraseDate,
                                                                 Machine::Current().Clock().UserLocale());
    if (json) {
        auto groups = [](const core::TGroupCounters& c) {
            return ordered_json{{"internet", c[core::GroupInternet]},
                                {"windows", c[core::GroupWindows]},
                                {"plugins", c[core::GroupPlugins]},
                                {"email", c[core::GroupEMail]}};
        };
        ordered_json doc{{"total", groups(summary.Total)},
                         {"last_job", groups(summary.LastJob)},
                         {"disk_cleaner",
                          {{"obsolete_files", summary.ObsoleteCleaner},
                           {"duplicate_files", summary.DuplicateCleaner},
                           {"broken_shortcuts", summary.BSCleaner},
                           {"files_shredder", summary.FShredder}}},
                         {"files_protected", summary.FLock}};
        doc["last_erase_date"] =
            summary.LastEraseDate == 0 ? ordered_json(nullptr) : ordered_json(DayText(summary.LastEraseDate));
        doc["last_erase_text"] = lastErase;
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    std::ostream& out = context.out;
    auto line = [&out](const char* key, const std::string& value) {
        out << "  " << core::Msg(key) << ": " << value << "\n";
    };
    out << core::Msg("strLX_CAPTION584") << "\n";
    line("strLX_CAPTION534", SignedSize(summary.Total[core::GroupInternet]));
    line("strLX_CAPTION535", SignedSize(summary.Total[core::GroupWindows]));
    line("strLX_CAPTION517", SignedSize(summary.Total[core::GroupPlugins]));
    line("strLX_CAPTION585", SignedSize(summary.Total[core::GroupEMail]));
    out << core::Msg("strLX_CAPTION586") << "\n";
    line("strLX_CAPTION546", Count(summary.ObsoleteCleaner));
    line("strLX_CAPTION547", Count(summary.DuplicateCleaner));
    line("strLX_CAPTION548", Count(summary.BSCleaner));
    line("strLX_CAPTION549", Count(summary.FShredder));
    out << core::Msg("strLX_CAPTION587") << "\n";
    line("strLX_CAPTION588", Count(summary.FLock));
    out << core::Msg("strLX_CAPTION550") << "\n";
    out << "  " << lastErase << "\n";
    return 0;
}

int StatsReset(TCliContext& context)
{
    if (!core::TEraseSummary::Reset())
        return context.Fail("cannot delete " + core::TEraseSummary::GetFileName());
    return 0;
}

void AddRunCommand(CLI::App& app, TCliContext& context, TCliDispatch& dispatch, bool analysis)
{
    auto args = std::make_shared<TRunArgs>();
    CLI::App* command = analysis
                            ? app.add_subcommand("analyze", "Find the traces of every enabled item; change nothing")
                            : app.add_subcommand("erase", "Erase the traces of every enabled item (the Tracks Eraser)");
    command->add_flag("--json", args->json, "Print one JSON document: the rows and every object");
    if (!analysis)
        command->add_flag("--yes", args->yes, "Do not ask to close running applications first");
    dispatch.On(command,
                [&context, args, analysis] { return context.OpenMachine() ? RunTracks(context, analysis, *args) : 1; });
}

} // namespace

void AddTracksCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    // The cleaners plug into the run's slots once per process; tests may replace a slot later.
    static std::once_flag installed;
    std::call_once(installed, [] { cleaners::InstallCleaners(); });

    AddRunCommand(app, context, dispatch, true);
    AddRunCommand(app, context, dispatch, false);

    auto args = std::make_shared<TReportArgs>();
    CLI::App* reports = app.add_subcommand("reports", "Read the run reports and the erased item report");
    reports->require_subcommand(1);

    CLI::App* list = reports->add_subcommand("list", "The run times of one day");
    list->add_option("--date", args->date, "The day (default: today on the machine's clock)")->check(kDayValidator);
    dispatch.On(list, [&context, args] { return context.OpenMachine() ? ReportsList(context, *args) : 1; });

    CLI::App* show = reports->add_subcommand("show", "The erased files of a day's runs, or of one run");
    show->add_option("--date", args->date, "The day")->required()->check(kDayValidator);
    show->add_option("--time", args->time, "Only the run of this time (see: reports list)")->check(kTimeValidator);
    show->add_option("--search", args->search, "Only files whose name contains this text (wildcards allowed)");
    show->add_flag("--json", args->json, "Print one JSON document");
    dispatch.On(show, [&context, args] { return context.OpenMachine() ? ReportsShow(context, *args) : 1; });

    CLI::App* item = reports->add_subcommand("item", "What the newest run found or erased for one item");
    item->add_option("ITEM", args->item, "Item number (120 for a plug-in)")->required()->check(CLI::Range(0, 255));
    CLI::Option* caption = item->add_option("--caption",
                                            args->caption,
                                            "The row's caption (default: the item's name; for 120 "
                                            "\"Pluggin: NAME\")");
    item->add_flag("--json", args->json, "Print one JSON document");
    dispatch.On(item, [&context, args, caption] {
        return context.OpenMachine() ? ReportsItem(context, *args, caption->count() > 0) : 1;
    });

    auto json = std::make_shared<bool>(false);
    CLI::App* stats = app.add_subcommand("stats", "The erase statistics (Reports\\EraseSummary.ini)");
    stats->require_subcommand(1);
    CLI::App* statsShow = stats->add_subcommand("show", "Totals per group, disk cleaners, last erase date");
    statsShow->add_flag("--json", *json, "Print one JSON document (raw byte counts)");
    dispatch.On(statsShow, [&context, json] { return context.OpenMachine() ? StatsShow(context, *json) : 1; });
    CLI::App* statsReset = stats->add_subcommand("reset", "Delete the statistics file");
    dispatch.On(statsReset, [&context] { return context.OpenMachine() ? StatsReset(context) : 1; });
}

} // namespace lumexa::app
