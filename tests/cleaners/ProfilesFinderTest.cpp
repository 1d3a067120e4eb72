#include "cleaners/ProfilesFinder.h"

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "support/MachineTest.h"
#include "support/TempDir.h"

namespace lumexa::cleaners {
namespace {

using platform::HKEY_LOCAL_MACHINE;

// profiles.ini as Firefox 3 wrote it on Windows (keys in this order, "/" in relative paths).
constexpr const char* FireFox3ProfilesIni = "[General]\r\n"
                                            "StartWithLastProfile=1\r\n"
                                            "\r\n"
                                            "[Profile0]\r\n"
                                            "Name=default\r\n"
                                            "IsRelative=1\r\n"
                                            "Path=Profiles/abc.default\r\n"
                                            "Default=1\r\n"
                                            "\r\n"
                                            "[Profile1]\r\n"
                                            "Name=work\r\n"
                                            "IsRelative=0\r\n"
                                            "Path=D:\\Mozilla Work\\xyz.work\r\n";

// profiles.ini as a current Firefox writes it on Linux (~/.mozilla/firefox/profiles.ini): an
// [Install...] section first, profiles relative to the folder itself, [General] last.
constexpr const char* CurrentLinuxProfilesIni = "[Install4F96D1932A9F858E]\n"
                                                "Default=k2l8vs0q.default-release\n"
                                                "Locked=1\n"
                                                "\n"
                                                "[Profile1]\n"
                                                "Name=default\n"
                                                "IsRelative=1\n"
                                                "Path=qz41w1bd.default\n"
                                                "Default=1\n"
                                                "\n"
                                                "[Profile0]\n"
                                                "Name=default-release\n"
                                                "IsRelative=1\n"
                                                "Path=k2l8vs0q.default-release\n"
                                                "\n"
                                                "[General]\n"
                                                "StartWithLastProfile=1\n"
                                                "Version=2\n";

std::string WindowsPathOf(std::string hostPath)
{
    for (char& c : hostPath)
        if (c == '/')
            c = '\\';
    return "Z:" + hostPath;
}

TEST(ProfilesIniTest, ReadsTheProfilesOfEachSection)
{
    struct Case
    {
        const char* name;
        std::string text;
        std::string folder;
        TFoundProfiles expected;
    };
    const std::vector<Case> cases = {
        {"Firefox 3 on Windows",
         FireFox3ProfilesIni,
         "C:\\Data\\Mozilla\\Firefox\\",
         {{"default", "C:\\Data\\Mozilla\\Firefox\\Profiles\\abc.default", ""},
          {"work", "D:\\Mozilla Work\\xyz.work", ""}}},
        {"current Firefox on Linux",
         CurrentLinuxProfilesIni,
         "Z:\\home\\ann\\.mozilla\\firefox\\",
         {{"default", "Z:\\home\\ann\\.mozilla\\firefox\\qz41w1bd.default", ""},
          {"default-release", "Z:\\home\\ann\\.mozilla\\firefox\\k2l8vs0q.default-release", ""}}},
        {"an absolute host path takes the drive of the file",
         "[Profile0]\nName=elsewhere\nIsRelative=0\nPath=/srv/ff/p1\n",
         "Z:\\home\\ann\\.mozilla\\firefox\\",
         {{"elsewhere", "Z:\\srv\\ff\\p1", ""}}},
        {"a network path stays",
         "[Profile0]\nName=net\nIsRelative=0\nPath=\\\\server\\share\\p\n",
         "C:\\Mozilla\\Firefox\\",
         {{"net", "\\\\server\\share\\p", ""}}},
        {"keys ignore case",
         "[PROFILE0]\nname=Lower\nisrelative=1\npath=Profiles/l.default\n",
         "C:\\Mozilla\\Firefox\\",
         {{"Lower", "C:\\Mozilla\\Firefox\\Profiles\\l.default", ""}}},
        // Firefox itself skips a profile without IsRelative; the next one keeps its own name.
        {"a section without IsRelative is skipped and the next is whole",
         "[Profile0]\nName=broken\nPath=Profiles/broken\n[Profile1]\nName=good\nIsRelative=0\nPath=E:\\good\n",
         "C:\\Mozilla\\Firefox\\",
         {{"good", "E:\\good", ""}}},
        {"a relative flag never carries into the next section",
         "[Profile0]\nName=first\nIsRelative=0\n[Profile1]\nName=second\nIsRelative=1\nPath=p2\n",
         "C:\\Mozilla\\Firefox\\",
         {{"second", "C:\\Mozilla\\Firefox\\p2", ""}}},
        {"a profile cut short by another section is dropped",
         "[Profile0]\nName=cut\nIsRelative=1\n[General]\nPath=general\n",
         "C:\\Mozilla\\Firefox\\",
         {}},
        {"keys out of order", "[Profile0]\nPath=p\nIsRelative=1\nName=n\n", "C:\\Mozilla\\Firefox\\", {}},
        {"empty values do not count", "[Profile0]\nName=\nIsRelative=1\nPath=p\n", "C:\\Mozilla\\Firefox\\", {}},
        {"no profile section", "Name=n\nIsRelative=1\nPath=p\n", "C:\\Mozilla\\Firefox\\", {}},
        {"empty file", "", "C:\\Mozilla\\Firefox\\", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadProfilesIni(c.text, c.folder), c.expected) << "case: " << c.name;
}

TEST(ProfilesIniTest, StoredDataSelectsOnlyAbsoluteProfileFolders)
{
    struct Case
    {
        const char* data;
        bool valid;
        std::string path;
        bool selected;
    };
    const std::vector<Case> cases = {
        {"C:\\Data\\Mozilla\\Firefox\\Profiles\\abc.default,1",
         true,
         "C:\\Data\\Mozilla\\Firefox\\Profiles\\abc.default",
         true},
        {"C:\\Data\\Mozilla\\Firefox\\Profiles\\abc.default,0",
         true,
         "C:\\Data\\Mozilla\\Firefox\\Profiles\\abc.default",
         false},
        {"Z:\\home\\ann\\.mozilla\\firefox\\qz41w1bd.default,1",
         true,
         "Z:\\home\\ann\\.mozilla\\firefox\\qz41w1bd.default",
         true},
        {"C:\\Profiles\\p\\,1", true, "C:\\Profiles\\p", true},
        {"\\\\server\\share\\p,1", true, "\\\\server\\share\\p", true},
        // Each of these would make the cleaners sweep a drive's root or the current folder.
        {"x,1", false, "", false},
        {",1", false, "", false},
        {"1", false, "", false},
        {"", false, "", false},
        {"C:,1", false, "", false},
        {"C:\\,1", false, "", false},
        {"Profiles\\abc.default,1", false, "", false},
        {"\\Profiles\\abc.default,1", false, "", false},
        {"\\\\,1", false, "", false},
        {"C:\\Profiles\\p;1", false, "", false},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseStoredProfile(c.data);
        ASSERT_EQ(parsed.has_value(), c.valid) << "case: " << c.data;
        if (parsed) {
            EXPECT_EQ(parsed->path, c.path) << "case: " << c.data;
            EXPECT_EQ(parsed->selected, c.selected) << "case: " << c.data;
        }
    }
}

class ProfilesFinderTest : public test::MachineTest
{
protected:
    struct TResult
    {
        std::vector<std::string> folders;
        TFoundProfiles profiles;
    };

    static TResult Find(std::uint8_t kind, const std::vector<std::string>& roots)
    {
        TProfilesFinder finder(kind);
        for (const std::string& root : roots)
            finder.AddRoot(root);
        return Run(finder);
    }

    // Events run on the finder's thread; the result is read once it has ended.
    static TResult Run(TProfilesFinder& finder)
    {
        TResult result;
        finder.OnSearchFolder = [&](const std::string& folder) { result.folders.push_back(folder); };
        finder.OnProfileFound = [&](const std::string& name, const std::string& path, const std::string& third) {
            result.profiles.push_back({name, path, third});
        };
        finder.Resume();
        finder.WaitFor();
        EXPECT_TRUE(finder.Terminated());
        return result;
    }

    void SeedProfilesIni(const std::string& folder, const std::string& name)
    {
        WriteFile(folder + "\\profiles.ini",
                  "[Profile0]\r\nName=" + name + "\r\nIsRelative=1\r\nPath=Profiles/" + name + "\r\n");
    }
};

TEST_F(ProfilesFinderTest, OnlyAFolderEndingWithTheMarkerWordHoldsProfiles)
{
    SeedProfilesIni("C:\\Data\\Mozilla\\Firefox", "fox");
    SeedProfilesIni("C:\\Data\\Netscape\\Navigator", "nav");
    SeedProfilesIni("C:\\Data\\Thunderbird", "bird");
    SeedProfilesIni("C:\\Data\\Firefox Backup", "backup");
    SeedProfilesIni("C:\\Data\\Other", "other");
    WriteFile("C:\\Data\\Mozilla\\Firefox\\notprofiles.ini", "[Profile0]\r\nName=n\r\nIsRelative=1\r\nPath=n\r\n");
    struct Case
    {
        std::uint8_t kind;
        TFoundProfiles expected;
    };
    const std::vector<Case> cases = {
        {ProfilesNetscape, {{"nav", "C:\\Data\\Netscape\\Navigator\\Profiles\\nav", ""}}},
        {ProfilesFireFox, {{"fox", "C:\\Data\\Mozilla\\Firefox\\Profiles\\fox", ""}}},
        {ProfilesThunderbird, {{"bird", "C:\\Data\\Thunderbird\\Profiles\\bird", ""}}},
        {7, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(c.kind, {"C:\\Data"}).profiles, c.expected) << "case: kind " << int(c.kind);
}

TEST_F(ProfilesFinderTest, ReportsEveryFolderItEntersEndingWithABackslash)
{
    machine().Files().ForceDirectories("C:\\Root\\B\\Deep");
    machine().Files().ForceDirectories("C:\\Root\\a");
    WriteFile("C:\\Root\\file.txt", "x");
    const std::vector<std::string> expected{"C:\\Root\\", "C:\\Root\\a\\", "C:\\Root\\B\\", "C:\\Root\\B\\Deep\\"};
    EXPECT_EQ(Find(ProfilesFireFox, {"C:\\Root"}).folders, expected);
}

TEST_F(ProfilesFinderTest, ARootIsAddedOnceAndSearchedInTheOrderAdded)
{
    SeedProfilesIni("C:\\One\\Mozilla\\Firefox", "one");
    SeedProfilesIni("C:\\Two\\Mozilla\\Firefox", "two");
    TProfilesFinder finder(ProfilesFireFox);
    for (const char* root : {"C:\\Two", "c:\\two\\", "C:\\One\\", "C:\\TWO"})
        finder.AddRoot(root);
    const std::vector<std::string> roots{"C:\\Two", "C:\\One\\"};
    EXPECT_EQ(finder.Roots(), roots);
    const TFoundProfiles expected{{"two", "C:\\Two\\Mozilla\\Firefox\\Profiles\\two", ""},
                                  {"one", "C:\\One\\Mozilla\\Firefox\\Profiles\\one", ""}};
    EXPECT_EQ(Run(finder).profiles, expected);
}

TEST_F(ProfilesFinderTest, FindsTheHostsFirefoxProfilesUnderDriveZ)
{
    // The layout a Firefox of this Linux host leaves in a home folder.
    const test::TempDir home;
    test::WriteHostFile(home / ".mozilla/firefox/profiles.ini", CurrentLinuxProfilesIni);
    std::filesystem::create_directories(home / ".mozilla/firefox/qz41w1bd.default");
    std::filesystem::create_directories(home / ".mozilla/firefox/k2l8vs0q.default-release");
    const std::string firefox = WindowsPathOf(home / ".mozilla/firefox");
    const TFoundProfiles expected{{"default", firefox + "\\qz41w1bd.default", ""},
                                  {"default-release", firefox + "\\k2l8vs0q.default-release", ""}};
    EXPECT_EQ(Find(ProfilesFireFox, {WindowsPathOf(home.Path())}).profiles, expected);
}

TEST_F(ProfilesFinderTest, NeverEntersSymbolicLinks)
{
    const test::TempDir home;
    test::WriteHostFile(home / "real/Mozilla/Firefox/profiles.ini", "[Profile0]\nName=p\nIsRelative=1\nPath=p\n");
    // A link back to the top would make the search go round for ever; a link to the profiles
    // folder would report it twice.
    std::filesystem::create_directory_symlink(home.Path(), home / "real/loop");
    std::filesystem::create_directory_symlink(home / "real/Mozilla", home / "linked");
    const std::string root = WindowsPathOf(home.Path());

    const auto result = Find(ProfilesFireFox, {root});
    const TFoundProfiles expected{{"p", root + "\\real\\Mozilla\\Firefox\\p", ""}};
    EXPECT_EQ(result.profiles, expected);
    const std::vector<std::string> folders{
        root + "\\", root + "\\real\\", root + "\\real\\Mozilla\\", root + "\\real\\Mozilla\\Firefox\\"};
    EXPECT_EQ(result.folders, folders);
}

TEST_F(ProfilesFinderTest, TerminateStopsTheSearchAtTheNextEntry)
{
    SeedProfilesIni("C:\\A\\Mozilla\\Firefox", "a");
    SeedProfilesIni("C:\\B\\Mozilla\\Firefox", "b");
    TProfilesFinder finder(ProfilesFireFox);
    finder.AddRoot("C:\\A");
    finder.AddRoot("C:\\B");
    TResult result;
    finder.OnSearchFolder = [&](const std::string& folder) {
        result.folders.push_back(folder);
        if (folder == "C:\\A\\Mozilla\\")
            finder.Terminate();
    };
    finder.OnProfileFound = [&](const std::string& name, const std::string& path, const std::string&) {
        result.profiles.push_back({name, path, ""});
    };
    finder.Resume();
    finder.WaitFor();
    const std::vector<std::string> folders{"C:\\A\\", "C:\\A\\Mozilla\\"};
    EXPECT_EQ(result.folders, folders);
    EXPECT_TRUE(result.profiles.empty());
}

TEST_F(ProfilesFinderTest, SavedProfilesAreTheSelectedValuesInRegistryOrder)
{
    auto key = machine().Registry().Create(HKEY_LOCAL_MACHINE, FireFoxProfilesKey);
    ASSERT_TRUE(key);
    key->SetString("zz.default", "C:\\P\\zz.default,1");
    key->SetString("off.default", "C:\\P\\off.default,0");
    key->SetDword("dword", 1);
    key->SetString("relative", "relative,1");
    key->SetString("aa.default", "Z:\\home\\ann\\.mozilla\\firefox\\aa.default,1");
    const TSavedProfiles expected{{"zz.default", "C:\\P\\zz.default"},
                                  {"aa.default", "Z:\\home\\ann\\.mozilla\\firefox\\aa.default"}};
    EXPECT_EQ(LoadSavedProfiles(FireFoxProfilesKey), expected);

    // A missing key selects nothing and is not created by reading it.
    EXPECT_TRUE(LoadSavedProfiles(NetscapeProfilesKey).empty());
    EXPECT_FALSE(machine().Registry().KeyExists(HKEY_LOCAL_MACHINE, NetscapeProfilesKey));
}

} // namespace
} // namespace lumexa::cleaners
