#include "platform/files/HostFile.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/LastError.h"
#include "platform/files/DosAttributes.h"
#include "platform/files/ShareModes.h"
#include "platform/files/SpaceAccount.h"

namespace lumexa::platform::files {

HostFile::HostFile(Setup setup)
    : m_setup(std::move(setup))
{}

HostFile::~HostFile()
{
    ::close(m_setup.fd);
}

bool HostFile::Stat(struct stat& st) const
{
    if (::fstat(m_setup.fd, &st) != 0)
        return FailErrno();
    return true;
}

bool HostFile::Read(void* buffer, std::size_t count, std::size_t& done)
{
    done = 0;
    if (!(m_setup.access & kAccessRead))
        return Fail(ERROR_ACCESS_DENIED);
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t got = ::read(m_setup.fd, out + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return FailErrno();
        }
        if (got == 0)
            break; // end of file: ReadFile succeeds with fewer bytes
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool HostFile::Write(const void* buffer, std::size_t count, std::size_t& done)
{
    done = 0;
    if (!(m_setup.access & kAccessWrite))
        return Fail(ERROR_ACCESS_DENIED);
    std::size_t allowed = count;
    std::uint64_t oldSize = 0;
    std::uint64_t reservedEnd = 0;
    if (m_setup.space && count > 0) {
        struct stat st = {};
        if (!Stat(st))
            return false;
        oldSize = static_cast<std::uint64_t>(st.st_size);
        const off_t position = m_setup.append ? st.st_size : ::lseek(m_setup.fd, 0, SEEK_CUR);
        const std::uint64_t start = static_cast<std::uint64_t>(std::max<off_t>(position, 0));
        const std::uint64_t end = start + count;
        reservedEnd = m_setup.space->Grow(oldSize, end);
        if (reservedEnd < end)
            allowed = reservedEnd > start ? static_cast<std::size_t>(reservedEnd - start) : 0;
    }
    const auto* in = static_cast<const char*>(buffer);
    bool failed = false;
    while (done < allowed) {
        const ssize_t put = ::write(m_setup.fd, in + done, allowed - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            failed = true;
            FailErrno();
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    if (m_setup.space && reservedEnd > oldSize) {
        // Give back what a short or failed write did not use.
        struct stat st = {};
        if (::fstat(m_setup.fd, &st) == 0)
            m_setup.space->Shrink(reservedEnd, std::max(oldSize, static_cast<std::uint64_t>(st.st_size)));
    }
    if (done > 0)
        MarkArchive();
    if (failed)
        return false;
    // The virtual drive is full: what fits is written, the rest refused, as on a full disk.
    if (allowed < count)
        return Fail(ERROR_DISK_FULL);
    return true;
}

bool HostFile::Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* newPosition)
{
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) {
        base = ::lseek(m_setup.fd, 0, SEEK_CUR);
    } else if (origin == SeekOrigin::End) {
        struct stat st = {};
        if (!Stat(st))
            return false;
        base = st.st_size;
    } else if (origin != SeekOrigin::Begin) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (base < 0)
        return FailErrno();
    if ((distance < 0 && base + distance < 0) || (distance > 0 && base > INT64_MAX - distance))
        return Fail(distance < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    const off_t position = ::lseek(m_setup.fd, static_cast<off_t>(base + distance), SEEK_SET);
    if (position < 0)
        return FailErrno();
    if (newPosition)
        *newPosition = static_cast<std::uint64_t>(position);
    return true;
}

std::optional<std::uint64_t> HostFile::Size() const
{
    struct stat st = {};
    if (!Stat(st))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool HostFile::SetEndOfFile()
{
    if (!(m_setup.access & kAccessWrite))
        return Fail(ERROR_ACCESS_DENIED);
    struct stat st = {};
    if (!Stat(st))
        return false;
    const off_t position = ::lseek(m_setup.fd, 0, SEEK_CUR);
    if (position < 0)
        return FailErrno();
    const auto oldSize = static_cast<std::uint64_t>(st.st_size);
    const auto newSize = static_cast<std::uint64_t>(position);
    if (m_setup.space && newSize > oldSize) {
        const std::uint64_t fits = m_setup.space->Grow(oldSize, newSize);
        if (fits < newSize) {
            m_setup.space->Shrink(fits, oldSize);
            return Fail(ERROR_DISK_FULL);
        }
    }
    if (::ftruncate(m_setup.fd, position) != 0) {
        const int error = errno;
        if (m_setup.space && newSize > oldSize)
            m_setup.space->Shrink(newSize, oldSize);
        errno = error;
        return FailErrno();
    }
    if (m_setup.space && newSize < oldSize)
        m_setup.space->Shrink(oldSize, newSize);
    MarkArchive();
    return true;
}

bool HostFile::Flush()
{
    if (!(m_setup.access & kAccessWrite))
        return Fail(ERROR_ACCESS_DENIED);
    if (::fdatasync(m_setup.fd) != 0)
        return FailErrno();
    return true;
}

bool HostFile::GetTimes(FileTimes& times) const
{
    struct stat st = {};
    if (!Stat(st))
        return false;
    times.creationTime = m_setup.attributes->Effective(m_setup.host, st, m_setup.fd).creationTime;
    times.lastAccessTime = FileTimeFromTimespec(st.st_atim);
    times.lastWriteTime = FileTimeFromTimespec(st.st_mtim);
    return true;
}

bool HostFile::SetTimes(const FileTime* creation, const FileTime* lastAccess, const FileTime* lastWrite)
{
    if (!m_setup.writeAttributes)
        return Fail(ERROR_ACCESS_DENIED);
    // As SetFileTime: a missing or zero time leaves that time as it is.
    timespec host[2];
    host[0].tv_nsec = UTIME_OMIT;
    host[1].tv_nsec = UTIME_OMIT;
    if (lastAccess && lastAccess->ticks != 0)
        host[0] = TimespecFromFileTime(*lastAccess);
    if (lastWrite && lastWrite->ticks != 0)
        host[1] = TimespecFromFileTime(*lastWrite);
    if (::futimens(m_setup.fd, host) != 0)
        return FailErrno();
    if (creation && creation->ticks != 0) {
        struct stat st = {};
        if (!Stat(st))
            return false;
        DosRecord record = m_setup.attributes->Effective(m_setup.host, st, m_setup.fd);
        record.creationTime = *creation;
        m_setup.attributes->Write(m_setup.host, st, record, m_setup.fd);
    }
    return true;
}

void HostFile::MarkArchive()
{
    if (m_setup.archiveSet)
        return;
    m_setup.archiveSet = true;
    struct stat st = {};
    if (::fstat(m_setup.fd, &st) != 0)
        return;
    DosRecord record = m_setup.attributes->Effective(m_setup.host, st, m_setup.fd);
    record.attributes |= FILE_ATTRIBUTE_ARCHIVE;
    m_setup.attributes->Write(m_setup.host, st, record, m_setup.fd);
}

} // namespace lumexa::platform::files
