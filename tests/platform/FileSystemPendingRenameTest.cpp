#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/FileSystemTest.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

namespace lumexa::test {
namespace {

using namespace platform;

constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

class FileSystemPendingRenameTest : public FileSystemFixture
{
protected:
    void SetUp() override
    {
        std::string error;
        m_registry = Registry::OpenDatabase(Root() + "/registry.db", &error);
        ASSERT_TRUE(m_registry) << error;
        m_files = std::make_unique<FileSystem>(Config(), m_registry.get());
    }

    // The raw REG_MULTI_SZ data, as Windows' session manager reads it.
    std::optional<RegValue> Pending()
    {
        auto key = m_registry->Open(HKEY_LOCAL_MACHINE, kSessionManager);
        return key ? key->QueryValue("PendingFileRenameOperations") : std::nullopt;
    }

    std::unique_ptr<Registry> m_registry;
    std::unique_ptr<FileSystem> m_files;
};

TEST_F(FileSystemPendingRenameTest, OperationsAreRecordedAsWindowsRecordsThem)
{
    WriteHostFile(Host("work/index.dat"), "cookies");
    WriteHostFile(Host("work/old.txt"), "old");
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("C:\\work\\index.dat", std::nullopt));
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("old.txt", std::string_view("C:\\work\\new.txt")));
    // A delete has an empty target: "source\0\0" in the REG_MULTI_SZ data.
    const std::string expected = std::string("\\??\\C:\\work\\index.dat") + '\0' + '\0' + "\\??\\C:\\work\\old.txt" +
                                 '\0' + "\\??\\C:\\work\\new.txt" + '\0' + '\0';
    const auto value = Pending();
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, RegType::MultiSz);
    EXPECT_EQ(std::string(value->data.begin(), value->data.end()), expected);
    // Nothing happens before the restart.
    EXPECT_EQ(ReadHostFile(Host("work/index.dat")), "cookies");
    EXPECT_EQ(ReadHostFile(Host("work/old.txt")), "old");
}

TEST_F(FileSystemPendingRenameTest, RestartCarriesThemOutInOrderAndClearsTheValue)
{
    WriteHostFile(Host("work/index.dat"), "cookies");
    WriteHostFile(Host("work/old.txt"), "old");
    WriteHostFile(Host("work/existing.txt"), "replaced at boot");
    WriteHostFile(Host("work/a.txt"), "a");
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("C:\\work\\index.dat", std::nullopt));
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("C:\\work\\old.txt", std::string_view("C:\\work\\existing.txt")));
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("C:\\work\\a.txt", std::string_view("C:\\work\\b.txt")));
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("C:\\work\\b.txt", std::string_view("C:\\work\\c.txt")));
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("C:\\work\\missing.txt", std::nullopt));

    const std::vector<std::string> expected{
        "deleted C:\\work\\index.dat",
        "renamed C:\\work\\old.txt -> C:\\work\\existing.txt",
        "renamed C:\\work\\a.txt -> C:\\work\\b.txt",
        "renamed C:\\work\\b.txt -> C:\\work\\c.txt",
        "failed C:\\work\\missing.txt: The system cannot find the file specified.",
    };
    EXPECT_EQ(m_files->ApplyPendingFileRenameOperations(), expected);
    EXPECT_FALSE(HostExists(Host("work/index.dat")));
    EXPECT_EQ(ReadHostFile(Host("work/existing.txt")), "old");
    EXPECT_FALSE(HostExists(Host("work/old.txt")));
    EXPECT_EQ(ReadHostFile(Host("work/c.txt")), "a");
    EXPECT_FALSE(Pending());
    EXPECT_TRUE(m_files->ApplyPendingFileRenameOperations().empty());
}

TEST_F(FileSystemPendingRenameTest, ReadOnlyFilesAreDeletedAtRestart)
{
    WriteFile("C:\\work\\locked.dat", "x");
    ASSERT_TRUE(Files().SetFileAttributes("C:\\work\\locked.dat", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(m_files->MoveFileDelayUntilReboot("C:\\work\\locked.dat", std::nullopt));
    EXPECT_EQ(m_files->ApplyPendingFileRenameOperations(), std::vector<std::string>{"deleted C:\\work\\locked.dat"});
    EXPECT_FALSE(HostExists(Host("work/locked.dat")));
}

TEST_F(FileSystemPendingRenameTest, WithoutARegistryNothingCanBeScheduled)
{
    WriteHostFile(Host("work/x.txt"), "x");
    EXPECT_FALSE(Files().MoveFileDelayUntilReboot("C:\\work\\x.txt", std::nullopt));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(Files().ApplyPendingFileRenameOperations().empty());
    EXPECT_TRUE(HostExists(Host("work/x.txt")));
}

TEST_F(FileSystemPendingRenameTest, NonAdministratorsCannotSchedule)
{
    m_registry->SetAdministrator(false);
    EXPECT_FALSE(m_files->MoveFileDelayUntilReboot("C:\\work\\x.txt", std::nullopt));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

} // namespace
} // namespace lumexa::test
