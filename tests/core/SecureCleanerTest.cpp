#include "core/SecureCleaner.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Gost.h"
#include "core/SecureDeleteOptions.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/RecycleBin.h"
#include "platform/Registry.h"
#include "support/MachineTest.h"

namespace lumexa::core {
namespace {

using platform::HKEY_CURRENT_USER;

// A cleaner whose Execute runs what the test gives it, and which lets the test look at the
// file after every pass and make the final removal fail.
class TTestCleaner : public TSecureCleaner
{
public:
    using TSecureCleaner::TSecureCleaner;
    ~TTestCleaner() override { StopAndWait(); }

    std::function<void(TTestCleaner&)> Work;
    std::function<void(const std::string& path, int pass)> Pass;
    bool FailRemoval = false;

protected:
    void Execute() override
    {
        if (Work && !Terminated())
            Work(*this);
        SetTerminatedFlag();
    }
    void AfterPass(const std::string& path, int pass) override
    {
        if (Pass)
            Pass(path, pass);
    }
    bool RemoveErasedFile(const std::string& scrambledPath) override
    {
        return !FailRemoval && TSecureCleaner::RemoveErasedFile(scrambledPath);
    }
};

struct Report
{
    std::string name;
    std::uint8_t item = 0;
    bool success = false;
    std::uint64_t size = 0;
    friend bool operator==(const Report&, const Report&) = default;
};

std::ostream& operator<<(std::ostream& out, const Report& r)
{
    return out << "{" << r.name << ", " << int(r.item) << ", " << r.success << ", " << r.size << "}";
}

TSecureDeleteOptions MethodOptions(std::uint8_t method, std::int32_t times = 1, std::uint8_t pattern = PatternRandom)
{
    TSecureDeleteOptions options(2);
    options.Method = method;
    options.OverwriteTimes = times;
    options.OverwritePattern = pattern;
    return options;
}

// A child process that opens a file through the platform without any sharing and holds it
// until released. Pipes synchronise both sides; nothing waits on time.
class LockingChild
{
public:
    LockingChild(const platform::FileSystemConfig& config, const std::string& path)
    {
        int ready[2];
        int stop[2];
        if (::pipe(ready) != 0 || ::pipe(stop) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(stop[1]);
            platform::FileSystem files(config, nullptr);
            auto held = files.CreateFile(path,
                                         platform::GENERIC_READ | platform::GENERIC_WRITE,
                                         platform::FILE_SHARE_NONE,
                                         platform::Disposition::OpenExisting);
            const char status = held ? 'y' : 'n';
            (void)::write(ready[1], &status, 1);
            char byte = 0;
            (void)::read(stop[0], &byte, 1);
            ::_exit(held ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(stop[0]);
        m_stop = stop[1];
        char status = 0;
        m_holding = ::read(ready[0], &status, 1) == 1 && status == 'y';
        ::close(ready[0]);
    }
    ~LockingChild()
    {
        if (m_pid > 0) {
            ::close(m_stop);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    LockingChild(const LockingChild&) = delete;
    LockingChild& operator=(const LockingChild&) = delete;
    bool Holding() const { return m_holding; }

private:
    pid_t m_pid = -1;
    int m_stop = -1;
    bool m_holding = false;
};

class SecureCleanerTest : public test::MachineTest
{
protected:
    std::unique_ptr<TTestCleaner> Cleaner(std::uint8_t method, std::int32_t times = 1, std::uint8_t pattern = 0)
    {
        auto cleaner = std::make_unique<TTestCleaner>(MethodOptions(method, times, pattern));
        cleaner->CurrentItem = 97;
        cleaner->ReportErased = [this](const std::string& name, std::uint8_t item, bool success, std::uint64_t size) {
            m_reports.push_back({name, item, success, size});
        };
        cleaner->ReportErasing = [this](const std::string& path, std::uint64_t size) {
            m_erasing.push_back({path, 0, true, size});
        };
        return cleaner;
    }

    // Every file and folder below a folder (Windows paths, relative), with attributes, size,
    // times and contents: what analysis must leave exactly as it was.
    std::map<std::string, std::string> Snapshot(const std::string& folder)
    {
        std::map<std::string, std::string> entries;
        SnapshotInto(folder, "", entries);
        return entries;
    }

    platform::FileSystemConfig FilesConfig() { return platform::FileSystemConfig{machine().Config().drives}; }

    std::vector<Report> m_reports;
    std::vector<Report> m_erasing;

private:
    void SnapshotInto(const std::string& folder, const std::string& relative, std::map<std::string, std::string>& out)
    {
        auto find = machine().Files().FindFirstFile(folder + "\\*");
        if (!find)
            return;
        do {
            const platform::FindData d = find->Data();
            if (d.name == "." || d.name == "..")
                continue;
            const std::string path = folder + "\\" + d.name;
            std::string facts = std::to_string(d.attributes) + "/" + std::to_string(d.size) + "/" +
                                std::to_string(d.lastWriteTime.ticks) + "/" + std::to_string(d.creationTime.ticks);
            if (d.attributes & platform::FILE_ATTRIBUTE_DIRECTORY)
                SnapshotInto(path, relative + d.name + "\\", out);
            else
                facts += "/" + ReadFile(path);
            out[relative + d.name] = facts;
        } while (find->Next());
    }
};

// ---- the overwrite buffer

TEST_F(SecureCleanerTest, OverwriteBufferHoldsRandomBytesUpTo253ForTheStandardMethods)
{
    for (std::uint8_t method : {MethodNone, MethodDoD, MethodGutmann, MethodNsa, MethodGost, MethodAnalysis}) {
        auto cleaner = Cleaner(method);
        const auto buffer = cleaner->OverwriteBuffer();
        ASSERT_EQ(buffer.size(), 65536u) << "case: method " << int(method);
        EXPECT_EQ(*std::max_element(buffer.begin(), buffer.end()), 253) << "case: method " << int(method);
        EXPECT_EQ(*std::min_element(buffer.begin(), buffer.end()), 0) << "case: method " << int(method);
        EXPECT_GT(std::set<std::uint8_t>(buffer.begin(), buffer.end()).size(), 250u) << "case: method " << int(method);
    }
}

TEST_F(SecureCleanerTest, OverwriteBufferOfTheCustomMethodFollowsThePattern)
{
    struct Case
    {
        std::uint8_t pattern;
        int onlyByte; // -1: random 0..253
    };
    const Case cases[] = {{PatternRandom, -1}, {PatternZeros, 0x00}, {PatternOnes, 0xFF}, {3, -1}, {200, -1}};
    for (const Case& c : cases) {
        auto cleaner = Cleaner(MethodCustom, 1, c.pattern);
        const auto buffer = cleaner->OverwriteBuffer();
        ASSERT_EQ(buffer.size(), 65536u);
        const std::set<std::uint8_t> values(buffer.begin(), buffer.end());
        if (c.onlyByte >= 0) {
            EXPECT_EQ(values, std::set<std::uint8_t>{static_cast<std::uint8_t>(c.onlyByte)})
                << "case: pattern " << int(c.pattern);
        } else {
            EXPECT_GT(values.size(), 250u) << "case: pattern " << int(c.pattern);
            EXPECT_LE(*values.rbegin(), 253) << "case: pattern " << int(c.pattern);
        }
    }
}

// ---- overwriting

TEST_F(SecureCleanerTest, DoDGrowsASmallFileToOneBlockEachPassThenRenamesAndDeletesIt)
{
    WriteFile("C:\\docs\\report.txt", std::string(100, 'S'));
    auto cleaner = Cleaner(MethodDoD);
    std::vector<std::string> afterPass;
    cleaner->Pass = [&](const std::string& path, int) { afterPass.push_back(ReadFile(path)); };

    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\report.txt", false));

    const std::string block(cleaner->OverwriteBuffer().begin(), cleaner->OverwriteBuffer().end());
    ASSERT_EQ(afterPass.size(), 3u);
    for (const std::string& contents : afterPass)
        EXPECT_TRUE(contents == block) << "each pass leaves exactly one overwrite block";
    EXPECT_EQ(m_erasing, (std::vector<Report>{{"C:\\docs\\report.txt", 0, true, 100}}));
    EXPECT_EQ(m_reports, (std::vector<Report>{{"C:\\docs\\report.txt", 97, true, 100}}));
    EXPECT_TRUE(Names("C:\\docs").empty()) << "neither the file nor a scrambled name is left";
}

TEST_F(SecureCleanerTest, PassesCoverTheFileUpToTheNextMultipleOf65536)
{
    struct Case
    {
        std::size_t size;
        std::size_t after;
    };
    const Case cases[] = {{1, 65536}, {65535, 65536}, {65536, 65536}, {65537, 131072}, {200000, 262144}};
    for (const Case& c : cases) {
        WriteFile("C:\\docs\\f.bin", std::string(c.size, 'q'));
        auto cleaner = Cleaner(MethodCustom, 1, PatternOnes);
        std::string seen;
        cleaner->Pass = [&](const std::string& path, int) { seen = ReadFile(path); };
        EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\f.bin", false)) << "case: size " << c.size;
        EXPECT_EQ(seen.size(), c.after) << "case: size " << c.size;
        EXPECT_EQ(seen.find_first_not_of('\xFF'), std::string::npos) << "case: size " << c.size;
        EXPECT_FALSE(Exists("C:\\docs\\f.bin")) << "case: size " << c.size;
    }
}

TEST_F(SecureCleanerTest, EachMethodRunsItsNumberOfPasses)
{
    struct Case
    {
        const char* name;
        std::uint8_t method;
        std::int32_t times;
        int passes;
    };
    const Case cases[] = {
        {"DoD", MethodDoD, 1, 3},
        {"NSA", MethodNsa, 1, 7},
        {"custom 2", MethodCustom, 2, 2},
        {"custom 0", MethodCustom, 0, 0},
        {"custom 250 clamped", MethodCustom, 250, 99},
        {"Gutmann", MethodGutmann, 1, 35},
        {"GOST", MethodGost, 1, 5},
    };
    for (const Case& c : cases) {
        WriteFile("C:\\docs\\a.dat", "secret");
        auto cleaner = Cleaner(c.method, c.times);
        int passes = 0;
        cleaner->Pass = [&](const std::string&, int pass) { passes = pass; };
        EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\a.dat", false)) << "case: " << c.name;
        EXPECT_EQ(passes, c.passes) << "case: " << c.name;
        EXPECT_TRUE(Names("C:\\docs").empty()) << "case: " << c.name;
    }
}

TEST_F(SecureCleanerTest, CustomZeroPassesOnlyRenamesAndDeletes)
{
    WriteFile("C:\\docs\\keep.txt", "contents");
    auto cleaner = Cleaner(MethodCustom, 0);
    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\keep.txt", false));
    EXPECT_EQ(m_reports, (std::vector<Report>{{"C:\\docs\\keep.txt", 97, true, 8}}));
    EXPECT_TRUE(Names("C:\\docs").empty());
}

TEST_F(SecureCleanerTest, ALaterGoodPassNeverHidesAFailedOne)
{
    WriteFile("C:\\docs\\busy.txt", "secret");
    auto cleaner = Cleaner(MethodDoD);
    std::unique_ptr<platform::FileHandle> reader;
    cleaner->Pass = [&](const std::string& path, int pass) {
        // A reader that does not share writing keeps pass 2 out, and is gone for pass 3.
        if (pass == 1)
            reader = machine().Files().CreateFile(
                path, platform::GENERIC_READ, platform::FILE_SHARE_READ, platform::Disposition::OpenExisting);
        else
            reader.reset();
    };
    EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\busy.txt", false));
    EXPECT_EQ(m_reports, (std::vector<Report>{{"C:\\docs\\busy.txt", 97, false, 6}}));
    EXPECT_TRUE(Exists("C:\\docs\\busy.txt")) << "a failed overwrite is neither renamed nor deleted";
}

TEST_F(SecureCleanerTest, AFileLeftAfterOverwritingIsAFailureUnderItsOwnName)
{
    for (std::uint8_t method : {MethodDoD, MethodGutmann, MethodGost}) {
        WriteFile("C:\\docs\\stays.txt", "secret");
        auto cleaner = Cleaner(method);
        cleaner->FailRemoval = true;
        EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\stays.txt", false)) << "case: method " << int(method);
        EXPECT_EQ(Names("C:\\docs"), std::vector<std::string>{"stays.txt"}) << "case: method " << int(method);
        EXPECT_FALSE(m_reports.back().success) << "case: method " << int(method);
    }
}

TEST_F(SecureCleanerTest, AFailedOverwriteFallsBackToPlainDeleteWhenAllowed)
{
    WriteFile("C:\\docs\\stays.txt", "secret");
    auto cleaner = Cleaner(MethodDoD);
    cleaner->FailRemoval = true;
    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\stays.txt", true));
    EXPECT_TRUE(Names("C:\\docs").empty());
}

TEST_F(SecureCleanerTest, MethodNoneDeletesOnlyWhenPlainDeletionIsAllowed)
{
    WriteFile("C:\\docs\\plain.txt", "plain");
    auto cleaner = Cleaner(MethodNone);
    int passes = 0;
    cleaner->Pass = [&](const std::string&, int) { ++passes; };
    EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\plain.txt", false));
    EXPECT_EQ(ReadFile("C:\\docs\\plain.txt"), "plain");
    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\plain.txt", true));
    EXPECT_FALSE(Exists("C:\\docs\\plain.txt"));
    EXPECT_EQ(passes, 0);
    EXPECT_EQ(m_reports,
              (std::vector<Report>{{"C:\\docs\\plain.txt", 97, false, 5}, {"C:\\docs\\plain.txt", 97, true, 5}}));
    EXPECT_TRUE(Names("C:\\docs").empty()) << "nothing was renamed";
}

TEST_F(SecureCleanerTest, AFileLockedByAnotherProcessFailsAndStaysEvenWithPlainDelete)
{
    WriteFile("C:\\docs\\locked.txt", "in use");
    LockingChild child(FilesConfig(), "C:\\docs\\locked.txt");
    ASSERT_TRUE(child.Holding());
    for (std::uint8_t method : {MethodNone, MethodDoD, MethodGutmann, MethodGost, MethodCustom}) {
        m_reports.clear();
        auto cleaner = Cleaner(method);
        EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\locked.txt", true)) << "case: method " << int(method);
        EXPECT_EQ(m_reports, (std::vector<Report>{{"C:\\docs\\locked.txt", 97, false, 6}}))
            << "case: method " << int(method);
    }
    EXPECT_EQ(Names("C:\\docs"), std::vector<std::string>{"locked.txt"});
    EXPECT_EQ(machine().Files().GetFileSize("C:\\docs\\locked.txt"), 6u);
}

TEST_F(SecureCleanerTest, MissingAndExcludedFilesAreSkippedWithoutAReport)
{
    WriteFile("C:\\docs\\cache.tmp", "t");
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\cache.tmp", true, {".doc", "  .TMP "}));
    EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\missing.txt", true));
    EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs", true)) << "a folder is no file";
    EXPECT_TRUE(m_reports.empty());
    EXPECT_TRUE(m_erasing.empty());
    EXPECT_EQ(ReadFile("C:\\docs\\cache.tmp"), "t");
}

TEST_F(SecureCleanerTest, AReadOnlyFileCountsAsLocked)
{
    WriteFile("C:\\docs\\ro.txt", "r");
    ASSERT_TRUE(machine().Files().SetFileAttributes("C:\\docs\\ro.txt", platform::FILE_ATTRIBUTE_READONLY));
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\ro.txt", true));
    EXPECT_EQ(ReadFile("C:\\docs\\ro.txt"), "r");
}

// ---- Gutmann

TEST_F(SecureCleanerTest, GutmannWritesThePublishedPatternsAndKeepsTheLength)
{
    // P. Gutmann, "Secure Deletion of Data from Magnetic and Solid-State Memory" (1996), the
    // overwrite table: passes 5..31, each pattern's bytes in writing order.
    const std::uint8_t published[27][3] = {
        {0x55, 0x55, 0x55}, {0xAA, 0xAA, 0xAA}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92}, {0x24, 0x92, 0x49},
        {0x00, 0x00, 0x00}, {0x11, 0x11, 0x11}, {0x22, 0x22, 0x22}, {0x33, 0x33, 0x33}, {0x44, 0x44, 0x44},
        {0x55, 0x55, 0x55}, {0x66, 0x66, 0x66}, {0x77, 0x77, 0x77}, {0x88, 0x88, 0x88}, {0x99, 0x99, 0x99},
        {0xAA, 0xAA, 0xAA}, {0xBB, 0xBB, 0xBB}, {0xCC, 0xCC, 0xCC}, {0xDD, 0xDD, 0xDD}, {0xEE, 0xEE, 0xEE},
        {0xFF, 0xFF, 0xFF}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92}, {0x24, 0x92, 0x49}, {0x6D, 0xB6, 0xDB},
        {0xB6, 0xDB, 0x6D}, {0xDB, 0x6D, 0xB6},
    };
    const std::string original(100, 'S');
    WriteFile("C:\\docs\\g.txt", original);
    auto cleaner = Cleaner(MethodGutmann);
    std::vector<std::string> seen;
    cleaner->Pass = [&](const std::string& path, int) { seen.push_back(ReadFile(path)); };
    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\g.txt", false));
    ASSERT_EQ(seen.size(), 35u);
    for (int pass = 1; pass <= 35; ++pass) {
        const std::string& contents = seen[static_cast<std::size_t>(pass - 1)];
        ASSERT_EQ(contents.size(), 100u) << "case: pass " << pass;
        if (pass >= 5 && pass <= 31) {
            const auto* pattern = published[pass - 5];
            const auto engine = GutmannPattern(pass);
            EXPECT_TRUE(std::equal(engine.begin(), engine.end(), pattern)) << "case: pass " << pass;
            for (std::size_t i = 0; i < contents.size(); ++i)
                ASSERT_EQ(static_cast<std::uint8_t>(contents[i]), pattern[i % 3]) << "case: pass " << pass << " @" << i;
        } else {
            EXPECT_NE(contents, original) << "case: pass " << pass;
            EXPECT_GT(std::set<char>(contents.begin(), contents.end()).size(), 20u) << "case: pass " << pass;
        }
    }
    EXPECT_TRUE(Names("C:\\docs").empty());
}

TEST_F(SecureCleanerTest, GutmannRepeatsItsRandomBlockBeyondThreeMillionBytes)
{
    const std::size_t size = GutmannRandomCap + 5000;
    WriteFile("C:\\docs\\big.bin", std::string(size, 'b'));
    auto cleaner = Cleaner(MethodGutmann);
    int checked = 0;
    cleaner->Pass = [&](const std::string& path, int pass) {
        const std::string contents = ReadFile(path);
        ASSERT_EQ(contents.size(), size);
        EXPECT_EQ(pass, 1);
        EXPECT_EQ(contents.substr(GutmannRandomCap), contents.substr(0, 5000));
        EXPECT_NE(contents.substr(0, 5000), contents.substr(5000, 5000));
        ++checked;
        cleaner->Terminate(); // the rest of the passes is not needed
    };
    EXPECT_FALSE(cleaner->SecureDeleteFile("C:\\docs\\big.bin", false)) << "stopped: a failure";
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(Exists("C:\\docs\\big.bin"));
}

TEST_F(SecureCleanerTest, GutmannLeavesAnEmptyFileEmptyAndDeletesIt)
{
    WriteFile("C:\\docs\\empty.txt", "");
    auto cleaner = Cleaner(MethodGutmann);
    std::set<std::size_t> sizes;
    cleaner->Pass = [&](const std::string& path, int) { sizes.insert(ReadFile(path).size()); };
    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\empty.txt", false));
    EXPECT_EQ(sizes, std::set<std::size_t>{0});
    EXPECT_FALSE(Exists("C:\\docs\\empty.txt"));
}

// ---- GOST

TEST_F(SecureCleanerTest, GostEncryptsTheFileInPlaceFiveTimesWithCipherFeedback)
{
    // 1,500 bytes: one whole 1 KiB chunk and one ending in a partial 8-byte block.
    std::string original(1500, '\0');
    for (std::size_t i = 0; i < original.size(); ++i)
        original[i] = static_cast<char>(i * 31 + 7);
    WriteFile("C:\\docs\\gost.bin", original);
    const TGost28147 cipher(GostKey);
    std::vector<std::uint8_t> expected(original.begin(), original.end());

    auto cleaner = Cleaner(MethodGost);
    int passes = 0;
    cleaner->Pass = [&](const std::string& path, int) {
        TGost28147::TBlock reg = GostStartRegister;
        cipher.EncryptCfb(expected, reg);
        const std::string contents = ReadFile(path);
        EXPECT_EQ(std::vector<std::uint8_t>(contents.begin(), contents.end()), expected) << "pass " << passes + 1;
        ++passes;
    };
    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\gost.bin", false));
    EXPECT_EQ(passes, 5);
    EXPECT_EQ(m_reports, (std::vector<Report>{{"C:\\docs\\gost.bin", 97, true, 1500}}));
    EXPECT_TRUE(Names("C:\\docs").empty());
}

TEST_F(SecureCleanerTest, StopRequestsEndTheMethodsAtTheirNextCheck)
{
    struct Case
    {
        const char* name;
        std::uint8_t method;
        bool result;
        bool fileLeft;
    };
    // The overwrite passes stop and go on to the rename with what they wrote; Gutmann and GOST
    // fail.
    const Case cases[] = {
        {"NSA", MethodNsa, true, false}, {"Gutmann", MethodGutmann, false, true}, {"GOST", MethodGost, false, true}};
    for (const Case& c : cases) {
        WriteFile("C:\\docs\\stop.txt", "secret");
        auto cleaner = Cleaner(c.method);
        int passes = 0;
        cleaner->Pass = [&](const std::string&, int pass) {
            passes = pass;
            cleaner->Terminate();
        };
        EXPECT_EQ(cleaner->SecureDeleteFile("C:\\docs\\stop.txt", false), c.result) << "case: " << c.name;
        EXPECT_EQ(passes, 1) << "case: " << c.name;
        EXPECT_EQ(Exists("C:\\docs\\stop.txt"), c.fileLeft) << "case: " << c.name;
        machine().Files().DeleteFile("C:\\docs\\stop.txt");
    }
}

// ---- names

TEST_F(SecureCleanerTest, ScrambleNameRunsThroughTheAlphabetKeepingDotsAndTheLastCharacter)
{
    struct Case
    {
        const char* name;
        const char* scrambled;
    };
    const Case cases[] = {
        {"report.txt", "ZZZZZZ.ZZt"},
        {"a.b.c", "Z.Z.c"},
        {"noext", "ZZZZt"},
        {"café.doc", "ZZZZ.ZZc"},
        {"x", "x"},
    };
    for (const Case& c : cases) {
        const std::string path = std::string("C:\\work dir\\") + c.name;
        WriteFile(path, c.name);
        auto cleaner = Cleaner(MethodDoD);
        const std::string result = cleaner->ScrambleName(path);
        EXPECT_EQ(result, std::string("C:\\work dir\\") + c.scrambled) << "case: " << c.name;
        EXPECT_EQ(ReadFile(result), c.name) << "case: " << c.name;
        EXPECT_EQ(Names("C:\\work dir").size(), 1u) << "case: " << c.name;
        machine().Files().DeleteFile(result);
    }
}

TEST_F(SecureCleanerTest, ScrambleNameStopsBeforeANameThatIsTakenAndNeverReplacesIt)
{
    WriteFile("C:\\docs\\report.txt", "mine");
    WriteFile("C:\\docs\\DDDDDD.DDt", "someone else's");
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_EQ(cleaner->ScrambleName("C:\\docs\\report.txt"), "C:\\docs\\CCCCCC.CCt");
    EXPECT_EQ(ReadFile("C:\\docs\\CCCCCC.CCt"), "mine");
    EXPECT_EQ(ReadFile("C:\\docs\\DDDDDD.DDt"), "someone else's");

    WriteFile("C:\\docs\\first.txt", "x");
    WriteFile("C:\\docs\\AAAAA.AAt", "taken");
    EXPECT_EQ(cleaner->ScrambleName("C:\\docs\\first.txt"), "C:\\docs\\first.txt") << "the first rename fails";
}

TEST_F(SecureCleanerTest, ErasingStopsRenamingAtATakenNameAndLeavesTheOtherFile)
{
    WriteFile("C:\\docs\\report.txt", "mine");
    WriteFile("C:\\docs\\CCCCCC.CCt", "someone else's");
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_TRUE(cleaner->SecureDeleteFile("C:\\docs\\report.txt", false));
    EXPECT_EQ(Names("C:\\docs"), std::vector<std::string>{"CCCCCC.CCt"});
    EXPECT_EQ(ReadFile("C:\\docs\\CCCCCC.CCt"), "someone else's");
}

TEST_F(SecureCleanerTest, FileSizeIsTheSizeOfTheFirstMatch)
{
    WriteFile("C:\\docs\\a.txt", "12345");
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_EQ(TSecureCleaner::FileSize("C:\\docs\\a.txt"), 5u);
    EXPECT_EQ(TSecureCleaner::FileSize("C:\\docs\\*.txt"), 5u);
    EXPECT_EQ(TSecureCleaner::FileSize("C:\\docs\\missing.txt"), 0u);
}

// ---- analysis

TEST_F(SecureCleanerTest, AnalysisReportsEverythingAndChangesNothing)
{
    WriteFile("C:\\scan\\a.txt", "alpha");
    WriteFile("C:\\scan\\hidden.log", "hidden and read-only");
    WriteFile("C:\\scan\\sub\\b.txt", "beta");
    ASSERT_TRUE(machine().Files().ForceDirectories("C:\\scan\\empty"));
    ASSERT_TRUE(machine().Files().SetFileAttributes(
        "C:\\scan\\hidden.log", platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(machine().Files().SetFileAttributes("C:\\scan\\sub", platform::FILE_ATTRIBUTE_SYSTEM));
    auto key = machine().Registry().Create(HKEY_CURRENT_USER, "Software\\Traces\\Sub");
    ASSERT_TRUE(key && key->SetString("url1", "a") && key->SetString("other", "b"));
    ASSERT_TRUE(machine().Files().WriteWholeFileAtomic("C:\\binned.txt", "bin"));
    ASSERT_TRUE(machine().RecycleBin().Recycle("C:\\binned.txt"));
    const auto files = Snapshot("C:\\scan");
    const auto registry = machine().Registry().ExportReg();

    auto cleaner = Cleaner(MethodAnalysis);
    for (const char* path : {"C:\\scan\\a.txt", "C:\\scan\\hidden.log"})
        EXPECT_TRUE(cleaner->SecureDeleteFile(path, true)) << path;
    cleaner->SweepFolder("C:\\scan", "*.*", {}, {}, true);
    EXPECT_FALSE(cleaner->DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Traces"));
    EXPECT_FALSE(cleaner->DeleteRegistryValue(HKEY_CURRENT_USER, "Software\\Traces\\Sub", "url1"));
    EXPECT_FALSE(cleaner->DeleteAllValues(HKEY_CURRENT_USER, "Software\\Traces\\Sub"));
    EXPECT_FALSE(cleaner->DeleteAllSubkeys(HKEY_CURRENT_USER, "Software\\Traces"));
    EXPECT_FALSE(cleaner->DeleteValuesMatching(HKEY_CURRENT_USER, "Software\\Traces\\Sub", "*"));
    EXPECT_EQ(cleaner->EmptyRecycleBin(0, "", platform::SHERB_NOCONFIRMATION), HResultOk);

    EXPECT_EQ(Snapshot("C:\\scan"), files) << "files, attributes, times and folders unchanged";
    EXPECT_EQ(machine().Registry().ExportReg(), registry);
    EXPECT_EQ(machine().RecycleBin().Query()->count, 1u);
    const std::vector<Report> expected{
        {"C:\\scan\\a.txt", 97, true, 5},
        {"C:\\scan\\hidden.log", 97, true, 20},
        {"C:\\scan\\a.txt", 97, true, 5},
        {"C:\\scan\\hidden.log", 97, true, 20},
        {"C:\\scan\\sub\\b.txt", 97, true, 4},
        {"Recycle Bin", 97, true, 3},
    };
    EXPECT_EQ(m_reports, expected);
}

// ---- sweeping

TEST_F(SecureCleanerTest, SweepErasesEveryMatchClearsAttributesAndRemovesEmptiedFolders)
{
    WriteFile("C:\\sweep\\a.txt", "a");
    WriteFile("C:\\sweep\\b.log", "b");
    WriteFile("C:\\sweep\\sub\\c.txt", "c");
    WriteFile("C:\\sweep\\sub\\deeper\\d.txt", "d");
    ASSERT_TRUE(machine().Files().SetFileAttributes(
        "C:\\sweep\\b.log",
        platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(machine().Files().SetFileAttributes("C:\\sweep\\sub", platform::FILE_ATTRIBUTE_READONLY));
    auto cleaner = Cleaner(MethodCustom, 1);
    cleaner->SweepFolder("C:\\sweep", "*.*", {}, {}, true);
    EXPECT_FALSE(Exists("C:\\sweep"));
    std::vector<std::string> erased;
    for (const Report& r : m_reports) {
        EXPECT_TRUE(r.success) << r;
        erased.push_back(r.name);
    }
    const std::vector<std::string> expected{
        "C:\\sweep\\a.txt", "C:\\sweep\\b.log", "C:\\sweep\\sub\\c.txt", "C:\\sweep\\sub\\deeper\\d.txt"};
    EXPECT_EQ(erased, expected);
}

TEST_F(SecureCleanerTest, SweepWithAMaskVisitsEverySubfolderButErasesOnlyMatches)
{
    WriteFile("C:\\sweep\\a.txt", "a");
    WriteFile("C:\\sweep\\keep.log", "k");
    WriteFile("C:\\sweep\\sub\\c.txt", "c");
    WriteFile("C:\\sweep\\sub\\keep.dat", "k");
    WriteFile("C:\\sweep\\only\\d.txt", "d");
    auto cleaner = Cleaner(MethodCustom, 1);
    cleaner->SweepFolder("C:\\sweep\\", "*.txt", {}, {}, true);
    EXPECT_EQ(Names("C:\\sweep"), (std::vector<std::string>{"keep.log", "sub"}));
    EXPECT_EQ(Names("C:\\sweep\\sub"), std::vector<std::string>{"keep.dat"});
    EXPECT_EQ(m_reports.size(), 3u) << ::testing::PrintToString(m_reports);
    EXPECT_EQ(m_reports[0].name, "C:\\sweep\\a.txt") << "a trailing \"\\\" is not doubled";
}

TEST_F(SecureCleanerTest, SweepWithoutRecursionNeverEntersSubfolders)
{
    WriteFile("C:\\flat\\a.txt", "a");
    WriteFile("C:\\flat\\sub\\b.txt", "b");
    WriteFile("C:\\alone\\a.txt", "a");
    auto cleaner = Cleaner(MethodCustom, 1);
    cleaner->SweepFolder("C:\\flat", "*.*", {}, {}, false);
    EXPECT_EQ(Names("C:\\flat"), std::vector<std::string>{"sub"});
    EXPECT_EQ(ReadFile("C:\\flat\\sub\\b.txt"), "b");
    cleaner->SweepFolder("C:\\alone", "*.*", {}, {}, false);
    EXPECT_FALSE(Exists("C:\\alone")) << "a folder without subfolders is removed";
}

TEST_F(SecureCleanerTest, SweepSkipsExcludedFoldersExtensionsAndDotFolders)
{
    WriteFile("C:\\sweep\\a.txt", "a");
    WriteFile("C:\\sweep\\b.TMP", "b");
    WriteFile("C:\\sweep\\Keep\\c.txt", "c");
    WriteFile("C:\\sweep\\.git\\d.txt", "d");
    ASSERT_TRUE(machine().Files().SetFileAttributes("C:\\sweep\\b.TMP", platform::FILE_ATTRIBUTE_HIDDEN));
    auto cleaner = Cleaner(MethodCustom, 1);
    cleaner->SweepFolder("C:\\sweep", "*.*", {" c:\\SWEEP\\keep "}, {".tmp"}, true);
    EXPECT_EQ(Names("C:\\sweep"), (std::vector<std::string>{".git", "b.TMP", "Keep"}));
    EXPECT_EQ(ReadFile("C:\\sweep\\Keep\\c.txt"), "c");
    EXPECT_EQ(ReadFile("C:\\sweep\\.git\\d.txt"), "d");
    EXPECT_EQ(machine().Files().GetFileAttributes("C:\\sweep\\b.TMP") & platform::FILE_ATTRIBUTE_HIDDEN, 0u)
        << "attributes are cleared before the extension is looked at";

    cleaner->SweepFolder("C:\\sweep", "*.*", {"C:\\Sweep"}, {}, true);
    EXPECT_TRUE(Exists("C:\\sweep\\b.TMP")) << "an excluded folder is not swept at all";
}

TEST_F(SecureCleanerTest, SweepRefusesAnEmptyOrRelativeFolder)
{
    WriteFile("C:\\victim.txt", "root file");
    WriteFile("C:\\Program Files\\Lumexa\\victim.txt", "current directory");
    auto cleaner = Cleaner(MethodCustom, 1);
    for (const char* folder : {"", "   ", "\\", "C:", "Lumexa", ".", "..\\Lumexa"})
        cleaner->SweepFolder(folder, "*.*", {}, {}, true);
    EXPECT_EQ(ReadFile("C:\\victim.txt"), "root file");
    EXPECT_EQ(ReadFile("C:\\Program Files\\Lumexa\\victim.txt"), "current directory");
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(SecureCleanerTest, SweepNeverFollowsSymbolicLinks)
{
    WriteFile("C:\\outside\\precious.txt", "precious");
    WriteFile("C:\\sweep\\a.txt", "a");
    const std::string outside = HostPath("C:\\outside");
    std::filesystem::create_directory_symlink(outside, HostPath("C:\\sweep") + "/linked");
    std::filesystem::create_symlink(outside + "/precious.txt", HostPath("C:\\sweep") + "/file-link.txt");
    auto cleaner = Cleaner(MethodCustom, 1, PatternZeros);
    cleaner->SweepFolder("C:\\sweep", "*.*", {}, {}, true);
    EXPECT_EQ(ReadFile("C:\\outside\\precious.txt"), "precious");
    EXPECT_EQ(Names("C:\\outside"), std::vector<std::string>{"precious.txt"});
    EXPECT_EQ(m_reports, (std::vector<Report>{{"C:\\sweep\\a.txt", 97, true, 1}}));

    cleaner->SweepFolder("C:\\sweep\\linked", "*.*", {}, {}, true);
    EXPECT_EQ(ReadFile("C:\\outside\\precious.txt"), "precious") << "a link given as the folder is not entered";
}

TEST_F(SecureCleanerTest, SweepStopsWhenTerminated)
{
    WriteFile("C:\\sweep\\a.txt", "a");
    WriteFile("C:\\sweep\\b.txt", "b");
    auto cleaner = Cleaner(MethodCustom, 1);
    cleaner->ReportErased = [&](const std::string& name, std::uint8_t, bool, std::uint64_t) {
        m_reports.push_back({name, 0, true, 0});
        cleaner->Terminate();
    };
    cleaner->SweepFolder("C:\\sweep", "*.*", {}, {}, true);
    EXPECT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(Names("C:\\sweep"), std::vector<std::string>{"b.txt"});
}

// ---- registry

class SecureCleanerRegistryTest : public SecureCleanerTest
{
protected:
    void SetUp() override
    {
        SecureCleanerTest::SetUp();
        Import();
    }
    void Import()
    {
        const auto result = machine().Registry().ImportReg("REGEDIT4\r\n\r\n"
                                                           "[HKEY_CURRENT_USER\\Software\\Traces]\r\n"
                                                           "\"url1\"=\"a\"\r\n"
                                                           "\"URL2\"=\"b\"\r\n"
                                                           "\"url10\"=\"c\"\r\n"
                                                           "\"other\"=\"d\"\r\n"
                                                           "\"[x]\"=\"e\"\r\n"
                                                           "\r\n"
                                                           "[HKEY_CURRENT_USER\\Software\\Traces\\One]\r\n"
                                                           "\"v\"=\"1\"\r\n"
                                                           "\r\n"
                                                           "[HKEY_CURRENT_USER\\Software\\Traces\\Two\\Deep]\r\n"
                                                           "\r\n");
        ASSERT_TRUE(result.ok) << result.error;
    }
    std::unique_ptr<platform::RegKey> Traces()
    {
        return machine().Registry().Open(HKEY_CURRENT_USER, "Software\\Traces");
    }
};

TEST_F(SecureCleanerRegistryTest, DeleteRegistryKeyRemovesTheSubtree)
{
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_TRUE(cleaner->DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Traces"));
    EXPECT_FALSE(machine().Registry().KeyExists(HKEY_CURRENT_USER, "Software\\Traces"));
    EXPECT_TRUE(machine().Registry().KeyExists(HKEY_CURRENT_USER, "Software"));
}

TEST_F(SecureCleanerRegistryTest, RegistryOperationsRefuseABlankSubkey)
{
    const auto before = machine().Registry().ExportReg();
    auto cleaner = Cleaner(MethodDoD);
    for (const char* blank : {"", "   ", "\\", " \\ "}) {
        EXPECT_FALSE(cleaner->DeleteRegistryKey(HKEY_CURRENT_USER, blank)) << "case: \"" << blank << "\"";
        EXPECT_FALSE(cleaner->DeleteRegistryValue(HKEY_CURRENT_USER, blank, "")) << "case: \"" << blank << "\"";
        EXPECT_FALSE(cleaner->DeleteAllValues(HKEY_CURRENT_USER, blank)) << "case: \"" << blank << "\"";
        EXPECT_FALSE(cleaner->DeleteAllSubkeys(HKEY_CURRENT_USER, blank)) << "case: \"" << blank << "\"";
        EXPECT_FALSE(cleaner->DeleteValuesMatching(HKEY_CURRENT_USER, blank, "*")) << "case: \"" << blank << "\"";
    }
    EXPECT_EQ(machine().Registry().ExportReg(), before);
}

TEST_F(SecureCleanerRegistryTest, DeleteRegistryKeyIsSkippedWhenTerminated)
{
    auto cleaner = Cleaner(MethodDoD);
    cleaner->Terminate();
    EXPECT_FALSE(cleaner->DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Traces"));
    EXPECT_TRUE(machine().Registry().KeyExists(HKEY_CURRENT_USER, "Software\\Traces"));
}

TEST_F(SecureCleanerRegistryTest, DeleteRegistryValueRemovesOneValue)
{
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_TRUE(cleaner->DeleteRegistryValue(HKEY_CURRENT_USER, "Software\\Traces", "OTHER"));
    EXPECT_FALSE(cleaner->DeleteRegistryValue(HKEY_CURRENT_USER, "Software\\Traces", "other"));
    EXPECT_EQ(Traces()->ValueNames(), (std::vector<std::string>{"url1", "URL2", "url10", "[x]"}));
}

TEST_F(SecureCleanerRegistryTest, DeleteAllValuesKeepsTheKeyAndItsSubkeys)
{
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_TRUE(cleaner->DeleteAllValues(HKEY_CURRENT_USER, "Software\\Traces"));
    EXPECT_TRUE(Traces()->ValueNames().empty());
    EXPECT_EQ(Traces()->SubKeyNames(), (std::vector<std::string>{"One", "Two"}));
    EXPECT_FALSE(cleaner->DeleteAllValues(HKEY_CURRENT_USER, "Software\\Missing"));
    EXPECT_FALSE(machine().Registry().KeyExists(HKEY_CURRENT_USER, "Software\\Missing")) << "never created";
}

TEST_F(SecureCleanerRegistryTest, DeleteAllSubkeysKeepsTheValues)
{
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_TRUE(cleaner->DeleteAllSubkeys(HKEY_CURRENT_USER, "Software\\Traces"));
    EXPECT_TRUE(Traces()->SubKeyNames().empty());
    EXPECT_EQ(Traces()->ValueNames().size(), 5u);
}

TEST_F(SecureCleanerRegistryTest, DeleteValuesMatchingComparesLowerCasedNames)
{
    struct Case
    {
        const char* mask;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"URL?", {"url10", "other", "[x]"}},
        {"url*", {"other", "[x]"}},
        {"[!u]*", {"url1", "URL2", "url10"}},
        {"url[12]", {"url10", "other", "[x]"}},
        {"nothing", {"url1", "URL2", "url10", "other", "[x]"}},
    };
    for (const Case& c : cases) {
        Import();
        auto cleaner = Cleaner(MethodDoD);
        EXPECT_TRUE(cleaner->DeleteValuesMatching(HKEY_CURRENT_USER, "Software\\Traces", c.mask)) << "case: " << c.mask;
        EXPECT_EQ(Traces()->ValueNames(), c.left) << "case: " << c.mask;
        machine().Registry().DeleteKey(HKEY_CURRENT_USER, "Software\\Traces");
    }
}

// ---- recycle bin

TEST_F(SecureCleanerTest, EmptyRecycleBinReportsItsSizeThenEmptiesIt)
{
    auto cleaner = Cleaner(MethodDoD);
    EXPECT_EQ(cleaner->EmptyRecycleBin(0, "", platform::SHERB_NOCONFIRMATION), HResultOk);
    EXPECT_EQ(m_reports, (std::vector<Report>{{"Recycle Bin", 97, true, 0}})) << "an empty bin";

    WriteFile("C:\\docs\\one.txt", "12345");
    WriteFile("C:\\docs\\two.txt", "123");
    ASSERT_TRUE(machine().RecycleBin().Recycle("C:\\docs\\one.txt"));
    ASSERT_TRUE(machine().RecycleBin().Recycle("C:\\docs\\two.txt"));
    m_reports.clear();
    EXPECT_EQ(cleaner->EmptyRecycleBin(0, "", platform::SHERB_NOCONFIRMATION), HResultOk);
    EXPECT_EQ(m_reports, (std::vector<Report>{{"Recycle Bin", 97, true, 8}}));
    EXPECT_EQ(machine().RecycleBin().Query()->count, 0u);
    EXPECT_EQ(cleaner->EmptyRecycleBin(0, "Q:\\", 0), HResultFail) << "a root on no drive";
}

TEST_F(SecureCleanerTest, EmptyRecycleBinReportsNothingBeforeShell32Version472)
{
    struct Case
    {
        const char* version;
        bool reported;
    };
    const Case cases[] = {{"4.71", false}, {"4.72", true}, {"5.0", true}};
    for (const Case& c : cases) {
        const std::string ini = machine().Root() + "/machine.ini";
        std::string text = test::ReadHostFile(ini);
        const std::size_t at = text.find("shell32=");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, text.find('\n', at) - at, std::string("shell32=") + c.version);
        test::WriteHostFile(ini, text);
        std::string error;
        auto reopened = platform::Machine::Open(machine().Root(), &error);
        ASSERT_TRUE(reopened) << error;
        platform::Machine::SetCurrent(reopened);
        WriteFile("C:\\docs\\one.txt", "12345");
        ASSERT_TRUE(reopened->RecycleBin().Recycle("C:\\docs\\one.txt"));
        m_reports.clear();
        auto cleaner = Cleaner(MethodDoD);
        EXPECT_EQ(cleaner->EmptyRecycleBin(0, "C:\\", platform::SHERB_NOCONFIRMATION), HResultOk);
        EXPECT_EQ(m_reports.size(), c.reported ? 1u : 0u) << "case: shell32 " << c.version;
        EXPECT_EQ(reopened->RecycleBin().Query()->count, 0u) << "case: shell32 " << c.version;
    }
}

// ---- events and the thread

TEST_F(SecureCleanerTest, EventsRunOnTheCleanersThreadInOrder)
{
    WriteFile("C:\\docs\\a.txt", "a");
    auto cleaner = Cleaner(MethodCustom, 1);
    std::vector<std::string> events;
    std::thread::id eventThread;
    cleaner->ItemStarted = [&](std::uint8_t item) {
        eventThread = std::this_thread::get_id();
        events.push_back("item started " + std::to_string(item));
    };
    cleaner->ItemFinished = [&](std::uint8_t item) { events.push_back("item finished " + std::to_string(item)); };
    cleaner->PluginStarted = [&](const std::string& name) {
        events.push_back("plug-in started " + name + " (current: " + TSecureCleaner::CurrentPluginName() + ")");
    };
    cleaner->PluginFinished = [&](const std::string& name) { events.push_back("plug-in finished " + name); };
    cleaner->ReportDetail = [&](const std::string& name,
                                const std::string& second,
                                const std::string& third,
                                std::uint8_t item,
                                bool flag,
                                std::int64_t size) {
        events.push_back("detail " + name + " " + second + " " + third + " " + std::to_string(item) + " " +
                         (flag ? "1" : "0") + " " + std::to_string(size));
    };
    TTestCleaner other(MethodOptions(MethodDoD));
    other.DoPluginFinished("before");
    std::string pluginAfter;
    cleaner->Work = [&](TTestCleaner& self) {
        self.CurrentItem = 120;
        self.DoItemStarted(120);
        self.DoPluginStarted("Acme Viewer");
        pluginAfter = TSecureCleaner::CurrentPluginName();
        self.SecureDeleteFile("C:\\docs\\a.txt", false);
        self.DoReportDetail("cookie.txt", "http://a.example/", "", 56, true, -5);
        self.DoPluginFinished("Acme Viewer");
        self.DoItemFinished(120);
    };
    cleaner->Resume();
    cleaner->WaitFor();
    EXPECT_TRUE(cleaner->Terminated());
    EXPECT_NE(eventThread, std::this_thread::get_id());
    EXPECT_EQ(pluginAfter, "Acme Viewer");
    const std::vector<std::string> expected{
        "item started 120",
        "plug-in started Acme Viewer (current: before)",
        "detail cookie.txt http://a.example/  56 1 -5",
        "plug-in finished Acme Viewer",
        "item finished 120",
    };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(m_reports, (std::vector<Report>{{"C:\\docs\\a.txt", 120, true, 1}}));
}

TEST_F(SecureCleanerTest, UnsetEventsAreSkipped)
{
    WriteFile("C:\\docs\\a.txt", "a");
    TTestCleaner cleaner(MethodOptions(MethodDoD));
    cleaner.DoItemStarted(1);
    cleaner.DoItemFinished(1);
    cleaner.DoPluginStarted("p");
    cleaner.DoReportDetail("n", "", "", 1, false, 1);
    EXPECT_TRUE(cleaner.SecureDeleteFile("C:\\docs\\a.txt", false));
    EXPECT_EQ(TSecureCleaner::CurrentPluginName(), "p");
    cleaner.DoPluginFinished("");
    EXPECT_EQ(TSecureCleaner::CurrentPluginName(), "");
}

TEST_F(SecureCleanerTest, SourceZeroTakesTheTracksEraserSettings)
{
    auto options = MethodOptions(MethodGutmann);
    options.Source = SecureDeleteSourceItems;
    options.EnableSecureErasing = true;
    options.OverwritePattern = PatternZeros;
    options.Method = MethodCustom;
    options.OverwriteTimes = 2;
    options.Save();
    TTestCleaner cleaner(SecureDeleteSourceItems);
    EXPECT_EQ(cleaner.Options.Method, MethodCustom);
    EXPECT_EQ(cleaner.Options.OverwriteTimes, 2);
    const auto buffer = cleaner.OverwriteBuffer();
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0; }));
}

} // namespace
} // namespace lumexa::core
