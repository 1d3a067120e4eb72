#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "cleaners/ProfilesFinder.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

namespace lumexa::app {
namespace {

using cleaners::TSavedProfile;
using cleaners::TSavedProfiles;
using platform::Machine;

// A profiles.ini as Firefox 120 on Linux writes it in ~/.mozilla/firefox: relative paths
// without a "Profiles/" level, an [Install...] section before the profiles.
constexpr const char* kLinuxFirefoxIni = "[Install4F96D1932A9F858E]\n"
                                         "Default=k3x9ab12.default-release\n"
                                         "Locked=1\n"
                                         "\n"
                                         "[Profile1]\n"
                                         "Name=default\n"
                                         "IsRelative=1\n"
                                         "Path=q7w2er90.default\n"
                                         "Default=1\n"
                                         "\n"
                                         "[Profile0]\n"
                                         "Name=default-release\n"
                                         "IsRelative=1\n"
                                         "Path=k3x9ab12.default-release\n"
                                         "\n"
                                         "[General]\n"
                                         "StartWithLastProfile=1\n"
                                         "Version=2\n";

// Firefox 3.5 on Windows XP: "Application Data\Mozilla\Firefox\profiles.ini", CRLF lines.
constexpr const char* kXpFirefoxIni = "[General]\r\n"
                                      "StartWithLastProfile=1\r\n"
                                      "\r\n"
                                      "[Profile0]\r\n"
                                      "Name=default\r\n"
                                      "IsRelative=1\r\n"
                                      "Path=Profiles/abc12def.default\r\n";

// Thunderbird 115 on Linux: ~/.thunderbird/profiles.ini.
constexpr const char* kThunderbirdIni = "[Profile0]\n"
                                        "Name=default-release\n"
                                        "IsRelative=1\n"
                                        "Path=m4il0001.default-release\n";

class CliProfilesTest : public CliFixture
{
protected:
    void TearDown() override { Machine::SetCurrent(nullptr); }

    // A host file below the test's folder (reached through Z:).
    std::string HostFile(const std::string& relative, const std::string& contents)
    {
        test::WriteHostFile(m_host + "/" + relative, contents);
        return m_host + "/" + relative;
    }
    std::string HostFolder(const std::string& relative)
    {
        std::filesystem::create_directories(m_host + "/" + relative);
        return m_host + "/" + relative;
    }
    // A folder of drive C:, by its Windows path below "C:\".
    std::string MakeDriveCFolder(const std::string& relative)
    {
        std::string host = m_root + "/drive_c/" + relative;
        for (char& c : host)
            if (c == '\\')
                c = '/';
        std::filesystem::create_directories(host);
        return "C:\\" + relative;
    }

    // What the Firefox or Netscape cleaners will erase: the selected profiles of the registry.
    TSavedProfiles Saved(std::string_view key)
    {
        std::string error;
        auto machine = Machine::Open(m_root, &error);
        EXPECT_TRUE(machine) << error;
        Machine::SetCurrent(machine);
        TSavedProfiles saved = cleaners::LoadSavedProfiles(key);
        Machine::SetCurrent(nullptr);
        return saved;
    }
    // The raw data of one stored value; empty when missing.
    std::string StoredData(std::string_view key, const std::string& name)
    {
        std::string error;
        auto machine = Machine::Open(m_root, &error);
        EXPECT_TRUE(machine) << error;
        std::string data;
        if (const auto opened = machine->Registry().Open(platform::HKEY_LOCAL_MACHINE, key))
            opened->GetString(name, data);
        return data;
    }

