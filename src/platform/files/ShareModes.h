#pragma once

#include <cstdint>
#include <mutex>

#include <sys/stat.h>

// Win32 share modes across handles and processes, kept in open-file-description (OFD) locks
// on bytes far beyond any real data, so they never meet a lock a program takes on its data:
//   kLockBase + 0..2  "has read / write / delete access": a shared lock held by each handle
//                     that has the access
//   kLockBase + 3..5  "denies read / write / delete": a shared lock held by each handle that
//                     does not share the access
// An OFD lock belongs to one open() of the file, so two handles of one process see each
// other exactly as handles of two processes do, and the locks vanish when the handle closes
// or its process dies. Shared locks never block one another; a new handle only tests (with
// F_OFD_GETLK) whether some other handle holds a byte that forbids it, then takes its own.
// The test and the marking happen under a ShareGuard, so two openers cannot both pass.
// Other programs' byte-range locks on the data (POSIX or OFD, as SQLite takes them) count as
// an open without sharing. POSIX locks belong to the process and go when it closes any
// descriptor of the file, so a database this process itself holds through SQLite must not be
// opened through the layer.
namespace lumexa::platform::files {

inline constexpr unsigned kAccessRead = 1;
inline constexpr unsigned kAccessWrite = 2;
inline constexpr unsigned kAccessDelete = 4;

inline constexpr std::uint32_t DELETE_ACCESS = 0x00010000;            // DELETE
inline constexpr std::uint32_t FILE_WRITE_ATTRIBUTES_ACCESS = 0x0100; // FILE_WRITE_ATTRIBUTES

// The data accesses (read, write, delete) a desired-access mask asks for.
unsigned DataAccessOf(std::uint32_t desiredAccess);
// The accesses a share mode lets others have.
unsigned SharedAccessOf(std::uint32_t shareMode);

// Serialises the check-and-mark of one file between threads of this process and between
// processes (an OFD write lock on a byte of a machine-wide guard file chosen by the file's
// identity). Two files (a rename over an existing one) are guarded together, in a fixed order.
class ShareGuard
{
public:
    explicit ShareGuard(const struct stat& st, const struct stat* other = nullptr);
    ~ShareGuard();
    ShareGuard(const ShareGuard&) = delete;
    ShareGuard& operator=(const ShareGuard&) = delete;

private:
    std::unique_lock<std::mutex> m_lock;
    int m_fd = -1;
    off_t m_offsets[2] = {-1, -1};
};

// With the guard held: true when another handle (or another program's lock on the data)
// forbids a handle with `access` that shares `shared`.
bool ShareConflict(int fd, unsigned access, unsigned shared);
// With the guard held: records this handle's access and denials on `fd`.
void MarkShare(int fd, unsigned access, unsigned shared);
// With the guard held: true when the file may not be deleted or renamed now (some handle does
// not share delete, or another program holds a lock on its data).
bool DeleteConflict(int fd);

} // namespace lumexa::platform::files
