#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "cleaners/Cleaners.h"
#include "core/GeneralCleanerThread.h"
#include "core/MessageTable.h"
#include "core/RunReports.h"
#include "core/SecureCleaner.h"
#include "platform/Clipboard.h"
#include "platform/IniFile.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/TempDir.h"

namespace lumexa::app {
namespace {

using platform::HKEY_CURRENT_USER;
using platform::Machine;

constexpr const char* kRunMruKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
constexpr const char* kTelnetKey = "Software\\Microsoft\\Telnet";
constexpr const char* kExcelKey = "Software\\Microsoft\\Office\\11.0\\Excel\\Recent Files";
// The name of the reports of a run started at the fixture's clock time.
constexpr const char* kRunName = "2009_10_30_17_05_09.rep";

// A cleaner of the tests: its work is a function, so a test scripts the events a run sees.
class TScriptedCleaner : public core::TSecureCleaner
{
public:
    explicit TScriptedCleaner(std::function<void(TScriptedCleaner&)> work)
        : core::TSecureCleaner(std::uint8_t{0})
        , m_work(std::move(work))
    {}
    ~TScriptedCleaner() override { StopAndWait(); }

protected:
    void Execute() override
    {
        if (!Terminated())
            m_work(*this);
        SetTerminatedFlag();
    }

private:
    std::function<void(TScriptedCleaner&)> m_work;
};

// lumexa-cli's cleaning run, reports and statistics on a throwaway machine whose clock stands
// at 2009-10-30 17:05:09 (a Friday), with the real cleaners in the run's slots.
class CliTracksTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        SetClock("2009-10-30 17:05:09");
        std::string error;
        m_machine = Machine::Open(m_root, &error);
        ASSERT_TRUE(m_machine) << error;
        ResetSlots();
    }

    void TearDown() override
    {
        Machine::SetCurrent(nullptr);
        ResetSlots();
    }

    // The run's cleaner slots as the program installs them (a test may replace some).
    static void ResetSlots()
    {
        for (int number = 0; number < core::CleanerCount; ++number)
            core::SetCleanerFactory(number, {});
        core::SetSelectedPluginsSource({});
        cleaners::InstallCleaners();
    }

    // Fixes the machine's clock for the next commands (each command opens the machine anew).
    void SetClock(const std::string& local)
    {
        const std::string ini = m_root + "/machine.ini";
        platform::IniDocument doc = platform::IniDocument::Parse(test::ReadHostFile(ini));
        doc.Set("clock", "fixed", local);
        test::WriteHostFile(ini, doc.Serialize());
    }

    // The test's own view of the machine, made current (RunCli clears the current machine).
    Machine& M()
    {
        Machine::SetCurrent(m_machine);
        return *m_machine;
    }

    void Write(const std::string& path, const std::string& contents)
    {
        ASSERT_TRUE(M().Files().ForceDirectories(path.substr(0, path.rfind('\\'))));
        ASSERT_TRUE(M().Files().AppendToFile(path, contents)) << path;
    }
    std::string Read(const std::string& path) { return M().Files().ReadWholeFile(path).value_or("<missing>"); }
    bool FileExists(const std::string& path) { return M().Files().FileExists(path); }
    bool HasValue(const char* key, const char* value)
    {
        const auto opened = M().Registry().Open(HKEY_CURRENT_USER, key);
        return opened && opened->HasValue(value);
    }
    bool KeyExists(const char* key) { return M().Registry().Open(HKEY_CURRENT_USER, key) != nullptr; }
    void SetString(const char* key, const char* name, const char* value)
    {
        auto created = M().Registry().Create(HKEY_CURRENT_USER, key);
        ASSERT_TRUE(created && created->SetString(name, value)) << key << "\\" << name;
    }

    std::string Temp() { return M().Shell().TempPath(); }
    std::string OfficeFolder()
    {
        return *M().Shell().SpecialFolder(platform::Csidl::AppData) + "\\Microsoft\\Office\\";
    }
    std::string ReportsFolder() { return M().ProgramFolder() + "Reports\\"; }

    void Enable(std::initializer_list<int> items)
    {
        for (int item : items)
            ASSERT_EQ(Cli({"settings", "set", std::to_string(item), "true"}).code, 0) << "item " << item;
    }

