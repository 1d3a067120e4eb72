#include "platform/RecycleBin.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Shell.h"
#include "support/MachineTest.h"

namespace lumexa::platform {
namespace {

constexpr std::uint32_t DELETE_ACCESS = 0x00010000;

class RecycleBinTest : public test::MachineTest
{
protected:
    RecycleBin& Bin() { return machine().RecycleBin(); }

    // Adds drive sections to machine.ini and makes the reopened machine current.
    Machine& ReopenWithDrives(const std::string& sections)
    {
        const std::string ini = machine().Root() + "/machine.ini";
        test::WriteHostFile(ini, test::ReadHostFile(ini) + sections);
        std::string error;
        m_reopened = Machine::Open(machine().Root(), &error);
        EXPECT_TRUE(m_reopened) << error;
        Machine::SetCurrent(m_reopened);
        return *m_reopened;
    }

private:
    std::shared_ptr<Machine> m_reopened;
};

TEST_F(RecycleBinTest, RecyclingMovesTheFileIntoTheStateFolderWithItsRecord)
{
    WriteFile("C:\\docs\\letter.doc", "dear ann");
    const FileTime deleted = machine().Clock().NowUtc();
    ASSERT_TRUE(Bin().Recycle("C:\\docs\\letter.doc"));
    EXPECT_FALSE(Exists("C:\\docs\\letter.doc"));

    const std::vector<RecycledItem> items = Bin().Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, "DC1.doc");
    EXPECT_EQ(items[0].originalPath, "C:\\docs\\letter.doc");
    EXPECT_EQ(items[0].deletionTime, deleted) << "the machine's fixed clock";
    EXPECT_EQ(items[0].size, 8u);
    EXPECT_EQ(test::ReadHostFile(machine().StateFolder() + "/recycle/C/DC1.doc"), "dear ann");
    EXPECT_EQ(machine().Files().GetFileAttributes(machine().ProgramFolder()) & FILE_ATTRIBUTE_DIRECTORY,
              FILE_ATTRIBUTE_DIRECTORY);
    // Nothing of the bin lies on a drive, where scanners would find it.
    auto find = machine().Files().FindFirstFile("C:\\*");
    ASSERT_TRUE(find);
    do {
        EXPECT_EQ(find->Data().name.find("RECYCLE"), std::string::npos) << find->Data().name;
    } while (find->Next());
}

TEST_F(RecycleBinTest, RecycledFilesGiveBackTheirDriveSpace)
{
    const auto before = machine().Files().GetDiskFreeSpaceEx("C:\\")->totalFreeBytes;
    WriteFile("C:\\docs\\big.bin", std::string(1 << 20, 'b'));
    ASSERT_LT(machine().Files().GetDiskFreeSpaceEx("C:\\")->totalFreeBytes, before);
    ASSERT_TRUE(Bin().Recycle("C:\\docs\\big.bin"));
    EXPECT_EQ(machine().Files().GetDiskFreeSpaceEx("C:\\")->totalFreeBytes, before);
}

TEST_F(RecycleBinTest, QueryCountsPerDriveAndForEveryDrive)
{
    WriteFile("C:\\a.txt", "12345");
    WriteFile("C:\\docs\\b.txt", "123");
    ASSERT_TRUE(Bin().Recycle("C:\\a.txt"));
    ASSERT_TRUE(Bin().Recycle("c:/DOCS/B.TXT"));
    const test::TempDir host;
    test::WriteHostFile(host / "z.txt", "1234567");
    const std::string onZ = machine().Files().FromUserPath(host / "z.txt");
    ASSERT_TRUE(Bin().Recycle(onZ));

    struct Case
    {
        const char* root;
        std::uint64_t size;
        std::uint64_t count;
    };
    const Case cases[] = {{"", 15, 3}, {"C:\\", 8, 2}, {"c:", 8, 2}, {"C:\\docs\\", 8, 2}, {"Z:\\", 7, 1}};
    for (const Case& c : cases) {
        const auto info = Bin().Query(c.root);
        ASSERT_TRUE(info) << "case: " << c.root;
        EXPECT_EQ(info->size, c.size) << "case: " << c.root;
        EXPECT_EQ(info->count, c.count) << "case: " << c.root;
    }
    EXPECT_FALSE(Bin().Query("Q:\\"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    const std::vector<std::string> ids{Bin().Items("C:")[0].id, Bin().Items("C:")[1].id, Bin().Items("Z:")[0].id};
    EXPECT_EQ(ids, (std::vector<std::string>{"DC1.txt", "DC2.txt", "DZ1.txt"}));
    EXPECT_EQ(Bin().Items("C:")[1].originalPath, "C:\\docs\\b.txt") << "the stored case, not the caller's";
}

TEST_F(RecycleBinTest, EmptyingOneDriveKeepsTheOthers)
{
    WriteFile("C:\\a.txt", "12345");
    const test::TempDir host;
    test::WriteHostFile(host / "z.txt", "1234567");
    ASSERT_TRUE(Bin().Recycle("C:\\a.txt"));
    ASSERT_TRUE(Bin().Recycle(machine().Files().FromUserPath(host / "z.txt")));

    EXPECT_TRUE(Bin().Empty("C:\\"));
    EXPECT_EQ(Bin().Query("C:\\")->count, 0u);
    EXPECT_EQ(Bin().Query("Z:\\")->count, 1u);
    EXPECT_FALSE(std::filesystem::exists(machine().StateFolder() + "/recycle/C/DC1.txt"));
    EXPECT_FALSE(Bin().Empty("Q:\\"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(Bin().Empty());
    EXPECT_EQ(Bin().Query()->count, 0u);
    EXPECT_TRUE(Bin().Empty()) << "an empty bin empties again";
}

TEST_F(RecycleBinTest, RecyclingFollowsTheRulesOfDeleteFile)
{
    WriteFile("C:\\docs\\ro.txt", "read-only");
    ASSERT_TRUE(machine().Files().SetFileAttributes("C:\\docs\\ro.txt", FILE_ATTRIBUTE_READONLY));
    WriteFile("C:\\docs\\shared.txt", "open, delete shared");
    WriteFile("C:\\docs\\open.txt", "open, delete not shared");
    auto sharing = machine().Files().CreateFile(
        "C:\\docs\\shared.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, Disposition::OpenExisting);
    auto holding = machine().Files().CreateFile(
        "C:\\docs\\open.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, Disposition::OpenExisting);
    ASSERT_TRUE(sharing && holding);

    struct Case
    {
        const char* path;
        bool recycled;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"C:\\docs\\ro.txt", false, ERROR_ACCESS_DENIED},
        {"C:\\docs\\open.txt", false, ERROR_SHARING_VIOLATION},
        {"C:\\docs", false, ERROR_ACCESS_DENIED},
        {"C:\\docs\\missing.txt", false, ERROR_FILE_NOT_FOUND},
        {"C:\\nowhere\\missing.txt", false, ERROR_PATH_NOT_FOUND},
        {"C:\\docs\\shared.txt", true, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(Bin().Recycle(c.path), c.recycled) << "case: " << c.path;
        EXPECT_EQ(GetLastError(), c.error) << "case: " << c.path;
    }
    EXPECT_EQ(ReadFile("C:\\docs\\ro.txt"), "read-only");
    EXPECT_EQ(ReadFile("C:\\docs\\open.txt"), "open, delete not shared");
    EXPECT_EQ(Bin().Query()->count, 1u) << "a refused file leaves nothing in the bin";
    EXPECT_EQ(Bin().Items()[0].originalPath, "C:\\docs\\shared.txt");
}

TEST_F(RecycleBinTest, AFileHeldByAnotherProcessCannotBeRecycled)
{
    WriteFile("C:\\docs\\held.txt", "held");
    const FileSystemConfig config{machine().Config().drives};
    int ready[2];
    int stop[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(stop), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        ::close(stop[1]);
        FileSystem files(config, nullptr);
        auto held = files.CreateFile("C:\\docs\\held.txt", GENERIC_READ, FILE_SHARE_NONE, Disposition::OpenExisting);
        const char status = held ? 'y' : 'n';
        (void)::write(ready[1], &status, 1);
        char byte = 0;
        (void)::read(stop[0], &byte, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(stop[0]);
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    EXPECT_EQ(status, 'y');
    EXPECT_FALSE(Bin().Recycle("C:\\docs\\held.txt"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Bin().Query()->count, 0u);
    ::close(stop[1]);
    ::close(ready[0]);
    ::waitpid(pid, nullptr, 0);
    EXPECT_TRUE(Bin().Recycle("C:\\docs\\held.txt")) << "free once the other process is gone";
}

TEST_F(RecycleBinTest, RestorePutsTheFileBackWithItsAttributesAndTimes)
{
    WriteFile("C:\\docs\\deep\\note.txt", "remember");
    machine().Files().SetFileAttributes("C:\\docs\\deep\\note.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    const FileTime written{127000000000000000ull};
    ASSERT_TRUE(machine().Files().SetFileTimes("C:\\docs\\deep\\note.txt", &written, nullptr, &written));
    ASSERT_TRUE(Bin().Recycle("C:\\docs\\deep\\note.txt"));
    ASSERT_TRUE(machine().Files().RemoveDirectory("C:\\docs\\deep"));

    ASSERT_TRUE(Bin().Restore("DC1.txt"));
    EXPECT_EQ(ReadFile("C:\\docs\\deep\\note.txt"), "remember");
    EXPECT_EQ(machine().Files().GetFileAttributes("C:\\docs\\deep\\note.txt"),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    const auto times = machine().Files().GetFileTimes("C:\\docs\\deep\\note.txt");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->lastWriteTime, written);
    EXPECT_EQ(times->creationTime, written);
    EXPECT_EQ(Bin().Query()->count, 0u);
    EXPECT_FALSE(Bin().Restore("DC1.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RecycleBinTest, RestoreNeverReplacesAFileThatNowStandsThere)
{
    WriteFile("C:\\docs\\a.txt", "old");
    ASSERT_TRUE(Bin().Recycle("C:\\docs\\a.txt"));
    WriteFile("C:\\docs\\a.txt", "new");
    EXPECT_FALSE(Bin().Restore("DC1.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadFile("C:\\docs\\a.txt"), "new");
    EXPECT_EQ(Bin().Query()->count, 1u) << "the item stays in the bin";
    for (const char* bad : {"", "DC", "D/1.txt", "DC99.txt", "../INFO"}) {
        EXPECT_FALSE(Bin().Restore(bad)) << "case: " << bad;
    }
}

TEST_F(RecycleBinTest, TheBinOutlivesTheMachineObjectAndIsSharedBetweenThem)
{
    WriteFile("C:\\a.txt", "a");
    ASSERT_TRUE(Bin().Recycle("C:\\a.txt"));
    std::string error;
    const auto other = Machine::Open(machine().Root(), &error);
    ASSERT_TRUE(other) << error;
    EXPECT_EQ(other->RecycleBin().Items(), Bin().Items());
    WriteFile("C:\\b.txt", "b");
    ASSERT_TRUE(other->RecycleBin().Recycle("C:\\b.txt"));
    EXPECT_EQ(Bin().Query()->count, 2u);
    EXPECT_EQ(Bin().Items()[1].id, "DC2.txt");
}

TEST_F(RecycleBinTest, DisplayNamesOfDrivesAndPaths)
{
    const std::string drives = "\n[drive.D]\ntype=cdrom\npath=cdrom\n"
                               "[drive.E]\ntype=removable\npath=stick\n"
                               "[drive.F]\ntype=remote\npath=share\n"
                               "[drive.G]\ntype=fixed\npath=data\nlabel=Archive\n"
                               "[drive.R]\ntype=ramdisk\npath=ram\n";
    for (const char* folder : {"stick", "share", "data", "ram"})
        std::filesystem::create_directory(machine().Root() + "/" + folder);
    Machine& reopened = ReopenWithDrives(drives);
    WriteFile("C:\\Docs\\Mixed Case.TXT", "x");
    struct Case
    {
        const char* path;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\", "Local Disk (C:)"},
        {"c:", "Local Disk (C:)"},
        {"D:\\", "CD Drive (D:)"},
        {"E:\\", "Removable Disk (E:)"},
        {"F:\\", "Network Drive (F:)"},
        {"G:\\", "Archive (G:)"},
        {"R:\\", "RAM Disk (R:)"},
        {"Q:\\", ""},
        {"C:\\docs\\mixed case.txt", "Mixed Case.TXT"},
        {"C:\\docs\\", "Docs"},
        {"C:\\docs\\missing.txt", "missing.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reopened.Shell().DisplayName(c.path), c.name) << "case: " << c.path;
}

} // namespace
} // namespace lumexa::platform
