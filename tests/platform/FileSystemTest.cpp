#include "platform/FileSystemTest.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "support/TempDir.h"

namespace lumexa::test {

using namespace platform;

// ---- fixture

FileSystemFixture::FileSystemFixture()
{
    for (const char* folder : {"drive_c/work", "cdrom", "drive_e"})
        std::filesystem::create_directories(m_tmp / folder);
    m_files = std::make_unique<FileSystem>(Config(), nullptr);
}

FileSystemConfig FileSystemFixture::Config() const
{
    FileSystemConfig config;
    // Listed out of letter order on purpose: the layer orders drives by letter.
    DriveConfig z;
    z.letter = 'Z';
    z.hostPath = "/";
    z.fileSystemName = "ext4";
    DriveConfig c;
    c.letter = 'C';
    c.hostPath = m_tmp / "drive_c";
    c.capacity = kCapacity;
    c.label = "SYSTEM";
    c.serialNumber = 0x1234ABCD;
    c.bytesPerSector = 512;
    c.sectorsPerCluster = 8;
    DriveConfig d;
    d.letter = 'D';
    d.type = DriveType::CdRom;
    d.hostPath = m_tmp / "cdrom";
    d.label = "DISC";
    d.fileSystemName = "CDFS";
    DriveConfig e;
    e.letter = 'E';
    e.hostPath = m_tmp / "drive_e";
    config.drives = {z, c, d, e};
    config.currentDirectory = "C:\\work";
    return config;
}

void FileSystemFixture::Reopen(const FileSystemConfig& config)
{
    m_files = std::make_unique<FileSystem>(config, nullptr);
}

bool FileSystemFixture::HostExists(const std::string& host)
{
    struct stat st = {};
    return ::lstat(host.c_str(), &st) == 0;
}

std::unique_ptr<FileHandle>
FileSystemFixture::Open(std::string_view path, std::uint32_t access, std::uint32_t share, Disposition disposition)
{
    return m_files->CreateFile(path, access, share, disposition);
}

std::string FileSystemFixture::ReadAll(FileHandle& file)
{
    std::string contents;
    std::array<char, 4096> buffer{};
    for (;;) {
        std::size_t got = 0;
        if (!file.Read(buffer.data(), buffer.size(), got) || got == 0)
            return contents;
        contents.append(buffer.data(), got);
    }
}

void FileSystemFixture::WriteFile(std::string_view path, std::string_view contents)
{
    auto file = Open(path, GENERIC_WRITE, FILE_SHARE_READ, Disposition::CreateAlways);
    ASSERT_TRUE(file) << path << ": error " << GetLastError();
    std::size_t written = 0;
    ASSERT_TRUE(file->Write(contents.data(), contents.size(), written)) << path;
    ASSERT_EQ(written, contents.size());
}

namespace {

class FileSystemPathTest : public FileSystemFixture
{
};

class FileSystemAttributeTest : public FileSystemFixture
{
};

class FileSystemHandleTest : public FileSystemFixture
{
};

// ---- paths

TEST_F(FileSystemPathTest, FullPathNormalisesLikeGetFullPathName)
{
    struct Case
    {
        const char* path;
        const char* full;
    };
    const Case cases[] = {
        {"C:\\a\\b", "C:\\a\\b"},
        {"c:/a//b", "C:\\a\\b"},
        {"C:\\a\\b\\", "C:\\a\\b\\"},
        {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
        {"C:\\..\\..\\x", "C:\\x"},
        {"x.txt", "C:\\work\\x.txt"},
        {".\\x.txt", "C:\\work\\x.txt"},
        {"..\\x.txt", "C:\\x.txt"},
        {"\\y\\z", "C:\\y\\z"},
        {"C:", "C:\\"},
        {"C:\\", "C:\\"},
        {"C:rel", "C:\\work\\rel"},
        {"E:rel", "E:\\rel"},
        {"\\\\?\\C:\\q", "C:\\q"},
        {"\\??\\C:\\q", "C:\\q"},
        {"C:\\Program Files\\Lumexa\\Lumexa.exe", "C:\\Program Files\\Lumexa\\Lumexa.exe"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Files().FullPath(c.path), c.full) << "case: " << c.path;
}

TEST_F(FileSystemPathTest, RelativePathsFollowTheCurrentDirectory)
{
    EXPECT_EQ(Files().CurrentDirectory(), "C:\\work");
    ASSERT_TRUE(Files().CreateDirectory("C:\\Other"));
    ASSERT_TRUE(Files().SetCurrentDirectory("c:\\other\\"));
    EXPECT_EQ(Files().CurrentDirectory(), "C:\\other"); // as given, without the separator
    WriteFile("note.txt", "n");
    EXPECT_EQ(ReadHostFile(Host("Other/note.txt")), "n");
}

TEST_F(FileSystemPathTest, SetCurrentDirectoryRefusesMissingFoldersAndFiles)
{
    WriteFile("C:\\file.txt", "");
    EXPECT_FALSE(Files().SetCurrentDirectory("C:\\missing"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(Files().SetCurrentDirectory("C:\\file.txt"));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_EQ(Files().CurrentDirectory(), "C:\\work");
}

TEST_F(FileSystemPathTest, ExistingComponentsResolveCaseInsensitively)
{
    WriteHostFile(Host("Docs/Sub Dir/Report.TXT"), "data");
    EXPECT_EQ(Files().HostPath("C:\\DOCS\\sub dir\\report.txt"), Host("Docs/Sub Dir/Report.TXT"));
    EXPECT_EQ(Files().HostPath("c:\\docs\\SUB DIR\\New Folder\\X.txt"), Host("Docs/Sub Dir/New Folder/X.txt"));
    auto file = Open("C:\\docs\\SUB DIR\\rEpOrT.txt", GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadAll(*file), "data");
}

TEST_F(FileSystemPathTest, NonAsciiNamesResolveCaseInsensitively)
{
    WriteHostFile(Host("Übersicht/Ελλάδα.txt"), "x");
    EXPECT_EQ(Files().HostPath("C:\\übersicht\\ΕΛΛΆΔΑ.TXT"), Host("Übersicht/Ελλάδα.txt"));
}

TEST_F(FileSystemPathTest, NewNamesKeepTheCaseTheCallerGave)
{
    WriteHostFile(Host("Docs/a.txt"), "");
    WriteFile("C:\\DOCS\\New File.TXT", "x");
    EXPECT_TRUE(HostExists(Host("Docs/New File.TXT")));
    ASSERT_TRUE(Files().CreateDirectory("C:\\docs\\MixedCase"));
    EXPECT_TRUE(HostExists(Host("Docs/MixedCase")));
    // The name as created is found again in any case.
    EXPECT_TRUE(Files().FileExists("c:\\docs\\new file.txt"));
}

// Sets a host folder's modification time far into the past, so that a listing of it is not
// too recent to be trusted.
void AgeFolder(const std::string& host)
{
    const timespec old[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, host.c_str(), old, 0), 0);
}

TEST_F(FileSystemPathTest, CaseVariantsCreatedBehindTheLayerAreFound)
{
    AgeFolder(Host("work"));
    EXPECT_FALSE(Files().FileExists("C:\\work\\late.txt"));
    WriteHostFile(Host("work/LATE.TXT"), "late");
    EXPECT_TRUE(Files().FileExists("C:\\work\\late.txt"));
    EXPECT_EQ(Files().HostPath("C:\\work\\late.txt"), Host("work/LATE.TXT"));
}

TEST_F(FileSystemPathTest, NamesRemovedBehindTheLayerAreNotFound)
{
    WriteHostFile(Host("work/Gone.txt"), "");
    AgeFolder(Host("work"));
    EXPECT_TRUE(Files().FileExists("C:\\work\\gone.txt"));
    // Removed, and the folder's time put back as it was: only the name itself tells.
    ASSERT_EQ(::unlink(Host("work/Gone.txt").c_str()), 0);
    AgeFolder(Host("work"));
    EXPECT_FALSE(Files().FileExists("C:\\work\\gone.txt"));
    WriteFile("C:\\work\\GONE.txt", "");
    EXPECT_TRUE(HostExists(Host("work/GONE.txt")));
}

TEST_F(FileSystemPathTest, ManyNewNamesInOneFolderStayFindableInAnyCase)
{
    for (int i = 0; i < 200; ++i)
        WriteFile("C:\\work\\File" + std::to_string(i) + ".txt", "");
    ASSERT_TRUE(Files().DeleteFile("c:\\work\\file7.TXT"));
    ASSERT_TRUE(Files().MoveFile("C:\\work\\FILE8.txt", "C:\\work\\Eight.txt"));
    for (int i = 0; i < 200; ++i) {
        const std::string upper = "C:\\WORK\\FILE" + std::to_string(i) + ".TXT";
        EXPECT_EQ(Files().FileExists(upper), i != 7 && i != 8) << "case: " << upper;
    }
    EXPECT_EQ(Files().HostPath("c:\\work\\EIGHT.TXT"), Host("work/Eight.txt"));
    EXPECT_EQ(Files().HostPath("c:\\work\\file150.txt"), Host("work/File150.txt"));
}

TEST_F(FileSystemPathTest, PathsOnUnconfiguredDrivesAreNotFound)
{
    EXPECT_FALSE(Files().HostPath("Q:\\x"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(Open("Q:\\x.txt", GENERIC_WRITE, 0, Disposition::CreateAlways));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Files().GetFileAttributes("q:\\x"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(Files().HostPath("\\\\server\\share\\x"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileSystemPathTest, WindowsPathPicksTheMostSpecificDrive)
{
    struct Case
    {
        std::string host;
        std::optional<std::string> windows;
    };
    const Case cases[] = {
        {Host("a/b.txt"), "C:\\a\\b.txt"},
        {Root() + "/drive_c", "C:\\"},
        {Root() + "/drive_c/", "C:\\"},
        {Root() + "/drive_c/x/../y", "C:\\y"},
        {Root() + "/drive_e/f", "E:\\f"},
        {"/usr/bin", "Z:\\usr\\bin"},
        {"/", "Z:\\"},
        {"relative/path", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Files().WindowsPath(c.host), c.windows) << "case: " << c.host;
    // A sibling whose name merely starts like the drive folder is not on the drive.
    const auto sibling = Files().WindowsPath(Root() + "/drive_c_old/f");
    ASSERT_TRUE(sibling);
    EXPECT_EQ(sibling->substr(0, 3), "Z:\\");
}

TEST_F(FileSystemPathTest, FromUserPathConvertsHostPathsOnly)
{
    EXPECT_EQ(Files().FromUserPath("/home/ann/a.txt"), "Z:\\home\\ann\\a.txt");
    EXPECT_EQ(Files().FromUserPath(Host("Docs/x.txt")), "C:\\Docs\\x.txt");
    EXPECT_EQ(Files().FromUserPath("C:\\Docs\\x.txt"), "C:\\Docs\\x.txt");
    EXPECT_EQ(Files().FromUserPath("relative.txt"), "relative.txt");
}

TEST_F(FileSystemPathTest, HostFilesAreReachableThroughZ)
{
    WriteHostFile(Host("through-z.txt"), "via z");
    const auto windows = Files().WindowsPath(Host("through-z.txt"));
    ASSERT_TRUE(windows);
    EXPECT_EQ(*windows, "C:\\through-z.txt"); // the most specific drive wins
    const std::string viaZ = "Z:" + std::string(Host("through-z.txt"));
    EXPECT_EQ(Files().ReadWholeFile(viaZ), "via z");
}

// ---- names

TEST_F(FileSystemPathTest, NamesWindowsCannotHoldAreRefusedWhenCreating)
{
    const char* invalid[] = {"a<b",        "a>b",       "a:b",       "a\"b", "a|b",      "a?b",     "a*b",
                             "tab\tname",  "trailing.", "trailing ", "CON",  "con.txt",  "Nul",     "prn.log",
                             "AUX.tar.gz", "COM1",      "com9.x",    "LPT1", "lpt9.log", "CON .txt"};
    for (const char* name : invalid) {
        const std::string path = std::string("C:\\work\\") + name;
        SetLastError(0);
        EXPECT_FALSE(Open(path, GENERIC_WRITE, 0, Disposition::CreateNew)) << "case: " << name;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << "case: " << name;
        EXPECT_FALSE(Files().CreateDirectory(path)) << "case: " << name;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << "case: " << name;
    }
    WriteFile("C:\\work\\source.txt", "s");
    EXPECT_FALSE(Files().MoveFile("C:\\work\\source.txt", "C:\\work\\nul.txt"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    EXPECT_FALSE(Files().WriteWholeFileAtomic("C:\\work\\aux", "x"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    // Nothing reached the host.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Host("work")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"source.txt"});
}

TEST_F(FileSystemPathTest, NamesCloseToReservedOnesAreAllowed)
{
    const char* valid[] = {"COM0", "LPT10", "CONSOLE", "con1.txt", "nul_", ".profile", "a.b.c", "name with blanks"};
    for (const char* name : valid) {
        const std::string path = std::string("C:\\work\\") + name;
        EXPECT_TRUE(Open(path, GENERIC_WRITE, 0, Disposition::CreateNew)) << "case: " << name;
        EXPECT_TRUE(HostExists(Host(std::string("work/") + name))) << "case: " << name;
    }
}

// ---- attributes

TEST_F(FileSystemAttributeTest, HostObjectsWithoutARecordReadAsArchiveOrDirectory)
{
    WriteHostFile(Host("plain.txt"), "x");
    WriteHostFile(Host(".dotfile"), "x"); // not hidden: dot-files are a Linux convention
    std::filesystem::create_directories(Host("folder"));
    EXPECT_EQ(Files().GetFileAttributes("C:\\plain.txt"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(Files().GetFileAttributes("C:\\.dotfile"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(Files().GetFileAttributes("C:\\folder"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(Files().GetFileAttributes("C:\\"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileSystemAttributeTest, MissingObjectsHaveNoAttributes)
{
    EXPECT_EQ(Files().GetFileAttributes("C:\\missing.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Files().GetFileAttributes("C:\\missing\\x.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(Files().SetFileAttributes("C:\\missing.txt", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileSystemAttributeTest, SetAttributesRoundTrip)
{
    struct Case
    {
        const char* name;
        std::uint32_t set;
        std::uint32_t read;
    };
    const Case cases[] = {
        {"read-only and hidden",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
        {"system and archive",
         FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE,
         FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
        {"normal alone clears all", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
        {"nothing reads as normal", 0, FILE_ATTRIBUTE_NORMAL},
        {"normal with hidden is hidden", FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
        {"directory bit is not stored on a file",
         FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN,
         FILE_ATTRIBUTE_HIDDEN},
        {"temporary", FILE_ATTRIBUTE_TEMPORARY, FILE_ATTRIBUTE_TEMPORARY},
    };
    WriteFile("C:\\file.txt", "x");
    for (const Case& c : cases) {
        ASSERT_TRUE(Files().SetFileAttributes("C:\\file.txt", c.set)) << "case: " << c.name;
        EXPECT_EQ(Files().GetFileAttributes("C:\\FILE.TXT"), c.read) << "case: " << c.name;
    }
    ASSERT_TRUE(Files().CreateDirectory("C:\\dir"));
    ASSERT_TRUE(Files().SetFileAttributes("C:\\dir", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(Files().GetFileAttributes("C:\\dir"),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(FileSystemAttributeTest, AttributesLiveInTheDosAttribExtendedAttribute)
{
    WriteFile("C:\\kept.txt", "x");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\kept.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    std::array<unsigned char, 64> value{};
    const ssize_t size = ::getxattr(Host("kept.txt").c_str(), "user.DOSATTRIB", value.data(), value.size());
    ASSERT_EQ(size, 13);
    EXPECT_EQ(value[0], 1); // version
    EXPECT_EQ(value[1], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    // Another file system over the same folders (another process) reads them back.
    Reopen(Config());
    EXPECT_EQ(Files().GetFileAttributes("C:\\kept.txt"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileSystemAttributeTest, SideStoreKeepsAttributesWhereExtendedAttributesAreUnavailable)
{
    FileSystemConfig config = Config();
    config.useExtendedAttributes = false;
    Reopen(config);
    WriteFile("C:\\side.txt", "x");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\side.txt", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Files().GetFileAttributes("C:\\side.txt"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_LT(::getxattr(Host("side.txt").c_str(), "user.DOSATTRIB", nullptr, 0), 0);
    EXPECT_TRUE(HostExists(Root() + "/drive_c.dosattrib.db"));

    // The record follows a rename and survives the process.
    ASSERT_TRUE(Files().MoveFile("C:\\side.txt", "C:\\moved.txt"));
    Reopen(config);
    EXPECT_EQ(Files().GetFileAttributes("C:\\moved.txt"), FILE_ATTRIBUTE_HIDDEN);
    // A file deleted and created again does not inherit it.
    ASSERT_TRUE(Files().DeleteFile("C:\\moved.txt"));
    WriteHostFile(Host("moved.txt"), "new");
    EXPECT_EQ(Files().GetFileAttributes("C:\\moved.txt"), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileSystemAttributeTest, NewFilesAreArchivePlusTheRequestedAttributes)
{
    struct Case
    {
        const char* name;
        std::uint32_t requested;
        std::uint32_t read;
    };
    const Case cases[] = {
        {"normal.txt", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE},
        {"hidden.txt", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
        {"system.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM},
        {"readonly.txt", FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
    };
    for (const Case& c : cases) {
        const std::string path = std::string("C:\\") + c.name;
        ASSERT_TRUE(Files().CreateFile(path, GENERIC_WRITE, 0, Disposition::CreateNew, c.requested))
            << "case: " << c.name;
        EXPECT_EQ(Files().GetFileAttributes(path), c.read) << "case: " << c.name;
    }
}

TEST_F(FileSystemAttributeTest, WritingSetsArchive)
{
    WriteFile("C:\\a.txt", "x");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\a.txt", FILE_ATTRIBUTE_HIDDEN));
    {
        auto file = Open("C:\\a.txt", GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(file);
        EXPECT_EQ(ReadAll(*file), "x");
    }
    EXPECT_EQ(Files().GetFileAttributes("C:\\a.txt"), FILE_ATTRIBUTE_HIDDEN); // reading changes nothing
    auto file = Open("C:\\a.txt", GENERIC_WRITE, 0);
    ASSERT_TRUE(file);
    std::size_t done = 0;
    ASSERT_TRUE(file->Write("y", 1, done));
    EXPECT_EQ(Files().GetFileAttributes("C:\\a.txt"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileSystemAttributeTest, ReadOnlyIsEnforcedEvenForRoot)
{
    WriteFile("C:\\ro.txt", "original");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
    struct Case
    {
        const char* name;
        std::uint32_t access;
        Disposition disposition;
    };
    const Case refused[] = {
        {"write", GENERIC_WRITE, Disposition::OpenExisting},
        {"read and write", GENERIC_READ | GENERIC_WRITE, Disposition::OpenAlways},
        {"create always", GENERIC_WRITE, Disposition::CreateAlways},
        {"truncate", GENERIC_WRITE, Disposition::TruncateExisting},
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(Open("C:\\ro.txt", c.access, FILE_SHARE_READ, c.disposition)) << "case: " << c.name;
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << "case: " << c.name;
    }
    EXPECT_TRUE(Open("C:\\ro.txt", GENERIC_READ, FILE_SHARE_READ));
    EXPECT_FALSE(Files().DeleteFile("C:\\ro.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Files().WriteWholeFileAtomic("C:\\ro.txt", "new"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Files().AppendToFile("C:\\ro.txt", "more"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadHostFile(Host("ro.txt")), "original");

    // Renaming is allowed, as on Windows, and the attribute goes along.
    ASSERT_TRUE(Files().MoveFile("C:\\ro.txt", "C:\\renamed.txt"));
    EXPECT_EQ(Files().GetFileAttributes("C:\\renamed.txt"), FILE_ATTRIBUTE_READONLY);
    // Clearing the attribute makes the file writable and deletable again.
    ASSERT_TRUE(Files().SetFileAttributes("C:\\renamed.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(Files().DeleteFile("C:\\renamed.txt"));
}

TEST_F(FileSystemAttributeTest, ReadOnlyFolderCannotBeRemoved)
{
    ASSERT_TRUE(Files().CreateDirectory("C:\\locked"));
    ASSERT_TRUE(Files().SetFileAttributes("C:\\locked", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(Files().RemoveDirectory("C:\\locked"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(HostExists(Host("locked")));
    // A read-only folder still takes new files, as on Windows.
    EXPECT_TRUE(Open("C:\\locked\\inside.txt", GENERIC_WRITE, 0, Disposition::CreateNew));
}

// ---- times

TEST_F(FileSystemAttributeTest, TimesRoundTripWithFullPrecision)
{
    WriteFile("C:\\t.txt", "x");
    // 2021-02-03 04:05:06.7891234 UTC and neighbours: every 100-ns digit must survive.
    const FileTime creation{132567843067891234};
    const FileTime access{132567843067891235};
    const FileTime write{132567843067891236};
    ASSERT_TRUE(Files().SetFileTimes("C:\\t.txt", &creation, &access, &write));
    const auto times = Files().GetFileTimes("c:\\T.TXT");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->creationTime, creation);
    EXPECT_EQ(times->lastAccessTime, access);
    EXPECT_EQ(times->lastWriteTime, write);
}

TEST_F(FileSystemAttributeTest, LastWriteTimeIsTheHostModificationTime)
{
    WriteFile("C:\\t.txt", "x");
    // 2000-01-01 00:00:00 UTC is 946684800 s after the Unix epoch.
    const FileTime y2k{125911584000000000};
    ASSERT_TRUE(Files().SetFileTimes("C:\\t.txt", nullptr, nullptr, &y2k));
    struct stat st = {};
    ASSERT_EQ(::stat(Host("t.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 946684800);
    EXPECT_EQ(st.st_mtim.tv_nsec, 0);
}

TEST_F(FileSystemAttributeTest, NullOrZeroTimesAreLeftAsTheyAre)
{
    WriteFile("C:\\t.txt", "x");
    const FileTime first{130000000000000000};
    ASSERT_TRUE(Files().SetFileTimes("C:\\t.txt", &first, &first, &first));
    const FileTime second{131000000000000000};
    const FileTime zero{0};
    ASSERT_TRUE(Files().SetFileTimes("C:\\t.txt", nullptr, &zero, &second));
    const auto times = Files().GetFileTimes("C:\\t.txt");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->creationTime, first);
    EXPECT_EQ(times->lastAccessTime, first);
    EXPECT_EQ(times->lastWriteTime, second);
}

TEST_F(FileSystemAttributeTest, HostFileWithoutARecordReportsModificationAsCreation)
{
    WriteHostFile(Host("host.txt"), "x");
    struct stat st = {};
    ASSERT_EQ(::stat(Host("host.txt").c_str(), &st), 0);
    const auto times = Files().GetFileTimes("C:\\host.txt");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->creationTime, times->lastWriteTime);
    // FILETIME counts 100 ns from 1601: 11644473600 s before the Unix epoch.
    const std::uint64_t expected = (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                                   static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
    EXPECT_EQ(times->lastWriteTime.ticks, expected);
}

TEST_F(FileSystemAttributeTest, CreationTimeSurvivesWrites)
{
    WriteFile("C:\\c.txt", "x");
    const FileTime creation{120000000000000000};
    ASSERT_TRUE(Files().SetFileTimes("C:\\c.txt", &creation, nullptr, nullptr));
    ASSERT_TRUE(Files().AppendToFile("C:\\c.txt", "more"));
    const auto times = Files().GetFileTimes("C:\\c.txt");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->creationTime, creation);
    EXPECT_NE(times->lastWriteTime, creation);
}

TEST_F(FileSystemAttributeTest, HandleTimesRoundTripAndNeedWriteAccess)
{
    WriteFile("C:\\h.txt", "x");
    const FileTime creation{125000000000000001};
    const FileTime write{126000000000000002};
    {
        auto file = Open("C:\\h.txt", GENERIC_READ | GENERIC_WRITE, 0);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->SetTimes(&creation, nullptr, &write));
        FileTimes times;
        ASSERT_TRUE(file->GetTimes(times));
        EXPECT_EQ(times.creationTime, creation);
        EXPECT_EQ(times.lastWriteTime, write);
    }
    auto reader = Open("C:\\h.txt", GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->SetTimes(nullptr, nullptr, &creation));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    // Access 0 is enough to ask.
    auto query = Open("C:\\h.txt", 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(query);
    FileTimes times;
    ASSERT_TRUE(query->GetTimes(times));
    EXPECT_EQ(times.lastWriteTime, write);
    EXPECT_EQ(query->Size(), 1u);
}

// ---- CreateFile

TEST_F(FileSystemHandleTest, DispositionsBehaveAsWin32)
{
    struct Case
    {
        const char* name;
        Disposition disposition;
        bool exists;
        std::uint32_t access;
        bool opens;
        std::uint32_t error;
        const char* contentsAfter; // nullptr: no file
    };
    const Case cases[] = {
        {"create new, missing", Disposition::CreateNew, false, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
        {"create new, exists", Disposition::CreateNew, true, GENERIC_WRITE, false, ERROR_FILE_EXISTS, "old"},
        {"create always, missing", Disposition::CreateAlways, false, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
        {"create always, exists", Disposition::CreateAlways, true, GENERIC_WRITE, true, ERROR_ALREADY_EXISTS, ""},
        {"open existing, missing",
         Disposition::OpenExisting,
         false,
         GENERIC_READ,
         false,
         ERROR_FILE_NOT_FOUND,
         nullptr},
        {"open existing, exists", Disposition::OpenExisting, true, GENERIC_READ, true, ERROR_SUCCESS, "old"},
        {"open always, missing", Disposition::OpenAlways, false, GENERIC_READ, true, ERROR_SUCCESS, ""},
        {"open always, exists", Disposition::OpenAlways, true, GENERIC_READ, true, ERROR_ALREADY_EXISTS, "old"},
        {"truncate, exists", Disposition::TruncateExisting, true, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
        {"truncate, missing",
         Disposition::TruncateExisting,
         false,
         GENERIC_WRITE,
         false,
         ERROR_FILE_NOT_FOUND,
         nullptr},
        {"truncate without write access",
         Disposition::TruncateExisting,
         true,
         GENERIC_READ,
         false,
         ERROR_INVALID_PARAMETER,
         "old"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "case" + std::to_string(++n) + ".txt";
        if (c.exists)
            WriteHostFile(Host("work/" + name), "old");
        SetLastError(12345);
        auto file = Open("C:\\work\\" + name, c.access, 0, c.disposition);
        EXPECT_EQ(file != nullptr, c.opens) << "case: " << c.name;
        EXPECT_EQ(GetLastError(), c.error) << "case: " << c.name;
        file.reset();
        if (c.contentsAfter) {
            ASSERT_TRUE(HostExists(Host("work/" + name))) << "case: " << c.name;
            EXPECT_EQ(ReadHostFile(Host("work/" + name)), c.contentsAfter) << "case: " << c.name;
        } else {
            EXPECT_FALSE(HostExists(Host("work/" + name))) << "case: " << c.name;
        }
    }
}

TEST_F(FileSystemHandleTest, MissingFolderIsPathNotFound)
{
    for (const Disposition disposition :
         {Disposition::CreateNew, Disposition::CreateAlways, Disposition::OpenExisting, Disposition::OpenAlways}) {
        EXPECT_FALSE(Open("C:\\no such folder\\f.txt", GENERIC_WRITE, 0, disposition))
            << "case: " << static_cast<int>(disposition);
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND) << "case: " << static_cast<int>(disposition);
    }
    WriteFile("C:\\file.txt", "");
    EXPECT_FALSE(Open("C:\\file.txt\\below.txt", GENERIC_WRITE, 0, Disposition::CreateAlways));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileSystemHandleTest, FoldersCannotBeOpenedAsFiles)
{
    for (const Disposition disposition :
         {Disposition::OpenExisting, Disposition::OpenAlways, Disposition::CreateAlways}) {
        EXPECT_FALSE(Open("C:\\work", GENERIC_READ | GENERIC_WRITE, 0, disposition))
            << "case: " << static_cast<int>(disposition);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << "case: " << static_cast<int>(disposition);
    }
    EXPECT_FALSE(Open("C:\\work", GENERIC_READ, 0, Disposition::CreateNew));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
}

TEST_F(FileSystemHandleTest, CreateAlwaysOnHiddenOrSystemFileMustRepeatThoseAttributes)
{
    WriteFile("C:\\hidden.txt", "old");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\hidden.txt", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Files().CreateFile("C:\\hidden.txt", GENERIC_WRITE, 0, Disposition::CreateAlways));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadHostFile(Host("hidden.txt")), "old");
    EXPECT_TRUE(
        Files().CreateFile("C:\\hidden.txt", GENERIC_WRITE, 0, Disposition::CreateAlways, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ReadHostFile(Host("hidden.txt")), "");
    EXPECT_EQ(Files().GetFileAttributes("C:\\hidden.txt"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileSystemHandleTest, ReadAndWriteNeedTheirAccessRights)
{
    WriteFile("C:\\rw.txt", "abc");
    char buffer[8];
    std::size_t done = 99;
    auto writer = Open("C:\\rw.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(writer);
    EXPECT_FALSE(writer->Read(buffer, sizeof buffer, done));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    auto reader = Open("C:\\rw.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->Write("x", 1, done));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(reader->SetEndOfFile());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(reader->Flush());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    auto none = Open("C:\\rw.txt", 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->Read(buffer, sizeof buffer, done));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadHostFile(Host("rw.txt")), "abc");
}

TEST_F(FileSystemHandleTest, SeekWriteAndTruncate)
{
    auto file = Files().CreateFile("C:\\s.bin",
                                   GENERIC_READ | GENERIC_WRITE,
                                   0,
                                   Disposition::CreateNew,
                                   FILE_ATTRIBUTE_NORMAL,
                                   FILE_FLAG_WRITE_THROUGH);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Path(), "C:\\s.bin");
    std::uint64_t position = 0;
    // Writing past the end grows the file; the gap reads as zeros.
    ASSERT_TRUE(file->Seek(4, SeekOrigin::Begin, &position));
    EXPECT_EQ(position, 4u);
    std::size_t done = 0;
    ASSERT_TRUE(file->Write("xy", 2, done));
    EXPECT_EQ(file->Size(), 6u);
    EXPECT_EQ(ReadHostFile(Host("s.bin")), std::string("\0\0\0\0xy", 6));

    ASSERT_TRUE(file->Seek(-1, SeekOrigin::End, &position));
    EXPECT_EQ(position, 5u);
    ASSERT_TRUE(file->Seek(-2, SeekOrigin::Current, &position));
    EXPECT_EQ(position, 3u);
    EXPECT_FALSE(file->Seek(-4, SeekOrigin::Current, &position));
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_FALSE(file->Seek(-1, SeekOrigin::Begin));
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);

    ASSERT_TRUE(file->Seek(5, SeekOrigin::Begin));
    ASSERT_TRUE(file->SetEndOfFile());
    EXPECT_EQ(file->Size(), 5u);
    ASSERT_TRUE(file->Flush());
    ASSERT_TRUE(file->Seek(0, SeekOrigin::Begin));
    EXPECT_EQ(ReadAll(*file), std::string("\0\0\0\0x", 5));
    char byte = 0;
    ASSERT_TRUE(file->Read(&byte, 1, done)); // at the end: success with nothing read
    EXPECT_EQ(done, 0u);
}

TEST_F(FileSystemHandleTest, BufferingFlagsAreAccepted)
{
    for (const std::uint32_t flags : {FILE_FLAG_NO_BUFFERING,
                                      FILE_FLAG_SEQUENTIAL_SCAN,
                                      FILE_FLAG_WRITE_THROUGH,
                                      FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH}) {
        auto file = Files().CreateFile(
            "C:\\flags.bin", GENERIC_WRITE, 0, Disposition::CreateAlways, FILE_ATTRIBUTE_NORMAL, flags);
        ASSERT_TRUE(file) << "case: " << flags;
        std::size_t done = 0;
        EXPECT_TRUE(file->Write("123", 3, done)) << "case: " << flags;
        file.reset();
        EXPECT_EQ(ReadHostFile(Host("flags.bin")), "123") << "case: " << flags;
    }
}

} // namespace
} // namespace lumexa::test
