#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaners/ChromeCleaner.h"
#include "cleaners/CleanerRun.h"
#include "cleaners/Cleaners.h"
#include "cleaners/OperaCleaner.h"
#include "cleaners/SafariCleaner.h"
#include "core/GeneralCleanerThread.h"
#include "core/SecureDeleteOptions.h"
#include "core/SettingsManager.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/MachineTest.h"

namespace lumexa::cleaners {
namespace {

using platform::HKEY_CURRENT_USER;
using test::RunCleaner;
using test::TCleanerRecord;
using test::TErased;

constexpr const char* OperaKey = "Software\\Opera Software";
// Where Opera 7 to 9 installed themselves and recorded it as "Last Directory3".
constexpr const char* OperaInstall = "C:\\Program Files\\Opera";

enum class TBrowser
{
    Opera,
    Chrome,
    Safari
};

std::unique_ptr<core::TSecureCleaner> MakeCleaner(TBrowser browser)
{
    switch (browser) {
    case TBrowser::Opera:
        return std::make_unique<TOperaCleaner>(0, true, 0);
    case TBrowser::Chrome:
        return std::make_unique<TChromeCleanerThread>(0, true, 0);
    case TBrowser::Safari:
        return std::make_unique<TSafariCleanerThread>(0, true, 0);
    }
    return nullptr;
}

// A file a browser leaves, with its size.
struct TTrace
{
    std::string path;
    std::uint64_t size;
};

std::vector<TErased> Sorted(std::vector<TErased> erased)
{
    std::sort(erased.begin(), erased.end());
    return erased;
}

class OperaChromeSafariTest : public test::MachineTest
{
protected:
    std::string AppData() { return machine().Shell().SpecialFolder(platform::Csidl::AppData).value_or(""); }
    std::string Local() { return machine().Shell().SpecialFolder(platform::Csidl::LocalAppData).value_or(""); }
    std::string ChromeProfile() { return Local() + "\\Google\\Chrome\\User Data\\Default"; }
    std::string OperaProfile(const std::string& folder, const char* version)
    {
        return folder + "\\Opera\\" + version + "\\profile";
    }
    std::string SafariRoaming() { return AppData() + "\\Apple Computer\\Safari"; }
    std::string SafariLocal() { return Local() + "\\Apple Computer\\Safari"; }

    void SetLastDirectory(const char* name, const std::string& folder)
    {
        auto key = machine().Registry().Create(HKEY_CURRENT_USER, OperaKey);
        ASSERT_TRUE(key && key->SetString(name, folder)) << name;
    }

    void Seed(const std::vector<TTrace>& traces)
    {
        for (const TTrace& trace : traces)
            WriteFile(trace.path, std::string(trace.size, 'x'));
    }

    TCleanerRecord Run(TBrowser browser, std::initializer_list<std::uint8_t> items, std::uint8_t method)
    {
        auto cleaner = MakeCleaner(browser);
        for (const std::uint8_t item : items)
            cleaner->Items.set(item);
        cleaner->Options.Method = method;
        return RunCleaner(*cleaner);
    }

