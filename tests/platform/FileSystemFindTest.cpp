#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/FileSystemTest.h"
#include "platform/LastError.h"
#include "support/TempDir.h"

namespace lumexa::test {
namespace {

using namespace platform;

class FileSystemFindTest : public FileSystemFixture
{
protected:
    // Every entry of a search, in order.
    std::vector<FindData> FindAll(std::string_view pattern)
    {
        std::vector<FindData> found;
        auto search = Files().FindFirstFile(pattern);
        if (!search)
            return found;
        do {
            found.push_back(search->Data());
        } while (search->Next());
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        return found;
    }

    std::vector<std::string> Names(std::string_view pattern)
    {
        std::vector<std::string> names;
        for (const FindData& data : FindAll(pattern))
            names.push_back(data.name);
        return names;
    }

    const FindData* Entry(const std::vector<FindData>& found, const std::string& name)
    {
        for (const FindData& data : found) {
            if (data.name == name)
                return &data;
        }
        return nullptr;
    }
};

TEST_F(FileSystemFindTest, MaskRules)
{
    struct Case
    {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"readme", "*.*", true},
        {"readme.txt", "*.*", true},
        {"readme", "*", true},
        {"readme", "*.", true},
        {"readme.txt", "*.", false},
        {"History Index", "History Index*.*", true},
        {"History Index.dat", "History Index*.*", true},
        {"history index2", "History Index*.*", true},
        {"History", "History Index*.*", false},
        {"opera6.ini", "opera*.ini", true},
        {"OPERA.INI", "opera*.ini", true},
        {"opera6.ini.bak", "opera*.ini", false},
        {"myopera.ini", "opera*.ini", false},
        {"a", "?", true},
        {"ab", "?", false},
        {"ab", "a?", true},
        {"a", "a?", false},
        {"file.txt", "*.txt", true},
        {"FILE.TXT", "*.txt", true},
        {"file.txt2", "*.txt", false},
        {"a.b.c", "*.c", true},
        {"abc", "abc.*", true},
        {"abc.def", "abc.*", true},
        {"abcd", "abc.*", false},
        {"index.dat", "INDEX.DAT", true},
        {"index.dat", "index.da", false},
        {"Ärger.txt", "ä*.TXT", true},
        {"日本.txt", "??.txt", true},
        {"日本語.txt", "??.txt", false},
        {".", "*", true},
        {"..", "*.*", true},
        {".", "*.", true},
        {".", "*.txt", false},
        {"x", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileSystem::MatchesFindMask(c.name, c.mask), c.matches) << "case: " << c.name << " ~ " << c.mask;
}

TEST_F(FileSystemFindTest, EntriesComeDotsFirstThenByUpperCasedName)
{
    for (const char* name : {"b.txt", "A.txt", "c", "_x", "Dir/"}) {
        const std::string path = std::string("work/") + name;
        if (path.ends_with('/'))
            std::filesystem::create_directories(Host(path));
        else
            WriteHostFile(Host(path), "12345");
    }
    const std::vector<std::string> expected{".", "..", "A.txt", "b.txt", "c", "Dir", "_x"};
    EXPECT_EQ(Names("C:\\work\\*"), expected);
    EXPECT_EQ(Names("c:\\WORK\\*.*"), expected);
    EXPECT_EQ(Names("C:\\work\\*."), (std::vector<std::string>{".", "..", "c", "Dir", "_x"}));
    EXPECT_EQ(Names("C:\\work\\*.TXT"), (std::vector<std::string>{"A.txt", "b.txt"}));
    EXPECT_EQ(Names("C:\\work\\B.TXT"), (std::vector<std::string>{"b.txt"}));
}

TEST_F(FileSystemFindTest, DriveRootHasNoDotEntries)
{
    WriteHostFile(Host("root.txt"), "");
    EXPECT_EQ(Names("C:\\*"), (std::vector<std::string>{"root.txt", "work"}));
}

TEST_F(FileSystemFindTest, FindDataCarriesAttributesSizesAndTimes)
{
    WriteFile("C:\\work\\file.bin", std::string(5000, 'x'));
    ASSERT_TRUE(Files().SetFileAttributes("C:\\work\\file.bin", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    const FileTime creation{129000000000000000};
    const FileTime write{130000000000000000};
    ASSERT_TRUE(Files().SetFileTimes("C:\\work\\file.bin", &creation, nullptr, &write));
    ASSERT_TRUE(Files().CreateDirectory("C:\\work\\sub"));
    WriteFile("C:\\work\\sub\\inner.txt", "inner");

    const auto found = FindAll("C:\\work\\*");
    const FindData* file = Entry(found, "file.bin");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->attributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(file->size, 5000u);
    EXPECT_EQ(file->creationTime, creation);
    EXPECT_EQ(file->lastWriteTime, write);
    EXPECT_EQ(file->lastAccessTime, Files().GetFileTimes("C:\\work\\file.bin")->lastAccessTime);
    const FindData* folder = Entry(found, "sub");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->attributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(folder->size, 0u);
    const FindData* dot = Entry(found, ".");
    ASSERT_TRUE(dot);
    EXPECT_EQ(dot->attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileSystemFindTest, ANameWithoutWildcardsFindsThatEntryInAnyCase)
{
    WriteFile("C:\\work\\Report.TXT", "12345");
    WriteFile("C:\\work\\noext", "ab");
    WriteFile("C:\\work\\other.txt", "");
    struct Case
    {
        const char* pattern;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"C:\\work\\Report.TXT", {"Report.TXT"}}, // as stored
        {"C:\\work\\report.txt", {"Report.TXT"}}, // another case: the stored name
        {"C:\\work\\noext.", {"noext"}},          // a trailing dot asks for no extension
        {"C:\\work\\missing.txt", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Names(c.pattern), c.names) << "case: " << c.pattern;
    const auto found = FindAll("C:\\work\\Report.TXT");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size, 5u);
}

TEST_F(FileSystemFindTest, LargeSizesAreSixtyFourBits)
{
    // A sparse file on the E: drive (the host's figures): nothing is written to disk.
    WriteHostFile(Root() + "/drive_e/huge.bin", "");
    ASSERT_EQ(::truncate((Root() + "/drive_e/huge.bin").c_str(), 5'000'000'000LL), 0);
    const auto found = FindAll("E:\\huge.bin");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size, 5'000'000'000ull);
}

TEST_F(FileSystemFindTest, FailuresTellMissingFolderFromNoMatch)
{
    EXPECT_FALSE(Files().FindFirstFile("C:\\missing\\*"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(Files().FindFirstFile("C:\\work\\*.none"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(Files().FindFirstFile("Q:\\*"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    WriteFile("C:\\work\\only.txt", "");
    auto search = Files().FindFirstFile("C:\\work\\only.txt");
    ASSERT_TRUE(search);
    EXPECT_EQ(search->Data().name, "only.txt");
    EXPECT_FALSE(search->Next());
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
}

TEST_F(FileSystemFindTest, LinksAndMountPointsAreReparsePoints)
{
    WriteHostFile(Root() + "/outside/target.txt", "t");
    ASSERT_EQ(::symlink((Root() + "/outside").c_str(), Host("work/dirlink").c_str()), 0);
    ASSERT_EQ(::symlink((Root() + "/outside/target.txt").c_str(), Host("work/filelink").c_str()), 0);
    const auto found = FindAll("C:\\work\\*");
    const FindData* dirLink = Entry(found, "dirlink");
    ASSERT_TRUE(dirLink);
    EXPECT_EQ(dirLink->attributes, FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
    const FindData* fileLink = Entry(found, "filelink");
    ASSERT_TRUE(fileLink);
    EXPECT_EQ(fileLink->attributes, FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(Files().GetFileAttributes("C:\\work\\dirlink"), FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);

    // /proc is a file system of its own on every Linux host: a mount point below Z:.
    const auto root = FindAll("Z:\\*");
    const FindData* proc = Entry(root, "proc");
    ASSERT_TRUE(proc);
    EXPECT_EQ(proc->attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
              FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileSystemFindTest, HostNamesWindowsCannotHoldAreSkipped)
{
    for (const char* name :
         {"good.txt", "bad?name", "what*", "trail.", "trail ", "con", "aux.c", "pipe|x", "\xff\xfe.txt"})
        WriteHostFile(Host(std::string("work/") + name), "");
    EXPECT_EQ(Names("C:\\work\\*"), (std::vector<std::string>{".", "..", "good.txt"}));
}

TEST_F(FileSystemFindTest, EntriesRemovedDuringASearchAreSkipped)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        WriteFile(std::string("C:\\work\\") + name, "");
    auto search = Files().FindFirstFile("C:\\work\\*.txt");
    ASSERT_TRUE(search);
    EXPECT_EQ(search->Data().name, "a.txt");
    ASSERT_TRUE(Files().DeleteFile("C:\\work\\b.txt"));
    ASSERT_TRUE(search->Next());
    EXPECT_EQ(search->Data().name, "c.txt");
    EXPECT_FALSE(search->Next());
}

} // namespace
} // namespace lumexa::test
