#include "cleaners/OfficeCleaner.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaners/CleanerRun.h"
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

const std::vector<std::string> AllVersions = {"8.0", "9.0", "10.0", "11.0", "12.0"};
constexpr const char* FrontPageExplorer = "Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer";

std::string Office(const std::string& version, const std::string& rest)
{
    return "Software\\Microsoft\\Office\\" + version + "\\" + rest;
}

// One value below HKEY_CURRENT_USER.
struct TValue
{
    std::string key;
    std::string name;
    friend bool operator==(const TValue&, const TValue&) = default;
};

// The value `name` of `rest` below each of `versions`.
std::vector<TValue> PerVersion(const std::vector<std::string>& versions, const std::string& rest, const char* name)
{
    std::vector<TValue> values;
    for (const std::string& version : versions)
        values.push_back({Office(version, rest), name});
    return values;
}

std::vector<TValue> Concat(std::initializer_list<std::vector<TValue>> lists)
{
    std::vector<TValue> all;
    for (const auto& list : lists)
        all.insert(all.end(), list.begin(), list.end());
    return all;
}

// Every value the tests seed: the lists of each application for every version, the keys
// beside them, and a subkey of each cleared key (clearing keeps subkeys and their values).
std::vector<TValue> SeededValues()
{
    std::vector<TValue> values;
    for (const std::string& v : AllVersions) {
        for (const TValue& value : std::vector<TValue>{
                 {Office(v, "Access\\Settings"), "MRU1"},
                 {Office(v, "Access\\Settings"), "Toolbars"},
                 {Office(v, "Access\\Settings\\Sub"), "Kept"},
                 {Office(v, "Excel\\Recent Files"), "File1"},
                 {Office(v, "Excel\\Recent Files\\Sub"), "Kept"},
                 {Office(v, "Excel\\File MRU"), "Item 1"},
                 {Office(v, "Excel\\Options"), "Kept"},
                 {Office(v, "PowerPoint\\Recent File List"), "File1"},
                 {Office(v, "PowerPoint\\File MRU"), "Item 1"},
                 {Office(v, "Word\\Data"), "settings"},
                 {Office(v, "Word\\Data"), "Toolbars"},
                 {Office(v, "Word\\File MRU"), "Item 1"},
                 {Office(v, "Word\\File MRU\\Sub"), "Kept"},
             })
            values.push_back(value);
    }
    for (const char* list : {"Recent File List", "Recent Page List", "Recent Web List", "Settings"})
        values.push_back({std::string(FrontPageExplorer) + "\\" + list, "Url1"});
    return values;
}

struct TRegistryCase
{
    const char* name;
    std::uint8_t item;
    std::vector<TValue> erased;
};

// The registry work of each item (the MS Office cleaner's item table).
std::vector<TRegistryCase> RegistryCases()
{
    const std::vector<std::string> word = {"9.0", "10.0", "11.0", "12.0"};
    return {
        {"Access: Settings cleared whole",
         110,
         Concat({PerVersion(AllVersions, "Access\\Settings", "MRU1"),
                 PerVersion(AllVersions, "Access\\Settings", "Toolbars")})},
        {"Excel",
         111,
         Concat({PerVersion(AllVersions, "Excel\\Recent Files", "File1"),
                 PerVersion({"12.0"}, "Excel\\File MRU", "Item 1")})},
        {"PowerPoint",
         112,
         Concat({PerVersion(AllVersions, "PowerPoint\\Recent File List", "File1"),
                 PerVersion({"12.0"}, "PowerPoint\\File MRU", "Item 1")})},
        {"Word: settings of 9.0 to 12.0",
         113,
         Concat({PerVersion(word, "Word\\Data", "settings"), PerVersion({"12.0"}, "Word\\File MRU", "Item 1")})},
        {"FrontPage",
         114,
         {{std::string(FrontPageExplorer) + "\\Recent File List", "Url1"},
          {std::string(FrontPageExplorer) + "\\Recent Page List", "Url1"},
          {std::string(FrontPageExplorer) + "\\Recent Web List", "Url1"}}},
    };
}

// Office documents and shortcuts below APPDATA\Microsoft\Office, and which item erases each.
struct TOfficeFile
{
    const char* name;
    std::uint8_t item; // 0: no item
};
const TOfficeFile OfficeFiles[] = {
    {"db.mdb.lnk", 110},      {"db.accdb", 110},       {"db.accdb.lnk", 110},
    {"book.xls.lnk", 111},    {"book.xlsx", 111},      {"book.xlsx.lnk", 111},
    {"deck.ppt.lnk", 112},    {"show.pps.lnk", 112},   {"deck.pptx", 112},
    {"deck.pptx.lnk", 112},   {"letter.doc.lnk", 113}, {"letter.docx", 113},
    {"letter.docx.lnk", 113}, {"page.htm.lnk", 114},   {"book.xls", 0},
    {"letter.doc", 0},        {"db.mdb", 0},           {"notes.txt", 0},
    {"page.htm", 0},          {"deck.ppt", 0},
};
// Where they lie: directly in the folder and two levels down.
const char* const OfficeSubfolders[] = {"\\Recent\\", "\\Templates\\Old\\"};