    // Realistic traces of the three browsers on XP, by the item that erases them (the
    // browsers' item tables), sizes distinct so that a wrong report shows.
    std::vector<std::pair<std::uint8_t, TTrace>> Traces()
    {
        const std::string o = OperaInstall;
        const std::string opera7 = OperaProfile(AppData(), "Opera7");
        const std::string opera75 = OperaProfile(AppData(), "Opera75");
        const std::string opera9 = OperaProfile(AppData(), "Opera");
        const std::string opera9Local = OperaProfile(Local(), "Opera");
        const std::string d = ChromeProfile();
        return {
            {72, {o + "\\Opera.dir", 101}},
            {72, {o + "\\global.dat", 102}},
            {72, {opera7 + "\\Opera.dir", 103}},
            {72, {opera75 + "\\Global.dat", 104}},
            {72, {opera9 + "\\Global.dat", 105}},
            {73, {o + "\\cookies4.dat", 106}},
            {73, {opera7 + "\\cookies4.dat", 107}},
            {73, {opera9 + "\\cookies4.dat", 108}},
            {74, {o + "\\cache4\\opr00001.tmp", 109}},
            {74, {opera75 + "\\cache4\\dcache4.url", 110}},
            {74, {opera9Local + "\\cache4\\opr0000A.tmp", 111}},
            {74, {opera9Local + "\\cache4\\sesn\\opr0000B.tmp", 112}},
            {75, {opera7 + "\\sessions\\autosave.win", 113}},
            {75, {opera7 + "\\wand.dat", 114}},
            {75, {opera9 + "\\sessions\\autosave.win", 115}},
            {75, {opera9 + "\\wand.dat", 116}},
            {82, {d + "\\History Index 2009-10", 201}},
            {82, {d + "\\History Index 2009-09-journal", 202}},
            {82, {d + "\\Archived History", 203}},
            {82, {d + "\\History", 204}},
            {82, {d + "\\Current Tabs", 205}},
            {82, {d + "\\Last Tabs", 206}},
            {82, {d + "\\Last Session", 207}},
            {82, {d + "\\Visited Links", 208}},
            {82, {d + "\\Thumbnails-journal", 209}},
            {82, {d + "\\Web Data-journal", 210}},
            {82, {d + "\\Thumbnails", 211}},
            {82, {d + "\\Web Data", 212}},
            {83, {d + "\\Cookies", 213}},
            {84, {d + "\\Cache\\data_0", 214}},
            {84, {d + "\\Cache\\index", 215}},
            {84, {d + "\\Cache\\f_000001", 216}},
            {86, {SafariRoaming() + "\\History.plist", 301}},
            {86, {SafariRoaming() + "\\Downloads.plist", 302}},
            {86, {SafariLocal() + "\\History\\a1b2.cache", 303}},
            {86, {SafariLocal() + "\\History\\Old\\c3d4.cache", 304}},
            {87, {SafariRoaming() + "\\Cookies\\Cookies.plist", 305}},
            {88, {SafariLocal() + "\\Cache.db", 306}},
            {89, {SafariRoaming() + "\\Form Values.plist", 307}},
        };
    }

    // What the browsers keep beside their traces and no item touches.
    std::vector<TTrace> Bystanders()
    {
        const std::string o = OperaInstall;
        const std::string opera9 = OperaProfile(AppData(), "Opera");
        const std::string d = ChromeProfile();
        return {
            {o + "\\Opera.exe", 1},
            {o + "\\profile\\cookies4.dat", 2},
            {opera9 + "\\opera6.adr", 3},
            {opera9 + "\\operaprefs.ini", 4},
            {opera9 + "\\sessions\\autosave.win.bak", 5},
            {OperaProfile(Local(), "Opera") + "\\opcache\\g_0000\\opr00003.tmp", 6},
            {d + "\\Preferences", 7},
            {d + "\\Bookmarks", 8},
            {d + "\\Login Data", 9},
            {d + "\\Cookies-journal", 10},
            {d + "\\History Provider Cache", 11},
            {d + "\\Current Session", 12},
            {d + "\\Extensions\\abc\\manifest.json", 13},
            {Local() + "\\Google\\Chrome\\User Data\\Local State", 14},
            {SafariRoaming() + "\\Bookmarks.plist", 15},
            {SafariRoaming() + "\\Preferences\\com.apple.Safari.plist", 16},
            {SafariLocal() + "\\WebpageIcons.db", 17},
        };
    }

