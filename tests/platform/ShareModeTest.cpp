#include <functional>
#include <memory>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/FileSystemTest.h"
#include "platform/LastError.h"
#include "support/TempDir.h"

namespace lumexa::test {
namespace {

using namespace platform;

constexpr std::uint32_t DELETE = 0x00010000;
constexpr std::uint32_t SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class ShareModeTest : public FileSystemFixture
{
protected:
    void SetUp() override { WriteFile("C:\\work\\shared.txt", "contents"); }
};

TEST_F(ShareModeTest, SecondHandleInTheSameProcessMeetsTheFirstOnesShareMode)
{
    struct Case
    {
        const char* name;
        std::uint32_t firstAccess;
        std::uint32_t firstShare;
        std::uint32_t secondAccess;
        std::uint32_t secondShare;
        bool opens;
    };
    const std::uint32_t R = GENERIC_READ;
    const std::uint32_t W = GENERIC_WRITE;
    const std::uint32_t SR = FILE_SHARE_READ;
    const std::uint32_t SW = FILE_SHARE_WRITE;
    const std::uint32_t SD = FILE_SHARE_DELETE;
    const Case cases[] = {
        {"readers sharing read", R, SR, R, SR, true},
        {"writer after reader that shares only read", R, SR, W, SR | SW, false},
        {"writer after reader that shares write", R, SR | SW, W, SR | SW, true},
        {"reader after writer, sharing write", W, SR, R, SR | SW, true},
        {"reader after writer, not sharing write", W, SR, R, SR, false},
        {"reader after exclusive reader", R, 0, R, SR | SW, false},
        {"exclusive reader after reader", R, SR, R, 0, false},
        {"writers sharing write", W, SW, W, SW, true},
        {"writer after writer that shares only read", W, SR, W, SR | SW, false},
        {"no-access handle denies nothing", 0, 0, R, SR, true},
        {"no access after exclusive handle", R | W, 0, 0, 0, true},
        {"delete access after handle not sharing delete", R, SR, DELETE, SR | SW | SD, false},
        {"delete access after handle sharing delete", R, SR | SD, DELETE, SR | SW | SD, true},
        {"reader after delete-access handle that shares all", DELETE, SR | SW | SD, R, SR, false},
        {"reader after delete-access handle, sharing delete", DELETE, SR | SW | SD, R, SR | SD, true},
        {"read-write handles sharing all", R | W, SR | SW | SD, R | W, SR | SW | SD, true},
    };
    for (const Case& c : cases) {
        auto first = Open("C:\\work\\shared.txt", c.firstAccess, c.firstShare);
        ASSERT_TRUE(first) << "case: " << c.name << " (first handle)";
        SetLastError(0);
        auto second = Open("C:\\work\\shared.txt", c.secondAccess, c.secondShare);
        EXPECT_EQ(second != nullptr, c.opens) << "case: " << c.name;
        if (!c.opens) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION) << "case: " << c.name;
        }
    }
}

TEST_F(ShareModeTest, ClosingAHandleReleasesItsShareMode)
{
    auto exclusive = Open("C:\\work\\shared.txt", GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(exclusive);
    EXPECT_FALSE(Open("C:\\work\\shared.txt", GENERIC_READ, SHARE_ALL));
    exclusive.reset();
    EXPECT_TRUE(Open("C:\\work\\shared.txt", GENERIC_READ, SHARE_ALL));
}

TEST_F(ShareModeTest, DeleteAndRenameNeedEveryHandleToShareDelete)
{
    struct Case
    {
        const char* name;
        std::uint32_t share;
        bool allowed;
    };
    const Case cases[] = {
        {"read and write shared", FILE_SHARE_READ | FILE_SHARE_WRITE, false},
        {"nothing shared", 0, false},
        {"delete shared", FILE_SHARE_READ | FILE_SHARE_DELETE, true},
    };
    for (const Case& c : cases) {
        WriteFile("C:\\work\\victim.txt", "v");
        auto holder = Open("C:\\work\\victim.txt", GENERIC_READ, c.share);
        ASSERT_TRUE(holder) << "case: " << c.name;
        EXPECT_EQ(Files().MoveFile("C:\\work\\victim.txt", "C:\\work\\renamed.txt"), c.allowed) << "case: " << c.name;
        if (!c.allowed) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION) << "case: " << c.name;
            EXPECT_FALSE(Files().DeleteFile("C:\\work\\victim.txt")) << "case: " << c.name;
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION) << "case: " << c.name;
            EXPECT_TRUE(HostExists(Host("work/victim.txt"))) << "case: " << c.name;
        } else {
            EXPECT_TRUE(Files().DeleteFile("C:\\work\\renamed.txt")) << "case: " << c.name;
            EXPECT_FALSE(HostExists(Host("work/renamed.txt"))) << "case: " << c.name;
        }
        holder.reset();
        Files().DeleteFile("C:\\work\\victim.txt");
    }
}

TEST_F(ShareModeTest, ShareModesHoldBetweenFileSystemInstances)
{
    FileSystem other(Config(), nullptr);
    auto held = other.CreateFile("C:\\work\\shared.txt", GENERIC_READ, FILE_SHARE_READ, Disposition::OpenExisting);
    ASSERT_TRUE(held);
    EXPECT_FALSE(Open("C:\\work\\shared.txt", GENERIC_WRITE, SHARE_ALL));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(Open("C:\\work\\shared.txt", GENERIC_READ, SHARE_ALL));
}

