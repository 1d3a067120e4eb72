#include "platform/files/ShareModes.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Types.h"

namespace lumexa::platform::files {

namespace {

constexpr off_t kLockBase = off_t{1} << 62;
constexpr off_t kHasOffset = 0;
constexpr off_t kDenyOffset = 3;

// FILE_READ_DATA, FILE_WRITE_DATA, FILE_APPEND_DATA and GENERIC_ALL, next to the generic rights.
constexpr std::uint32_t kReadData = 0x0001;
constexpr std::uint32_t kWriteData = 0x0002;
constexpr std::uint32_t kAppendData = 0x0004;
constexpr std::uint32_t kGenericAll = 0x10000000;

// Every Lumexa process on the host serialises its opens through this one file, whatever
// TMPDIR says, so that processes of different environments still exclude each other.
constexpr const char* kGuardFile = "/tmp/.lumexa-share-guard";
constexpr off_t kGuardSlots = off_t{1} << 40;

std::mutex g_guardMutex;
int g_guardFd = -1;
pid_t g_guardPid = 0;

int OpenGuardFile()
{
    int fd = ::open(kGuardFile, O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(kGuardFile, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0)
            ::fchmod(fd, 0666); // other users' processes share it despite the umask
        else if (errno == EEXIST)
            fd = ::open(kGuardFile, O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    }
    return fd;
}

// The guard file descriptor of this process. A forked child must not share its parent's open
// file description (their locks would not exclude each other), so it opens its own.
int GuardFd()
{
    if (g_guardPid != ::getpid()) {
        if (g_guardFd >= 0)
            ::close(g_guardFd);
        g_guardFd = OpenGuardFile();
        g_guardPid = ::getpid();
    }
    return g_guardFd;
}

int Lock(int fd, int command, short type, off_t start, off_t length)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    int result = 0;
    do {
        result = ::fcntl(fd, command, &lock);
    } while (result < 0 && errno == EINTR);
    return result;
}

// The type of a lock someone else holds that conflicts with a `type` lock on the range, or
// F_UNLCK when there is none.
short OtherLock(int fd, short type, off_t start, off_t length)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    if (::fcntl(fd, F_OFD_GETLK, &lock) < 0)
        return F_UNLCK;
    return lock.l_type;
}

bool OtherHolds(int fd, off_t offset)
{
    return OtherLock(fd, F_WRLCK, kLockBase + offset, 1) != F_UNLCK;
}

off_t GuardSlot(const struct stat& st)
{
    std::uint64_t key = static_cast<std::uint64_t>(st.st_dev) * 0x9E3779B97F4A7C15ull;
    key ^= static_cast<std::uint64_t>(st.st_ino) + 0x632BE59BD9B4E019ull + (key << 6) + (key >> 2);
    return static_cast<off_t>(key % static_cast<std::uint64_t>(kGuardSlots));
}

int BitIndex(unsigned bit)
{
    return bit == kAccessRead ? 0 : bit == kAccessWrite ? 1 : 2;
}

} // namespace

unsigned DataAccessOf(std::uint32_t desiredAccess)
{
    unsigned access = 0;
    if (desiredAccess & (GENERIC_READ | kGenericAll | kReadData))
        access |= kAccessRead;
    if (desiredAccess & (GENERIC_WRITE | kGenericAll | kWriteData | kAppendData))
        access |= kAccessWrite;
    if (desiredAccess & (DELETE_ACCESS | kGenericAll))
        access |= kAccessDelete;
    return access;
}

unsigned SharedAccessOf(std::uint32_t shareMode)
{
    unsigned shared = 0;
    if (shareMode & FILE_SHARE_READ)
        shared |= kAccessRead;
    if (shareMode & FILE_SHARE_WRITE)
        shared |= kAccessWrite;
    if (shareMode & FILE_SHARE_DELETE)
        shared |= kAccessDelete;
    return shared;
}

ShareGuard::ShareGuard(const struct stat& st, const struct stat* other)
    : m_lock(g_guardMutex)
{
    m_fd = GuardFd();
    if (m_fd < 0)
        return; // no guard file: threads of this process are still serialised
    m_offsets[0] = GuardSlot(st);
    if (other) {
        m_offsets[1] = GuardSlot(*other);
        if (m_offsets[1] == m_offsets[0])
            m_offsets[1] = -1;
        else if (m_offsets[1] < m_offsets[0])
            std::swap(m_offsets[0], m_offsets[1]);
    }
    // Whoever holds a slot holds it for a few system calls, so waiting is short.
    for (const off_t offset : m_offsets) {
        if (offset >= 0)
            Lock(m_fd, F_OFD_SETLKW, F_WRLCK, offset, 1);
    }
}

ShareGuard::~ShareGuard()
{
    if (m_fd < 0)
        return;
    for (const off_t offset : m_offsets) {
        if (offset >= 0)
            Lock(m_fd, F_OFD_SETLK, F_UNLCK, offset, 1);
    }
}

bool ShareConflict(int fd, unsigned access, unsigned shared)
{
    // A handle without data access takes part in no share check (as on Windows).
    if (access == 0)
        return false;
    for (const unsigned bit : {kAccessRead, kAccessWrite, kAccessDelete}) {
        if ((access & bit) && OtherHolds(fd, kDenyOffset + BitIndex(bit)))
            return true;
        if (!(shared & bit) && OtherHolds(fd, kHasOffset + BitIndex(bit)))
            return true;
    }
    // Another program's byte-range locks on the data (a browser's database in use): a write
    // lock keeps every data access out, a read lock keeps writers and deleters out.
    const short foreign = OtherLock(fd, F_WRLCK, 0, kLockBase);
    if (foreign == F_WRLCK)
        return true;
    if (foreign == F_RDLCK)
        return (access & (kAccessWrite | kAccessDelete)) || OtherLock(fd, F_RDLCK, 0, kLockBase) == F_WRLCK;
    return false;
}

void MarkShare(int fd, unsigned access, unsigned shared)
{
    if (access == 0)
        return;
    for (const unsigned bit : {kAccessRead, kAccessWrite, kAccessDelete}) {
        // A shared lock needs a descriptor open for reading; every handle with data access has
        // one (write-only handles are opened read-write on the host).
        if (access & bit)
            Lock(fd, F_OFD_SETLK, F_RDLCK, kLockBase + kHasOffset + BitIndex(bit), 1);
        if (!(shared & bit))
            Lock(fd, F_OFD_SETLK, F_RDLCK, kLockBase + kDenyOffset + BitIndex(bit), 1);
    }
}

bool DeleteConflict(int fd)
{
    return OtherHolds(fd, kDenyOffset + BitIndex(kAccessDelete)) || OtherLock(fd, F_WRLCK, 0, kLockBase) != F_UNLCK;
}

} // namespace lumexa::platform::files
