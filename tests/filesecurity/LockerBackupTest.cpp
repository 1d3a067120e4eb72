#include "filesecurity/FileLocker/LockerBackup.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ZipReader.h"
#include "filesecurity/FileLocker/EncDec.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"
#include "support/MachineTest.h"
#include "support/Noise.h"

namespace lumexa::filesecurity {
namespace {

const std::string kBackups = R"(C:\Program Files\Lumexa\LockerBackups)";
// The machine's fixed clock (MachineTest): 2009-10-30 17:05:09.
const std::string kArchive = kBackups + R"(\2009_10_30_17_5_9.zip)";

class LockerBackupTest : public test::MachineTest
{
protected:
    std::vector<test::TZipEntry> Archive(const std::string& windowsPath)
    {
        std::string error;
        auto entries = test::ReadZip(HostPath(windowsPath), &error);
        EXPECT_TRUE(error.empty()) << error;
        return entries;
    }
};

TEST_F(LockerBackupTest, ListsFileRowsThenTheUnlockedFilesUnderFolderRows)
{
    WriteFile(R"(C:\Docs\one.txt)", "1");
    WriteFile(R"(C:\Tree\a.txt)", "a");
    WriteFile(R"(C:\Tree\b.txt.lxe)", "locked already");
    WriteFile(R"(C:\Tree\Sub\c.txt)", "c");
    WriteFile(R"(C:\Tree\.git\d.txt)", "hidden folder");
    const std::vector<TLockRow> rows{
        {"Tree", "C:", "Folder", true},
        {"one.txt", R"(C:\Docs\)", "File", true},
    };
    const std::vector<std::string> expected{R"(C:\Docs\one.txt)", R"(C:\Tree\a.txt)", R"(C:\Tree\Sub\c.txt)"};
    EXPECT_EQ(BackupFileList(rows), expected);
}

TEST_F(LockerBackupTest, NamesTheArchiveByTheMachineClockWithoutLeadingZeros)
{
    EXPECT_EQ(LockerBackupPath(machine().Clock().Now()), kArchive);
    EXPECT_EQ(LockerBackupPath(*platform::EncodeDateTime(2011, 1, 2, 3, 4, 5)), kBackups + R"(\2011_1_2_3_4_5.zip)");
}

TEST_F(LockerBackupTest, EntryNamesAreAbsolutePathsWithoutTheDrive)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"(C:\Docs\a.txt)", "Docs/a.txt"},
        {R"(Z:\home\ann\b c.txt)", "home/ann/b c.txt"},
        {R"(C:\x.txt)", "x.txt"},
        {R"(\\server\share\f.doc)", "server/share/f.doc"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(BackupEntryName(path), name) << "case: " << path;
}

TEST_F(LockerBackupTest, ArchivesEveryFileDeflatedWithItsDiskDate)
{
    const std::string big = test::Noise(300000, 7);
    const std::string text(100000, 'z');
    WriteFile(R"(C:\Docs\big.bin)", big);
    WriteFile(R"(C:\Docs\Sub\text.txt)", text);
    WriteFile(R"(C:\Docs\empty.txt)", "");
    auto& files = machine().Files();
    // Attributes do not keep a file out of the backup.
    ASSERT_TRUE(files.SetFileAttributes(R"(C:\Docs\Sub\text.txt)",
                                        platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_HIDDEN |
                                            platform::FILE_ATTRIBUTE_SYSTEM));
    // 2008-05-17 13:45:22 UTC; a DOS time keeps even seconds.
    const platform::FileTime written = platform::DateTimeToFileTime(*platform::EncodeDateTime(2008, 5, 17, 13, 45, 22));
    ASSERT_TRUE(files.SetFileTimes(R"(C:\Docs\big.bin)", nullptr, nullptr, &written));
    ASSERT_EQ(machine().Clock().UtcOffsetSeconds(), 0);

    TLockerBackup backup;
    std::vector<std::pair<std::size_t, int>> progress;
    backup.OnProgress = [&](std::size_t file, int percent) { progress.emplace_back(file, percent); };
    const TBackupResult result =
        backup.Create({R"(C:\Docs\big.bin)", R"(C:\Docs\Sub\text.txt)", R"(C:\Docs\empty.txt)", R"(c:\docs\BIG.bin)"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.archive, kArchive);
    EXPECT_EQ(result.files, 3u) << "the same file listed twice is stored once";

    const std::vector<test::TZipEntry> entries = Archive(kArchive);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "Docs/big.bin");
    EXPECT_EQ(entries[0].data, big);
    EXPECT_EQ(entries[0].compression, ZIP_CM_DEFLATE);
    EXPECT_EQ(entries[0].dosDate, ((2008 - 1980) << 9) | (5 << 5) | 17);
    EXPECT_EQ(entries[0].dosTime, (13 << 11) | (45 << 5) | (22 / 2));
    EXPECT_EQ(entries[1].name, "Docs/Sub/text.txt");
    EXPECT_EQ(entries[1].data, text);
    EXPECT_EQ(entries[1].compression, ZIP_CM_DEFLATE);
    EXPECT_LT(std::filesystem::file_size(HostPath(kArchive)), big.size() + 10000) << "the text was compressed";
    EXPECT_EQ(entries[2].name, "Docs/empty.txt");
    EXPECT_EQ(entries[2].data, "");
    // Only the archive: no folder entries, no temporary file left beside it.
    EXPECT_EQ(Names(kBackups), std::vector<std::string>{"2009_10_30_17_5_9.zip"});

    // Each file reports from 0 to 100, one after the other.
    ASSERT_FALSE(progress.empty());
    std::size_t file = 0;
    int last = -1;
    std::vector<std::size_t> finished;
    for (const auto& [index, percent] : progress) {
        if (index != file) {
            EXPECT_EQ(last, 100) << "file " << file << " ended early";
            EXPECT_EQ(index, file + 1);
            file = index;
            last = -1;
        }
        EXPECT_GT(percent, last) << "file " << index;
        last = percent;
    }
    EXPECT_EQ(file, 2u);
    EXPECT_EQ(last, 100);
    EXPECT_EQ(progress.front(), (std::pair<std::size_t, int>{0, 0}));
}

TEST_F(LockerBackupTest, CreatesTheFolderWithItsParentsAndWritesNothingForNoFiles)
{
    auto& files = machine().Files();
    ASSERT_TRUE(files.RemoveDirectory(kBackups));
    TLockerBackup backup;
    const TBackupResult none = backup.Create({});
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.archive, "");
    EXPECT_FALSE(files.DirectoryExists(kBackups));

