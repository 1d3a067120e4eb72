#include "core/SettingsManager.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/MessageTable.h"
#include "platform/Registry.h"
#include "support/MachineTest.h"

namespace lumexa::core {
namespace {

using platform::HKEY;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::RegRead;
using platform::RegType;

constexpr const char* SettingsKey = R"(SOFTWARE\Orvanta\Lumexa\Settings)";
constexpr const char* DisabledKey = R"(SOFTWARE\Orvanta\Lumexa\Settings\DWSUPD)";
constexpr const char* RunKey = R"(Software\Microsoft\Windows\CurrentVersion\Run)";
constexpr const char* RunOnceKey = R"(Software\Microsoft\Windows\CurrentVersion\RunOnce)";
constexpr const char* RunServicesKey = R"(Software\Microsoft\Windows\CurrentVersion\RunServices)";
constexpr const char* RunServicesOnceKey = R"(Software\Microsoft\Windows\CurrentVersion\RunServicesOnce)";

class SettingsManagerTest : public test::MachineTest
{
protected:
    platform::Registry& registry() { return machine().Registry(); }

    // A raw value of the program's settings key, as another program would see it.
    std::optional<platform::RegValue> SettingsValue(const std::string& name)
    {
        const auto key = registry().Open(HKEY_LOCAL_MACHINE, SettingsKey);
        return key ? key->QueryValue(name) : std::nullopt;
    }

    void SetSettingsValue(const std::string& name, RegType type, const std::vector<std::uint8_t>& data)
    {
        const auto key = registry().Create(HKEY_LOCAL_MACHINE, SettingsKey);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->SetValue(name, type, data));
    }

    std::optional<std::string> StringValue(HKEY root, const std::string& path, const std::string& name)
    {
        const auto key = registry().Open(root, path);
        std::string value;
        if (!key || key->GetString(name, value) != RegRead::Ok)
            return std::nullopt;
        return value;
    }

    void SetStringValue(HKEY root, const std::string& path, const std::string& name, const std::string& value)
    {
        const auto key = registry().Create(root, path);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->SetString(name, value));
    }

    // The DWSUPD record of a name as stored: RootKey, KeyPath, CommandLine.
    struct TStoredRecord
    {
        std::uint32_t rootKey = 0;
        std::string keyPath;
        std::string commandLine;
        friend bool operator==(const TStoredRecord&, const TStoredRecord&) = default;
    };

    std::optional<TStoredRecord> DisabledRecord(const std::string& name)
    {
        const auto key = registry().Open(HKEY_LOCAL_MACHINE, std::string(DisabledKey) + "\\" + name);
        if (!key)
            return std::nullopt;
        TStoredRecord record;
        EXPECT_EQ(key->GetDword("RootKey", record.rootKey), RegRead::Ok);
        EXPECT_EQ(key->GetString("KeyPath", record.keyPath), RegRead::Ok);
        EXPECT_EQ(key->GetString("CommandLine", record.commandLine), RegRead::Ok);
        return record;
    }

    void SetDisabledRecord(const std::string& name, const TStoredRecord& record)
    {
        const auto key = registry().Create(HKEY_LOCAL_MACHINE, std::string(DisabledKey) + "\\" + name);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->SetDword("RootKey", record.rootKey));
        ASSERT_TRUE(key->SetString("KeyPath", record.keyPath));
        ASSERT_TRUE(key->SetString("CommandLine", record.commandLine));
    }

    // A fresh machine may come with run entries of its own; these tests start from none.
    void ClearRunKeys()
    {
        for (const char* path : {RunKey, RunOnceKey})
            registry().DeleteKey(HKEY_CURRENT_USER, path);
        for (const char* path : {RunKey, RunOnceKey, RunServicesKey, RunServicesOnceKey})
            registry().DeleteKey(HKEY_LOCAL_MACHINE, path);
    }

    static TStartUpProgram Program(HKEY root,
                                   const std::string& keyPath,
                                   const std::string& name,
                                   const std::string& commandLine,
                                   std::string_view state)
    {
        return {root, TSettingsManager::GetRootKeyName(root), keyPath, name, commandLine, std::string(state)};
    }
};

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint8_t> bytes)
{
    return bytes;
}

