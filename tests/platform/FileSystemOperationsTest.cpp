#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/FileSystemTest.h"
#include "platform/LastError.h"
#include "support/TempDir.h"

namespace lumexa::test {
namespace {

using namespace platform;

class FileSystemOperationsTest : public FileSystemFixture
{
protected:
    // Names in a host folder, sorted.
    std::set<std::string> HostNames(const std::string& host)
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(host))
            names.insert(entry.path().filename().string());
        return names;
    }
};

// ---- DeleteFile

TEST_F(FileSystemOperationsTest, DeleteFileRemovesAFile)
{
    WriteFile("C:\\work\\gone.txt", "x");
    ASSERT_TRUE(Files().DeleteFile("c:\\WORK\\GONE.TXT"));
    EXPECT_FALSE(HostExists(Host("work/gone.txt")));
}

TEST_F(FileSystemOperationsTest, DeleteFileRefusals)
{
    ASSERT_TRUE(Files().CreateDirectory("C:\\work\\folder"));
    WriteFile("C:\\work\\ro.txt", "x");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\work\\ro.txt", FILE_ATTRIBUTE_READONLY));
    struct Case
    {
        const char* path;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"C:\\work\\folder", ERROR_ACCESS_DENIED},
        {"C:\\work\\ro.txt", ERROR_ACCESS_DENIED},
        {"C:\\work\\missing.txt", ERROR_FILE_NOT_FOUND},
        {"C:\\work\\missing\\x.txt", ERROR_PATH_NOT_FOUND},
        {"C:\\", ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Files().DeleteFile(c.path)) << "case: " << c.path;
        EXPECT_EQ(GetLastError(), c.error) << "case: " << c.path;
    }
    EXPECT_TRUE(HostExists(Host("work/folder")));
    EXPECT_TRUE(HostExists(Host("work/ro.txt")));
}

