#include "core/SecureDeleteHelpers.h"

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/DriveInfo.h"
#include "core/SecureDeleteOptions.h"
#include "core/SettingsManager.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "support/MachineTest.h"

namespace lumexa::core {
namespace {

using platform::HKEY_LOCAL_MACHINE;

class SecureDeleteHelpersTest : public test::MachineTest
{
protected:
    // Reopens the test machine with one more line in machine.ini's [machine] section.
    void ReopenWith(const std::string& machineLine)
    {
        const std::string ini = machine().Root() + "/machine.ini";
        std::ifstream in(ini);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t section = text.find("[machine]");
        ASSERT_NE(section, std::string::npos);
        text.insert(text.find('\n', section) + 1, machineLine + "\n");
        std::ofstream(ini, std::ios::trunc) << text;
        std::string error;
        m_reopened = platform::Machine::Open(machine().Root(), &error);
        ASSERT_TRUE(m_reopened) << error;
        platform::Machine::SetCurrent(m_reopened);
    }

private:
    std::shared_ptr<platform::Machine> m_reopened;
};

TEST_F(SecureDeleteHelpersTest, FormatSizeUsesBytesThenTwoDecimalsOfTheNextUnit)
{
    struct Case
    {
        std::uint64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},
        {5u * 1048576 + 262144, "5.25 MB"},
        {1073741823, "1024.00 MB"},
        {1073741824, "1.00 GB"},
        {3ull << 40, "3072.00 GB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatSize(c.bytes), c.text) << "case: bytes = " << c.bytes;
}

TEST_F(SecureDeleteHelpersTest, FormatSizeUsesTheMachinesDecimalSeparator)
{
    ReopenWith("locale=de-DE");
    EXPECT_EQ(FormatSize(1536), "1,50 KB");
    EXPECT_EQ(FormatSize(1000), "1000 B");
}

TEST_F(SecureDeleteHelpersTest, ExtensionInListComparesTrimmedAndIgnoringCase)
{
    struct Case
    {
        const char* name;
        std::string text;
        std::vector<std::string> list;
        bool found;
    };
    const Case cases[] = {
        {"entry with blanks and upper case", ".tmp", {".doc", "  .TMP  "}, true},
        {"text with blanks", "  .Tmp ", {".tmp"}, true},
        {"other extension", ".tmpx", {".tmp"}, false},
        {"empty list", ".tmp", {}, false},
        {"whole folder paths", "C:\\Temp\\Cache", {"c:\\temp\\cache "}, true},
        {"non-ASCII letters fold", ".ÉTÉ", {".été"}, true},
        {"blank entry matches no extension", "", {"   "}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtensionInList(c.text, c.list), c.found) << "case: " << c.name;
}

TEST_F(SecureDeleteHelpersTest, ExtractFileExtTakesTheLastDotOfTheName)
{
    EXPECT_EQ(ExtractFileExt("C:\\a\\report.txt"), ".txt");
    EXPECT_EQ(ExtractFileExt("C:\\a\\archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("C:\\a.dir\\noext"), "");
    EXPECT_EQ(ExtractFileExt("C:\\a\\trailing."), ".");
    EXPECT_EQ(ExtractFileExt("C:name.ini"), ".ini");
}

TEST_F(SecureDeleteHelpersTest, ExpandEnvStringsReplacesEachPairOfPercentSigns)
{
    struct Case
    {
        const char* text;
        const char* expanded;
    };
    const Case cases[] = {
        {"%windir%\\Temp", "C:\\WINDOWS\\Temp"},
        {"%USERNAME% on %COMPUTERNAME%", "user on LUMEXA-PC"},
        {"%UNKNOWN%\\x", "%UNKNOWN%\\x"},
        {"100% sure", "100% sure"},
        {"%%", "%%"},
        {"a%UNKNOWN%windir%b", "a%UNKNOWN%windir%b"},
        {"%SystemDrive%%HOMEPATH%", "C:\\Documents and Settings\\user"},
        {"no tokens", "no tokens"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandEnvStrings(c.text), c.expanded) << "case: " << c.text;
}

TEST_F(SecureDeleteHelpersTest, ExpandEnvStringsTrimsValuesAndKeepsTokensTooLongForTheBuffer)
{
    const auto expand = [](std::string_view token) -> std::string {
        if (token == "%PADDED%")
            return "  value  ";
        if (token == "%HUGE%")
            return std::string(1024, 'x');
        if (token == "%LARGE%")
            return std::string(1023, 'y');
        return std::string(token);
    };
    EXPECT_EQ(ExpandEnvStrings("[%PADDED%]", expand), "[value]");
    EXPECT_EQ(ExpandEnvStrings("[%HUGE%]", expand), "[%HUGE%]");
    EXPECT_EQ(ExpandEnvStrings("%LARGE%", expand), std::string(1023, 'y'));
}

TEST_F(SecureDeleteHelpersTest, RemoveFileClearsReadOnlyAndDeletes)
{
    WriteFile("C:\\work\\locked.txt", "x");
    ASSERT_TRUE(machine().Files().SetFileAttributes("C:\\work\\locked.txt", platform::FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(RemoveFile("C:\\work\\locked.txt"));
    EXPECT_FALSE(Exists("C:\\work\\locked.txt"));
    EXPECT_FALSE(RemoveFile("C:\\work\\locked.txt")) << "a missing file";
    EXPECT_FALSE(RemoveFile("C:\\work")) << "a folder is no file";
    EXPECT_TRUE(Exists("C:\\work"));
}

TEST_F(SecureDeleteHelpersTest, RemoveFileFailsOnAFileOpenWithoutDeleteSharing)
{
    WriteFile("C:\\work\\open.txt", "x");
    auto holder = machine().Files().CreateFile(
        "C:\\work\\open.txt", platform::GENERIC_READ, platform::FILE_SHARE_READ, platform::Disposition::OpenExisting);
    ASSERT_TRUE(holder);
    EXPECT_FALSE(RemoveFile("C:\\work\\open.txt"));
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(Exists("C:\\work\\open.txt"));
}

TEST_F(SecureDeleteHelpersTest, RemoveFileTurnsAnUnexpectedErrorIntoFalse)
{
    WriteFile("C:\\work\\x.txt", "x");
    platform::Machine::SetCurrent(nullptr); // every machine call now throws
    bool removed = true;
    EXPECT_NO_THROW(removed = RemoveFile("C:\\work\\x.txt"));
    EXPECT_FALSE(removed);
    EXPECT_TRUE(Exists("C:\\work\\x.txt"));
}

TEST_F(SecureDeleteHelpersTest, ValueMaskMatchesWildcardsAndSets)
{
    struct Case
    {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"url1", "url*", true},
        {"url", "url*", true},
        {"myurl", "url*", false},
        {"url12", "url?", false},
        {"url1", "url?", true},
        {"url", "url?", false},
        {"a.b", "*.*", true},
        {"ab", "*.*", false},
        {"file3", "file[0-5]", true},
        {"file7", "file[0-5]", false},
        {"file7", "file[!0-5]", true},
        {"fileb", "file[abc]", true},
        {"filed", "file[abc]", false},
        {"abc", "a*c", true},
        {"abcbc", "a*bc", true},
        {"abcbd", "a*bc", false},
        {"", "*", true},
        {"", "", true},
        {"x", "", false},
        {"file1", "file[0-5", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
        {"été", "?t?", true},
        {"]x", "[]]x", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesValueMask(c.name, c.mask), c.matches) << "case: " << c.name << " ~ " << c.mask;
}

// ---- options

class SecureDeleteOptionsTest : public SecureDeleteHelpersTest
{
protected:
    std::unique_ptr<platform::RegKey> DriveCleaner()
    {
        return machine().Registry().Create(HKEY_LOCAL_MACHINE, DriveCleanerKey);
    }
};

TEST_F(SecureDeleteOptionsTest, ANewObjectHasDoDOnePassAndNothingElse)
{
    const TSecureDeleteOptions options(SecureDeleteSourceDriveCleaner);
    EXPECT_EQ(options.Source, SecureDeleteSourceDriveCleaner);
    EXPECT_EQ(options.Method, MethodDoD);
    EXPECT_EQ(options.OverwriteTimes, 1);
    EXPECT_FALSE(options.EnableSecureErasing);
    EXPECT_FALSE(options.CleanClusterTips);
    EXPECT_FALSE(options.CleanMFTRecords);
    EXPECT_EQ(options.OverwritePattern, PatternRandom);
    EXPECT_FALSE(options.ScrambleNames);
}

TEST_F(SecureDeleteOptionsTest, ItemsGiveTheMethodOnlyWhenSecureErasingIsEnabled)
{
    TSettingsManager::WriteInteger(34, MethodGutmann);
    TSettingsManager::WriteInteger(35, PatternOnes);
    TSettingsManager::WriteBool(36, true);
    TSettingsManager::WriteInteger(37, 4);
    TSecureDeleteOptions options(SecureDeleteSourceItems);
    options.Load();
    EXPECT_FALSE(options.EnableSecureErasing);
    EXPECT_EQ(options.Method, MethodNone);
    EXPECT_EQ(options.OverwritePattern, PatternOnes);
    EXPECT_TRUE(options.ScrambleNames);
    EXPECT_EQ(options.OverwriteTimes, 4);

    TSettingsManager::WriteBool(33, true);
    options.Load();
    EXPECT_TRUE(options.EnableSecureErasing);
    EXPECT_EQ(options.Method, MethodGutmann);
}

TEST_F(SecureDeleteOptionsTest, AbsentItemsReadAsZero)
{
    TSecureDeleteOptions options(SecureDeleteSourceItems);
    options.Load();
    EXPECT_EQ(options.Method, MethodNone);
    EXPECT_EQ(options.OverwriteTimes, 0);
    EXPECT_EQ(options.OverwritePattern, PatternRandom);
}

TEST_F(SecureDeleteOptionsTest, AStoredMethodOutsideTheMethodsNeverBecomesAnalysis)
{
    struct Case
    {
        std::uint32_t stored;
        std::uint8_t fromItems;
        std::uint8_t fromDriveCleaner;
    };
    const Case cases[] = {{5, MethodCustom, MethodCustom}, {6, MethodNone, MethodDoD}, {7, MethodNone, MethodDoD}};
    TSettingsManager::WriteBool(33, true);
    for (const Case& c : cases) {
        TSettingsManager::WriteInteger(34, static_cast<int>(c.stored));
        ASSERT_TRUE(DriveCleaner()->SetDword("SSDeleteMethod", c.stored));
        TSecureDeleteOptions items(SecureDeleteSourceItems);
        items.Load();
        EXPECT_EQ(items.Method, c.fromItems) << "case: stored " << c.stored;
        TSecureDeleteOptions drive(SecureDeleteSourceDriveCleaner);
        drive.Load();
        EXPECT_EQ(drive.Method, c.fromDriveCleaner) << "case: stored " << c.stored;
    }
    TSettingsManager::WriteInteger(34, -1);
    TSecureDeleteOptions negative(SecureDeleteSourceItems);
    negative.Load();
    EXPECT_EQ(negative.Method, MethodNone);
}

TEST_F(SecureDeleteOptionsTest, OverwriteTimesIsClampedToNinetyNine)
{
    struct Case
    {
        int stored;
        std::int32_t loaded;
    };
    const Case cases[] = {{0, 0}, {99, 99}, {100, 0 + 99}, {100000, 99}, {-5, 0}};
    for (const Case& c : cases) {
        TSettingsManager::WriteInteger(37, c.stored);
        ASSERT_TRUE(DriveCleaner()->SetDword("FileOverwriteTimes", static_cast<std::uint32_t>(c.stored)));
        TSecureDeleteOptions items(SecureDeleteSourceItems);
        items.Load();
        EXPECT_EQ(items.OverwriteTimes, c.loaded) << "case: stored " << c.stored;
        TSecureDeleteOptions drive(SecureDeleteSourceDriveCleaner);
        drive.Load();
        EXPECT_EQ(drive.OverwriteTimes, c.loaded) << "case: stored " << c.stored;
    }
}

TEST_F(SecureDeleteOptionsTest, DriveCleanerKeyGivesEachFieldOrItsDefault)
{
    TSecureDeleteOptions missing(SecureDeleteSourceDriveCleaner);
    missing.Method = MethodGost;
    missing.OverwriteTimes = 7;
    missing.Load();
    EXPECT_EQ(missing.Method, MethodGost) << "a missing key keeps the fields";
    EXPECT_EQ(missing.OverwriteTimes, 7);

    auto key = DriveCleaner();
    ASSERT_TRUE(key->SetString("SSDeleteMethod", "3")); // wrong type: the default
    ASSERT_TRUE(key->SetDword("EnableSecureErasing", 1));
    ASSERT_TRUE(key->SetDword("CleanClusterTips", 1));
    ASSERT_TRUE(key->SetDword("SecureOverwriteMethod", 2));
    ASSERT_TRUE(key->SetDword("ScrambleFileFolderName", 5));
    TSecureDeleteOptions options(SecureDeleteSourceDriveCleaner);
    options.Method = MethodGost;
    options.OverwriteTimes = 7;
    options.Load();
    EXPECT_EQ(options.Method, MethodDoD);
    EXPECT_TRUE(options.EnableSecureErasing);
    EXPECT_TRUE(options.CleanClusterTips);
    EXPECT_FALSE(options.CleanMFTRecords);
    EXPECT_EQ(options.OverwritePattern, PatternOnes);
    EXPECT_TRUE(options.ScrambleNames);
    EXPECT_EQ(options.OverwriteTimes, 1);
}

TEST_F(SecureDeleteOptionsTest, SaveWritesTheStoreOfItsSource)
{
    TSecureDeleteOptions items(SecureDeleteSourceItems);
    items.EnableSecureErasing = true;
    items.Method = MethodNsa;
    items.OverwritePattern = PatternZeros;
    items.ScrambleNames = true;
    items.OverwriteTimes = 12;
    items.Save();
    EXPECT_TRUE(TSettingsManager::ReadBool(33));
    EXPECT_EQ(TSettingsManager::ReadInteger(34, -1), MethodNsa);
    EXPECT_EQ(TSettingsManager::ReadInteger(35, -1), PatternZeros);
    EXPECT_TRUE(TSettingsManager::ReadBool(36));
    EXPECT_EQ(TSettingsManager::ReadInteger(37, -1), 12);

    TSecureDeleteOptions drive(SecureDeleteSourceDriveCleaner);
    drive.EnableSecureErasing = true;
    drive.Method = MethodGost;
    drive.CleanMFTRecords = true;
    drive.OverwritePattern = PatternOnes;
    drive.OverwriteTimes = 3;
    drive.Save();
    const auto key = machine().Registry().Open(HKEY_LOCAL_MACHINE, DriveCleanerKey);
    ASSERT_TRUE(key);
    const std::vector<std::string> expectedNames{"SSDeleteMethod",
                                                 "CleanClusterTips",
                                                 "CleanMFTRecords",
                                                 "SecureOverwriteMethod",
                                                 "ScrambleFileFolderName",
                                                 "FileOverwriteTimes"};
    EXPECT_EQ(key->ValueNames(), expectedNames) << "EnableSecureErasing is never written";
    TSecureDeleteOptions loaded(SecureDeleteSourceDriveCleaner);
    loaded.Load();
    EXPECT_EQ(loaded.Method, MethodGost);
    EXPECT_TRUE(loaded.CleanMFTRecords);
    EXPECT_EQ(loaded.OverwritePattern, PatternOnes);
    EXPECT_EQ(loaded.OverwriteTimes, 3);

    TSecureDeleteOptions other(2);
    other.Method = MethodGutmann;
    other.Save();
    other.Load();
    EXPECT_EQ(other.Method, MethodGutmann) << "source 2 loads and saves nothing";
    EXPECT_EQ(TSettingsManager::ReadInteger(34, -1), MethodNsa);
}

TEST_F(SecureDeleteOptionsTest, MethodNamesAreTheDisplayTexts)
{
    const std::pair<std::uint8_t, const char*> cases[] = {
        {MethodNone, "None"},
        {MethodDoD, "DOD 5220.22-M (3 Passes)"},
        {MethodGutmann, "Gutmann (35 Passes)"},
        {MethodNsa, "US National Security Agency (NSA) guidelines (7 Passes)"},
        {MethodGost, "Russian GOST"},
        {MethodCustom, "Custom - User Defined"},
        {MethodAnalysis, ""},
    };
    for (const auto& [method, name] : cases) {
        TSecureDeleteOptions options(2);
        options.Method = method;
        EXPECT_EQ(options.GetMethodName(), name) << "case: method " << int(method);
    }
}

// ---- drive info

TEST_F(SecureDeleteHelpersTest, DriveInfoGivesTheFiguresOfTheDrive)
{
    WriteFile("C:\\work\\fill.bin", std::string(100000, 'x'));
    TDriveInfo info("C:\\");
    const auto space = machine().Files().GetDiskFreeSpaceEx("C:\\");
    const auto geometry = machine().Files().GetDiskFreeSpace("C:\\");
    ASSERT_TRUE(space && geometry);
    EXPECT_EQ(info.RootPath(), "C:\\");
    EXPECT_EQ(info.GetDriveType(), platform::DriveType::Fixed);
    EXPECT_EQ(info.GetTotalBytes(), 64ull << 20);
    EXPECT_EQ(info.GetFreeBytes(), space->freeBytesAvailableToCaller);
    EXPECT_EQ(info.GetTotalFreeBytes(), space->totalFreeBytes);
    EXPECT_LT(info.GetTotalFreeBytes(), info.GetTotalBytes());
    EXPECT_EQ(info.GetBytesPerSector(), 512u);
    EXPECT_EQ(info.GetSectorsPerCluster(), 8u);
    EXPECT_EQ(info.GetTotalBytesText(), "64.00 MB");
    EXPECT_EQ(info.GetFreeBytesText(), FormatSize(space->freeBytesAvailableToCaller));
    EXPECT_EQ(info.GetDisplayName(), "Local Disk (C:)");
}

TEST_F(SecureDeleteHelpersTest, DriveInfoOfAnUnknownDriveIsZero)
{
    TDriveInfo info;
    info.SetRootPath("Q:\\");
    EXPECT_EQ(info.GetDriveType(), platform::DriveType::NoRootDir);
    EXPECT_EQ(info.GetTotalBytes(), 0u);
    EXPECT_EQ(info.GetFreeBytes(), 0u);
    EXPECT_EQ(info.GetBytesPerSector(), 0u);
    EXPECT_EQ(info.GetTotalBytesText(), "0 B");
    EXPECT_EQ(info.GetDisplayName(), "");
}

} // namespace
} // namespace lumexa::core