std::vector<std::uint8_t> Utf8Z(const std::string& text)
{
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// ---- item values

TEST_F(SettingsManagerTest, NeverWrittenItemsReadTheirDefaults)
{
    EXPECT_FALSE(TSettingsManager::ReadBool(0));
    EXPECT_EQ(TSettingsManager::ReadInteger(1), 0);
    EXPECT_EQ(TSettingsManager::ReadInteger(34, 7), 7);
    EXPECT_EQ(TSettingsManager::ReadString(32), "");
    EXPECT_EQ(TSettingsManager::ReadDate(2), 0.0);
    EXPECT_EQ(TSettingsManager::ReadDate(21, 40116.5), 40116.5);
    EXPECT_EQ(TSettingsManager::ReadTime(3), 0.0);
    EXPECT_FALSE(registry().KeyExists(HKEY_LOCAL_MACHINE, SettingsKey)) << "reading must not create the key";
}

TEST_F(SettingsManagerTest, BooleansAreDwordsAndAnyNonZeroReadsTrue)
{
    ASSERT_TRUE(TSettingsManager::WriteBool(23, true));
    EXPECT_EQ(SettingsValue("23"), (platform::RegValue{"23", RegType::Dword, Bytes({1, 0, 0, 0})}));
    EXPECT_TRUE(TSettingsManager::ReadBool(23));

    ASSERT_TRUE(TSettingsManager::WriteBool(23, false));
    EXPECT_EQ(SettingsValue("23"), (platform::RegValue{"23", RegType::Dword, Bytes({0, 0, 0, 0})}));
    EXPECT_FALSE(TSettingsManager::ReadBool(23));

    SetSettingsValue("24", RegType::Dword, Bytes({7, 0, 0, 0}));
    EXPECT_TRUE(TSettingsManager::ReadBool(24));
}

TEST_F(SettingsManagerTest, IntegersAndTextsRoundTripThroughTheRegistry)
{
    ASSERT_TRUE(TSettingsManager::WriteInteger(37, 35));
    EXPECT_EQ(SettingsValue("37"), (platform::RegValue{"37", RegType::Dword, Bytes({35, 0, 0, 0})}));
    EXPECT_EQ(TSettingsManager::ReadInteger(37, 1), 35);

    ASSERT_TRUE(TSettingsManager::WriteInteger(5, -3));
    EXPECT_EQ(SettingsValue("5"), (platform::RegValue{"5", RegType::Dword, Bytes({0xFD, 0xFF, 0xFF, 0xFF})}));
    EXPECT_EQ(TSettingsManager::ReadInteger(5), -3);

    ASSERT_TRUE(TSettingsManager::WriteString(32, "geheim ä"));
    EXPECT_EQ(SettingsValue("32"), (platform::RegValue{"32", RegType::Sz, Utf8Z("geheim ä")}));
    EXPECT_EQ(TSettingsManager::ReadString(32), "geheim ä");
}

TEST_F(SettingsManagerTest, DatesAreEightByteLittleEndianDoubles)
{
    // 1.5 is 0x3FF8000000000000 and 0.5 is 0x3FE0000000000000 in IEEE 754.
    ASSERT_TRUE(TSettingsManager::WriteDate(21, 1.5));
    EXPECT_EQ(SettingsValue("21"), (platform::RegValue{"21", RegType::Binary, Bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x3F})}));
    ASSERT_TRUE(TSettingsManager::WriteTime(7, 0.5));
    EXPECT_EQ(SettingsValue("7"), (platform::RegValue{"7", RegType::Binary, Bytes({0, 0, 0, 0, 0, 0, 0xE0, 0x3F})}));
    EXPECT_EQ(TSettingsManager::ReadTime(7), 0.5);

    SetSettingsValue("90", RegType::Binary, Bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
    EXPECT_EQ(TSettingsManager::ReadDate(90), 1.5);

    const platform::TDateTime when = platform::EncodeDateTime(2009, 10, 30, 17, 5, 9).value();
    ASSERT_TRUE(TSettingsManager::WriteDate(2, when));
    EXPECT_EQ(TSettingsManager::ReadDate(2), when);
}