    std::string m_host = m_dir.Path() + "/home";
};

TEST_F(CliProfilesTest, FindReportsTheProfilesOfAHostFolderThroughZ)
{
    HostFile(".mozilla/firefox/profiles.ini", kLinuxFirefoxIni);
    HostFile(".thunderbird/profiles.ini", kThunderbirdIni);
    // A copy in a folder whose name is not the marker word is not a browser's list.
    HostFile("backup/profiles.ini", kLinuxFirefoxIni);
    const std::string firefox = WindowsPathOf(m_host + "/.mozilla/firefox") + "\\";
    const std::string thunderbird = WindowsPathOf(m_host + "/.thunderbird") + "\\";

    struct Case
    {
        const char* name;
        std::vector<std::string> options;
        std::string out;
    };
    const Case cases[] = {
        {"default kind is firefox",
         {},
         "default\t" + firefox + "q7w2er90.default\ndefault-release\t" + firefox + "k3x9ab12.default-release\n"},
        {"--firefox",
         {"--firefox"},
         "default\t" + firefox + "q7w2er90.default\ndefault-release\t" + firefox + "k3x9ab12.default-release\n"},
        {"--kind thunderbird",
         {"--kind", "thunderbird"},
         "default-release\t" + thunderbird + "m4il0001.default-release\n"},
        {"--netscape finds nothing", {"--netscape"}, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"profiles", "find"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(m_host); // a host path
        const CliRun run = Cli(args);
        EXPECT_EQ(run.code, 0) << "case: " << c.name << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << "case: " << c.name;
        EXPECT_EQ(run.err, c.out.empty() ? "No profile found.\n" : "") << "case: " << c.name;
    }
}

TEST_F(CliProfilesTest, FindListsAProfileReachedFromTwoRootsOnce)
{
    HostFile(".mozilla/firefox/profiles.ini", kThunderbirdIni);
    const std::string firefox = WindowsPathOf(m_host + "/.mozilla/firefox");
    // The folder by its Windows path and its parent by its host path.
    const CliRun run = Cli({"profiles", "find", "--json", firefox, m_host + "/.mozilla"});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    ASSERT_EQ(doc.size(), 1u) << run.out;
    EXPECT_EQ(doc[0]["name"], "default-release");
    EXPECT_EQ(doc[0]["path"], firefox + "\\m4il0001.default-release");
}

TEST_F(CliProfilesTest, FindWithoutRootSearchesEveryFixedDriveOnly)
{
    // Z: made a network drive, so that the search covers C: alone (a fixed Z: is the host's
    // whole file system).
    const std::string ini = m_root + "/machine.ini";
    std::string config = test::ReadHostFile(ini);
    const std::size_t z = config.find("type=fixed", config.find("[drive.Z]"));
    ASSERT_NE(z, std::string::npos) << config;
    config.replace(z, 10, "type=remote");
    test::WriteHostFile(ini, config);
    HostFile(".mozilla/firefox/profiles.ini", kLinuxFirefoxIni);
    const std::string mozilla = MakeDriveCFolder("Documents and Settings\\ann\\Application Data\\Mozilla\\Firefox");
    test::WriteHostFile(m_root + "/drive_c/Documents and Settings/ann/Application Data/Mozilla/Firefox/profiles.ini",
                        kXpFirefoxIni);

    const CliRun run = Cli({"profiles", "find"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "default\t" + mozilla + "\\Profiles\\abc12def.default\n");
}

TEST_F(CliProfilesTest, FindRefusesAMissingFolderAndConflictingKinds)
{
    const CliRun missing = Cli({"profiles", "find", m_host + "/nowhere"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("no folder " + m_host + "/nowhere"), std::string::npos) << missing.err;

    HostFolder("x");
    EXPECT_NE(Cli({"profiles", "find", "--firefox", "--netscape", m_host}).code, 0);
    EXPECT_NE(Cli({"profiles", "find", "--kind", "opera", m_host}).code, 0);
    EXPECT_NE(Cli({"profiles", "list", "--kind", "thunderbird"}).code, 0) << "Thunderbird has no stored list";
}

TEST_F(CliProfilesTest, SelectStoresTheGivenProfilesAndUnselectsTheOthers)
{
    const std::string a = MakeDriveCFolder("Documents and Settings\\ann\\Application Data\\Mozilla\\Firefox\\"
                                           "Profiles\\abc12def.default");
    const std::string b = MakeDriveCFolder("Data\\Firefox\\Profiles\\zz9.work");
    const std::string host = HostFolder(".mozilla/firefox/k3x9ab12.default-release");
    const std::string hostWindows = WindowsPathOf(host);

    CliRun run = Cli({"profiles", "select", a, b + "\\"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "selected abc12def.default\t" + a + "\nselected zz9.work\t" + b + "\n");
    EXPECT_EQ(StoredData(cleaners::FireFoxProfilesKey, "abc12def.default"), a + ",1");
    EXPECT_EQ(Saved(cleaners::FireFoxProfilesKey),
              (TSavedProfiles{TSavedProfile{"abc12def.default", a}, TSavedProfile{"zz9.work", b}}));

    // A new selection: the profiles not given stay listed but are no longer cleaned.
    run = Cli({"profiles", "select", "--firefox", host});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out,
              "unselected abc12def.default\t" + a + "\nunselected zz9.work\t" + b +
                  "\nselected k3x9ab12.default-release\t" + hostWindows + "\n");
    EXPECT_EQ(StoredData(cleaners::FireFoxProfilesKey, "zz9.work"), b + ",0");
    EXPECT_EQ(Saved(cleaners::FireFoxProfilesKey), (TSavedProfiles{{"k3x9ab12.default-release", hostWindows}}));

    // --add leaves the others as they are.
    run = Cli({"profiles", "select", "--add", a});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Saved(cleaners::FireFoxProfilesKey),
              (TSavedProfiles{{"abc12def.default", a}, {"k3x9ab12.default-release", hostWindows}}));

    run = Cli({"profiles", "list"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out,
              "abc12def.default\t" + a + "\tselected\nzz9.work\t" + b + "\tnot selected\nk3x9ab12.default-release\t" +
                  hostWindows + "\tselected\n");
    EXPECT_TRUE(Saved(cleaners::NetscapeProfilesKey).empty()) << "the Netscape list is another key";
}

TEST_F(CliProfilesTest, SelectRefusesBadFoldersAndChangesNothing)
{
    const std::string a = MakeDriveCFolder("Data\\Firefox\\Profiles\\abc.default");
    const std::string other = MakeDriveCFolder("Other\\abc.default");
    ASSERT_EQ(Cli({"profiles", "select", a}).code, 0);

    struct Case
    {
        const char* name;
        std::vector<std::string> paths;
        const char* error;
    };
    const Case cases[] = {
        {"missing folder", {"C:\\Data\\Firefox\\Profiles\\gone.default"}, "no profile folder"},
        {"relative path", {"abc.default"}, "no profile folder"},
        {"drive root", {"C:\\"}, "no profile folder"},
        {"a bad one among good ones", {a, "C:\\nothing"}, "no profile folder"},
        {"two profiles of one name", {a, other}, "two profiles named abc.default"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"profiles", "select"};
        args.insert(args.end(), c.paths.begin(), c.paths.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.code, 1) << "case: " << c.name;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << "case: " << c.name << "\n" << run.err;
        EXPECT_EQ(run.out, "") << "case: " << c.name;
        EXPECT_EQ(StoredData(cleaners::FireFoxProfilesKey, "abc.default"), a + ",1") << "case: " << c.name;
    }
}

TEST_F(CliProfilesTest, UnselectByNameByPathOrAll)
{
    const std::string a = MakeDriveCFolder("Netscape\\Navigator\\Profiles\\one.default");
    const std::string b = MakeDriveCFolder("Netscape\\Navigator\\Profiles\\two.work");
    const std::string c = MakeDriveCFolder("Netscape\\Navigator\\Profiles\\three.old");
    ASSERT_EQ(Cli({"profiles", "select", "--netscape", a, b, c}).code, 0);
    EXPECT_TRUE(Saved(cleaners::FireFoxProfilesKey).empty()) << "--netscape writes the Netscape key only";

    CliRun run = Cli({"profiles", "unselect", "--kind", "netscape", "ONE.DEFAULT", b});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "unselected one.default\t" + a + "\nunselected two.work\t" + b + "\n");
    EXPECT_EQ(Saved(cleaners::NetscapeProfilesKey), (TSavedProfiles{{"three.old", c}}));
    EXPECT_EQ(StoredData(cleaners::NetscapeProfilesKey, "one.default"), a + ",0");

    run = Cli({"profiles", "unselect", "--netscape", "nosuch"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("no stored profile nosuch"), std::string::npos) << run.err;
    EXPECT_EQ(Saved(cleaners::NetscapeProfilesKey), (TSavedProfiles{{"three.old", c}}));

    EXPECT_EQ(Cli({"profiles", "unselect", "--netscape"}).code, 1) << "neither profiles nor --all";
    EXPECT_EQ(Cli({"profiles", "unselect", "--netscape", "--all", "three.old"}).code, 1) << "both";

    // Unselecting everything keeps every profile listed, so the cleaners erase none.
    run = Cli({"profiles", "unselect", "--netscape", "--all"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Saved(cleaners::NetscapeProfilesKey).empty());
    EXPECT_EQ(StoredData(cleaners::NetscapeProfilesKey, "three.old"), c + ",0");
}

TEST_F(CliProfilesTest, ListShowsValuesTheCleanersIgnore)
{
    // Values written by hand or by an older version: the cleaners never use them.
    {
        std::string error;
        auto machine = Machine::Open(m_root, &error);
        ASSERT_TRUE(machine) << error;
        auto key = machine->Registry().Create(platform::HKEY_LOCAL_MACHINE, cleaners::FireFoxProfilesKey);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->SetString("rel.default", "Profiles\\rel.default,1"));
        ASSERT_TRUE(key->SetString("short", "x,1"));
        ASSERT_TRUE(key->SetString("good.default", "C:\\FF\\good.default,0"));
    }
    CliRun run = Cli({"profiles", "list", "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    const auto expected = nlohmann::json::parse(R"([
        {"name": "rel.default", "data": "Profiles\\rel.default,1", "ignored": true},
        {"name": "short", "data": "x,1", "ignored": true},
        {"name": "good.default", "path": "C:\\FF\\good.default", "selected": false}])");
    EXPECT_EQ(doc, expected);

    run = Cli({"profiles", "list", "--netscape"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "No Netscape profile is stored.\n");
}

} // namespace
} // namespace lumexa::app