    // Windows traces (temporary files, the Run history, Telnet history, the clipboard) and Office
    // traces (a Word shortcut, Excel's recent files), with items 92, 94, 101, 102, 111 and 113
    // enabled.
    void SeedTraces()
    {
        Write(Temp() + "a.tmp", std::string(100, 'a'));
        Write(Temp() + "sub\\b.log", std::string(20, 'b'));
        SetString(kRunMruKey, "a", "notepad\\1");
        SetString(kRunMruKey, "MRUList", "a");
        SetString(kTelnetKey, "Machine1", "host1");
        SetString(kTelnetKey, "LastMachine", "host1");
        SetString(kTelnetKey, "Machine9", "kept");
        ASSERT_TRUE(M().Clipboard().SetText("secret"));
        Write(OfficeFolder() + "Recent\\report.doc.lnk", std::string(10, 'l'));
        Write(OfficeFolder() + "Recent\\notes.txt", "kept");
        SetString(kExcelKey, "File1", "C:\\budget.xls");
        Enable({92, 94, 101, 102, 111, 113});
    }

    // Every seeded trace is still there.
    void ExpectTracesKept()
    {
        EXPECT_EQ(Read(Temp() + "a.tmp"), std::string(100, 'a'));
        EXPECT_EQ(Read(Temp() + "sub\\b.log"), std::string(20, 'b'));
        EXPECT_TRUE(HasValue(kRunMruKey, "a"));
        EXPECT_TRUE(HasValue(kTelnetKey, "Machine1"));
        EXPECT_TRUE(HasValue(kTelnetKey, "LastMachine"));
        EXPECT_EQ(M().Clipboard().GetText(), std::optional<std::string>("secret"));
        EXPECT_TRUE(FileExists(OfficeFolder() + "Recent\\report.doc.lnk"));
        EXPECT_TRUE(HasValue(kExcelKey, "File1"));
    }

    std::shared_ptr<Machine> m_machine;
};

// The rows of SeedTraces' items, as the Tracks Eraser list shows them when done.
constexpr const char* kSeededRows = "92\tTemp Folder\t120 B\tDone...\n"
                                    "94\tRun History\t0 B\tDone...\n"
                                    "101\tTelnet History\t0 B\tDone...\n"
                                    "102\tClipboard\t0 B\tDone...\n"
                                    "111\tMicrosoft Excel\t0 B\tDone...\n"
                                    "113\tMicrosoft Word\t10 B\tDone...\n";