    void SeedAll()
    {
        SetLastDirectory("Last Directory3", OperaInstall);
        for (const auto& [item, trace] : Traces())
            Seed({trace});
        Seed(Bystanders());
    }
};

// ---- the items

TEST_F(OperaChromeSafariTest, EachItemErasesExactlyItsFilesAmongAllThreeBrowsersTraces)
{
    struct Case
    {
        TBrowser browser;
        std::uint8_t item;
    };
    const Case cases[] = {
        {TBrowser::Opera, 72},
        {TBrowser::Opera, 73},
        {TBrowser::Opera, 74},
        {TBrowser::Opera, 75},
        {TBrowser::Chrome, 82},
        {TBrowser::Chrome, 83},
        {TBrowser::Chrome, 84},
        {TBrowser::Chrome, 85},
        {TBrowser::Safari, 86},
        {TBrowser::Safari, 87},
        {TBrowser::Safari, 88},
        {TBrowser::Safari, 89},
    };
    for (const Case& c : cases) {
        SeedAll();

        const TCleanerRecord record = Run(c.browser, {c.item}, core::MethodNone);

        std::vector<TErased> expected;
        for (const auto& [item, trace] : Traces())
            // Chrome's download history is its "History" file, also one of item 82's.
            if (item == c.item || (c.item == 85 && trace.path == ChromeProfile() + "\\History"))
                expected.push_back({trace.path, c.item, true, trace.size});
        EXPECT_EQ(Sorted(record.erased), Sorted(expected)) << "case: item " << int(c.item);
        for (const auto& [item, trace] : Traces()) {
            const bool erased =
                std::any_of(expected.begin(), expected.end(), [&](const TErased& e) { return e.name == trace.path; });
            EXPECT_EQ(Exists(trace.path), !erased) << "case: item " << int(c.item) << ": " << trace.path;
        }
        for (const TTrace& bystander : Bystanders())
            EXPECT_TRUE(Exists(bystander.path)) << "case: item " << int(c.item) << ": " << bystander.path;
    }
}

TEST_F(OperaChromeSafariTest, FilesAreErasedInTheOrderTheyAreListed)
{
    SeedAll();

    const TCleanerRecord record = Run(TBrowser::Opera, {72}, core::MethodNone);

    const std::string opera7 = OperaProfile(AppData(), "Opera7");
    EXPECT_EQ(record.events,
              (std::vector<std::string>{"started 72",
                                        "erased 72 C:\\Program Files\\Opera\\Opera.dir",
                                        "erased 72 C:\\Program Files\\Opera\\global.dat",
                                        "erased 72 " + opera7 + "\\Opera.dir",
                                        "erased 72 " + OperaProfile(AppData(), "Opera75") + "\\Global.dat",
                                        "erased 72 " + OperaProfile(AppData(), "Opera") + "\\Global.dat",
                                        "finished 72"}));
}

TEST_F(OperaChromeSafariTest, EmptiedCacheFoldersGoAndTheChromeProfileFolderStays)
{
    // Only the traces: the profile folders hold nothing else.
    for (const auto& [item, trace] : Traces())
        Seed({trace});
    SetLastDirectory("Last Directory3", OperaInstall);

    Run(TBrowser::Opera, {74}, core::MethodNone);
    Run(TBrowser::Chrome, {82, 83, 84}, core::MethodNone);
    Run(TBrowser::Safari, {86}, core::MethodNone);

    for (const std::string& gone : {std::string(OperaInstall) + "\\cache4",
                                    OperaProfile(AppData(), "Opera75") + "\\cache4",
                                    OperaProfile(Local(), "Opera") + "\\cache4",
                                    ChromeProfile() + "\\Cache",
                                    SafariLocal() + "\\History"})
        EXPECT_FALSE(machine().Files().DirectoryExists(gone)) << gone;
    EXPECT_TRUE(machine().Files().DirectoryExists(ChromeProfile())) << "Chrome's own profile folder stays";
    EXPECT_TRUE(machine().Files().DirectoryExists(OperaInstall));
}

TEST_F(OperaChromeSafariTest, AnalysisReportsEveryTraceWithItsSizeAndChangesNothing)
{
    SeedAll();
    ASSERT_TRUE(
        machine().Files().SetFileAttributes(ChromeProfile() + "\\Cache\\index", platform::FILE_ATTRIBUTE_HIDDEN));

    std::vector<TErased> reported;
    for (const auto& [browser, items] :
         {std::pair{TBrowser::Opera, std::initializer_list<std::uint8_t>{72, 73, 74, 75}},
          std::pair{TBrowser::Chrome, std::initializer_list<std::uint8_t>{82, 83, 84, 85}},
          std::pair{TBrowser::Safari, std::initializer_list<std::uint8_t>{86, 87, 88, 89}}}) {
        const TCleanerRecord record = Run(browser, items, core::MethodAnalysis);
        reported.insert(reported.end(), record.erased.begin(), record.erased.end());
    }

    std::vector<TErased> expected;
    for (const auto& [item, trace] : Traces())
        expected.push_back({trace.path, item, true, trace.size});
    // Nothing is gone in analysis, so item 85 finds "History" too.
    expected.push_back({ChromeProfile() + "\\History", 85, true, 204});
    EXPECT_EQ(Sorted(reported), Sorted(expected));
    for (const auto& [item, trace] : Traces())
        EXPECT_EQ(ReadFile(trace.path), std::string(trace.size, 'x')) << trace.path;
    EXPECT_EQ(machine().Files().GetFileAttributes(ChromeProfile() + "\\Cache\\index") & platform::FILE_ATTRIBUTE_HIDDEN,
              platform::FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(OperaChromeSafariTest, ChromeHistoryGoesOnceWhenBothItsItemsAreSelected)
{
    WriteFile(ChromeProfile() + "\\History", std::string(204, 'h'));

    const TCleanerRecord record = Run(TBrowser::Chrome, {85, 82}, core::MethodNone);

    EXPECT_EQ(
        record.events,
        (std::vector<std::string>{
            "started 82", "erased 82 " + ChromeProfile() + "\\History", "finished 82", "started 85", "finished 85"}));
    EXPECT_FALSE(Exists(ChromeProfile() + "\\History"));
}

TEST_F(OperaChromeSafariTest, AFileHeldOpenByTheRunningBrowserIsReportedNotErasedAndTheRestGoes)
{
    SeedAll();
    // Chrome keeps its SQLite databases open, sharing reading and writing.
    auto held = machine().Files().CreateFile(ChromeProfile() + "\\History",
                                             platform::GENERIC_READ,
                                             platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE,
                                             platform::Disposition::OpenExisting);
    ASSERT_TRUE(held);

    const TCleanerRecord record = Run(TBrowser::Chrome, {82}, core::MethodNone);

    const auto history = std::find_if(record.erased.begin(), record.erased.end(), [&](const TErased& e) {
        return e.name == ChromeProfile() + "\\History";
    });
    ASSERT_NE(history, record.erased.end());
    EXPECT_EQ(*history, (TErased{ChromeProfile() + "\\History", 82, false, 204}));
    EXPECT_EQ(ReadFile(ChromeProfile() + "\\History"), std::string(204, 'x'));
    EXPECT_EQ(record.erased.size(), 12u);
    EXPECT_FALSE(Exists(ChromeProfile() + "\\Web Data")) << "the files after it still go";
}

// ---- Opera's directory

TEST_F(OperaChromeSafariTest, OperaDirectoryIsTheFirstLastDirectoryValueThatExists)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<const char*, std::string>> values; // none at all: no key
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"no key", {}, std::nullopt},
        {"key without the values", {{"Other", "C:\\Opera"}}, std::nullopt},
        {"Opera 9 writes Last Directory3",
         {{"Last Directory3", "C:\\Program Files\\Opera"}},
         "C:\\Program Files\\Opera"},
        {"Last Directory wins",
         {{"Last Directory3", "C:\\Opera9"}, {"Last Directory2", "C:\\Opera8"}, {"Last Directory", "C:\\Opera7"}},
         "C:\\Opera7"},
        {"Last Directory2 before 3",
         {{"Last Directory3", "C:\\Opera9"}, {"Last Directory2", "C:\\Opera8"}},
         "C:\\Opera8"},
        {"an empty first value means none", {{"Last Directory", ""}, {"Last Directory2", "C:\\Opera8"}}, std::nullopt},
        {"trailing backslash dropped", {{"Last Directory3", "C:\\Program Files\\Opera\\"}}, "C:\\Program Files\\Opera"},
        {"relative folder refused", {{"Last Directory3", "Opera"}}, std::nullopt},
        {"folder without a drive refused", {{"Last Directory3", "\\Opera"}}, std::nullopt},
    };
    for (const Case& c : cases) {
        machine().Registry().DeleteKey(HKEY_CURRENT_USER, OperaKey);
        if (!c.values.empty())
            for (const auto& [name, folder] : c.values)
                SetLastDirectory(name, folder);

        EXPECT_EQ(TOperaCleaner::OperaDirectory(), c.expected) << "case: " << c.name;
    }
    // A value of another type is not a folder.
    machine().Registry().DeleteKey(HKEY_CURRENT_USER, OperaKey);
    auto key = machine().Registry().Create(HKEY_CURRENT_USER, OperaKey);
    ASSERT_TRUE(key && key->SetDword("Last Directory", 1) && key->SetString("Last Directory3", "C:\\Opera9"));
    EXPECT_EQ(TOperaCleaner::OperaDirectory(), std::nullopt);
}

TEST_F(OperaChromeSafariTest, OperaItemsUseTheRecordedDirectoryOnly)
{
    SetLastDirectory("Last Directory", "C:\\Opera7");
    SetLastDirectory("Last Directory2", "C:\\Opera8");
    Seed({{"C:\\Opera7\\cookies4.dat", 7}, {"C:\\Opera8\\cookies4.dat", 8}});

    EXPECT_EQ(Run(TBrowser::Opera, {73}, core::MethodNone).erased,
              (std::vector<TErased>{{"C:\\Opera7\\cookies4.dat", 73, true, 7}}));
    EXPECT_TRUE(Exists("C:\\Opera8\\cookies4.dat"));
}

TEST_F(OperaChromeSafariTest, WithoutOperasKeyOnlyTheApplicationDataFoldersAreTried)
{
    // Where paths built on a missing directory would lead: the current folder (the program
    // folder) and the root of the current drive.
    const std::vector<TTrace> bystanders = {{machine().ProgramFolder() + "cookies4.dat", 1},
                                            {machine().ProgramFolder() + "Opera.dir", 2},
                                            {"C:\\cookies4.dat", 3},
                                            {"C:\\cache4\\opr00001.tmp", 4}};
    Seed(bystanders);
    const std::string cookies = OperaProfile(AppData(), "Opera") + "\\cookies4.dat";
    const std::string cache = OperaProfile(Local(), "Opera") + "\\cache4\\opr00001.tmp";
    Seed({{cookies, 30}, {cache, 40}});

    const TCleanerRecord record = Run(TBrowser::Opera, {72, 73, 74}, core::MethodNone);

    EXPECT_EQ(record.erased, (std::vector<TErased>{{cookies, 73, true, 30}, {cache, 74, true, 40}}));
    for (const TTrace& bystander : bystanders)
        EXPECT_TRUE(Exists(bystander.path)) << bystander.path;
}

TEST_F(OperaChromeSafariTest, AFileListedTwiceIsReportedOnce)
{
    // Opera's recorded folder is its own profile folder.
    const std::string profile = OperaProfile(AppData(), "Opera");
    SetLastDirectory("Last Directory3", profile);
    Seed({{profile + "\\cookies4.dat", 30}, {profile + "\\cache4\\opr00001.tmp", 40}});

    const TCleanerRecord record = Run(TBrowser::Opera, {73, 74}, core::MethodAnalysis);

    EXPECT_EQ(record.erased,
              (std::vector<TErased>{{profile + "\\cookies4.dat", 73, true, 30},
                                    {profile + "\\cache4\\opr00001.tmp", 74, true, 40}}));
}

// ---- folders that cannot be resolved

template <class TBase> class TUnresolved : public TBase
{
public:
    explicit TUnresolved(std::optional<std::string> folder)
        : TBase(0, true, 0)
        , m_folder(std::move(folder))
    {}

protected:
    std::optional<std::string> SpecialFolder(platform::Csidl) const override { return m_folder; }

private:
    std::optional<std::string> m_folder;
};

TEST_F(OperaChromeSafariTest, UnresolvedOrRelativeFoldersSkipTheirWorkButStillRaiseTheItemEvents)
{
    struct Case
    {
        const char* name;
        std::optional<std::string> folder;
    };
    const Case cases[] = {
        {"unresolved", std::nullopt},
        {"empty", ""},
        {"relative", "Application Data"},
        {"no drive", "\\Application Data"},
    };
    // Where the paths would lead: the root of the current drive and the current folder.
    std::vector<std::string> bystanders;
    for (const std::string& root :
         {std::string("C:"), std::string("C:\\Application Data"), machine().ProgramFolder() + "Application Data"})
        for (const char* file : {"\\Opera\\Opera\\profile\\cookies4.dat",
                                 "\\Opera\\Opera\\profile\\cache4\\opr00001.tmp",
                                 "\\Opera\\Opera\\profile\\wand.dat",
                                 "\\Google\\Chrome\\User Data\\Default\\Cookies",
                                 "\\Google\\Chrome\\User Data\\Default\\History Index 2009-10",
                                 "\\Google\\Chrome\\User Data\\Default\\Cache\\data_0",
                                 "\\Apple Computer\\Safari\\History\\a1b2.cache",
                                 "\\Apple Computer\\Safari\\Cookies\\Cookies.plist",
                                 "\\Apple Computer\\Safari\\Cache.db"})
            bystanders.push_back(root + file);
    for (const std::string& file : bystanders)
        WriteFile(file, "keep");

    for (const Case& c : cases) {
        std::vector<std::string> events;
        std::vector<std::unique_ptr<core::TSecureCleaner>> cleaners;
        cleaners.push_back(std::make_unique<TUnresolved<TOperaCleaner>>(c.folder));
        cleaners.push_back(std::make_unique<TUnresolved<TChromeCleanerThread>>(c.folder));
        cleaners.push_back(std::make_unique<TUnresolved<TSafariCleanerThread>>(c.folder));
        for (const auto& cleaner : cleaners) {
            cleaner->Items.set();
            cleaner->Options.Method = core::MethodNone;
            const TCleanerRecord record = RunCleaner(*cleaner);
            EXPECT_TRUE(record.erased.empty()) << "case: " << c.name;
            events.insert(events.end(), record.events.begin(), record.events.end());
        }

        std::vector<std::string> expected;
        for (int item : {72, 73, 74, 75, 82, 83, 84, 85, 86, 87, 88, 89}) {
            expected.push_back("started " + std::to_string(item));
            expected.push_back("finished " + std::to_string(item));
        }
        EXPECT_EQ(events, expected) << "case: " << c.name;
        for (const std::string& file : bystanders)
            EXPECT_EQ(ReadFile(file), "keep") << "case: " << c.name << ": " << file;
    }
}

TEST_F(OperaChromeSafariTest, OnWindows98WithoutALocalApplicationDataFolderOnlyTheRoamingPathsAreUsed)
{
    platform::CreateOptions options;
    options.version = platform::WindowsVersion::Win98;
    RecreateMachine(options);
    ASSERT_EQ(machine().Shell().SpecialFolder(platform::Csidl::LocalAppData), std::nullopt);
    const std::vector<std::string> bystanders = {"C:\\Google\\Chrome\\User Data\\Default\\Cookies",
                                                 "C:\\Google\\Chrome\\User Data\\Default\\Cache\\data_0",
                                                 "C:\\Apple Computer\\Safari\\Cache.db",
                                                 "C:\\Opera\\Opera\\profile\\cache4\\opr00001.tmp"};
    for (const std::string& file : bystanders)
        WriteFile(file, "keep");
    const std::string operaCache = OperaProfile(AppData(), "Opera") + "\\cache4\\opr00002.tmp";
    const std::string safariCookies = SafariRoaming() + "\\Cookies\\Cookies.plist";
    Seed({{operaCache, 20}, {safariCookies, 30}});

    EXPECT_EQ(Run(TBrowser::Opera, {74}, core::MethodNone).erased, (std::vector<TErased>{{operaCache, 74, true, 20}}));
    EXPECT_TRUE(Run(TBrowser::Chrome, {82, 83, 84, 85}, core::MethodNone).erased.empty());
    EXPECT_EQ(Run(TBrowser::Safari, {86, 87, 88, 89}, core::MethodNone).erased,
              (std::vector<TErased>{{safariCookies, 87, true, 30}}));
    for (const std::string& file : bystanders)
        EXPECT_EQ(ReadFile(file), "keep") << file;
}

// ---- the item loop

TEST_F(OperaChromeSafariTest, AnEmptyItemSetIsFilledFromTheSettingsStoreOfEachCleanersOwnRange)
{
    SeedAll();
    for (const std::uint8_t item : {73, 83, 85, 89, 76})
        ASSERT_TRUE(core::TSettingsManager::WriteBool(item, true));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(72, false));