TEST_F(SettingsManagerTest, ValuesOfTheWrongTypeOrSizeReadAsAbsent)
{
    SetSettingsValue("23", RegType::Sz, Utf8Z("1"));                                   // text read as boolean
    SetSettingsValue("34", RegType::Sz, Utf8Z("5"));                                   // text read as integer
    SetSettingsValue("32", RegType::Dword, Bytes({1, 0, 0, 0}));                       // integer read as text
    SetSettingsValue("21", RegType::Dword, Bytes({1, 0, 0, 0}));                       // integer read as date
    SetSettingsValue("2", RegType::Binary, Bytes({0, 0, 0, 0, 0, 0, 0xF8}));           // 7 bytes
    SetSettingsValue("90", RegType::Binary, Bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0})); // 9 bytes
    SetSettingsValue("3", RegType::Binary, Bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x7F}));     // NaN
    SetSettingsValue("25", RegType::Qword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));           // REG_QWORD as boolean
    SetSettingsValue("26", RegType::Dword, Bytes({1, 0}));                             // short REG_DWORD

    EXPECT_FALSE(TSettingsManager::ReadBool(23));
    EXPECT_EQ(TSettingsManager::ReadInteger(34, 9), 9);
    EXPECT_EQ(TSettingsManager::ReadString(32), "");
    EXPECT_EQ(TSettingsManager::ReadDate(21, 2.25), 2.25);
    EXPECT_EQ(TSettingsManager::ReadDate(2, 3.0), 3.0);
    EXPECT_EQ(TSettingsManager::ReadDate(90), 0.0);
    EXPECT_EQ(TSettingsManager::ReadTime(3), 0.0);
    EXPECT_FALSE(TSettingsManager::ReadBool(25));
    EXPECT_FALSE(TSettingsManager::ReadBool(26));
}

TEST_F(SettingsManagerTest, ItemsOutsideTheLiveRangeAreNumberedValuesOfTheProgramKey)
{
    for (const int item : {0, 38, 47, 54, 55, 127}) {
        const auto number = static_cast<std::uint8_t>(item);
        EXPECT_EQ(TSettingsManager::GetItemRootKey(number), HKEY_LOCAL_MACHINE) << "item = " << item;
        EXPECT_EQ(TSettingsManager::GetItemKeyPath(number), SettingsKey) << "item = " << item;
        EXPECT_EQ(TSettingsManager::GetItemValueName(number), std::to_string(item)) << "item = " << item;
    }

    ASSERT_TRUE(TSettingsManager::WriteString(47, R"(C:\Cache)"));
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, SettingsKey, "47"), R"(C:\Cache)");
}

TEST_F(SettingsManagerTest, Items39To46AreTheBrowsersOwnValuesInTheCurrentUser)
{
    const std::string shellFolders = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders)";
    const std::string ieMain = R"(Software\Microsoft\Internet Explorer\Main)";
    struct TCase
    {
        std::uint8_t item;
        std::string keyPath;
        std::string valueName;
    };
    const TCase cases[] = {
        {39, shellFolders, "Cache"},
        {40, shellFolders, "Cookies"},
        {41, shellFolders, "Favorites"},
        {42, shellFolders, "History"},
        {43, ieMain, "Save Directory"},
        {44, ieMain, "Start Page"},
        {45, ieMain, "Window Title"},
        {46, R"(Software\Microsoft\Internet Explorer)", "Download Directory"},
    };
    for (const TCase& c : cases) {
        const int item = c.item;
        EXPECT_EQ(TSettingsManager::GetItemRootKey(c.item), HKEY_CURRENT_USER) << "item = " << item;
        EXPECT_EQ(TSettingsManager::GetItemKeyPath(c.item), c.keyPath) << "item = " << item;
        EXPECT_EQ(TSettingsManager::GetItemValueName(c.item), c.valueName) << "item = " << item;

        const std::string written = "written " + std::to_string(item);
        ASSERT_TRUE(TSettingsManager::WriteString(c.item, written)) << "item = " << item;
        EXPECT_EQ(StringValue(HKEY_CURRENT_USER, c.keyPath, c.valueName), written) << "item = " << item;
        EXPECT_FALSE(SettingsValue(std::to_string(item))) << "item = " << item;

        const std::string changedByBrowser = "browser " + std::to_string(item);
        SetStringValue(HKEY_CURRENT_USER, c.keyPath, c.valueName, changedByBrowser);
        EXPECT_EQ(TSettingsManager::ReadString(c.item), changedByBrowser) << "item = " << item;
    }
}

TEST_F(SettingsManagerTest, WritesBelowTheMachineFailForANonAdministratorWithoutThrowing)
{
    registry().SetAdministrator(false);
    EXPECT_FALSE(TSettingsManager::WriteBool(23, true));
    EXPECT_FALSE(TSettingsManager::WriteDate(21, 1.5));
    EXPECT_FALSE(SettingsValue("23"));
    EXPECT_FALSE(TSettingsManager::ReadBool(23));
    // Items 39..46 live in the current user's hive, which stays writable.
    EXPECT_TRUE(TSettingsManager::WriteString(44, "about:blank"));
    EXPECT_EQ(TSettingsManager::ReadString(44), "about:blank");
}

// ---- catalogue