TEST_F(FileSystemOperationsTest, DeleteFileOfALinkRemovesOnlyTheLink)
{
    WriteHostFile(Root() + "/outside/target.txt", "keep");
    ASSERT_EQ(::symlink((Root() + "/outside/target.txt").c_str(), Host("work/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink((Root() + "/outside").c_str(), Host("work/dirlink").c_str()), 0);
    ASSERT_TRUE(Files().DeleteFile("C:\\work\\link.txt"));
    EXPECT_FALSE(HostExists(Host("work/link.txt")));
    EXPECT_EQ(ReadHostFile(Root() + "/outside/target.txt"), "keep");
    // A link to a folder is a folder to DeleteFile.
    EXPECT_FALSE(Files().DeleteFile("C:\\work\\dirlink"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

// ---- MoveFile

TEST_F(FileSystemOperationsTest, MoveFileRenamesWithinADrive)
{
    WriteFile("C:\\work\\a.txt", "a");
    ASSERT_TRUE(Files().CreateDirectory("C:\\Target"));
    ASSERT_TRUE(Files().MoveFile("C:\\work\\A.TXT", "C:\\target\\Moved.txt"));
    EXPECT_FALSE(HostExists(Host("work/a.txt")));
    EXPECT_EQ(ReadHostFile(Host("Target/Moved.txt")), "a");
}

TEST_F(FileSystemOperationsTest, MoveFileNeverReplaces)
{
    WriteFile("C:\\work\\source.txt", "source");
    WriteFile("C:\\work\\target.txt", "target");
    EXPECT_FALSE(Files().MoveFile("C:\\work\\source.txt", "C:\\work\\target.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    // A target that differs only in case is the same name on Windows.
    EXPECT_FALSE(Files().MoveFile("C:\\work\\source.txt", "C:\\work\\TARGET.TXT"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadHostFile(Host("work/source.txt")), "source");
    EXPECT_EQ(ReadHostFile(Host("work/target.txt")), "target");
    EXPECT_FALSE(HostExists(Host("work/TARGET.TXT")));
}

TEST_F(FileSystemOperationsTest, CaseOnlyRenameOfTheSameObjectIsAllowed)
{
    WriteFile("C:\\work\\name.txt", "x");
    ASSERT_TRUE(Files().MoveFile("C:\\work\\name.txt", "C:\\work\\NAME.TXT"));
    EXPECT_EQ(HostNames(Host("work")), std::set<std::string>{"NAME.TXT"});
    ASSERT_TRUE(Files().CreateDirectory("C:\\folder"));
    ASSERT_TRUE(Files().MoveFile("C:\\folder", "C:\\Folder"));
    EXPECT_TRUE(HostExists(Host("Folder")));
    EXPECT_FALSE(HostExists(Host("folder")));
    // The very same spelling is no change and no error.
    EXPECT_TRUE(Files().MoveFile("C:\\Folder", "C:\\Folder"));
}

TEST_F(FileSystemOperationsTest, MoveFileFailures)
{
    WriteFile("C:\\work\\f.txt", "x");
    struct Case
    {
        const char* from;
        const char* to;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"C:\\work\\missing.txt", "C:\\work\\x.txt", ERROR_FILE_NOT_FOUND},
        {"C:\\missing\\f.txt", "C:\\work\\x.txt", ERROR_PATH_NOT_FOUND},
        {"C:\\work\\f.txt", "C:\\missing\\x.txt", ERROR_PATH_NOT_FOUND},
        {"C:\\work\\f.txt", "C:\\work\\bad?.txt", ERROR_INVALID_NAME},
        {"C:\\work", "D:\\work", ERROR_NOT_SAME_DEVICE},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Files().MoveFile(c.from, c.to)) << "case: " << c.from << " -> " << c.to;
        EXPECT_EQ(GetLastError(), c.error) << "case: " << c.from << " -> " << c.to;
    }
    EXPECT_TRUE(HostExists(Host("work/f.txt")));
}

TEST_F(FileSystemOperationsTest, MoveFolderWithinADrive)
{
    ASSERT_TRUE(Files().ForceDirectories("C:\\tree\\inner"));
    WriteFile("C:\\tree\\inner\\leaf.txt", "leaf");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\tree\\inner\\leaf.txt", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(Files().MoveFile("C:\\tree", "C:\\work\\tree2"));
    EXPECT_EQ(ReadHostFile(Host("work/tree2/inner/leaf.txt")), "leaf");
    EXPECT_EQ(Files().GetFileAttributes("C:\\work\\tree2\\inner\\leaf.txt"), FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileSystemOperationsTest, MoveFileAcrossDrivesCopiesThenDeletes)
{
    WriteFile("C:\\work\\travel.txt", "payload");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\work\\travel.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    const FileTime creation{125000000000000000};
    const FileTime write{126000000000000000};
    ASSERT_TRUE(Files().SetFileTimes("C:\\work\\travel.txt", &creation, nullptr, &write));
    ASSERT_TRUE(Files().MoveFile("C:\\work\\travel.txt", "E:\\arrived.txt"));
    EXPECT_FALSE(HostExists(Host("work/travel.txt")));
    EXPECT_EQ(ReadHostFile(Root() + "/drive_e/arrived.txt"), "payload");
    EXPECT_EQ(Files().GetFileAttributes("E:\\arrived.txt"),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const auto times = Files().GetFileTimes("E:\\arrived.txt");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->creationTime, creation);
    EXPECT_EQ(times->lastWriteTime, write);
}

// ---- CopyFile

TEST_F(FileSystemOperationsTest, CopyFileHonoursFailIfExists)
{
    WriteFile("C:\\work\\src.txt", "new contents");
    WriteFile("C:\\work\\dst.txt", "old");
    EXPECT_FALSE(Files().CopyFile("C:\\work\\src.txt", "C:\\work\\DST.txt", true));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadHostFile(Host("work/dst.txt")), "old");
    ASSERT_TRUE(Files().CopyFile("C:\\work\\src.txt", "C:\\work\\DST.txt", false));
    EXPECT_EQ(ReadHostFile(Host("work/dst.txt")), "new contents");
    EXPECT_EQ(ReadHostFile(Host("work/src.txt")), "new contents");
}

TEST_F(FileSystemOperationsTest, CopyFileKeepsAttributesAndLastWriteTime)
{
    WriteFile("C:\\work\\src.txt", "x");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\work\\src.txt", FILE_ATTRIBUTE_SYSTEM));
    const FileTime write{127000000000000000};
    ASSERT_TRUE(Files().SetFileTimes("C:\\work\\src.txt", nullptr, nullptr, &write));
    ASSERT_TRUE(Files().CopyFile("C:\\work\\src.txt", "E:\\copy.txt", true));
    EXPECT_EQ(Files().GetFileAttributes("E:\\copy.txt"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    const auto times = Files().GetFileTimes("E:\\copy.txt");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->lastWriteTime, write);
}

TEST_F(FileSystemOperationsTest, CopyFileFailures)
{
    EXPECT_FALSE(Files().CopyFile("C:\\work\\missing.txt", "C:\\work\\x.txt", false));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(Files().CopyFile("C:\\work", "C:\\x", false));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(HostExists(Host("x")));
}

// ---- folders

TEST_F(FileSystemOperationsTest, CreateDirectoryRules)
{
    ASSERT_TRUE(Files().CreateDirectory("C:\\work\\New"));
    EXPECT_TRUE(Files().DirectoryExists("C:\\WORK\\new"));
    EXPECT_FALSE(Files().CreateDirectory("C:\\work\\NEW"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(Files().CreateDirectory("C:\\work\\missing\\child"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    WriteFile("C:\\work\\file", "");
    EXPECT_FALSE(Files().CreateDirectory("C:\\work\\file"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(Files().CreateDirectory("C:\\"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST_F(FileSystemOperationsTest, ForceDirectoriesCreatesEveryLevel)
{
    ASSERT_TRUE(Files().ForceDirectories("C:\\Documents and Settings\\user\\Local Settings\\Temp"));
    EXPECT_TRUE(HostExists(Host("Documents and Settings/user/Local Settings/Temp")));
    // Existing levels are found in any case, new ones take the caller's case.
    ASSERT_TRUE(Files().ForceDirectories("c:\\documents and settings\\USER\\Cookies"));
    EXPECT_TRUE(HostExists(Host("Documents and Settings/user/Cookies")));
    EXPECT_TRUE(Files().ForceDirectories("C:\\Documents and Settings"));
    WriteFile("C:\\work\\blocker", "");
    EXPECT_FALSE(Files().ForceDirectories("C:\\work\\blocker\\below"));
    EXPECT_FALSE(Files().ForceDirectories("Q:\\x"));
}

TEST_F(FileSystemOperationsTest, RemoveDirectoryOnlyWhenEmpty)
{
    ASSERT_TRUE(Files().ForceDirectories("C:\\work\\full\\child"));
    EXPECT_FALSE(Files().RemoveDirectory("C:\\work\\full"));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_TRUE(HostExists(Host("work/full/child")));
    ASSERT_TRUE(Files().RemoveDirectory("C:\\WORK\\FULL\\CHILD"));
    ASSERT_TRUE(Files().RemoveDirectory("C:\\work\\full"));
    EXPECT_FALSE(HostExists(Host("work/full")));

    WriteFile("C:\\work\\file.txt", "");
    EXPECT_FALSE(Files().RemoveDirectory("C:\\work\\file.txt"));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_FALSE(Files().RemoveDirectory("C:\\work\\missing"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(Files().RemoveDirectory("C:\\"));
}

TEST_F(FileSystemOperationsTest, RemoveDirectoryNeverFollowsALink)
{
    WriteHostFile(Root() + "/outside/keep.txt", "keep");
    ASSERT_EQ(::symlink((Root() + "/outside").c_str(), Host("work/link").c_str()), 0);
    ASSERT_TRUE(Files().RemoveDirectory("C:\\work\\link"));
    EXPECT_FALSE(HostExists(Host("work/link")));
    EXPECT_EQ(ReadHostFile(Root() + "/outside/keep.txt"), "keep");
}

TEST_F(FileSystemOperationsTest, ExistenceQueries)
{
    WriteFile("C:\\work\\f.txt", "12345");
    EXPECT_TRUE(Files().FileExists("C:\\work\\F.TXT"));
    EXPECT_FALSE(Files().FileExists("C:\\work"));
    EXPECT_TRUE(Files().DirectoryExists("C:\\work"));
    EXPECT_FALSE(Files().DirectoryExists("C:\\work\\f.txt"));
    EXPECT_FALSE(Files().FileExists("C:\\work\\g.txt"));
    EXPECT_EQ(Files().GetFileSize("C:\\work\\f.txt"), 5u);
    EXPECT_EQ(Files().GetFileSize("C:\\work\\g.txt"), std::nullopt);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// ---- temporary names

TEST_F(FileSystemOperationsTest, TempFileNameWithANumberOnlyFormsTheName)
{
    const auto name = Files().GetTempFileName("C:\\work", "abcdef", 0x1F);
    EXPECT_EQ(name, "C:\\work\\abc1F.tmp");
    EXPECT_FALSE(HostExists(Host("work/abc1F.tmp")));
    EXPECT_EQ(Files().GetTempFileName("C:\\work\\", "a", 0xBEEF), "C:\\work\\aBEEF.tmp");
    // Only the low 16 bits count, as on Windows.
    EXPECT_EQ(Files().GetTempFileName("C:\\work", "arc", 0x1ABCD), "C:\\work\\arcABCD.tmp");
}

TEST_F(FileSystemOperationsTest, TempFileNameWithoutANumberCreatesAFreeFile)
{
    const std::regex form(R"(C:\\work\\lmx[0-9A-F]{1,4}\.tmp)");
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        const auto name = Files().GetTempFileName("C:\\work", "lmx", 0);
        ASSERT_TRUE(name);
        EXPECT_TRUE(std::regex_match(*name, form)) << *name;
        EXPECT_TRUE(Files().FileExists(*name)) << *name;
        EXPECT_EQ(Files().GetFileSize(*name), 0u);
        names.insert(*name);
    }
    EXPECT_EQ(names.size(), 20u);
    // The file is closed: it can be opened exclusively.
    EXPECT_TRUE(Open(*names.begin(), GENERIC_READ | GENERIC_WRITE, 0));
}

TEST_F(FileSystemOperationsTest, TempFileNameNeedsAFolder)
{
    EXPECT_FALSE(Files().GetTempFileName("C:\\missing", "tmp", 0));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
}

// ---- whole files

TEST_F(FileSystemOperationsTest, WholeFileRoundTrip)
{
    const std::string data("line 1\r\nline 2\r\n\0binary", 23);
    ASSERT_TRUE(Files().WriteWholeFileAtomic("C:\\work\\whole.dat", data));
    EXPECT_EQ(Files().ReadWholeFile("C:\\WORK\\WHOLE.DAT"), data);
    ASSERT_TRUE(Files().WriteWholeFileAtomic("C:\\work\\WHOLE.dat", "replaced"));
    EXPECT_EQ(ReadHostFile(Host("work/whole.dat")), "replaced"); // the stored name stays
    EXPECT_EQ(HostNames(Host("work")), std::set<std::string>{"whole.dat"});
    EXPECT_FALSE(Files().ReadWholeFile("C:\\work\\missing.dat"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileSystemOperationsTest, AtomicWriteKeepsAttributesAndCreationTime)
{
    WriteFile("C:\\work\\settings.ini", "old");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\work\\settings.ini", FILE_ATTRIBUTE_HIDDEN));
    const FileTime creation{128000000000000000};
    ASSERT_TRUE(Files().SetFileTimes("C:\\work\\settings.ini", &creation, nullptr, nullptr));
    ASSERT_TRUE(Files().WriteWholeFileAtomic("C:\\work\\settings.ini", "new"));
    EXPECT_EQ(Files().GetFileAttributes("C:\\work\\settings.ini"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(Files().GetFileTimes("C:\\work\\settings.ini")->creationTime, creation);
}

TEST_F(FileSystemOperationsTest, AtomicWriteThatCannotRenameLeavesTheOldFileAndNoTemporary)
{
    WriteFile("C:\\work\\busy.ini", "old contents");
    // Held without delete sharing: the file may not be replaced.
    auto holder = Open("C:\\work\\busy.ini", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(holder);
    EXPECT_FALSE(Files().WriteWholeFileAtomic("C:\\work\\busy.ini", "new contents"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadHostFile(Host("work/busy.ini")), "old contents");
    EXPECT_EQ(HostNames(Host("work")), std::set<std::string>{"busy.ini"});
    holder.reset();
    EXPECT_TRUE(Files().WriteWholeFileAtomic("C:\\work\\busy.ini", "new contents"));
    EXPECT_EQ(ReadHostFile(Host("work/busy.ini")), "new contents");
}

TEST_F(FileSystemOperationsTest, AtomicWriteOnAFullDiskLeavesTheOldFileAndNoTemporary)
{
    WriteFile("C:\\work\\big.dat", "old");
    const std::string tooBig(kCapacity, 'x');
    EXPECT_FALSE(Files().WriteWholeFileAtomic("C:\\work\\big.dat", tooBig));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(ReadHostFile(Host("work/big.dat")), "old");
    EXPECT_EQ(HostNames(Host("work")), std::set<std::string>{"big.dat"});
}

TEST_F(FileSystemOperationsTest, AppendToFileCreatesAppendsAndLetsGo)
{
    ASSERT_TRUE(Files().AppendToFile("C:\\work\\log.txt", "one\r\n"));
    ASSERT_TRUE(Files().AppendToFile("C:\\WORK\\LOG.TXT", "two\r\n"));
    EXPECT_EQ(ReadHostFile(Host("work/log.txt")), "one\r\ntwo\r\n");
    EXPECT_TRUE(Open("C:\\work\\log.txt", GENERIC_READ | GENERIC_WRITE, 0)); // not held
    EXPECT_FALSE(Files().AppendToFile("C:\\missing\\log.txt", "x"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

} // namespace
} // namespace lumexa::test