class OfficeCleanerTest : public test::MachineTest
{
protected:
    std::string OfficeFolder()
    {
        return *machine().Shell().SpecialFolder(platform::Csidl::AppData) + "\\Microsoft\\Office";
    }

    TCleanerRecord Run(std::initializer_list<std::uint8_t> items, std::uint8_t method = core::MethodNone)
    {
        TOfficeCleaner cleaner(0, true, 0);
        for (const std::uint8_t item : items)
            cleaner.Items.set(item);
        cleaner.Options.Method = method;
        return RunCleaner(cleaner);
    }

    void SeedRegistry()
    {
        for (const TValue& value : SeededValues()) {
            auto key = machine().Registry().Create(HKEY_CURRENT_USER, value.key);
            ASSERT_TRUE(key && key->SetString(value.name, "secret")) << value.key << " : " << value.name;
        }
    }

    bool HasValue(const TValue& value)
    {
        const auto key = machine().Registry().Open(HKEY_CURRENT_USER, value.key);
        return key && key->HasValue(value.name);
    }

    void SeedFiles()
    {
        for (const char* folder : OfficeSubfolders)
            for (const TOfficeFile& file : OfficeFiles)
                WriteFile(OfficeFolder() + folder + file.name, file.name);
    }

    static std::vector<TErased> Sorted(std::vector<TErased> erased)
    {
        std::sort(erased.begin(), erased.end());
        return erased;
    }
};

TEST_F(OfficeCleanerTest, EachItemClearsExactlyItsRegistryLists)
{
    for (const TRegistryCase& c : RegistryCases()) {
        SeedRegistry();

        const TCleanerRecord record = Run({c.item});

        EXPECT_TRUE(record.erased.empty()) << "case: " << c.name << ": registry work is not reported";
        for (const TValue& value : SeededValues()) {
            const bool erased = std::find(c.erased.begin(), c.erased.end(), value) != c.erased.end();
            EXPECT_EQ(HasValue(value), !erased) << "case: " << c.name << ": " << value.key << " : " << value.name;
        }
        // Clearing keeps the keys themselves.
        for (const TValue& value : c.erased)
            EXPECT_TRUE(machine().Registry().KeyExists(HKEY_CURRENT_USER, value.key))
                << "case: " << c.name << ": " << value.key;
    }
}

TEST_F(OfficeCleanerTest, AnalysisChangesNothingAndReportsOnlyTheFiles)
{
    SeedRegistry();
    SeedFiles();

    const TCleanerRecord record = Run({110, 111, 112, 113, 114}, core::MethodAnalysis);

    for (const TValue& value : SeededValues())
        EXPECT_TRUE(HasValue(value)) << value.key << " : " << value.name;
    std::vector<TErased> expected;
    for (const char* folder : OfficeSubfolders)
        for (const TOfficeFile& file : OfficeFiles) {
            const std::string path = OfficeFolder() + folder + file.name;
            EXPECT_EQ(ReadFile(path), file.name);
            if (file.item)
                expected.push_back({path, file.item, true, std::string(file.name).size()});
        }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Sorted(record.erased), expected);
}

TEST_F(OfficeCleanerTest, EachItemErasesItsDocumentsAndShortcutsInEverySubfolder)
{
    for (const std::uint8_t item : {110, 111, 112, 113, 114}) {
        SeedFiles();

        const TCleanerRecord record = Run({item});

        std::vector<TErased> expected;
        for (const char* folder : OfficeSubfolders)
            for (const TOfficeFile& file : OfficeFiles) {
                const std::string path = OfficeFolder() + folder + file.name;
                EXPECT_EQ(Exists(path), file.item != item) << "case: item " << int(item) << ": " << path;
                if (file.item == item)
                    expected.push_back({path, item, true, std::string(file.name).size()});
            }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Sorted(record.erased), expected) << "case: item " << int(item);
    }
}

TEST_F(OfficeCleanerTest, TheOfficeFolderGoesWhenItsLastFileIsErased)
{
    WriteFile(OfficeFolder() + "\\Recent\\book.xlsx", "x");

    Run({111});

    EXPECT_FALSE(Exists(OfficeFolder()));
    EXPECT_TRUE(Exists(*machine().Shell().SpecialFolder(platform::Csidl::AppData) + "\\Microsoft"));
}