TEST(SettingsCatalogueTest, GetItemNameNamesTraceItemsOnly)
{
    struct TCase
    {
        int item;
        const char* name;
    };
    const TCase cases[] = {
        {55, "IE Location Bar History"},
        {57, "IE Cache (Temporary Internet Files)"},
        {81, "FireFox Downloads History"},
        {89, "Safari Autocomplete Forms"},
        {92, "Temp Folder"},
        {95, "Find/ Search Files - Folders History"},
        {104, "Scandisk (*.chk) files"},
        {110, "Mirosoft Access"},
        {114, "Microsoft FrontPage"},
        {115, "Outlook Express"},
        {118, "ThunderBird"},
        {119, "Windows Mail"},
        {0, ""},
        {26, ""},
        {54, ""},
        {90, ""},
        {91, ""},
        {120, ""},
        {121, ""},
        {127, ""},
        {200, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TSettingsManager::GetItemName(static_cast<std::uint8_t>(c.item)), c.name) << "item = " << c.item;
}

TEST(SettingsCatalogueTest, GetItemGroupFollowsTheReportGroups)
{
    struct TCase
    {
        int item;
        int group;
    };
    const TCase cases[] = {
        {0, 1},
        {54, 1},
        {55, 0},
        {70, 0},
        {89, 0},
        {90, 1},
        {91, 1},
        {92, 1},
        {110, 1},
        {114, 1},
        {115, 3},
        {117, 3},
        {119, 3},
        {120, 2},
        {121, 1},
        {127, 1},
        {128, 1},
        {255, 1},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TSettingsManager::GetItemGroup(static_cast<std::uint8_t>(c.item)), c.group) << "item = " << c.item;
}

TEST(SettingsCatalogueTest, ItemInfoGivesEachItemsTypeAndName)
{
    struct TCase
    {
        int item;
        TItemType type;
        const char* name;
    };
    const TCase cases[] = {
        {0, TItemType::Boolean, "Enable schedule"},
        {1, TItemType::Integer, "Schedule kind (0 Once, 1 Hourly, 2 Daily, 3 Weekly)"},
        {2, TItemType::Date, "Schedule once: start date"},
        {3, TItemType::Time, "Schedule once: start time"},
        {6, TItemType::Unused, ""},
        {9, TItemType::Time, "Schedule weekly: start time"},
        {16, TItemType::Boolean, "Schedule weekly: Sun."},
        {17, TItemType::Unused, ""},
        {20, TItemType::Unused, ""},
        {21, TItemType::Date, "Date and time of the last finished cleaning run"},
        {22, TItemType::Time, "Time of the last cleaning run (read with item 21)"},
        {25, TItemType::Boolean, "Start Lumexa in system tray"},
        {32, TItemType::Text, "Settings password"},
        {37, TItemType::Integer, "Number of times to overwrite file"},
        {39, TItemType::Text, "Temporary Internet Files folder (live value)"},
        {54, TItemType::Text, "Protected copy of the download directory"},
        {90, TItemType::Date, "Date and time of the last start with \"reinstall\""},
        {91, TItemType::Unused, ""},
        {110, TItemType::Boolean, "Mirosoft Access"},
        {120, TItemType::PseudoItem, "Plug-ins (objects erased by plug-in definitions)"},
        {121, TItemType::Boolean, "Internet Explorer: Erase Tracks on Closing"},
        {127, TItemType::Boolean, "Safari: Erase Tracks on Closing"},
        {128, TItemType::Unused, ""},
        {255, TItemType::Unused, ""},
    };
    for (const TCase& c : cases) {
        const TItemInfo& info = ItemInfo(static_cast<std::uint8_t>(c.item));
        EXPECT_EQ(info.type, c.type) << "item = " << c.item;
        EXPECT_EQ(info.name, c.name) << "item = " << c.item;
    }
}

TEST(SettingsCatalogueTest, CatalogueIsConsistentForEveryItem)
{
    std::vector<int> unused;
    for (int item = 0; item < 128; ++item) {
        const auto number = static_cast<std::uint8_t>(item);
        const TItemInfo& info = ItemInfo(number);
        if (info.type == TItemType::Unused) {
            unused.push_back(item);
            EXPECT_TRUE(info.name.empty()) << "item = " << item;
            continue;
        }
        EXPECT_FALSE(info.name.empty()) << "item = " << item;
        if (IsTraceItem(number)) {
            EXPECT_EQ(info.type, TItemType::Boolean) << "item = " << item;
            EXPECT_EQ(TSettingsManager::GetItemName(number), info.name) << "item = " << item;
        }
    }
    EXPECT_EQ(unused, (std::vector<int>{6, 17, 18, 19, 20, 91}));
}

TEST(SettingsCatalogueTest, RootKeyNamesAndRootsOfPaths)
{
    EXPECT_EQ(TSettingsManager::GetRootKeyName(HKEY_CURRENT_USER), "HKEY_CURRENT_USER\\");
    EXPECT_EQ(TSettingsManager::GetRootKeyName(HKEY_LOCAL_MACHINE), "HKEY_LOCAL_MACHINE\\");
    EXPECT_EQ(TSettingsManager::GetRootKeyName(platform::HKEY_USERS), "");
    EXPECT_EQ(TSettingsManager::GetRootKeyName(0), "");

    struct TCase
    {
        const char* path;
        HKEY root;
    };
    const TCase cases[] = {
        {R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run)", HKEY_CURRENT_USER},
        {R"(HKEY_CURRENT_USER\)", HKEY_CURRENT_USER},
        {R"(HKEY_LOCAL_MACHINE\Software)", HKEY_LOCAL_MACHINE},
        {"HKEY_CURRENT_USER", HKEY_LOCAL_MACHINE},
        {R"(hkey_current_user\Software)", HKEY_LOCAL_MACHINE},
        {R"(HKCU\Software)", HKEY_LOCAL_MACHINE},
        {R"(\HKEY_CURRENT_USER\Software)", HKEY_LOCAL_MACHINE},
        {R"(HKEY_USERS\.DEFAULT)", HKEY_LOCAL_MACHINE},
        {"", HKEY_LOCAL_MACHINE},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TSettingsManager::GetRootKeyOfPath(c.path), c.root) << "path = " << c.path;
}

// ---- start-up programs

class StartUpProgramsTest : public SettingsManagerTest
{
protected:
    void SetUp() override
    {
        SettingsManagerTest::SetUp();
        ClearRunKeys();
    }
};

TEST_F(StartUpProgramsTest, ReadsTheSixRunKeysInOrderWithNamesSortedIgnoringCase)
{
    SetStringValue(HKEY_LOCAL_MACHINE, RunServicesOnceKey, "once", "svc-once.exe");
    SetStringValue(HKEY_LOCAL_MACHINE, RunServicesKey, "service", "svc.exe");
    SetStringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "setup", "setup.exe");
    SetStringValue(HKEY_LOCAL_MACHINE, RunKey, "Lumexa", R"(C:\Program Files\Lumexa\Lumexa.exe)");
    SetStringValue(HKEY_CURRENT_USER, RunOnceKey, "cleanup", "cleanup.exe");
    SetStringValue(HKEY_CURRENT_USER, RunKey, "zeta", "z.exe");
    SetStringValue(HKEY_CURRENT_USER, RunKey, "Alpha", "a.exe");
    SetStringValue(HKEY_CURRENT_USER, RunKey, "beta", "b.exe");

    TStartUpProgramArr list;
    TSettingsManager::ReadStartupPrograms(list);

    const std::string_view active = StartUpStateActive;
    const TStartUpProgramArr expected{
        Program(HKEY_CURRENT_USER, RunKey, "Alpha", "a.exe", active),
        Program(HKEY_CURRENT_USER, RunKey, "beta", "b.exe", active),
        Program(HKEY_CURRENT_USER, RunKey, "zeta", "z.exe", active),
        Program(HKEY_CURRENT_USER, RunOnceKey, "cleanup", "cleanup.exe", active),
        Program(HKEY_LOCAL_MACHINE, RunKey, "Lumexa", R"(C:\Program Files\Lumexa\Lumexa.exe)", active),
        Program(HKEY_LOCAL_MACHINE, RunOnceKey, "setup", "setup.exe", active),
        Program(HKEY_LOCAL_MACHINE, RunServicesKey, "service", "svc.exe", active),
        Program(HKEY_LOCAL_MACHINE, RunServicesOnceKey, "once", "svc-once.exe", active),
    };
    EXPECT_EQ(list, expected);
    EXPECT_EQ(list.front().RootName, "HKEY_CURRENT_USER\\");
    EXPECT_EQ(list.back().RootName, "HKEY_LOCAL_MACHINE\\");
}

