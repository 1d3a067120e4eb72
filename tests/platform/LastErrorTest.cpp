#include "platform/LastError.h"

#include <cerrno>
#include <thread>

#include <gtest/gtest.h>

namespace lumexa::platform {
namespace {

TEST(LastErrorTest, IsKeptPerThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    std::uint32_t seenByOther = 99;
    std::thread other([&] { seenByOther = GetLastError(); });
    other.join();
    EXPECT_EQ(seenByOther, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(LastErrorTest, MapsErrnoToWindowsCodes)
{
    struct Case
    {
        int error;
        bool isPath;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {ENOENT, false, ERROR_FILE_NOT_FOUND},
        {ENOENT, true, ERROR_PATH_NOT_FOUND},
        {EACCES, false, ERROR_ACCESS_DENIED},
        {EEXIST, false, ERROR_ALREADY_EXISTS},
        {ENOSPC, false, ERROR_DISK_FULL},
        {ENOTEMPTY, false, ERROR_DIR_NOT_EMPTY},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Win32ErrorFromErrno(c.error, c.isPath), c.expected) << "errno " << c.error;
}

TEST(LastErrorTest, SystemMessagesAreWindowsEnglishTexts)
{
    EXPECT_EQ(SystemMessage(2), "The system cannot find the file specified.");
    EXPECT_EQ(SystemMessage(5), "Access is denied.");
    EXPECT_EQ(SystemMessage(32), "The process cannot access the file because it is being used by another process.");
    EXPECT_EQ(SystemMessage(112), "There is not enough space on the disk.");
    EXPECT_EQ(SystemMessage(0xDEAD), "");
}

} // namespace
} // namespace lumexa::platform
