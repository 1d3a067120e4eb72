#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/FileSystemTest.h"
#include "platform/LastError.h"
#include "support/TempDir.h"

namespace lumexa::test {
namespace {

using namespace platform;

class FileSystemSpaceTest : public FileSystemFixture
{
protected:
    std::uint64_t FreeOnC()
    {
        const auto space = Files().GetDiskFreeSpaceEx("C:\\");
        EXPECT_TRUE(space);
        return space ? space->totalFreeBytes : 0;
    }
};

TEST_F(FileSystemSpaceTest, LogicalDrivesComeInLetterOrder)
{
    EXPECT_EQ(Files().GetLogicalDriveStrings(), (std::vector<std::string>{"C:\\", "D:\\", "E:\\", "Z:\\"}));
}

TEST_F(FileSystemSpaceTest, DriveTypes)
{
    struct Case
    {
        const char* root;
        DriveType type;
    };
    const Case cases[] = {
        {"C:\\", DriveType::Fixed},
        {"c:", DriveType::Fixed},
        {"C:/", DriveType::Fixed},
        {"D:\\", DriveType::CdRom},
        {"Z:\\", DriveType::Fixed},
        {"Q:\\", DriveType::NoRootDir},
        {"C:\\work\\", DriveType::NoRootDir},
        {"", DriveType::Fixed}, // the current drive
    };
    for (const Case& c : cases)
        EXPECT_EQ(Files().GetDriveType(c.root), c.type) << "case: " << c.root;
}

TEST_F(FileSystemSpaceTest, VolumeInformationComesFromTheConfiguration)
{
    const auto c = Files().GetVolumeInformation("C:\\");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->label, "SYSTEM");
    EXPECT_EQ(c->serialNumber, 0x1234ABCDu);
    EXPECT_EQ(c->fileSystemName, "NTFS");
    const auto d = Files().GetVolumeInformation("d:");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->label, "DISC");
    EXPECT_EQ(d->fileSystemName, "CDFS");
    EXPECT_FALSE(Files().GetVolumeInformation("Q:\\"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileSystemSpaceTest, DriveWithoutItsFolderIsNotReady)
{
    std::filesystem::remove_all(Root() + "/cdrom");
    EXPECT_FALSE(Files().GetVolumeInformation("D:\\"));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(Files().GetDiskFreeSpaceEx("D:\\"));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST_F(FileSystemSpaceTest, EmptyVirtualDriveIsAllFree)
{
    const auto space = Files().GetDiskFreeSpaceEx("C:\\");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->totalBytes, kCapacity);
    EXPECT_EQ(space->totalFreeBytes, kCapacity);
    EXPECT_EQ(space->freeBytesAvailableToCaller, kCapacity);
    const auto geometry = Files().GetDiskFreeSpace("C:\\");
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->sectorsPerCluster, 8u);
    EXPECT_EQ(geometry->bytesPerSector, 512u);
    EXPECT_EQ(geometry->totalNumberOfClusters, kCapacity / kCluster);
    EXPECT_EQ(geometry->numberOfFreeClusters, kCapacity / kCluster);
}

TEST_F(FileSystemSpaceTest, UsedSpaceCountsWholeClusters)
{
    struct Case
    {
        std::size_t size;
        std::uint64_t used;
    };
    const Case cases[] = {{0, 0}, {1, kCluster}, {kCluster, kCluster}, {kCluster + 1, 2 * kCluster}};
    for (const Case& c : cases) {
        WriteFile("C:\\work\\sized.bin", std::string(c.size, 'x'));
        EXPECT_EQ(FreeOnC(), kCapacity - c.used) << "case: " << c.size;
    }
}

TEST_F(FileSystemSpaceTest, FilesAlreadyOnTheDriveAreCounted)
{
    WriteHostFile(Host("work/before.bin"), std::string(10000, 'x'));
    std::filesystem::create_directories(Host("deep/er"));
    WriteHostFile(Host("deep/er/more.bin"), std::string(100, 'x'));
    Reopen(Config());
    EXPECT_EQ(FreeOnC(), kCapacity - 3 * kCluster - kCluster);
}

TEST_F(FileSystemSpaceTest, LinksOutOfTheDriveAreNotCounted)
{
    WriteHostFile(Root() + "/outside/big.bin", std::string(100000, 'x'));
    ASSERT_EQ(::symlink((Root() + "/outside").c_str(), Host("link").c_str()), 0);
    Reopen(Config());
    EXPECT_EQ(FreeOnC(), kCapacity);
}

TEST_F(FileSystemSpaceTest, DeletionAndTruncationGiveSpaceBack)
{
    WriteFile("C:\\work\\a.bin", std::string(3 * kCluster, 'x'));
    WriteFile("C:\\work\\b.bin", std::string(2 * kCluster, 'x'));
    EXPECT_EQ(FreeOnC(), kCapacity - 5 * kCluster);
    ASSERT_TRUE(Files().DeleteFile("C:\\work\\a.bin"));
    EXPECT_EQ(FreeOnC(), kCapacity - 2 * kCluster);
    ASSERT_TRUE(Open("C:\\work\\b.bin", GENERIC_WRITE, 0, Disposition::TruncateExisting));
    EXPECT_EQ(FreeOnC(), kCapacity);
}

TEST_F(FileSystemSpaceTest, WriteBeyondCapacityWritesWhatFitsThenFailsWithDiskFull)
{
    WriteFile("C:\\work\\first.bin", std::string(kCluster + 10, 'a')); // two clusters
    auto file = Open("C:\\work\\fill.bin", GENERIC_WRITE, 0, Disposition::CreateNew);
    ASSERT_TRUE(file);
    const std::string chunk(kCapacity, 'f');
    std::size_t written = 0;
    EXPECT_FALSE(file->Write(chunk.data(), chunk.size(), written));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(written, kCapacity - 2 * kCluster);
    EXPECT_EQ(file->Size(), kCapacity - 2 * kCluster);
    EXPECT_EQ(FreeOnC(), 0u);
    // Nothing more fits; the host file is no bigger than what was accepted.
    EXPECT_FALSE(file->Write("x", 1, written));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(written, 0u);
    struct stat st = {};
    ASSERT_EQ(::stat(Host("work/fill.bin").c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), kCapacity - 2 * kCluster);
    // Extending the file by its end fails the same way.
    ASSERT_TRUE(file->Seek(kCapacity, SeekOrigin::Begin));
    EXPECT_FALSE(file->SetEndOfFile());
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    file.reset();
    ASSERT_TRUE(Files().DeleteFile("C:\\work\\fill.bin"));
    EXPECT_EQ(FreeOnC(), kCapacity - 2 * kCluster);
}

TEST_F(FileSystemSpaceTest, PartialClusterStillTakesRoomUntilItIsFull)
{
    auto file = Open("C:\\work\\odd.bin", GENERIC_WRITE, 0, Disposition::CreateNew);
    ASSERT_TRUE(file);
    std::size_t written = 0;
    ASSERT_TRUE(file->Write("abc", 3, written));
    EXPECT_EQ(FreeOnC(), kCapacity - kCluster);
    // Filling the rest of that cluster costs nothing more.
    const std::string rest(kCluster - 3, 'r');
    ASSERT_TRUE(file->Write(rest.data(), rest.size(), written));
    EXPECT_EQ(FreeOnC(), kCapacity - kCluster);
}

TEST_F(FileSystemSpaceTest, QuotaLimitsWhatTheCallerMayUse)
{
    FileSystemConfig config = Config();
    for (DriveConfig& drive : config.drives) {
        if (drive.letter == 'C')
            drive.userQuota = 10 * kCluster;
    }
    Reopen(config);
    const auto space = Files().GetDiskFreeSpaceEx("C:\\work\\anything");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->totalFreeBytes, kCapacity);
    EXPECT_EQ(space->freeBytesAvailableToCaller, 10 * kCluster);
    const auto geometry = Files().GetDiskFreeSpace("C:");
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->numberOfFreeClusters, 10u);
}

TEST_F(FileSystemSpaceTest, HostDrivesReportTheHostFigures)
{
    struct statvfs host = {};
    ASSERT_EQ(::statvfs((Root() + "/drive_e").c_str(), &host), 0);
    const auto space = Files().GetDiskFreeSpaceEx("E:\\");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->totalBytes, std::uint64_t{host.f_blocks} * host.f_frsize);
    EXPECT_LE(space->freeBytesAvailableToCaller, space->totalFreeBytes);
    EXPECT_LE(space->totalFreeBytes, space->totalBytes);
    EXPECT_GT(space->totalFreeBytes, 0u);
}

} // namespace
} // namespace lumexa::test
