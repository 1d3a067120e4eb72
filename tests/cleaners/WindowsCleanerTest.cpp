#include "cleaners/WindowsCleaner.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaners/CleanerRun.h"
#include "core/SecureDeleteOptions.h"
#include "core/SettingsManager.h"
#include "platform/Clipboard.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/RecycleBin.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/MachineTest.h"

namespace lumexa::cleaners {
namespace {

using platform::HKEY;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using test::RunCleaner;
using test::TCleanerRecord;
using test::TErased;

constexpr const char* Explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* SearchBar = "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\"
                                  "{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}";
constexpr const char* Telnet = "Software\\Microsoft\\Telnet";
constexpr const char* MemoryManagement = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";

std::string Join(const std::string& a, const std::string& b)
{
    return a + "\\" + b;
}

// A registry trace: a key (value null) or one value of a key.
struct TRegistryTrace
{
    HKEY root;
    std::string key;
    const char* value = nullptr;
};

std::string Describe(const TRegistryTrace& trace)
{
    return platform::Registry::RootName(trace.root) + "\\" + trace.key + (trace.value ? " : " : "") +
           (trace.value ? trace.value : "");
}

class WindowsCleanerTest : public test::MachineTest
{
protected:
    std::string Temp() { return machine().Shell().TempPath(); } // with trailing "\"
    std::string Windows() { return machine().Shell().WindowsDirectory(); }
    std::string Folder(platform::Csidl csidl) { return machine().Shell().SpecialFolder(csidl).value_or(""); }

    // Runs the cleaner on `items` with a deletion method (0 plain delete, 6 analysis).
    TCleanerRecord Run(std::initializer_list<std::uint8_t> items,
                       std::uint8_t method = core::MethodNone,
                       std::vector<std::string> kept = {})
    {
        TWindowsCleaner cleaner(0, true, 0);
        for (const std::uint8_t item : items)
            cleaner.Items.set(item);
        cleaner.Options.Method = method;
        cleaner.KeptFiles = std::move(kept);
        return RunCleaner(cleaner);
    }

    // Creates the trace: a key gets a value and a subkey (so that its whole subtree must go),
    // a value is written into its key.
    void Seed(const TRegistryTrace& trace)
    {
        auto key = machine().Registry().Create(trace.root, trace.key);
        ASSERT_TRUE(key) << Describe(trace);
        if (trace.value) {
            ASSERT_TRUE(key->SetString(trace.value, "secret")) << Describe(trace);
        } else {
            ASSERT_TRUE(key->SetString("MRUList", "ab")) << Describe(trace);
            auto sub = key->CreateSubKey("Sub");
            ASSERT_TRUE(sub && sub->SetString("a", "secret")) << Describe(trace);
        }
    }

    bool Present(const TRegistryTrace& trace)
    {
        if (!trace.value)
            return machine().Registry().KeyExists(trace.root, trace.key);
        const auto key = machine().Registry().Open(trace.root, trace.key);
        return key && key->HasValue(trace.value);
    }

    std::optional<std::uint32_t> ClearPageFile()
    {
        const auto key = machine().Registry().Open(HKEY_LOCAL_MACHINE, MemoryManagement);
        std::uint32_t value = 0;
        if (!key || key->GetDword("ClearPageFileAtShutdown", value) != platform::RegRead::Ok)
            return std::nullopt;
        return value;
    }