// A child process that takes something (`hold` returns whether it could) and keeps it until
// told to stop or killed. The pipes synchronise both sides; nothing waits on time.
class HoldingChild
{
public:
    explicit HoldingChild(const std::function<bool()>& hold)
    {
        int ready[2];
        int stop[2];
        if (::pipe(ready) != 0 || ::pipe(stop) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(stop[1]);
            const bool held = hold();
            const char status = held ? 'y' : 'n';
            (void)::write(ready[1], &status, 1);
            char byte = 0;
            (void)::read(stop[0], &byte, 1); // returns when the parent closes its end
            ::_exit(held ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(stop[0]);
        m_stop = stop[1];
        char status = 0;
        m_holding = ::read(ready[0], &status, 1) == 1 && status == 'y';
        ::close(ready[0]);
    }
    ~HoldingChild() { Release(); }
    HoldingChild(const HoldingChild&) = delete;
    HoldingChild& operator=(const HoldingChild&) = delete;

    bool Holding() const { return m_holding; }

    // Lets the child close the file and exit; true when it exited normally.
    bool Release()
    {
        if (m_pid <= 0)
            return false;
        ::close(m_stop);
        return Reap();
    }

    bool Kill()
    {
        if (m_pid <= 0)
            return false;
        ::kill(m_pid, SIGKILL);
        ::close(m_stop);
        Reap();
        return true;
    }

private:
    bool Reap()
    {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    pid_t m_pid = -1;
    int m_stop = -1;
    bool m_holding = false;
};

// The layer's own open, in a child process: no sharing at all.
std::function<bool()> OpenExclusively(const FileSystemConfig& config, const std::string& path)
{
    return [config, path] {
        // Kept until the child exits: its exit is what closes the handle.
        static std::unique_ptr<FileSystem> files;
        static std::unique_ptr<FileHandle> held;
        files = std::make_unique<FileSystem>(config, nullptr);
        held = files->CreateFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_NONE, Disposition::OpenExisting);
        return held != nullptr;
    };
}

// Another program's byte-range lock on the data, as SQLite takes it on an open database.
std::function<bool()> LockBytes(const std::string& host, short type)
{
    return [host, type] {
        const int fd = ::open(host.c_str(), O_RDWR);
        struct flock lock = {};
        lock.l_type = type;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0x40000000; // SQLite's lock bytes
        lock.l_len = 1;
        return fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0;
    };
}

TEST_F(ShareModeTest, FileHeldByAnotherProcessCannotBeOpenedDeletedOrRenamed)
{
    HoldingChild child(OpenExclusively(Config(), "C:\\work\\shared.txt"));
    ASSERT_TRUE(child.Holding());
    EXPECT_FALSE(Open("C:\\work\\shared.txt", GENERIC_READ, SHARE_ALL));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(Files().DeleteFile("C:\\work\\shared.txt"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(Files().MoveFile("C:\\work\\shared.txt", "C:\\work\\moved.txt"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(HostExists(Host("work/shared.txt")));

    ASSERT_TRUE(child.Release());
    EXPECT_TRUE(Open("C:\\work\\shared.txt", GENERIC_READ, SHARE_ALL));
    EXPECT_TRUE(Files().MoveFile("C:\\work\\shared.txt", "C:\\work\\moved.txt"));
    EXPECT_TRUE(Files().DeleteFile("C:\\work\\moved.txt"));
}

TEST_F(ShareModeTest, LocksVanishWhenTheHoldingProcessDies)
{
    HoldingChild child(OpenExclusively(Config(), "C:\\work\\shared.txt"));
    ASSERT_TRUE(child.Holding());
    EXPECT_FALSE(Open("C:\\work\\shared.txt", GENERIC_READ, SHARE_ALL));
    ASSERT_TRUE(child.Kill());
    EXPECT_TRUE(Open("C:\\work\\shared.txt", GENERIC_READ | GENERIC_WRITE, 0));
}

TEST_F(ShareModeTest, AnotherProgramsByteRangeLockKeepsTheFileInUse)
{
    struct Case
    {
        const char* name;
        short lock;
        bool readerOpens;
    };
    // A write lock keeps every data access out; a read lock lets readers in, not writers.
    const Case cases[] = {{"write lock", F_WRLCK, false}, {"read lock", F_RDLCK, true}};
    for (const Case& c : cases) {
        HoldingChild child(LockBytes(Host("work/shared.txt"), c.lock));
        ASSERT_TRUE(child.Holding()) << "case: " << c.name;
        EXPECT_EQ(Open("C:\\work\\shared.txt", GENERIC_READ, SHARE_ALL) != nullptr, c.readerOpens)
            << "case: " << c.name;
        EXPECT_FALSE(Open("C:\\work\\shared.txt", GENERIC_WRITE, SHARE_ALL)) << "case: " << c.name;
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION) << "case: " << c.name;
        EXPECT_FALSE(Files().DeleteFile("C:\\work\\shared.txt")) << "case: " << c.name;
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION) << "case: " << c.name;
        ASSERT_TRUE(child.Release()) << "case: " << c.name;
        EXPECT_TRUE(Open("C:\\work\\shared.txt", GENERIC_WRITE, SHARE_ALL)) << "case: " << c.name;
    }
    EXPECT_TRUE(Files().DeleteFile("C:\\work\\shared.txt"));
}

TEST_F(ShareModeTest, ChildCannotTakeAFileTheParentHolds)
{
    auto held = Open("C:\\work\\shared.txt", GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held);
    HoldingChild child(OpenExclusively(Config(), "C:\\work\\shared.txt"));
    EXPECT_FALSE(child.Holding());
    EXPECT_FALSE(child.Release()); // the child reports its failure through its exit status
}

} // namespace
} // namespace lumexa::test