TEST_F(StartUpProgramsTest, ReadingAppendsToTheList)
{
    SetStringValue(HKEY_CURRENT_USER, RunKey, "one", "one.exe");
    TStartUpProgramArr list{Program(HKEY_LOCAL_MACHINE, RunKey, "kept", "kept.exe", StartUpStateActive)};
    TSettingsManager::ReadStartupPrograms(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Name, "kept");
    EXPECT_EQ(list[1].Name, "one");
}

TEST_F(StartUpProgramsTest, DisablingAndEnablingMovesTheProgramAndBack)
{
    SetStringValue(HKEY_CURRENT_USER, RunKey, "Tool", R"("C:\Tools\tool.exe" /min)");
    TStartUpProgramArr active;
    TSettingsManager::ReadStartupPrograms(active);
    ASSERT_EQ(active.size(), 1u);

    TStartUpProgram program = active.front();
    program.State = StartUpStateDisabled;
    const TStartUpResult disabled = TSettingsManager::SaveStartupProgram(program);
    ASSERT_TRUE(disabled.ok) << disabled.message;
    EXPECT_EQ(disabled.message, "");
    EXPECT_FALSE(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"));
    EXPECT_EQ(DisabledRecord("Tool"), (TStoredRecord{HKEY_CURRENT_USER, RunKey, R"("C:\Tools\tool.exe" /min)"}));

    TStartUpProgramArr listed;
    TSettingsManager::ReadStartupPrograms(listed);
    TSettingsManager::ReadDisabledStartupPrograms(listed);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed.front(), program);

    program.State = StartUpStateActive;
    const TStartUpResult enabled = TSettingsManager::SaveStartupProgram(program);
    ASSERT_TRUE(enabled.ok) << enabled.message;
    EXPECT_FALSE(registry().KeyExists(HKEY_LOCAL_MACHINE, std::string(DisabledKey) + "\\Tool"));
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"), R"("C:\Tools\tool.exe" /min)");
    TStartUpProgramArr again;
    TSettingsManager::ReadStartupPrograms(again);
    EXPECT_EQ(again, active);
}

