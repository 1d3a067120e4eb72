#include "core/Helpers.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Dialogs.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "support/MachineTest.h"
#include "support/TempDir.h"

namespace lumexa::core {
namespace {

constexpr const char* LogPath = R"(C:\Program Files\Lumexa\Lumexa.exe.log)";

class HelpersTest : public test::MachineTest
{
protected:
    void SetUp() override
    {
        test::MachineTest::SetUp();
        m_dialogs = std::make_shared<platform::TScriptedDialogs>();
        platform::SetDialogs(m_dialogs);
    }

    void TearDown() override
    {
        platform::SetDialogs(nullptr);
        test::MachineTest::TearDown();
    }

    const std::vector<platform::MessageBoxRequest>& ShownBoxes() const { return m_dialogs->Shown(); }

    // Makes the current machine use another locale, as its machine.ini would say.
    void UseLocale(const std::string& localeName)
    {
        const std::string iniPath = machine().Root() + "/machine.ini";
        std::string ini = test::ReadHostFile(iniPath);
        const std::string current = "locale=" + machine().Config().localeName;
        const std::size_t at = ini.find(current);
        ASSERT_NE(at, std::string::npos) << ini;
        ini.replace(at, current.size(), "locale=" + localeName);
        test::WriteHostFile(iniPath, ini);
        std::string error;
        m_localeMachine = platform::Machine::Open(machine().Root(), &error);
        ASSERT_TRUE(m_localeMachine) << error;
        platform::Machine::SetCurrent(m_localeMachine);
        ASSERT_EQ(platform::Machine::Current().Clock().UserLocale().name, localeName);
    }

private:
    std::shared_ptr<platform::TScriptedDialogs> m_dialogs;
    std::shared_ptr<platform::Machine> m_localeMachine;
};

// ---- FormatByteCount, FormatSizeShort, FormatInteger

struct TFormatCase
{
    const char* format;
    std::int64_t n;
    const char* expected;
};

TEST_F(HelpersTest, FormatByteCountPicksTheUnitByRange)
{
    const TFormatCase cases[] = {
        {"%d", 0, "0 Byte"},
        {"%d", 99, "99 Byte"},
        {"%d", 100, "100 Byte"},
        {"%d", 512, "512 Byte"},
        {"%d", 1023, "1023 Byte"},
        {"%d", 1024, "1.0 KB"},
        {"%d", 1536, "1.5 KB"},
        {"%d", 2048, "2.0 KB"},
        {"%d", 1048575, "1024.0 KB"},
        {"%d", 1048576, "1.0 MB"},
        {"%d", 5242880, "5.0 MB"},
        {"%d", 1073741823, "1024.0 MB"},
        {"%d", 1073741824, "1.0 GB"},
        {"%d", 5368709120, "5.0 GB"},       // past 32 bits
        {"%d", 1099511627776, "1024.0 GB"}, // 1 TiB
        {"%d", std::numeric_limits<std::int64_t>::max(), "8589934592.0 GB"},
        {"%d", -5, "-5 Byte"},
        {"%5d", 42, "   42 Byte"},
        {"%.4d", 42, "0042 Byte"},
        {"%u", 7, "7 Byte"},
    };
    for (const TFormatCase& c : cases)
        EXPECT_EQ(FormatByteCount(c.format, c.n), c.expected) << "format = " << c.format << ", n = " << c.n;
}

TEST_F(HelpersTest, FormatSizeShortPicksTheUnitByRange)
{
    const TFormatCase cases[] = {
        {"%d", 0, "0b"},
        {"%d", 99, "99b"},
        {"%d", 100, "0.1KB"},
        {"%d", 1024, "1.0KB"},
        {"%d", 99999, "97.7KB"},
        {"%d", 100000, "0.1MB"},
        {"%d", 1048576, "1.0MB"},
        {"%d", 10737418240, "10240.0MB"},
        {"%3d", 7, "  7b"},
    };
    for (const TFormatCase& c : cases)
        EXPECT_EQ(FormatSizeShort(c.format, c.n), c.expected) << "format = " << c.format << ", n = " << c.n;
}

TEST_F(HelpersTest, SizesUseTheMachinesDecimalSeparator)
{
    UseLocale("de-DE");
    EXPECT_EQ(FormatByteCount("%d", 2048), "2,0 KB");
    EXPECT_EQ(FormatByteCount("%d", 5242880), "5,0 MB");
    EXPECT_EQ(FormatSizeShort("%d", 150000), "0,1MB");
    EXPECT_EQ(FormatByteCount("%d", 512), "512 Byte");
}

TEST(FormatIntegerTest, AppliesPrintfIntegerConversions)
{
    const TFormatCase cases[] = {
        {"%d", 42, "42"},
        {"%i", -42, "-42"},
        {"%5d", 42, "   42"},
        {"%-5d|", 42, "42   |"},
        {"%05d", -42, "-0042"},
        {"%.4d", 42, "0042"},
        {"%08.3d", 5, "     005"}, // a precision makes the '0' flag pad with blanks, as in C
        {"%+d", 42, "+42"},
        {"% d", 42, " 42"},
        {"%.0d", 0, ""},
        {"%x", 255, "ff"},
        {"%X", 255, "FF"},
        {"%u", -1, "18446744073709551615"},
        {"%d", std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
        {"size: %d bytes", 9, "size: 9 bytes"},
        {"%%%d%%", 42, "%42%"},
    };
    for (const TFormatCase& c : cases)
        EXPECT_EQ(FormatInteger(c.format, c.n), c.expected) << "format = " << c.format;
}

// A caller's format is never handed to printf: anything but one integer conversion shows
// the plain number.
TEST(FormatIntegerTest, OtherFormatsShowThePlainNumber)
{
    const TFormatCase cases[] = {
        {"%s", 42, "42"},
        {"%n", 42, "42"},
        {"%p", 42, "42"},
        {"%f", 42, "42"},
        {"%ld", 42, "42"},
        {"%*d", 42, "42"},
        {"%d%d", 42, "42"},
        {"%d %s", 42, "42"},
        {"%256d", 42, "42"},
        {"%.999999999999d", 42, "42"},
        {"%", 42, "42"},
        {"abc%", 42, "42"},
        {"no conversion", 42, "42"},
        {"", -7, "-7"},
    };
    for (const TFormatCase& c : cases)
        EXPECT_EQ(FormatInteger(c.format, c.n), c.expected) << "format = " << c.format;
    EXPECT_EQ(FormatInteger("%255d", 1).size(), 255u);
}

// ---- path and list helpers

TEST(PathHelpersTest, ExcludeTrailingSlashRemovesOneFinalBackslash)
{
    const struct
    {
        const char* path;
        const char* expected;
    } cases[] = {
        {R"(C:\Docs\)", R"(C:\Docs)"},
        {R"(C:\Docs)", R"(C:\Docs)"},
        {R"(C:\Docs\\)", R"(C:\Docs\)"},
        {R"(C:\)", "C:"},
        {R"(\)", ""},
        {"", ""},
        {"C:/Docs/", "C:/Docs/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExcludeTrailingSlash(c.path), c.expected) << "path = " << c.path;
}

TEST(PathHelpersTest, SplitListHonoursQuotesAndDropsAnEmptyLastPiece)
{
    const struct
    {
        const char* text;
        char delimiter;
        std::vector<std::string> expected;
    } cases[] = {
        {"a,b,c", ',', {"a", "b", "c"}},
        {"a,b,", ',', {"a", "b"}},
        {"", ',', {}},
        {",", ',', {""}},
        {"a,,b", ',', {"a", "", "b"}},
        {",a", ',', {"", "a"}},
        {" a , b", ',', {" a ", " b"}},
        {R"("a,b",c)", ',', {"a,b", "c"}},
        {R"("say ""hi""",x)", ',', {R"(say "hi")", "x"}},
        {R"("""a""")", ',', {R"("a")"}},
        {R"(x,"")", ',', {"x", ""}},
        {R"("a"b,c)", ',', {"ab", "c"}},
        {R"(a"b",c)", ',', {R"(a"b")", "c"}},
        {R"("unterminated,still one)", ',', {"unterminated,still one"}},
        {"a;b;", ';', {"a", "b"}},
        {R"(C:\Docs\a.txt)", '\\', {"C:", "Docs", "a.txt"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitList(c.text, c.delimiter), c.expected) << "text = " << c.text;
}

TEST(PathHelpersTest, IsUnderFolderComparesWholeComponents)
{
    const struct
    {
        const char* path;
        const char* folder;
        bool expected;
    } cases[] = {
        {R"(C:\Docs\a.txt)", R"(C:\Docs)", true},
        {R"(C:\Docs\a.txt)", R"(C:\Docs\)", true},
        {R"(C:\Docs\Sub\a.txt)", R"(C:\Docs)", true},
        {R"(C:\Docs)", R"(C:\Docs)", true},
        {R"(C:\Docs\a.txt)", "C:", true},
        {R"(C:\Docs)", R"(C:\Docs\Sub)", false}, // fewer components than the folder
        {"C:", R"(C:\Docs\Sub\Deep)", false},
        {"", R"(C:\Docs)", false},
        {R"(C:\Documents\a.txt)", R"(C:\Docs)", false},
        {R"(C:\docs\a.txt)", R"(C:\Docs)", false}, // exact text, case included
        {R"(D:\Docs\a.txt)", R"(C:\Docs)", false},
        {R"(C:\Docs\a.txt)", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsUnderFolder(c.path, c.folder), c.expected) << "path = " << c.path << ", folder = " << c.folder;
}

TEST(PathHelpersTest, ListContainsTextIgnoresCase)
{
    const std::vector<std::string> list{"www.example.com", "Ärger.de", ""};
    const struct
    {
        const char* text;
        bool expected;
    } cases[] = {
        {"www.example.com", true},
        {"WWW.Example.COM", true},
        {"ärger.de", true},
        {"", true},
        {"example.com", false},
        {"www.example.co", false},
        {" www.example.com", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListContainsText(list, c.text), c.expected) << "text = " << c.text;
    EXPECT_FALSE(ListContainsText({}, ""));
}

// ---- error log

// The fixture's clock stands at 2009-10-30 17:05:09 and its locale is en-US.
TEST_F(HelpersTest, LogErrorAppendsDatedEntriesWithTheLastError)
{
    platform::SetLastError(platform::ERROR_ACCESS_DENIED);
    LogError(R"(Could not open C:\Docs\a.txt)", false);
    const std::string first = "10/30/2009 5:05:09 PM Could not open C:\\Docs\\a.txt\r\n"
                              "Last error: \"Access is denied.\"\r\n"
                              "\r\n";
    EXPECT_EQ(ReadFile(LogPath), first);

    machine().Clock().Advance(3600);
    platform::SetLastError(platform::ERROR_FILE_NOT_FOUND);
    LogError("Second", false);
    EXPECT_EQ(ReadFile(LogPath),
              first + "10/30/2009 6:05:09 PM Second\r\n"
                      "Last error: \"The system cannot find the file specified.\"\r\n"
                      "\r\n");
    EXPECT_TRUE(ShownBoxes().empty());
}

// Writing the log makes platform calls of its own; the entry must still describe the
// caller's failure, and the caller must still see its code afterwards.
TEST_F(HelpersTest, LogErrorKeepsTheCallersLastError)
{
    WriteFile(LogPath, "");
    platform::SetLastError(platform::ERROR_SHARING_VIOLATION);
    LogError("In use", true);

    EXPECT_EQ(platform::GetLastError(), platform::ERROR_SHARING_VIOLATION);
    const std::string lastErrorLine =
        "Last error: \"The process cannot access the file because it is being used by another process.\"";
    EXPECT_EQ(ReadFile(LogPath), "10/30/2009 5:05:09 PM In use\r\n" + lastErrorLine + "\r\n\r\n");
    ASSERT_EQ(ShownBoxes().size(), 1u);
    EXPECT_EQ(ShownBoxes()[0].text, "In use\r\n" + lastErrorLine);
}

TEST_F(HelpersTest, LogErrorShowsAnErrorBoxWhenAsked)
{
    platform::SetLastError(platform::ERROR_SUCCESS);
    LogError("Something failed", true);
    ASSERT_EQ(ShownBoxes().size(), 1u);
    const platform::MessageBoxRequest& box = ShownBoxes()[0];
    EXPECT_EQ(box.text, "Something failed\r\nLast error: \"The operation completed successfully.\"");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.icon, platform::MessageIcon::Error);
    EXPECT_EQ(box.buttons, platform::MessageButtons::Ok);
}

TEST_F(HelpersTest, LogErrorDoesNotFailWhenTheLogCannotBeWritten)
{
    ASSERT_TRUE(machine().Files().ForceDirectories(LogPath)); // the log's name is taken by a folder
    platform::SetLastError(platform::ERROR_ACCESS_DENIED);

    EXPECT_NO_THROW(LogError("Nowhere to write", true));

    EXPECT_EQ(platform::GetLastError(), platform::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(machine().Files().DirectoryExists(LogPath));
    ASSERT_EQ(ShownBoxes().size(), 1u) << "the box is shown even when the log cannot be written";
    EXPECT_EQ(ShownBoxes()[0].text, "Nowhere to write\r\nLast error: \"Access is denied.\"");
}

TEST_F(HelpersTest, LogErrorFromManyThreadsKeepsEveryEntryWhole)
{
    constexpr int threadCount = 4;
    constexpr int entriesPerThread = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < entriesPerThread; ++i) {
                platform::SetLastError(platform::ERROR_ACCESS_DENIED);
                LogError("thread " + std::to_string(t) + " entry " + std::to_string(i), false);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    const std::string log = ReadFile(LogPath);
    std::vector<std::string> entries;
    const std::string separator = "\r\n\r\n";
    for (std::size_t at = 0; at < log.size();) {
        const std::size_t end = log.find(separator, at);
        ASSERT_NE(end, std::string::npos) << "entry without its empty line at offset " << at;
        entries.push_back(log.substr(at, end + separator.size() - at));
        at = end + separator.size();
    }
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(threadCount * entriesPerThread));
    for (int t = 0; t < threadCount; ++t) {
        for (int i = 0; i < entriesPerThread; ++i) {
            const std::string entry = "10/30/2009 5:05:09 PM thread " + std::to_string(t) + " entry " +
                                      std::to_string(i) + "\r\nLast error: \"Access is denied.\"\r\n\r\n";
            EXPECT_NE(std::find(entries.begin(), entries.end(), entry), entries.end()) << entry;
        }
    }
}

} // namespace
} // namespace lumexa::core