    static std::vector<TErased> Sorted(std::vector<TErased> erased)
    {
        std::sort(erased.begin(), erased.end());
        return erased;
    }
};

// ---- registry items

struct TRegistryItemCase
{
    const char* name;
    std::uint8_t item;
    std::vector<TRegistryTrace> erased;
};

// The keys and values of each registry item (the Windows traces cleaner's item table).
std::vector<TRegistryItemCase> RegistryItems()
{
    return {
        {"Recent documents list", 93, {{HKEY_CURRENT_USER, Join(Explorer, "RecentDocs")}}},
        {"Run history", 94, {{HKEY_CURRENT_USER, Join(Explorer, "RunMRU")}}},
        {"Search files history",
         95,
         {{HKEY_CURRENT_USER, Join(Explorer, "Doc Find \x53pec MRU")},
          {HKEY_CURRENT_USER, Join(SearchBar, "ContainingTextMRU")},
          {HKEY_CURRENT_USER, Join(SearchBar, "FilesNamedMRU")},
          {HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5603"},
          {HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5604"}}},
        {"Search computer history",
         96,
         {{HKEY_CURRENT_USER, Join(Explorer, "FindComputerMRU")},
          {HKEY_CURRENT_USER, Join(SearchBar, "ComputerNameMRU")},
          {HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5001"},
          {HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5647"}}},
        {"Last logon",
         98,
         {{HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "DefaultUserName"},
          {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "AltDefaultUserName"},
          {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon", "DefaultUserName"}}},
        {"RAS auto-dial", 99, {{HKEY_CURRENT_USER, "Software\\Microsoft\\RAS Autodial\\Addresses"}}},
        {"Open/save history", 103, {{HKEY_CURRENT_USER, Join(Explorer, "ComDlg32")}}},
        {"Registry streams",
         108,
         {{HKEY_CURRENT_USER, Join(Explorer, "StreamMRU")},
          {HKEY_CURRENT_USER, Join(Explorer, "Streams")},
          {HKEY_LOCAL_MACHINE, Join(Explorer, "Streams")}}},
    };
}

// Neighbours of the traces that no item touches.
std::vector<TRegistryTrace> Neighbours()
{
    return {
        {HKEY_CURRENT_USER, Explorer, "Keep"},
        {HKEY_CURRENT_USER, Join(Explorer, "Shell Folders")},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5602"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\RAS Autodial\\Default"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"},
        {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon", "AltDefaultUserName"},
        {HKEY_LOCAL_MACHINE, Join(Explorer, "StreamMRU")},
        {HKEY_LOCAL_MACHINE, Join(Explorer, "RunMRU")},
        {HKEY_LOCAL_MACHINE, Join(Explorer, "ComDlg32")},
    };
}

std::vector<TRegistryTrace> AllRegistryTraces()
{
    std::vector<TRegistryTrace> all = Neighbours();
    for (const TRegistryItemCase& c : RegistryItems())
        all.insert(all.end(), c.erased.begin(), c.erased.end());
    return all;
}

TEST_F(WindowsCleanerTest, EachRegistryItemDeletesExactlyItsKeysAndValues)
{
    for (const TRegistryItemCase& c : RegistryItems()) {
        for (const TRegistryTrace& trace : AllRegistryTraces())
            Seed(trace);

        const TCleanerRecord record = Run({c.item});

        EXPECT_TRUE(record.erased.empty()) << "case: " << c.name << ": registry work is not reported";
        for (const TRegistryTrace& trace : AllRegistryTraces()) {
            const bool mine = std::any_of(c.erased.begin(), c.erased.end(), [&](const TRegistryTrace& t) {
                return Describe(t) == Describe(trace);
            });
            EXPECT_EQ(Present(trace), !mine) << "case: " << c.name << ": " << Describe(trace);
        }
    }
}

TEST_F(WindowsCleanerTest, AnalysisLeavesTheRegistryAndTheClipboardAloneAndReportsNeither)
{
    for (const TRegistryTrace& trace : AllRegistryTraces())
        Seed(trace);
    Seed({HKEY_CURRENT_USER, Telnet, "Machine1"});
    ASSERT_TRUE(machine().Clipboard().SetText("copied secret"));

    const TCleanerRecord record = Run({93, 94, 95, 96, 98, 99, 101, 102, 103, 108, 109}, core::MethodAnalysis);

    EXPECT_TRUE(record.erased.empty());
    for (const TRegistryTrace& trace : AllRegistryTraces())
        EXPECT_TRUE(Present(trace)) << Describe(trace);
    EXPECT_TRUE(Present({HKEY_CURRENT_USER, Telnet, "Machine1"}));
    EXPECT_EQ(machine().Clipboard().GetText(), "copied secret");
    EXPECT_EQ(ClearPageFile(), 0u);
}

TEST_F(WindowsCleanerTest, TelnetHistoryDeletesExactly27ValuesAndKeepsANinthEntry)
{
    std::vector<std::string> seeded;
    for (int n = 1; n <= 9; ++n)
        for (const char* name : {"Machine", "Service", "TermType"})
            seeded.push_back(name + std::to_string(n));
    for (const char* name : {"LastMachine", "LastService", "LastTermType", "Other"})
        seeded.push_back(name);
    for (const std::string& name : seeded)
        Seed({HKEY_CURRENT_USER, Telnet, name.c_str()});

    Run({101});

    const auto key = machine().Registry().Open(HKEY_CURRENT_USER, Telnet);
    ASSERT_TRUE(key) << "the key itself stays";
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Machine9", "Service9", "TermType9", "Other"}));
    EXPECT_EQ(seeded.size() - key->ValueNames().size(), 27u);
}

// ---- the paging file

TEST_F(WindowsCleanerTest, PagingFileSwitchIsWrittenOnlyOnNtAndNotInAnalysis)
{
    struct Case
    {
        const char* name;
        platform::WindowsVersion version;
        std::uint8_t method;
        bool keyRemovedFirst;
        std::optional<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"XP", platform::WindowsVersion::WinXP, core::MethodNone, false, 1u},
        {"XP without the key: it is created", platform::WindowsVersion::WinXP, core::MethodNone, true, 1u},
        {"XP analysis", platform::WindowsVersion::WinXP, core::MethodAnalysis, false, 0u},
        {"Windows 7", platform::WindowsVersion::Win7, core::MethodNone, false, 1u},
        {"Windows 98 has no such switch", platform::WindowsVersion::Win98, core::MethodNone, false, std::nullopt},
    };
    for (const Case& c : cases) {
        platform::CreateOptions options;
        options.version = c.version;
        RecreateMachine(options);
        if (c.keyRemovedFirst) {
            ASSERT_TRUE(machine().Registry().DeleteKey(HKEY_LOCAL_MACHINE, MemoryManagement));
        }

        const TCleanerRecord record = Run({109}, c.method);

        EXPECT_EQ(ClearPageFile(), c.expected) << "case: " << c.name;
        EXPECT_TRUE(record.erased.empty()) << "case: " << c.name;
        EXPECT_EQ(record.events, (std::vector<std::string>{"started 109", "finished 109"})) << "case: " << c.name;
    }
}

TEST_F(WindowsCleanerTest, PagingFileSwitchIsAReplacedDword)
{
    auto key = machine().Registry().Create(HKEY_LOCAL_MACHINE, MemoryManagement);
    ASSERT_TRUE(key && key->SetString("ClearPageFileAtShutdown", "no"));

    Run({109});

    const auto value = key->QueryValue("ClearPageFileAtShutdown");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, platform::RegType::Dword);
    EXPECT_EQ(value->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(machine().Reboot(), (std::vector<std::string>{"cleared the paging file"}));
}

// ---- clipboard

TEST_F(WindowsCleanerTest, ClipboardIsEmptiedAndKeptInAnalysis)
{
    struct Case
    {
        const char* name;
        std::uint8_t method;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"erase", core::MethodNone, std::nullopt},
        {"analysis", core::MethodAnalysis, "copied secret"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(machine().Clipboard().SetText("copied secret"));

        const TCleanerRecord record = Run({102}, c.method);

        EXPECT_EQ(machine().Clipboard().GetText(), c.expected) << "case: " << c.name;
        EXPECT_TRUE(record.erased.empty()) << "case: " << c.name;
    }
    // Already empty: nothing to do, nothing fails.
    EXPECT_EQ(Run({102}).events, (std::vector<std::string>{"started 102", "finished 102"}));
}

// ---- files

TEST_F(WindowsCleanerTest, CheckDiskAndRegistryFilesAreErasedOnlyDirectlyInTheWindowsFolder)
{
    struct Case
    {
        const char* name;
        std::uint8_t item;
        const char* erased;
    };
    const Case cases[] = {
        {"check-disk fragments", 104, "FILE0000.CHK"},
        {"registry export files", 107, "settings.reg"},
    };
    const std::vector<std::string> all = {
        "FILE0000.CHK", "settings.reg", "win.ini", "chk.txt", "system32\\FILE0001.CHK", "Help\\old.reg"};
    for (const Case& c : cases) {
        for (const std::string& file : all)
            WriteFile(Join(Windows(), file), "contents of " + file);

        const TCleanerRecord record = Run({c.item});

        const std::string erased = Join(Windows(), c.erased);
        EXPECT_EQ(record.erased, (std::vector<TErased>{{erased, c.item, true, 12 + std::string(c.erased).size()}}))
            << "case: " << c.name;
        for (const std::string& file : all)
            EXPECT_EQ(Exists(Join(Windows(), file)), file != c.erased) << "case: " << c.name << ": " << file;
        EXPECT_TRUE(machine().Files().DirectoryExists(Windows())) << "case: " << c.name;
    }
}

TEST_F(WindowsCleanerTest, RegistryBackupErasesBothRepairFilesThatExist)
{
    WriteFile(Windows() + "\\repair\\ntuser.dat", std::string(100, 'n'));
    WriteFile(Windows() + "\\repair\\user.dat", std::string(200, 'u'));
    WriteFile(Windows() + "\\repair\\system", "kept");

    const TCleanerRecord record = Run({106});

    EXPECT_EQ(record.erased,
              (std::vector<TErased>{{Windows() + "\\repair\\ntuser.dat", 106, true, 100},
                                    {Windows() + "\\repair\\user.dat", 106, true, 200}}));
    EXPECT_FALSE(Exists(Windows() + "\\repair\\ntuser.dat"));
    EXPECT_FALSE(Exists(Windows() + "\\repair\\user.dat"));
    EXPECT_EQ(ReadFile(Windows() + "\\repair\\system"), "kept");

    // Only one of them there: the other is skipped without a report.
    WriteFile(Windows() + "\\repair\\user.dat", "u");
    EXPECT_EQ(Run({106}).erased, (std::vector<TErased>{{Windows() + "\\repair\\user.dat", 106, true, 1}}));
}

TEST_F(WindowsCleanerTest, RecentNetworkAndApplicationLogFoldersAreSweptAndRemovedWhenEmptied)
{
    struct Case
    {
        const char* name;
        std::uint8_t item;
        std::function<std::string()> folder;
    };
    const Case cases[] = {
        {"Recent", 93, [this] { return Folder(platform::Csidl::Recent); }},
        {"NetHood", 100, [this] { return Folder(platform::Csidl::NetHood); }},
        {"APPLOG", 105, [this] { return Windows() + "\\APPLOG"; }},
    };
    for (const Case& c : cases) {
        const std::string folder = c.folder();
        ASSERT_FALSE(folder.empty()) << "case: " << c.name;
        WriteFile(folder + "\\report.doc.lnk", std::string(10, 'r'));
        WriteFile(folder + "\\Old\\budget.xls.lnk", std::string(20, 'b'));
        ASSERT_TRUE(machine().Files().SetFileAttributes(folder + "\\report.doc.lnk", platform::FILE_ATTRIBUTE_HIDDEN));

        const TCleanerRecord record = Run({c.item});

        EXPECT_EQ(Sorted(record.erased),
                  (std::vector<TErased>{{folder + "\\Old\\budget.xls.lnk", c.item, true, 20},
                                        {folder + "\\report.doc.lnk", c.item, true, 10}}))
            << "case: " << c.name;
        EXPECT_FALSE(Exists(folder)) << "case: " << c.name;
    }
}

TEST_F(WindowsCleanerTest, RecycleBinIsReportedWithItsSizeAndEmptiedUnlessAnalysing)
{
    struct Case
    {
        const char* name;
        std::uint8_t method;
        std::uint64_t countAfter;
    };
    const Case cases[] = {
        {"analysis", core::MethodAnalysis, 2},
        {"erase", core::MethodNone, 0},
    };
    WriteFile("C:\\old.txt", std::string(300, 'o'));
    WriteFile("C:\\Docs\\letter.doc", std::string(700, 'l'));
    ASSERT_TRUE(machine().RecycleBin().Recycle("C:\\old.txt"));
    ASSERT_TRUE(machine().RecycleBin().Recycle("C:\\Docs\\letter.doc"));
    for (const Case& c : cases) {
        const TCleanerRecord record = Run({97}, c.method);

        EXPECT_EQ(record.erased, (std::vector<TErased>{{"Recycle Bin", 97, true, 1000}})) << "case: " << c.name;
        const auto info = machine().RecycleBin().Query({});
        ASSERT_TRUE(info) << "case: " << c.name;
        EXPECT_EQ(info->count, c.countAfter) << "case: " << c.name;
    }
}

// ---- the temporary folder

TEST_F(WindowsCleanerTest, TempSweepKeepsTheRunsWindowCopyAndTheTemporaryFolder)
{
    const std::string windowCopy = Temp() + "2009_10_30_17_05_09.rep";
    WriteFile(windowCopy, "92%C:\\earlier.tmp%5\r\n");
    WriteFile(Temp() + "~DF1234.tmp", std::string(50, 't'));
    WriteFile(Temp() + "Setup\\data.cab", std::string(70, 'c'));

    const TCleanerRecord record = Run({92}, core::MethodNone, {windowCopy});

    EXPECT_EQ(
        Sorted(record.erased),
        (std::vector<TErased>{{Temp() + "Setup\\data.cab", 92, true, 70}, {Temp() + "~DF1234.tmp", 92, true, 50}}));
    EXPECT_EQ(ReadFile(windowCopy), "92%C:\\earlier.tmp%5\r\n");
    EXPECT_FALSE(Exists(Temp() + "Setup")) << "an emptied subfolder goes";
    EXPECT_TRUE(machine().Files().DirectoryExists(Temp()));

    // With nothing kept the folder is emptied, and still stays.
    const TCleanerRecord second = Run({92});
    EXPECT_EQ(second.erased, (std::vector<TErased>{{windowCopy, 92, true, 21}}));
    EXPECT_TRUE(machine().Files().DirectoryExists(Temp()));
}

TEST_F(WindowsCleanerTest, TempAnalysisReportsTheFilesWithTheirSizesAndChangesNothing)
{
    WriteFile(Temp() + "a.tmp", std::string(1536, 'a'));
    WriteFile(Temp() + "Sub\\b.log", std::string(3, 'b'));
    ASSERT_TRUE(machine().Files().SetFileAttributes(Temp() + "a.tmp", platform::FILE_ATTRIBUTE_READONLY));

    const TCleanerRecord record = Run({92}, core::MethodAnalysis);

    EXPECT_EQ(Sorted(record.erased),
              (std::vector<TErased>{{Temp() + "Sub\\b.log", 92, true, 3}, {Temp() + "a.tmp", 92, true, 1536}}));
    EXPECT_EQ(ReadFile(Temp() + "a.tmp"), std::string(1536, 'a'));
    EXPECT_EQ(ReadFile(Temp() + "Sub\\b.log"), "bbb");
    EXPECT_EQ(machine().Files().GetFileAttributes(Temp() + "a.tmp") & platform::FILE_ATTRIBUTE_READONLY,
              platform::FILE_ATTRIBUTE_READONLY);
}

// ---- folders that cannot be resolved

// A machine on which SHGetFolderPathA, GetTempPathA and GetWindowsDirectoryA fail.
class TUnresolvedWindowsCleaner : public TWindowsCleaner
{
public:
    using TWindowsCleaner::TWindowsCleaner;

protected:
    std::optional<std::string> SpecialFolder(platform::Csidl) const override { return std::nullopt; }
    std::string TempFolder() const override { return {}; }
    std::string WindowsFolder() const override { return {}; }
};

TEST_F(WindowsCleanerTest, UnresolvedFoldersSkipTheirWorkButStillRaiseTheItemEvents)
{
    // What a path built on an empty folder would reach: the current folder (the program
    // folder) and the root of the current drive.
    const std::vector<std::string> bystanders = {
        machine().ProgramFolder() + "Lumexa.ini",
        machine().ProgramFolder() + "CHECK.CHK",
        "C:\\repair\\ntuser.dat",
        "C:\\repair\\user.dat",
        "C:\\APPLOG\\app.log",
        "C:\\export.reg",
        Folder(platform::Csidl::Recent) + "\\report.doc.lnk",
        Temp() + "a.tmp",
    };
    for (const std::string& file : bystanders)
        WriteFile(file, "keep");
    Seed({HKEY_CURRENT_USER, Join(Explorer, "RecentDocs")});

    TUnresolvedWindowsCleaner cleaner(0, true, 0);
    for (const std::uint8_t item : {92, 93, 100, 104, 105, 106, 107})
        cleaner.Items.set(item);
    cleaner.Options.Method = core::MethodNone;
    const TCleanerRecord record = RunCleaner(cleaner);

    EXPECT_TRUE(record.erased.empty());
    EXPECT_EQ(record.events,
              (std::vector<std::string>{"started 92",
                                        "finished 92",
                                        "started 93",
                                        "finished 93",
                                        "started 100",
                                        "finished 100",
                                        "started 104",
                                        "finished 104",
                                        "started 105",
                                        "finished 105",
                                        "started 106",
                                        "finished 106",
                                        "started 107",
                                        "finished 107"}));
    for (const std::string& file : bystanders)
        EXPECT_EQ(ReadFile(file), "keep") << file;
    EXPECT_FALSE(Present({HKEY_CURRENT_USER, Join(Explorer, "RecentDocs")})) << "the registry part of 93 still runs";
}

// ---- the item loop

TEST_F(WindowsCleanerTest, EventsComeOncePerSelectedItemInAscendingOrder)
{
    WriteFile(Temp() + "a.tmp", "12345");
    WriteFile("C:\\old.txt", "123");
    ASSERT_TRUE(machine().RecycleBin().Recycle("C:\\old.txt"));

    const TCleanerRecord record = Run({109, 92, 101, 97});

    EXPECT_EQ(record.events,
              (std::vector<std::string>{"started 92",
                                        "erased 92 " + Temp() + "a.tmp",
                                        "finished 92",
                                        "started 97",
                                        "erased 97 Recycle Bin",
                                        "finished 97",
                                        "started 101",
                                        "finished 101",
                                        "started 109",
                                        "finished 109"}));
}

TEST_F(WindowsCleanerTest, AnEmptyItemSetIsFilledFromTheSettingsStore)
{
    const TRegistryTrace runHistory{HKEY_CURRENT_USER, Join(Explorer, "RunMRU")};
    const TRegistryTrace openSave{HKEY_CURRENT_USER, Join(Explorer, "ComDlg32")};
    const TRegistryTrace rasDial{HKEY_CURRENT_USER, "Software\\Microsoft\\RAS Autodial\\Addresses"};
    for (const TRegistryTrace& trace : {runHistory, openSave, rasDial})
        Seed(trace);
    ASSERT_TRUE(core::TSettingsManager::WriteBool(94, true));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(103, true));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(99, false));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(110, true)) << "the Office cleaner's item is not this one's";

    const TCleanerRecord record = Run({});

    EXPECT_EQ(record.events, (std::vector<std::string>{"started 94", "finished 94", "started 103", "finished 103"}));
    EXPECT_FALSE(Present(runHistory));
    EXPECT_FALSE(Present(openSave));
    EXPECT_TRUE(Present(rasDial));
}

TEST_F(WindowsCleanerTest, APresetItemSetIsUsedAsItIs)
{
    const TRegistryTrace runHistory{HKEY_CURRENT_USER, Join(Explorer, "RunMRU")};
    const TRegistryTrace rasDial{HKEY_CURRENT_USER, "Software\\Microsoft\\RAS Autodial\\Addresses"};
    Seed(runHistory);
    Seed(rasDial);
    ASSERT_TRUE(core::TSettingsManager::WriteBool(94, true));

    const TCleanerRecord record = Run({99});

    EXPECT_EQ(record.events, (std::vector<std::string>{"started 99", "finished 99"}));
    EXPECT_TRUE(Present(runHistory));
    EXPECT_FALSE(Present(rasDial));
}

TEST_F(WindowsCleanerTest, ACleanerTerminatedBeforeItStartsDoesNoWork)
{
    const TRegistryTrace runHistory{HKEY_CURRENT_USER, Join(Explorer, "RunMRU")};
    Seed(runHistory);
    WriteFile(Temp() + "a.tmp", "keep");
    ASSERT_TRUE(machine().Clipboard().SetText("copied"));
    std::vector<std::string> events;
    {
        TWindowsCleaner cleaner(0, true, 0);
        cleaner.Items.set();
        cleaner.Options.Method = core::MethodNone;
        cleaner.Terminate();
        events = RunCleaner(cleaner).events;
        EXPECT_TRUE(cleaner.Terminated());
    }
    {
        // Destroyed without having been started: run once with Terminated already set.
        TWindowsCleaner cleaner(0, true, 0);
        cleaner.Items.set();
        cleaner.Options.Method = core::MethodNone;
        cleaner.ItemStarted = [&](std::uint8_t item) { events.push_back("started " + std::to_string(item)); };
    }

    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(Present(runHistory));
    EXPECT_EQ(ReadFile(Temp() + "a.tmp"), "keep");
    EXPECT_EQ(machine().Clipboard().GetText(), "copied");
    EXPECT_EQ(ClearPageFile(), 0u);
}

} // namespace
} // namespace lumexa::cleaners