TEST_F(StartUpProgramsTest, DisabledRecordsShowTheRootNameOfTheirOwnRoot)
{
    SetStringValue(HKEY_LOCAL_MACHINE, RunKey, "Machine", "m.exe");
    SetDisabledRecord("UserTool", {HKEY_CURRENT_USER, RunKey, "u.exe"});
    SetDisabledRecord("MachineTool", {HKEY_LOCAL_MACHINE, RunOnceKey, "mt.exe"});
    SetDisabledRecord("Strange", {platform::HKEY_USERS, RunKey, "s.exe"});

    TStartUpProgramArr list;
    TSettingsManager::ReadStartupPrograms(list);
    TSettingsManager::ReadDisabledStartupPrograms(list);

    const std::string_view disabled = StartUpStateDisabled;
    const TStartUpProgramArr expected{
        Program(HKEY_LOCAL_MACHINE, RunKey, "Machine", "m.exe", StartUpStateActive),
        Program(HKEY_LOCAL_MACHINE, RunOnceKey, "MachineTool", "mt.exe", disabled),
        {platform::HKEY_USERS, "", RunKey, "Strange", "s.exe", std::string(disabled)},
        Program(HKEY_CURRENT_USER, RunKey, "UserTool", "u.exe", disabled),
    };
    EXPECT_EQ(list, expected);
}

TEST_F(StartUpProgramsTest, NoDisabledKeyAddsNothing)
{
    TStartUpProgramArr list;
    TSettingsManager::ReadDisabledStartupPrograms(list);
    EXPECT_TRUE(list.empty());
}

TEST_F(StartUpProgramsTest, DeletingRemovesTheRunValueAndItsOwnDisabledRecord)
{
    SetStringValue(HKEY_CURRENT_USER, RunKey, "Tool", "tool.exe");
    SetDisabledRecord("Tool", {HKEY_CURRENT_USER, RunKey, "tool.exe"});

    const TStartUpResult result =
        TSettingsManager::DeleteStartupProgram(Program(HKEY_CURRENT_USER, RunKey, "Tool", "tool.exe", "Disabled"));
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"));
    EXPECT_FALSE(registry().KeyExists(HKEY_LOCAL_MACHINE, std::string(DisabledKey) + "\\Tool"));
    EXPECT_TRUE(registry().KeyExists(HKEY_LOCAL_MACHINE, DisabledKey));
}

TEST_F(StartUpProgramsTest, DeletingAProgramThatIsNowhereSucceeds)
{
    const TStartUpResult result =
        TSettingsManager::DeleteStartupProgram(Program(HKEY_CURRENT_USER, RunKey, "Ghost", "ghost.exe", "Active"));
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(registry().KeyExists(HKEY_CURRENT_USER, RunKey)) << "deleting must not create the run key";
}