    EXPECT_EQ(Run(TBrowser::Opera, {}, core::MethodAnalysis).events.front(), "started 73");
    std::vector<std::string> started;
    for (const TBrowser browser : {TBrowser::Opera, TBrowser::Chrome, TBrowser::Safari})
        for (const std::string& event : Run(browser, {}, core::MethodAnalysis).events)
            if (event.starts_with("started"))
                started.push_back(event);

    EXPECT_EQ(started, (std::vector<std::string>{"started 73", "started 83", "started 85", "started 89"}));
}

TEST_F(OperaChromeSafariTest, ACleanerTerminatedBeforeItStartsDoesNoWork)
{
    SeedAll();
    for (const TBrowser browser : {TBrowser::Opera, TBrowser::Chrome, TBrowser::Safari}) {
        auto cleaner = MakeCleaner(browser);
        cleaner->Items.set();
        cleaner->Options.Method = core::MethodNone;
        cleaner->Terminate();
        EXPECT_TRUE(RunCleaner(*cleaner).events.empty());
        EXPECT_TRUE(cleaner->Terminated());
    }
    {
        // Destroyed without having been started.
        TChromeCleanerThread cleaner(0, true, 0);
        cleaner.Items.set();
        cleaner.Options.Method = core::MethodNone;
    }
    for (const auto& [item, trace] : Traces())
        EXPECT_TRUE(Exists(trace.path)) << trace.path;
}

