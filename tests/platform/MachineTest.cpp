#include "support/MachineTest.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/TempDir.h"

namespace lumexa::platform {
namespace {

class MachineLayoutTest : public test::MachineTest
{
};

TEST_F(MachineLayoutTest, CreateRefusesAFolderThatHoldsAMachine)
{
    std::string error;
    EXPECT_FALSE(Machine::Create(machine().Root(), CreateOptions{}, &error));
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
}

TEST_F(MachineLayoutTest, OpenReadsBackWhatCreateWrote)
{
    std::string error;
    const auto reopened = Machine::Open(machine().Root(), &error);
    ASSERT_TRUE(reopened) << error;
    EXPECT_EQ(reopened->Config().version, WindowsVersion::WinXP);
    EXPECT_EQ(reopened->Config().user, "user");
    ASSERT_EQ(reopened->Config().drives.size(), 2u);
    EXPECT_EQ(reopened->Config().drives[0].letter, 'C');
    EXPECT_EQ(reopened->Config().drives[0].capacity, 64ull << 20);
    EXPECT_EQ(reopened->Config().drives[1].hostPath, "/");
    EXPECT_EQ(reopened->Clock().Now(), *EncodeDateTime(2009, 10, 30, 17, 5, 9));
}

TEST(MachineOpenTest, ExplainsAMissingOrDamagedMachine)
{
    test::TempDir dir;
    std::string error;
    EXPECT_FALSE(Machine::Open(dir.Path(), &error));
    EXPECT_NE(error.find("no machine in"), std::string::npos) << error;

    test::WriteHostFile(dir / "machine.ini", "[machine]\r\nversion=95\r\n");
    EXPECT_FALSE(Machine::Open(dir.Path(), &error));
    EXPECT_NE(error.find("unknown Windows version"), std::string::npos) << error;

    test::WriteHostFile(dir / "machine.ini", "[machine]\r\nversion=xp\r\n");
    EXPECT_FALSE(Machine::Open(dir.Path(), &error));
    EXPECT_NE(error.find("no drive C:"), std::string::npos) << error;
}

struct LayoutCase
{
    WindowsVersion version;
    const char* appData;
    const char* localAppData; // "" = none
    const char* temp;
    const char* windows;
    const char* recent;
};

const LayoutCase kLayouts[] = {
    {WindowsVersion::Win98,
     "C:\\WINDOWS\\Application Data",
     "",
     "C:\\WINDOWS\\TEMP\\",
     "C:\\WINDOWS",
     "C:\\WINDOWS\\Recent"},
    {WindowsVersion::Win2000,
     "C:\\Documents and Settings\\ann\\Application Data",
     "C:\\Documents and Settings\\ann\\Local Settings\\Application Data",
     "C:\\Documents and Settings\\ann\\Local Settings\\Temp\\",
     "C:\\WINNT",
     "C:\\Documents and Settings\\ann\\Recent"},
    {WindowsVersion::WinXP,
     "C:\\Documents and Settings\\ann\\Application Data",
     "C:\\Documents and Settings\\ann\\Local Settings\\Application Data",
     "C:\\Documents and Settings\\ann\\Local Settings\\Temp\\",
     "C:\\WINDOWS",
     "C:\\Documents and Settings\\ann\\Recent"},
    {WindowsVersion::Win7,
     "C:\\Users\\ann\\AppData\\Roaming",
     "C:\\Users\\ann\\AppData\\Local",
     "C:\\Users\\ann\\AppData\\Local\\Temp\\",
     "C:\\Windows",
     "C:\\Users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
};

TEST_F(MachineLayoutTest, EachVersionGetsItsFreshInstallLayout)
{
    for (const LayoutCase& c : kLayouts) {
        CreateOptions options;
        options.version = c.version;
        options.user = "ann";
        RecreateMachine(options);
        Shell& shell = machine().Shell();
        const std::string name = WindowsVersionName(c.version);
        EXPECT_EQ(shell.SpecialFolder(Csidl::AppData), c.appData) << name;
        EXPECT_EQ(shell.SpecialFolder(Csidl::LocalAppData).value_or(""), c.localAppData) << name;
        EXPECT_EQ(shell.TempPath(), c.temp) << name;
        EXPECT_EQ(shell.WindowsDirectory(), c.windows) << name;
        EXPECT_EQ(shell.SpecialFolder(Csidl::Recent), c.recent) << name;
        // The folders exist on drive C:, and Explorer's Shell Folders values agree with them.
        EXPECT_TRUE(machine().Files().DirectoryExists(c.appData)) << name;
        EXPECT_TRUE(machine().Files().DirectoryExists(c.temp)) << name;
        EXPECT_TRUE(machine().Files().DirectoryExists("C:\\Program Files\\Lumexa\\Reports")) << name;
        const auto folders = machine().Registry().Open(
            HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        ASSERT_TRUE(folders) << name;
        std::string recent;
        EXPECT_EQ(folders->GetString("Recent", recent), RegRead::Ok) << name;
        EXPECT_EQ(recent, c.recent) << name;
        std::string cache;
        EXPECT_EQ(folders->GetString("Cache", cache), RegRead::Ok) << name;
        EXPECT_EQ(cache, *shell.SpecialFolder(Csidl::InternetCache)) << name;
    }
}

TEST_F(MachineLayoutTest, RunKeysArePresentButEmpty)
{
    for (const auto& [root, path] : std::vector<std::pair<HKEY, std::string>>{
             {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
             {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
             {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
             {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
             {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
             {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"}}) {
        const auto key = machine().Registry().Open(root, path);
        ASSERT_TRUE(key) << path;
        EXPECT_TRUE(key->ValueNames().empty()) << path;
    }
    EXPECT_FALSE(machine().Registry().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orvanta\\Lumexa\\Settings"));
}

TEST_F(MachineLayoutTest, ExpandsTheEnvironmentBlock)
{
    Shell& shell = machine().Shell();
    struct Case
    {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"%APPDATA%\\Mozilla", "C:\\Documents and Settings\\user\\Application Data\\Mozilla"},
        {"%homedrive%%HOMEPATH%", "C:\\Documents and Settings\\user"},
        {"%WINDIR%\\system32", "C:\\WINDOWS\\system32"},
        {"%UNKNOWN%\\x", "%UNKNOWN%\\x"},
        {"100%", "100%"},
        {"%NOPE%APPDATA%", "%NOPEC:\\Documents and Settings\\user\\Application Data"},
        {"%%", "%%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell.ExpandEnvironmentStrings(c.text), c.expected) << "text: " << c.text;
    EXPECT_FALSE(shell.GetEnvironmentVariable("LOCALAPPDATA")) << "XP has no LOCALAPPDATA variable";
}

TEST_F(MachineLayoutTest, ShellExecuteIsJournalledWithWindowsResults)
{
    WriteFile("C:\\Docs\\a.txt", "x");
    WriteFile("C:\\Docs\\a.xyz", "x");
    Shell& shell = machine().Shell();
    EXPECT_GT(shell.ShellExecute("open", "C:\\Docs\\a.txt"), 32);
    EXPECT_EQ(shell.ShellExecute("open", "C:\\Docs\\a.xyz"), 31);
    EXPECT_EQ(shell.ShellExecute("open", "C:\\Docs\\missing.exe"), 2);
    EXPECT_GT(shell.ShellExecute("open", "http://127.0.0.1/faq"), 32);
    const auto journal = machine().JournalLines();
    ASSERT_GE(journal.size(), 4u);
    EXPECT_EQ(journal[journal.size() - 3], "SHELLEXEC open \"C:\\Docs\\a.xyz\" -> 31");
}

TEST_F(MachineLayoutTest, RebootCarriesOutPendingOperations)
{
    WriteFile("C:\\doomed.dat", "x");
    WriteFile("C:\\old.dat", "y");
    auto& files = machine().Files();
    ASSERT_TRUE(files.MoveFileDelayUntilReboot("C:\\doomed.dat", std::nullopt));
    ASSERT_TRUE(files.MoveFileDelayUntilReboot("C:\\old.dat", std::string_view("C:\\new.dat")));
    EXPECT_TRUE(Exists("C:\\doomed.dat")) << "nothing happens before the restart";

    const auto done = machine().Reboot();
    EXPECT_FALSE(Exists("C:\\doomed.dat"));
    EXPECT_FALSE(Exists("C:\\old.dat"));
    EXPECT_EQ(ReadFile("C:\\new.dat"), "y");
    EXPECT_EQ(done.size(), 2u);
    EXPECT_TRUE(files.ApplyPendingFileRenameOperations().empty()) << "the list is cleared";
}

TEST_F(MachineLayoutTest, RebootOfWindows98CarriesOutWininit)
{
    CreateOptions options;
    options.version = WindowsVersion::Win98;
    RecreateMachine(options);
    WriteFile("C:\\WINDOWS\\Cookies\\index.dat", "x");
    IniFile wininit(machine().Files(), "C:\\WINDOWS\\WININIT.INI");
    ASSERT_TRUE(wininit.WriteString("rename", "NUL", "C:\\WINDOWS\\Cookies\\index.dat"));

    const auto done = machine().Reboot();
    EXPECT_EQ(done, (std::vector<std::string>{"deleted C:\\WINDOWS\\Cookies\\index.dat"}));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\Cookies\\index.dat"));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\WININIT.INI"));
    EXPECT_TRUE(Exists("C:\\WINDOWS\\WININIT.BAK"));
}

TEST_F(MachineLayoutTest, RebootHonoursClearPageFileAtShutdown)
{
    auto key = machine().Registry().Create(HKEY_LOCAL_MACHINE,
                                           "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management");
    ASSERT_TRUE(key);
    EXPECT_TRUE(machine().Reboot().empty());
    ASSERT_TRUE(key->SetDword("ClearPageFileAtShutdown", 1));
    EXPECT_EQ(machine().Reboot(), (std::vector<std::string>{"cleared the paging file"}));
}

TEST_F(MachineLayoutTest, IniFilesOfTheMachineAreWrittenAtomicallyWithCrLf)
{
    IniFile ini(machine().Files(), "C:\\Program Files\\Lumexa\\Reports\\EraseSummary.ini");
    EXPECT_EQ(ini.ReadInteger("TotalErased", "Browsers", 7), 7);
    ASSERT_TRUE(ini.WriteInteger("TotalErased", "Browsers", 1536));
    ASSERT_TRUE(ini.WriteBool("LastEraseJob", "Done", true));
    EXPECT_EQ(ReadFile("C:\\Program Files\\Lumexa\\Reports\\EraseSummary.ini"),
              "[TotalErased]\r\nBrowsers=1536\r\n[LastEraseJob]\r\nDone=1\r\n");
    EXPECT_EQ(ini.ReadInteger("totalerased", "BROWSERS", 0), 1536);
    EXPECT_TRUE(ini.ReadBool("LastEraseJob", "Done", false));
    ASSERT_TRUE(ini.WriteString("TotalErased", "Browsers", "not a number"));
    EXPECT_EQ(ini.ReadInteger("TotalErased", "Browsers", -1), -1);
}

} // namespace
} // namespace lumexa::platform

namespace lumexa::platform {
namespace {

class NamedMutexTest : public test::MachineTest
{
};

TEST_F(NamedMutexTest, ASecondHolderOfTheNameSeesItAlreadyExists)
{
    bool existed = true;
    auto first = NamedMutex::Create(machine(), "LumexaMUTEX", existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    EXPECT_TRUE(first->Owned());

    auto second = NamedMutex::Create(machine(), "LumexaMUTEX", existed);
    ASSERT_TRUE(second);
    EXPECT_TRUE(existed);
    EXPECT_FALSE(second->Owned());
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

    first.reset(); // the holder ends: the name is free again
    second.reset();
    auto third = NamedMutex::Create(machine(), "LumexaMUTEX", existed);
    ASSERT_TRUE(third);
    EXPECT_FALSE(existed);
}

TEST_F(NamedMutexTest, NamesAreScopedToTheMachine)
{
    test::TempDir otherDir;
    std::string error;
    auto other = Machine::Create(otherDir / "m", CreateOptions{}, &error);
    ASSERT_TRUE(other) << error;
    bool existed = true;
    auto here = NamedMutex::Create(machine(), "LumexaMUTEX", existed);
    auto there = NamedMutex::Create(*other, "LumexaMUTEX", existed);
    ASSERT_TRUE(here && there);
    EXPECT_FALSE(existed);
    EXPECT_TRUE(there->Owned());
}

TEST(ScriptedDialogsTest, AnswersFromTheQueueThenWithTheDefaultButton)
{
    TScriptedDialogs dialogs;
    dialogs.QueueAnswer(DialogResult::No);
    const MessageBoxRequest question{"Erase now?", "Lumexa", MessageIcon::Question, MessageButtons::YesNo};
    EXPECT_EQ(dialogs.MessageBox(question), DialogResult::No);
    EXPECT_EQ(dialogs.MessageBox(question), DialogResult::Yes);
    EXPECT_EQ(dialogs.MessageBox({"Done", "Lumexa", MessageIcon::Information, MessageButtons::Ok}), DialogResult::Ok);
    ASSERT_EQ(dialogs.Shown().size(), 3u);
    EXPECT_EQ(dialogs.Shown()[2].text, "Done");

    dialogs.QueuePaths({"C:\\a.txt", "C:\\b.txt"});
    EXPECT_EQ(dialogs.OpenFiles({}), (std::vector<std::string>{"C:\\a.txt", "C:\\b.txt"}));
    EXPECT_TRUE(dialogs.OpenFiles({}).empty()) << "cancelled when nothing is queued";
    EXPECT_FALSE(dialogs.SelectFolder("Select Folder", "C:\\"));
}

} // namespace
} // namespace lumexa::platform