// A program that cannot be written to its new place stays in its old one, and the caller
// learns why.
TEST_F(StartUpProgramsTest, EnablingAMachineProgramAsNonAdministratorKeepsItDisabled)
{
    SetDisabledRecord("Tool", {HKEY_LOCAL_MACHINE, RunKey, "tool.exe"});
    registry().SetAdministrator(false);

    const TStartUpResult result =
        TSettingsManager::SaveStartupProgram(Program(HKEY_LOCAL_MACHINE, RunKey, "Tool", "tool.exe", "Active"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              R"(The start-up program "Tool" could not be saved in )"
              R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run: Access is denied.)");
    EXPECT_EQ(DisabledRecord("Tool"), (TStoredRecord{HKEY_LOCAL_MACHINE, RunKey, "tool.exe"}));
    EXPECT_FALSE(StringValue(HKEY_LOCAL_MACHINE, RunKey, "Tool"));
}

TEST_F(StartUpProgramsTest, DisablingAsNonAdministratorKeepsTheProgramActive)
{
    SetStringValue(HKEY_CURRENT_USER, RunKey, "Tool", "tool.exe");
    registry().SetAdministrator(false);

    const TStartUpResult result =
        TSettingsManager::SaveStartupProgram(Program(HKEY_CURRENT_USER, RunKey, "Tool", "tool.exe", "Disabled"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              R"(The start-up program "Tool" could not be saved in )"
              R"(HKEY_LOCAL_MACHINE\SOFTWARE\Orvanta\Lumexa\Settings\DWSUPD\Tool: Access is denied.)");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"), "tool.exe");
    EXPECT_FALSE(registry().KeyExists(HKEY_LOCAL_MACHINE, std::string(DisabledKey) + "\\Tool"));
}

// The user's run key is writable, but the old place (DWSUPD, below the machine) cannot be
// cleared: the new value is taken back so the program does not end up in both places.
TEST_F(StartUpProgramsTest, EnablingIsUndoneWhenTheDisabledRecordCannotBeRemoved)
{
    SetDisabledRecord("Tool", {HKEY_CURRENT_USER, RunKey, "tool.exe"});
    SetDisabledRecord("Other", {HKEY_CURRENT_USER, RunKey, "other.exe"});
    SetStringValue(HKEY_CURRENT_USER, RunKey, "Other", "older other.exe");
    registry().SetAdministrator(false);

    for (const char* name : {"Tool", "Other"}) {
        const std::string commandLine = std::string(name) == "Tool" ? "tool.exe" : "other.exe";
        const TStartUpResult result =
            TSettingsManager::SaveStartupProgram(Program(HKEY_CURRENT_USER, RunKey, name, commandLine, "Active"));
        EXPECT_FALSE(result.ok) << "name = " << name;
        EXPECT_EQ(result.message,
                  std::string(R"(The start-up program ")") + name + R"(" could not be removed from )" +
                      R"(HKEY_LOCAL_MACHINE\SOFTWARE\Orvanta\Lumexa\Settings\DWSUPD\)" + name + ": Access is denied.")
            << "name = " << name;
        EXPECT_EQ(DisabledRecord(name), (TStoredRecord{HKEY_CURRENT_USER, RunKey, commandLine})) << "name = " << name;
    }
    EXPECT_FALSE(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"));
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, RunKey, "Other"), "older other.exe");
}

TEST_F(StartUpProgramsTest, DeletingAsNonAdministratorReportsWhatStayed)
{
    SetStringValue(HKEY_LOCAL_MACHINE, RunKey, "Tool", "tool.exe");
    registry().SetAdministrator(false);

    const TStartUpResult result =
        TSettingsManager::DeleteStartupProgram(Program(HKEY_LOCAL_MACHINE, RunKey, "Tool", "tool.exe", "Active"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              R"(The start-up program "Tool" could not be removed from )"
              R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run: Access is denied.)");
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, RunKey, "Tool"), "tool.exe");
}

// Two programs of one name would share one DWSUPD subkey, and the second would overwrite
// the first for good.
TEST_F(StartUpProgramsTest, DisablingANameThatIsDisabledForAnotherPlaceIsRefused)
{
    struct TCase
    {
        HKEY root;
        const char* keyPath;
        const char* place;
    };
    const TCase cases[] = {
        {HKEY_LOCAL_MACHINE, RunKey, R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run)"},
        {HKEY_CURRENT_USER, RunOnceKey, R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\RunOnce)"},
    };
    for (const TCase& c : cases) {
        SetDisabledRecord("Tool", {c.root, c.keyPath, "first.exe"});
        SetStringValue(HKEY_CURRENT_USER, RunKey, "Tool", "second.exe");

        const TStartUpResult result =
            TSettingsManager::SaveStartupProgram(Program(HKEY_CURRENT_USER, RunKey, "Tool", "second.exe", "Disabled"));
        EXPECT_FALSE(result.ok) << "place = " << c.place;
        EXPECT_EQ(result.message,
                  std::string(R"(The start-up program "Tool" cannot be disabled: another program of )") +
                      "the same name, started from " + c.place +
                      ", is already disabled. Enable or remove that program first.")
            << "place = " << c.place;
        EXPECT_EQ(DisabledRecord("Tool"), (TStoredRecord{c.root, c.keyPath, "first.exe"})) << "place = " << c.place;
        EXPECT_EQ(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"), "second.exe") << "place = " << c.place;
    }
}

TEST_F(StartUpProgramsTest, DisablingAgainUpdatesItsOwnRecordWhateverTheKeyPathsCase)
{
    SetDisabledRecord("Tool", {HKEY_CURRENT_USER, R"(SOFTWARE\MICROSOFT\WINDOWS\CURRENTVERSION\RUN)", "old.exe"});
    SetStringValue(HKEY_CURRENT_USER, RunKey, "Tool", "new.exe");

    const TStartUpResult result =
        TSettingsManager::SaveStartupProgram(Program(HKEY_CURRENT_USER, RunKey, "Tool", "new.exe", "Disabled"));
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(DisabledRecord("Tool"), (TStoredRecord{HKEY_CURRENT_USER, RunKey, "new.exe"}));
    EXPECT_FALSE(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"));
}

TEST_F(StartUpProgramsTest, DisablingANameThatCannotNameASubkeyIsRefused)
{
    struct TCase
    {
        const char* name;
        const char* message;
    };
    const TCase cases[] = {
        {"", R"(The start-up program "" cannot be disabled: its name is empty or contains a backslash (\).)"},
        {R"(Tools\Tool)",
         R"(The start-up program "Tools\Tool" cannot be disabled: its name is empty or contains a backslash (\).)"},
    };
    SetDisabledRecord("Tools", {HKEY_CURRENT_USER, RunOnceKey, "tools.exe"});
    for (const TCase& c : cases) {
        SetStringValue(HKEY_CURRENT_USER, RunKey, c.name, "tool.exe");

        const TStartUpResult result =
            TSettingsManager::SaveStartupProgram(Program(HKEY_CURRENT_USER, RunKey, c.name, "tool.exe", "Disabled"));
        EXPECT_FALSE(result.ok) << "name = " << c.name;
        EXPECT_EQ(result.message, c.message) << "name = " << c.name;
        EXPECT_EQ(StringValue(HKEY_CURRENT_USER, RunKey, c.name), "tool.exe") << "name = " << c.name;
    }
    const auto disabled = registry().Open(HKEY_LOCAL_MACHINE, DisabledKey);
    ASSERT_TRUE(disabled);
    EXPECT_EQ(disabled->SubKeyNames(), std::vector<std::string>{"Tools"});
    EXPECT_TRUE(disabled->ValueNames().empty());
    EXPECT_EQ(DisabledRecord("Tools"), (TStoredRecord{HKEY_CURRENT_USER, RunOnceKey, "tools.exe"}));
    EXPECT_FALSE(registry().KeyExists(HKEY_LOCAL_MACHINE, std::string(DisabledKey) + R"(\Tools\Tool)"));
}

TEST_F(StartUpProgramsTest, EnablingOrDeletingLeavesAnotherPlacesDisabledRecordAlone)
{
    const TStoredRecord other{HKEY_LOCAL_MACHINE, RunKey, "other.exe"};
    SetDisabledRecord("Tool", other);

    const TStartUpProgram program = Program(HKEY_CURRENT_USER, RunKey, "Tool", "tool.exe", "Active");
    const TStartUpResult enabled = TSettingsManager::SaveStartupProgram(program);
    ASSERT_TRUE(enabled.ok) << enabled.message;
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"), "tool.exe");
    EXPECT_EQ(DisabledRecord("Tool"), other);

    const TStartUpResult deleted = TSettingsManager::DeleteStartupProgram(program);
    ASSERT_TRUE(deleted.ok) << deleted.message;
    EXPECT_FALSE(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"));
    EXPECT_EQ(DisabledRecord("Tool"), other);
}

TEST_F(StartUpProgramsTest, AnyStateOtherThanActiveDisables)
{
    SetStringValue(HKEY_CURRENT_USER, RunKey, "Tool", "tool.exe");
    const TStartUpResult result =
        TSettingsManager::SaveStartupProgram(Program(HKEY_CURRENT_USER, RunKey, "Tool", "tool.exe", "active"));
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(StringValue(HKEY_CURRENT_USER, RunKey, "Tool"));
    EXPECT_EQ(DisabledRecord("Tool"), (TStoredRecord{HKEY_CURRENT_USER, RunKey, "tool.exe"}));
}

} // namespace
} // namespace lumexa::core
