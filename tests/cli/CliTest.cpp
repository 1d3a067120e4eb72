#include "app/Cli.h"

#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "support/TempDir.h"

namespace lumexa::app {
namespace {

using CliTest = CliFixture;

TEST_F(CliTest, MachineCreateRefusesAnExistingMachine)
{
    const CliRun again = Cli({"machine", "create"});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
}

TEST_F(CliTest, MachineCreateRejectsAnUnknownVersionAsBadUsage)
{
    test::TempDir other;
    std::ostringstream out, err;
    std::istringstream in;
    EXPECT_EQ(RunCli({"--machine", other.Path() + "/m", "machine", "create", "--os", "95"}, out, err, in), 2);
}

TEST_F(CliTest, MachineInfoDescribesTheMachine)
{
    const CliRun run = Cli({"machine", "info", "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto info = nlohmann::json::parse(run.out);
    EXPECT_EQ(info["version"], "xp");
    EXPECT_EQ(info["user"], "ann");
    EXPECT_EQ(info["temp"], "C:\\Documents and Settings\\ann\\Local Settings\\Temp\\");
    EXPECT_EQ(info["windows_folder"], "C:\\WINDOWS");
    EXPECT_EQ(info["program_folder"], "C:\\Program Files\\Lumexa\\");
    EXPECT_EQ(info["special_folders"]["CSIDL_APPDATA"], "C:\\Documents and Settings\\ann\\Application Data");
    ASSERT_EQ(info["drives"].size(), 2u);
    EXPECT_EQ(info["drives"][0]["letter"], "C:");
    EXPECT_EQ(info["drives"][0]["total"], 1ull << 30);
    EXPECT_EQ(info["drives"][1]["host"], "/");

    const CliRun text = Cli({"machine", "info"});
    EXPECT_NE(text.out.find("Temp folder:    C:\\Documents and Settings\\ann\\Local Settings\\Temp\\"),
              std::string::npos)
        << text.out;
}

TEST_F(CliTest, MachineHostPathMapsBothDrives)
{
    const CliRun c = Cli({"machine", "hostpath", "c:\\windows\\System32"});
    ASSERT_EQ(c.code, 0) << c.err;
    EXPECT_EQ(c.out, Root() + "/drive_c/WINDOWS/system32\n");
    const CliRun z = Cli({"machine", "hostpath", "Z:\\etc\\hostname"});
    EXPECT_EQ(z.out, "/etc/hostname\n");
    EXPECT_EQ(Cli({"machine", "hostpath", "Q:\\x"}).code, 1);
}

TEST_F(CliTest, CommandsOnAMissingMachineSayHowToCreateOne)
{
    std::ostringstream out, err;
    std::istringstream in;
    EXPECT_EQ(RunCli({"--machine", Dir() / "nothing", "machine", "info"}, out, err, in), 1);
    EXPECT_NE(err.str().find("machine create"), std::string::npos) << err.str();
}

TEST_F(CliTest, RegistryValuesAreSetQueriedAndDeleted)
{
    const std::string key = "HKCU\\Software\\Test";
    ASSERT_EQ(Cli({"reg", "set", key, "Greeting", "REG_SZ", "hello"}).code, 0);
    ASSERT_EQ(Cli({"reg", "set", key, "Count", "REG_DWORD", "0x10"}).code, 0);
    ASSERT_EQ(Cli({"reg", "set", key, "List", "REG_MULTI_SZ", "a\\0b"}).code, 0);
    ASSERT_EQ(Cli({"reg", "set", key, "Blob", "REG_BINARY", "01,ff"}).code, 0);
    ASSERT_EQ(Cli({"reg", "set", key + "\\Sub", "X", "REG_QWORD", "5"}).code, 0);

    const CliRun query = Cli({"reg", "query", "hkey_current_user\\software\\test", "--json"});
    ASSERT_EQ(query.code, 0) << query.err;
    const auto doc = nlohmann::json::parse(query.out);
    EXPECT_EQ(doc["key"], "HKEY_CURRENT_USER\\Software\\Test");
    ASSERT_EQ(doc["values"].size(), 4u);
    EXPECT_EQ(doc["values"][0]["data"], "hello");
    EXPECT_EQ(doc["values"][1]["type"], "REG_DWORD");
    EXPECT_EQ(doc["values"][1]["data"], 16);
    EXPECT_EQ(doc["values"][2]["data"], nlohmann::json::array({"a", "b"}));
    EXPECT_EQ(doc["values"][3]["data"], "01ff");
    EXPECT_EQ(doc["subkeys"], nlohmann::json::array({"Sub"}));

    const CliRun one = Cli({"reg", "query", key, "--value", "count"});
    EXPECT_EQ(one.out, "HKEY_CURRENT_USER\\Software\\Test\n    Count    REG_DWORD    0x10\n");

    EXPECT_EQ(Cli({"reg", "delete", key, "--value", "Count"}).code, 0);
    EXPECT_EQ(Cli({"reg", "query", key, "--value", "Count"}).code, 1);
    EXPECT_EQ(Cli({"reg", "delete", key}).code, 0);
    EXPECT_EQ(Cli({"reg", "query", key}).code, 1);
}

TEST_F(CliTest, RegistryRejectsBadInputClearly)
{
    struct Case
    {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{"reg", "set", "HKXX\\Software", "a", "REG_SZ", "x"}, 1, "registry root"},
        {{"reg", "set", "HKCU\\Software", "a", "REG_WHAT", "x"}, 1, "unknown value type"},
        {{"reg", "set", "HKCU\\Software", "a", "REG_DWORD", "4294967296"}, 1, "not a 32-bit number"},
        {{"reg", "set", "HKCU\\Software", "a", "REG_BINARY", "0g"}, 1, "not hex bytes"},
        {{"reg", "delete", "HKCU"}, 1, "whole root"},
        {{"reg", "delete", "HKCU\\"}, 1, "whole root"},
        {{"reg", "set", "HKCU\\Software", "a"}, 2, ""},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.code, c.code) << c.args[1] << " " << c.args[2];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(Cli({"reg", "query", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"}).code, 0)
        << "the refused delete changed nothing";
}

TEST_F(CliTest, RegistryExportAndImportRoundTrip)
{
    ASSERT_EQ(Cli({"reg", "set", "HKLM\\SOFTWARE\\Acme", "Path", "REG_EXPAND_SZ", "%WINDIR%\\a \"b\""}).code, 0);
    const std::string file = Dir() / "acme.reg";
    ASSERT_EQ(Cli({"reg", "export", file, "HKLM\\SOFTWARE\\Acme"}).code, 0);
    const std::string exported = test::ReadHostFile(file);
    EXPECT_EQ(exported.rfind("REGEDIT4\r\n", 0), 0u) << exported;
    ASSERT_EQ(Cli({"reg", "delete", "HKLM\\SOFTWARE\\Acme"}).code, 0);
    ASSERT_EQ(Cli({"reg", "import", file}).code, 0);
    const CliRun query = Cli({"reg", "query", "HKLM\\SOFTWARE\\Acme", "--value", "Path", "--json"});
    EXPECT_EQ(nlohmann::json::parse(query.out)["values"][0]["data"], "%WINDIR%\\a \"b\"");
}

TEST_F(CliTest, RegistryImportNamesTheBadLineAndChangesNothing)
{
    const std::string file = Dir() / "bad.reg";
    test::WriteHostFile(file,
                        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Good]\r\n\"a\"=\"1\"\r\n"
                        "\"b\"=dword:xyz\r\n");
    const CliRun run = Cli({"reg", "import", file});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("line 5"), std::string::npos) << run.err;
    EXPECT_EQ(Cli({"reg", "query", "HKCU\\Software\\Good"}).code, 1);
}

TEST_F(CliTest, SettingsAreTypedByTheCatalogue)
{
    EXPECT_EQ(Cli({"settings", "get", "33"}).out, "false\n");
    ASSERT_EQ(Cli({"settings", "set", "33", "true"}).code, 0);
    EXPECT_EQ(Cli({"settings", "get", "33"}).out, "true\n");
    ASSERT_EQ(Cli({"settings", "set", "34", "3"}).code, 0);
    EXPECT_EQ(Cli({"settings", "get", "34"}).out, "3\n");
    ASSERT_EQ(Cli({"settings", "set", "44", "http://example.org/"}).code, 0);
    EXPECT_EQ(Cli({"reg", "query", "HKCU\\Software\\Microsoft\\Internet Explorer\\Main", "--value", "Start Page"}).out,
              "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main\n    Start Page    REG_SZ    "
              "http://example.org/\n");
    ASSERT_EQ(Cli({"settings", "set", "21", "2009-10-30 17:05:09"}).code, 0);
    EXPECT_EQ(Cli({"settings", "get", "21"}).out, "2009-10-30 17:05:09\n");
    EXPECT_EQ(Cli({"settings", "get", "3"}).out, "1899-12-30 00:00:00\n");

    struct Case
    {
        std::vector<std::string> args;
        int code;
    };
    const Case bad[] = {
        {{"settings", "set", "33", "maybe"}, 1},
        {{"settings", "set", "34", "3x"}, 1},
        {{"settings", "set", "21", "yesterday"}, 1},
        {{"settings", "get", "6"}, 1},
        {{"settings", "get", "120"}, 1},
        {{"settings", "get", "128"}, 2},
        {{"settings", "get", "abc"}, 2},
    };
    for (const Case& c : bad)
        EXPECT_EQ(Cli(c.args).code, c.code) << c.args[1] << " " << c.args[2];
}

TEST_F(CliTest, SettingsListMarksWhatIsStored)
{
    ASSERT_EQ(Cli({"settings", "set", "25", "true"}).code, 0);
    const auto list = nlohmann::json::parse(Cli({"settings", "list", "--json"}).out);
    bool sawItem25 = false;
    for (const auto& row : list) {
        EXPECT_NE(row["item"], 6) << "unused items are not listed";
        EXPECT_NE(row["item"], 120) << "the pseudo-item is not a setting";
        if (row["item"] == 25) {
            sawItem25 = true;
            EXPECT_EQ(row["value"], true);
            EXPECT_EQ(row["stored"], true);
        }
        if (row["item"] == 26) {
            EXPECT_EQ(row["stored"], false);
        }
    }
    EXPECT_TRUE(sawItem25);
}

TEST_F(CliTest, CatalogueListsEveryItemWithNameAndGroup)
{
    const auto list = nlohmann::json::parse(Cli({"catalogue", "--json"}).out);
    ASSERT_EQ(list.size(), 128u);
    EXPECT_EQ(list[110]["name"], "Mirosoft Access");
    EXPECT_EQ(list[110]["group_name"], "Windows");
    EXPECT_EQ(list[55]["group"], 0);
    EXPECT_EQ(list[119]["group"], 3);
    EXPECT_EQ(list[120]["group"], 2);
    EXPECT_EQ(list[120]["type"], "pseudo-item");
    EXPECT_EQ(list[6]["type"], "unused");
}

TEST_F(CliTest, StartupProgramsAreDisabledEnabledAndRemoved)
{
    const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    ASSERT_EQ(Cli({"reg", "set", run, "Updater", "REG_SZ", "C:\\upd.exe /q"}).code, 0);
    EXPECT_EQ(
        Cli({"startup", "list"}).out,
        "Active\tHKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\tUpdater\tC:\\upd.exe /q\n");

    ASSERT_EQ(Cli({"startup", "disable", "updater"}).code, 0);
    EXPECT_EQ(Cli({"reg", "query", run, "--value", "Updater"}).code, 1);
    const auto disabled = nlohmann::json::parse(Cli({"startup", "list", "--json"}).out);
    ASSERT_EQ(disabled.size(), 1u);
    EXPECT_EQ(disabled[0]["state"], "Disabled");
    EXPECT_EQ(disabled[0]["root"], "HKEY_CURRENT_USER\\");

    EXPECT_EQ(Cli({"startup", "disable", "Updater"}).code, 1) << "nothing active of that name";
    ASSERT_EQ(Cli({"startup", "enable", "Updater"}).code, 0);
    EXPECT_EQ(Cli({"reg", "query", run, "--value", "Updater"}).code, 0);

    ASSERT_EQ(Cli({"reg",
                   "set",
                   "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                   "Updater",
                   "REG_SZ",
                   "C:\\other.exe"})
                  .code,
              0);
    const CliRun ambiguous = Cli({"startup", "remove", "Updater"});
    EXPECT_EQ(ambiguous.code, 1);
    EXPECT_NE(ambiguous.err.find("--key"), std::string::npos) << ambiguous.err;
    ASSERT_EQ(
        Cli({"startup", "remove", "Updater", "--key", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"}).code,
        0);
    EXPECT_EQ(
        Cli({"startup", "list"}).out,
        "Active\tHKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\tUpdater\tC:\\upd.exe /q\n");
}

TEST_F(CliTest, UnknownCommandsAreBadUsage)
{
    const CliRun run = Cli({"frobnicate"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("--help"), std::string::npos);
    EXPECT_EQ(Cli({"--help"}).code, 0);
}

} // namespace
} // namespace lumexa::app