// SHGetFolderPathA(CSIDL_APPDATA) failing. The machine's shell resolves special folders from
// its Windows version and user, never from the registry, so only a cleaner that asks
// elsewhere can see the failure.
class TNoAppDataOfficeCleaner : public TOfficeCleaner
{
public:
    using TOfficeCleaner::TOfficeCleaner;

protected:
    std::optional<std::string> SpecialFolder(platform::Csidl csidl) const override
    {
        if (csidl == platform::Csidl::AppData)
            return std::nullopt;
        return TOfficeCleaner::SpecialFolder(csidl);
    }
};

TEST_F(OfficeCleanerTest, WithoutApplicationDataOnlyTheRegistryWorkIsDone)
{
    SeedRegistry();
    SeedFiles();
    // What a sweep of a path built on an empty folder would reach: the current folder.
    const std::string bystander = machine().ProgramFolder() + "Microsoft\\Office\\book.xlsx";
    WriteFile(bystander, "keep");

    TNoAppDataOfficeCleaner cleaner(0, true, 0);
    for (const std::uint8_t item : {110, 111, 112, 113, 114})
        cleaner.Items.set(item);
    cleaner.Options.Method = core::MethodNone;
    const TCleanerRecord record = RunCleaner(cleaner);

    EXPECT_TRUE(record.erased.empty());
    EXPECT_EQ(record.events.size(), 10u) << "every item still starts and finishes";
    for (const TRegistryCase& c : RegistryCases())
        for (const TValue& value : c.erased)
            EXPECT_FALSE(HasValue(value)) << "case: " << c.name << ": " << value.key << " : " << value.name;
    for (const char* folder : OfficeSubfolders)
        for (const TOfficeFile& file : OfficeFiles)
            EXPECT_EQ(ReadFile(OfficeFolder() + folder + file.name), file.name);
    EXPECT_EQ(ReadFile(bystander), "keep");
}

TEST_F(OfficeCleanerTest, AMissingOfficeFolderLeavesTheRegistryWork)
{
    SeedRegistry();
    ASSERT_FALSE(Exists(OfficeFolder()));

    const TCleanerRecord record = Run({113});

    EXPECT_TRUE(record.erased.empty());
    EXPECT_FALSE(HasValue({Office("12.0", "Word\\Data"), "settings"}));
    EXPECT_TRUE(HasValue({Office("8.0", "Word\\Data"), "settings"}));
}

TEST_F(OfficeCleanerTest, ItemsComeFromTheSettingsStoreWhenNonePreset)
{
    SeedRegistry();
    ASSERT_TRUE(core::TSettingsManager::WriteBool(111, true));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(114, true));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(109, true)) << "the Windows cleaner's item is not this one's";

    const TCleanerRecord record = Run({});

    EXPECT_EQ(record.events, (std::vector<std::string>{"started 111", "finished 111", "started 114", "finished 114"}));
    EXPECT_FALSE(HasValue({Office("8.0", "Excel\\Recent Files"), "File1"}));
    EXPECT_TRUE(HasValue({Office("8.0", "Access\\Settings"), "MRU1"}));

    // A preset set is used as it is, whatever the store says.
    SeedRegistry();
    EXPECT_EQ(Run({110}).events, (std::vector<std::string>{"started 110", "finished 110"}));
    EXPECT_TRUE(HasValue({Office("8.0", "Excel\\Recent Files"), "File1"}));
    EXPECT_FALSE(HasValue({Office("8.0", "Access\\Settings"), "MRU1"}));
}

TEST_F(OfficeCleanerTest, EventsFollowTheItemsInAscendingOrder)
{
    WriteFile(OfficeFolder() + "\\Recent\\letter.docx", "d");
    WriteFile(OfficeFolder() + "\\Recent\\page.htm.lnk", "p");
    WriteFile(OfficeFolder() + "\\Recent\\notes.txt", "keeps the folder");

    const TCleanerRecord record = Run({114, 110, 113});

    EXPECT_EQ(record.events,
              (std::vector<std::string>{"started 110",
                                        "finished 110",
                                        "started 113",
                                        "erased 113 " + OfficeFolder() + "\\Recent\\letter.docx",
                                        "finished 113",
                                        "started 114",
                                        "erased 114 " + OfficeFolder() + "\\Recent\\page.htm.lnk",
                                        "finished 114"}));
}

TEST_F(OfficeCleanerTest, ACleanerTerminatedBeforeItStartsDoesNoWork)
{
    SeedRegistry();
    SeedFiles();
    TOfficeCleaner cleaner(0, true, 0);
    cleaner.Items.set();
    cleaner.Options.Method = core::MethodNone;
    cleaner.Terminate();

    const TCleanerRecord record = RunCleaner(cleaner);

    EXPECT_TRUE(record.events.empty());
    for (const TValue& value : SeededValues())
        EXPECT_TRUE(HasValue(value)) << value.key << " : " << value.name;
    EXPECT_TRUE(Exists(OfficeFolder() + "\\Recent\\book.xlsx"));
}

} // namespace
} // namespace lumexa::cleaners