    WriteFile(R"(C:\a.txt)", "a");
    const TBackupResult made = backup.Create({R"(C:\a.txt)"});
    ASSERT_TRUE(made.ok) << made.error;
    EXPECT_TRUE(files.FileExists(kArchive));
}

TEST_F(LockerBackupTest, FailureLeavesNoArchiveAndNamesTheCause)
{
    struct Case
    {
        const char* name;
        std::function<void()> prepare;
        const char* reason;
    } cases[] = {
        {"the folder cannot be made",
         [&] {
             ASSERT_TRUE(machine().Files().RemoveDirectory(kBackups));
             WriteFile(kBackups, "a file where the folder belongs");
         },
         "cannot create the folder"},
        {"an archive of that name exists", [&] { WriteFile(kArchive, "older backup"); }, "already exists"},
        {"a file cannot be read", [] {}, R"(cannot read C:\Docs\b.txt)"},
        {"the drive fills up",
         [&] { WriteFile(R"(C:\Docs\b.txt)", test::Noise(40u << 20, 3)); },
         "cannot write the backup"},
    };
    platform::CreateOptions small;
    small.driveCapacity = 64ull << 20;
    for (Case& c : cases) {
        RecreateMachine(small);
        WriteFile(R"(C:\Docs\a.txt)", "a");
        WriteFile(R"(C:\Docs\b.txt)", "b");
        c.prepare();
        // Held without sharing in the third case only.
        std::unique_ptr<platform::FileHandle> held;
        if (std::string(c.name) == "a file cannot be read")
            held = machine().Files().CreateFile(R"(C:\Docs\b.txt)",
                                                platform::GENERIC_READ | platform::GENERIC_WRITE,
                                                platform::FILE_SHARE_NONE,
                                                platform::Disposition::OpenExisting);
        const std::vector<std::string> before = Names(kBackups);
        TLockerBackup backup;
        const TBackupResult result = backup.Create({R"(C:\Docs\a.txt)", R"(C:\Docs\b.txt)"});
        EXPECT_FALSE(result.ok) << "case: " << c.name;
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << "case: " << c.name << ": " << result.error;
        EXPECT_EQ(Names(kBackups), before) << "case: " << c.name << ": something was left behind";
        EXPECT_EQ(ReadFile(R"(C:\Docs\a.txt)"), "a") << "case: " << c.name;
    }
}

} // namespace
} // namespace lumexa::filesecurity