// ---- in a cleaning run

TEST_F(OperaChromeSafariTest, ARunFillsSlotsFiveSevenAndEightAndLogsTheirFiles)
{
    InstallCleaners();
    SeedAll();
    for (const std::uint8_t item : {73, 83, 88})
        ASSERT_TRUE(core::TSettingsManager::WriteBool(item, true));

    struct Case
    {
        const char* name;
        bool analysis;
    };
    for (const Case c : {Case{"analysis", true}, Case{"erase", false}}) {
        core::TGeneralCleannerThread run(true, c.analysis);
        ASSERT_NE(dynamic_cast<TOperaCleaner*>(run.Cleaner(core::CleanerOpera)), nullptr);
        ASSERT_NE(dynamic_cast<TChromeCleanerThread*>(run.Cleaner(core::CleanerChrome)), nullptr);
        ASSERT_NE(dynamic_cast<TSafariCleanerThread*>(run.Cleaner(core::CleanerSafari)), nullptr);
        run.CleanerSet.reset();
        for (const int number : {core::CleanerOpera, core::CleanerChrome, core::CleanerSafari})
            run.CleanerSet.set(static_cast<std::size_t>(number));
        run.Resume();
        run.WaitFor();

        const std::string o = OperaInstall;
        const std::string lines = "73%" + o + "\\cookies4.dat%106\r\n73%" + OperaProfile(AppData(), "Opera7") +
                                  "\\cookies4.dat%107\r\n73%" + OperaProfile(AppData(), "Opera") +
                                  "\\cookies4.dat%108\r\n83%" + ChromeProfile() + "\\Cookies%213\r\n88%" +
                                  SafariLocal() + "\\Cache.db%306\r\n";
        // Both runs share the fixed clock's window copy, which is appended to.
        EXPECT_EQ(ReadFile(run.WindowCopyPath()), c.analysis ? lines : lines + lines) << "case: " << c.name;
        EXPECT_EQ(Exists(SafariLocal() + "\\Cache.db"), c.analysis) << "case: " << c.name;
        EXPECT_EQ(Exists(ChromeProfile() + "\\Cookies"), c.analysis) << "case: " << c.name;
    }
}

} // namespace
} // namespace lumexa::cleaners