TEST_F(CliTracksTest, AnalyzePrintsEachRowAndChangesNothing)
{
    SeedTraces();
    const CliRun run = Cli({"analyze"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, kSeededRows);
    EXPECT_EQ(run.err, "");
    ExpectTracesKept();

    // The window copy lists every object found, keyed by item; no run report, no statistics.
    EXPECT_EQ(Read(Temp() + kRunName),
              "92%" + Temp() + "a.tmp%100\r\n" + "92%" + Temp() + "sub\\b.log%20\r\n" + "113%" + OfficeFolder() +
                  "Recent\\report.doc.lnk%10\r\n");
    EXPECT_FALSE(FileExists(ReportsFolder() + kRunName));
    EXPECT_FALSE(FileExists(ReportsFolder() + "EraseSummary.ini"));
    // The run's time is recorded for analyses too.
    EXPECT_EQ(Cli({"settings", "get", "21"}).out, "2009-10-30 17:05:09\n");
}

TEST_F(CliTracksTest, AnalyzeJsonListsTheRowsAndEveryObject)
{
    SeedTraces();
    const CliRun run = Cli({"analyze", "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["analysis"], true);
    EXPECT_EQ(doc["failed"], 0);
    EXPECT_EQ(doc["window_copy"], Temp() + kRunName);
    EXPECT_FALSE(doc.contains("report"));
    ASSERT_EQ(doc["rows"].size(), 6u);
    EXPECT_EQ(
        doc["rows"][0],
        nlohmann::json(
            {{"item", 92}, {"name", "Temp Folder"}, {"size", 120}, {"size_text", "120 B"}, {"state", "Done..."}}));
    EXPECT_EQ(doc["rows"][5]["item"], 113);
    EXPECT_EQ(doc["rows"][5]["size"], 10);
    const nlohmann::json objects = {
        {{"name", Temp() + "a.tmp"}, {"item", 92}, {"plugin", ""}, {"success", true}, {"size", 100}},
        {{"name", Temp() + "sub\\b.log"}, {"item", 92}, {"plugin", ""}, {"success", true}, {"size", 20}},
        {{"name", OfficeFolder() + "Recent\\report.doc.lnk"},
         {"item", 113},
         {"plugin", ""},
         {"success", true},
         {"size", 10}}};
    EXPECT_EQ(doc["objects"], objects);
    ExpectTracesKept();
}

TEST_F(CliTracksTest, EraseRemovesTheTracesAndWritesReportsAndStatistics)
{
    SeedTraces();
    const CliRun run = Cli({"erase", "--yes"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, kSeededRows);

    EXPECT_FALSE(FileExists(Temp() + "a.tmp"));
    EXPECT_FALSE(FileExists(Temp() + "sub\\b.log"));
    EXPECT_FALSE(KeyExists(kRunMruKey));
    EXPECT_FALSE(HasValue(kTelnetKey, "Machine1"));
    EXPECT_FALSE(HasValue(kTelnetKey, "LastMachine"));
    EXPECT_TRUE(HasValue(kTelnetKey, "Machine9")) << "Telnet keeps eight entries: a ninth is not its history";
    EXPECT_FALSE(M().Clipboard().HasData());
    EXPECT_FALSE(FileExists(OfficeFolder() + "Recent\\report.doc.lnk"));
    EXPECT_TRUE(FileExists(OfficeFolder() + "Recent\\notes.txt"));
    EXPECT_FALSE(HasValue(kExcelKey, "File1"));

    // Run report: group (1 Windows) "%" name "%" size; window copy: the same keyed by item.
    EXPECT_EQ(Read(ReportsFolder() + kRunName),
              "1%" + Temp() + "a.tmp%100\r\n" + "1%" + Temp() + "sub\\b.log%20\r\n" + "1%" + OfficeFolder() +
                  "Recent\\report.doc.lnk%10\r\n");
    EXPECT_EQ(Read(Temp() + kRunName),
              "92%" + Temp() + "a.tmp%100\r\n" + "92%" + Temp() + "sub\\b.log%20\r\n" + "113%" + OfficeFolder() +
                  "Recent\\report.doc.lnk%10\r\n");

    const platform::IniFile summary(M().Files(), ReportsFolder() + "EraseSummary.ini");
    EXPECT_EQ(summary.ReadInteger("LastEraseJob", "Windows", -1), 130);
    EXPECT_EQ(summary.ReadInteger("TotalErased", "Windows", -1), 130);
    EXPECT_EQ(summary.ReadInteger("TotalErased", "Internet", -1), 0);
    EXPECT_EQ(summary.ReadString("LastEraseDate", "EraseDate", ""), "10/30/2009");
    EXPECT_EQ(Cli({"settings", "get", "21"}).out, "2009-10-30 17:05:09\n");

    // Item 94 (Run History) asks for a restart; the command says so and leaves it to the user.
    EXPECT_NE(run.err.find(core::Msg("strLX_MESSAGE507")), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("lumexa-cli machine reboot"), std::string::npos) << run.err;
    for (const std::string& line : M().JournalLines())
        EXPECT_EQ(line.find("ExitWindowsEx"), std::string::npos) << line;

    // A second run adds to the totals and replaces the last job. (Item 92 is left out: its sweep
    // of the temporary folder would also take the first run's window copy.)
    ASSERT_EQ(Cli({"settings", "set", "92", "false"}).code, 0);
    SetClock("2009-10-31 08:00:00");
    Write(OfficeFolder() + "Word\\letter.docx", std::string(7, 'c'));
    ASSERT_EQ(Cli({"erase", "--yes"}).code, 0);
    const platform::IniFile again(M().Files(), ReportsFolder() + "EraseSummary.ini");
    EXPECT_EQ(again.ReadInteger("LastEraseJob", "Windows", -1), 7);
    EXPECT_EQ(again.ReadInteger("TotalErased", "Windows", -1), 137);
    EXPECT_EQ(again.ReadString("LastEraseDate", "EraseDate", ""), "10/31/2009");
    EXPECT_EQ(Read(ReportsFolder() + "2009_10_31_08_00_00.rep"), "1%" + OfficeFolder() + "Word\\letter.docx%7\r\n");

    // The report commands read what the runs wrote.
    EXPECT_EQ(Cli({"reports", "list"}).out, "08:00:00\n");
    EXPECT_EQ(Cli({"reports", "list", "--date", "2009-10-30"}).out, "17:05:09\n");
    EXPECT_EQ(Cli({"reports", "item", "113"}).out,
              "File Name\tPath\tSize\nletter.docx\t" + OfficeFolder() + "Word\\\t7 B\n");
    const auto stats = nlohmann::json::parse(Cli({"stats", "show", "--json"}).out);
    EXPECT_EQ(stats["total"]["windows"], 137);
    EXPECT_EQ(stats["last_erase_date"], "2009-10-31");
}

TEST_F(CliTracksTest, EraseAsksAndOnlyYesGoesOn)
{
    Write(Temp() + "a.tmp", "a");
    Enable({92});
    struct Case
    {
        const char* name;
        std::string input;
        bool proceeds;
    };
    const Case cases[] = {
        {"no answer", "", false},
        {"n", "n\n", false},
        {"no", "no\n", false},
        {"other word", "sure\n", false},
        {"yes, padded and upper-cased", "  YES \n", true},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli({"erase"}, c.input);
        EXPECT_NE(run.err.find(core::Msg("strLX_MESSAGE505") + "\n" + core::Msg("strLX_MESSAGE506")), std::string::npos)
            << "case: " << c.name << "\n"
            << run.err;
        EXPECT_EQ(run.code, c.proceeds ? 0 : 1) << "case: " << c.name;
        EXPECT_EQ(FileExists(Temp() + "a.tmp"), !c.proceeds) << "case: " << c.name;
        EXPECT_EQ(FileExists(Temp() + kRunName), c.proceeds) << "case: " << c.name << ": a refused run never starts";
    }
    const CliRun y = Cli({"erase"}, "y\n");
    EXPECT_EQ(y.code, 0) << y.err;
    EXPECT_EQ(y.out, "92\tTemp Folder\t0 B\tDone...\n");
}

TEST_F(CliTracksTest, NothingEnabledIsRefused)
{
    Write(Temp() + "a.tmp", "a");
    const CliRun analyze = Cli({"analyze"});
    EXPECT_EQ(analyze.code, 1);
    EXPECT_EQ(analyze.out, "");
    EXPECT_NE(analyze.err.find("lumexa-cli: You must select at least one item to analyze\n"), std::string::npos)
        << analyze.err;
    const CliRun erase = Cli({"erase", "--yes"});
    EXPECT_EQ(erase.code, 1);
    EXPECT_NE(erase.err.find("lumexa-cli: You must select at least one item to delete\n"), std::string::npos)
        << erase.err;
    EXPECT_TRUE(FileExists(Temp() + "a.tmp"));
    EXPECT_FALSE(FileExists(Temp() + kRunName));
    EXPECT_EQ(Cli({"settings", "get", "21"}).out, "1899-12-30 00:00:00\n") << "no run took place";
}

TEST_F(CliTracksTest, AFileInUseFailsTheErase)
{
    Write(Temp() + "a.tmp", std::string(3, 'a'));
    Write(Temp() + "busy.tmp", std::string(5, 'b'));
    Enable({92});
    // Held open without sharing, as a running program holds its file.
    const auto held =
        M().Files().CreateFile(Temp() + "busy.tmp", platform::GENERIC_READ, 0, platform::Disposition::OpenExisting);
    ASSERT_TRUE(held);
    const CliRun run = Cli({"erase", "--yes"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "92\tTemp Folder\t8 B\tDone...\n") << "the row counts failed objects too";
    EXPECT_NE(run.err.find("lumexa-cli: 1 object(s) could not be erased"), std::string::npos) << run.err;
    EXPECT_TRUE(FileExists(Temp() + "busy.tmp"));
    EXPECT_FALSE(FileExists(Temp() + "a.tmp"));
    // Only what was erased is reported and counted.
    EXPECT_EQ(Read(ReportsFolder() + kRunName), "1%" + Temp() + "a.tmp%3\r\n");
    EXPECT_EQ(Read(Temp() + kRunName), "92%" + Temp() + "a.tmp%3\r\n");
    EXPECT_EQ(
        platform::IniFile(M().Files(), ReportsFolder() + "EraseSummary.ini").ReadInteger("TotalErased", "Windows", -1),
        3);
}

TEST_F(CliTracksTest, RowsFollowPluginsAndCleanersThatNeverRan)
{
    // Two selected plug-ins; the plug-in cleaner works on the first only (its name in another
    // case), and no mail cleaner is installed, so the mail row never starts.
    core::SetSelectedPluginsSource([] { return std::vector<std::string>{"Foo", "Bar"}; });
    core::SetCleanerFactory(core::CleanerPlugin, [] {
        return std::make_unique<TScriptedCleaner>([](TScriptedCleaner& cleaner) {
            cleaner.CurrentItem = core::PluginItem;
            cleaner.DoPluginStarted("FOO");
            cleaner.DoReportErased("C:\\foo\\one.dat", true, 5);
            cleaner.DoReportErased("C:\\foo\\two%.dat", true, 6);
            cleaner.DoPluginFinished("FOO");
        });
    });
    core::SetCleanerFactory(core::CleanerMail, {});
    Enable({115});
    const CliRun run = Cli({"analyze"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out,
              "120\tPluggin: Foo\t11 B\tDone...\n"
              "120\tPluggin: Bar\tN/A\tPending\n"
              "115\tOutlook Express\tN/A\tPending\n");
    // Plug-in objects: 120, the plug-in's name, then the object ("%" in a name becomes "-").
    EXPECT_EQ(Read(Temp() + kRunName), "120%FOO%C:\\foo\\one.dat%5\r\n120%FOO%C:\\foo\\two-.dat%6\r\n");

    const auto doc = nlohmann::json::parse(Cli({"analyze", "--json"}).out);
    EXPECT_EQ(
        doc["rows"][1],
        nlohmann::json(
            {{"item", 120}, {"name", "Pluggin: Bar"}, {"size", nullptr}, {"size_text", "N/A"}, {"state", "Pending"}}));
    EXPECT_EQ(doc["objects"][1]["plugin"], "FOO");
    EXPECT_EQ(doc["objects"][1]["item"], 120);
}

// Report files as a run writes them (formats checked byte for byte by the erase test above).
class CliReportsTest : public CliTracksTest
{
protected:
    void WriteReport(const std::string& name, const std::string& lines) { Write(ReportsFolder() + name, lines); }
};

TEST_F(CliReportsTest, ListGivesTheRunTimesOfADay)
{
    WriteReport("2009_10_30_09_00_01.rep", "1%C:\\a.txt%1\r\n");
    WriteReport("2009_10_30_17_05_09.rep", "1%C:\\b.txt%2\r\n");
    WriteReport("2009_10_30_12_30_00.rep", "1%C:\\c.txt%3\r\n");
    WriteReport("2009_10_29_12_00_00.rep", "1%C:\\d.txt%4\r\n");
    WriteReport("notareport.rep", "1%C:\\e.txt%5\r\n");

    const CliRun today = Cli({"reports", "list"});
    EXPECT_EQ(today.code, 0) << today.err;
    EXPECT_EQ(today.out, "09:00:01\n12:30:00\n17:05:09\n");
    EXPECT_EQ(Cli({"reports", "list", "--date", "2009-10-29"}).out, "12:00:00\n");

    const CliRun none = Cli({"reports", "list", "--date", "2009-10-28"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "lumexa-cli: No reports where found for the selected date (2009-10-28)\n");
}

TEST_F(CliReportsTest, ShowReadsTheFourListsOfADayOrOfOneRun)
{
    WriteReport("2009_10_30_09_00_01.rep",
                "0%C:\\ie\\index.dat%2048\r\n"
                "1%C:\\tmp\\Report.DOC%100\r\n"
                "2%Foo%C:\\foo\\mydoc.txt%5\r\n"
                "bad line\r\n"
                "7%C:\\x\\other.txt%1\r\n");
    WriteReport("2009_10_30_17_05_09.rep",
                "3%C:\\mail\\readme.txt%3\r\n"
                "1%C:\\tmp\\b.tmp%4\r\n");

    const CliRun all = Cli({"reports", "show", "--date", "2009-10-30"});
    EXPECT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(all.out,
              "[Browser]\nFile Name\tPath\tSize\nindex.dat\tC:\\ie\\\t2.00 KB\n\n"
              "[Windows]\nFile Name\tPath\tSize\nReport.DOC\tC:\\tmp\\\t100 B\nb.tmp\tC:\\tmp\\\t4 B\n\n"
              "[Plugins]\nFile Name\tPath\tSize\nmydoc.txt\tC:\\foo\\\t5 B\n\n"
              "[Email and News]\nFile Name\tPath\tSize\nreadme.txt\tC:\\mail\\\t3 B\n\n"
              "1 Browser Records\n2 Windows Records\n1 Plugins Records\n1 Mail and News Records\n\n5 Total Records\n");

    const CliRun one = Cli({"reports", "show", "--date", "2009-10-30", "--time", "17:05:09", "--json"});
    ASSERT_EQ(one.code, 0) << one.err;
    const auto doc = nlohmann::json::parse(one.out);
    EXPECT_EQ(doc["reports"], nlohmann::json({"17:05:09"}));
    EXPECT_EQ(doc["lists"]["windows"],
              nlohmann::json({{{"file_name", "b.tmp"}, {"path", "C:\\tmp\\"}, {"size", 4}, {"size_text", "4 B"}}}));
    EXPECT_EQ(doc["lists"]["browser"].size(), 0u);
    EXPECT_EQ(doc["counts"],
              nlohmann::json({{"browser", 0}, {"windows", 1}, {"plugins", 0}, {"email", 1}, {"total", 2}}));

    // A search for doc keeps Report.DOC and mydoc.txt and drops readme.txt.
    const auto found =
        nlohmann::json::parse(Cli({"reports", "show", "--date", "2009-10-30", "--search", "doc", "--json"}).out);
    EXPECT_EQ(found["counts"],
              nlohmann::json({{"browser", 0}, {"windows", 1}, {"plugins", 1}, {"email", 0}, {"total", 2}}));
    EXPECT_EQ(found["lists"]["plugins"][0]["file_name"], "mydoc.txt") << "the object's name, not the plug-in's";

    const CliRun missingTime = Cli({"reports", "show", "--date", "2009-10-30", "--time", "10:00:00"});
    EXPECT_EQ(missingTime.code, 1);
    EXPECT_NE(missingTime.err.find("no report of 2009-10-30 at 10:00:00"), std::string::npos) << missingTime.err;
    const CliRun emptyDay = Cli({"reports", "show", "--date", "2009-11-01"});
    EXPECT_EQ(emptyDay.code, 1);
    EXPECT_EQ(emptyDay.err, "lumexa-cli: No reports where found for the selected date (2009-11-01)\n");
}

TEST_F(CliReportsTest, ItemShowsTheNewestWindowCopy)
{
    const CliRun none = Cli({"reports", "item", "92"});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("no run has left a report"), std::string::npos) << none.err;

    Write(Temp() + "2009_10_29_10_00_00.rep", "92%C:\\old\\x.tmp%1\r\n");
    Write(Temp() + "2009_10_30_10_00_00.rep",
          "92%C:\\t\\a.tmp%1536\r\n"
          "93%C:\\r\\b.lnk%2\r\n"
          "120%Foo%C:\\foo\\one.dat%5\r\n"
          "120%Bar%C:\\bar\\two.dat%6\r\n"
          "92%C:\\t\\sub\\c.tmp%3\r\n");
    Write(Temp() + "zzz.rep", "92%C:\\z\\ignored.tmp%9\r\n");

    const CliRun temp = Cli({"reports", "item", "92"});
    EXPECT_EQ(temp.code, 0) << temp.err;
    EXPECT_EQ(temp.out, "File Name\tPath\tSize\na.tmp\tC:\\t\\\t1.50 KB\nc.tmp\tC:\\t\\sub\\\t3 B\n");

    const CliRun plugin = Cli({"reports", "item", "120", "--caption", "PLUGGIN: foo", "--json"});
    ASSERT_EQ(plugin.code, 0) << plugin.err;
    const auto doc = nlohmann::json::parse(plugin.out);
    EXPECT_EQ(doc["report"], Temp() + "2009_10_30_10_00_00.rep");
    EXPECT_EQ(doc["rows"],
              nlohmann::json({{{"file_name", "one.dat"}, {"path", "C:\\foo\\"}, {"size", 5}, {"size_text", "5 B"}}}));

    const CliRun noCaption = Cli({"reports", "item", "120"});
    EXPECT_EQ(noCaption.code, 2);
    EXPECT_NE(noCaption.err.find("--caption"), std::string::npos) << noCaption.err;
    EXPECT_EQ(Cli({"reports", "item", "94"}).out, "File Name\tPath\tSize\n") << "no lines of that item";
}

TEST_F(CliReportsTest, StatsShowsThePageAndResetClearsIt)
{
    // Counters past 32 bits stay exact; a total written negative by an old build shows as such.
    Write(ReportsFolder() + "EraseSummary.ini",
          "[TotalErased]\r\nInternet=5000000000\r\nWindows=1536\r\nPlugins=0\r\nEMail=-2048\r\n"
          "[LastEraseJob]\r\nWindows=12\r\n"
          "[DiskCleaner]\r\nObsoleteCleaner=3\r\nDuplicateCleaner=1500\r\nBSCleaner=0\r\nFShredder=2048\r\n"
          "[FileLocker]\r\nFLock=7\r\n"
          "[LastEraseDate]\r\nEraseDate=10/30/2009\r\n");
    const CliRun show = Cli({"stats", "show"});
    EXPECT_EQ(show.code, 0) << show.err;
    EXPECT_EQ(show.out,
              "Overall Tracks Erasing Summary\n"
              "  Browsers: 4.66 GB\n"
              "  Windows: 1.50 KB\n"
              "  Plugins: 0 B\n"
              "  Mail and News: -2.00 KB\n"
              "Overall Disk Cleaning Summary\n"
              "  Obsolete Files: 3 Byte\n"
              "  Duplicate Files: 1.5 KB\n"
              "  Broken Shortcuts: 0 Byte\n"
              "  Files Shredder: 2.0 KB\n"
              "Files Protection Summary\n"
              "  Files and Folders Protected: 7 Byte\n"
              "Last Erase Process\n"
              "  Friday, October 30, 2009\n");

    const auto doc = nlohmann::json::parse(Cli({"stats", "show", "--json"}).out);
    EXPECT_EQ(doc["total"]["internet"].get<std::int64_t>(), 5000000000);
    EXPECT_EQ(doc["total"]["email"].get<std::int64_t>(), -2048);
    EXPECT_EQ(doc["last_job"]["windows"], 12);
    EXPECT_EQ(doc["disk_cleaner"]["duplicate_files"], 1500);
    EXPECT_EQ(doc["files_protected"], 7);
    EXPECT_EQ(doc["last_erase_date"], "2009-10-30");

    const CliRun reset = Cli({"stats", "reset"});
    EXPECT_EQ(reset.code, 0) << reset.err;
    EXPECT_FALSE(FileExists(ReportsFolder() + "EraseSummary.ini"));
    EXPECT_EQ(Cli({"stats", "show"}).out,
              "Overall Tracks Erasing Summary\n"
              "  Browsers: 0 B\n"
              "  Windows: 0 B\n"
              "  Plugins: 0 B\n"
              "  Mail and News: 0 B\n"
              "Overall Disk Cleaning Summary\n"
              "  Obsolete Files: 0 Byte\n"
              "  Duplicate Files: 0 Byte\n"
              "  Broken Shortcuts: 0 Byte\n"
              "  Files Shredder: 0 Byte\n"
              "Files Protection Summary\n"
              "  Files and Folders Protected: 0 Byte\n"
              "Last Erase Process\n"
              "  -----\n");
    EXPECT_EQ(nlohmann::json::parse(Cli({"stats", "show", "--json"}).out)["last_erase_date"], nullptr);
}

TEST_F(CliReportsTest, BadInputIsAUsageError)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> args;
        const char* message; // part of stderr
    };
    const Case cases[] = {
        {"month 13", {"reports", "list", "--date", "2009-13-01"}, "\"2009-13-01\" is not a date YYYY-MM-DD"},
        {"short day", {"reports", "list", "--date", "2009-10-3"}, "is not a date"},
        {"February 30", {"reports", "show", "--date", "2009-02-30"}, "is not a date"},
        {"a word", {"reports", "show", "--date", "yesterday"}, "is not a date"},
        {"hour 25", {"reports", "show", "--date", "2009-10-30", "--time", "25:00:00"}, "is not a time HH:MM:SS"},
        {"no seconds", {"reports", "show", "--date", "2009-10-30", "--time", "17:05"}, "is not a time"},
        {"show without a date", {"reports", "show"}, "--date is required"},
        {"item 256", {"reports", "item", "256"}, "not in range"},
        {"item -1", {"reports", "item", "-1"}, "not in range"},
        {"item not a number", {"reports", "item", "x"}, "ITEM"},
        {"unknown analyze option", {"analyze", "--bogus"}, "--bogus"},
        {"analyze has no --yes", {"analyze", "--yes"}, "--yes"},
        {"unknown stats command", {"stats", "clear"}, "A subcommand is required"},
        {"reports without a command", {"reports"}, "subcommand"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.code, 2) << "case: " << c.name << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << "case: " << c.name << "\n" << run.err;
    }
}

} // namespace
} // namespace lumexa::app
