#include "platform/files/DosAttributes.h"

#include <array>
#include <cerrno>
#include <chrono>

#include <sys/xattr.h>

#include "platform/files/AttributeStore.h"

namespace lumexa::platform::files {

namespace {

constexpr const char* kAttributeName = "user.DOSATTRIB";
constexpr std::size_t kRecordSize = 13;
constexpr unsigned char kRecordVersion = 1;

// Seconds from 1601-01-01 to 1970-01-01, and FILETIME ticks per second.
constexpr std::int64_t kEpochDifference = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

void PutLittleEndian(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLittleEndian(std::string_view in, std::size_t offset, int bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[offset + static_cast<std::size_t>(i)]))
                 << (8 * i);
    return value;
}

} // namespace

FileTime FileTimeFromTimespec(const timespec& time)
{
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kEpochDifference;
    if (seconds < 0)
        return FileTime{};
    return FileTime{static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
                    static_cast<std::uint64_t>(time.tv_nsec) / 100};
}

timespec TimespecFromFileTime(FileTime time)
{
    timespec result{};
    result.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(time.ticks / kTicksPerSecond) - kEpochDifference);
    result.tv_nsec = static_cast<long>((time.ticks % kTicksPerSecond) * 100);
    return result;
}

FileTime FileTimeNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeFromTimespec(now);
}

std::string EncodeDosRecord(const DosRecord& record)
{
    std::string bytes;
    bytes += static_cast<char>(kRecordVersion);
    PutLittleEndian(bytes, record.attributes, 4);
    PutLittleEndian(bytes, record.creationTime.ticks, 8);
    return bytes;
}

std::optional<DosRecord> DecodeDosRecord(std::string_view bytes)
{
    if (bytes.size() != kRecordSize || static_cast<unsigned char>(bytes[0]) != kRecordVersion)
        return std::nullopt;
    DosRecord record;
    record.attributes = static_cast<std::uint32_t>(GetLittleEndian(bytes, 1, 4)) & kSettableAttributes;
    record.creationTime.ticks = GetLittleEndian(bytes, 5, 8);
    return record;
}

DosAttributes::DosAttributes(bool useExtendedAttributes, std::string sideStorePath)
    : m_useExtendedAttributes(useExtendedAttributes)
    , m_sideStorePath(std::move(sideStorePath))
{}

DosAttributes::~DosAttributes() = default;

std::optional<DosRecord> DosAttributes::Read(const std::string& hostPath, const struct stat& st, int fd) const
{
    if (m_useExtendedAttributes) {
        std::array<char, 64> buffer{};
        ssize_t size = fd >= 0 ? ::fgetxattr(fd, kAttributeName, buffer.data(), buffer.size()) : -1;
        // A handle opened without read rights (O_PATH) has no extended attributes of its own.
        if (fd < 0 || (size < 0 && errno == EBADF))
            size = ::getxattr(hostPath.c_str(), kAttributeName, buffer.data(), buffer.size());
        if (size >= 0)
            return DecodeDosRecord(std::string_view(buffer.data(), static_cast<std::size_t>(size)));
    }
    std::lock_guard lock(m_mutex);
    AttributeStore* store = Store(!m_useExtendedAttributes);
    if (!store)
        return std::nullopt;
    const auto bytes = store->Get(hostPath, st.st_ino);
    return bytes ? DecodeDosRecord(*bytes) : std::nullopt;
}

DosRecord DosAttributes::Effective(const std::string& hostPath, const struct stat& st, int fd) const
{
    if (auto stored = Read(hostPath, st, fd))
        return *stored;
    DosRecord derived;
    derived.attributes = S_ISDIR(st.st_mode) ? 0 : FILE_ATTRIBUTE_ARCHIVE;
    derived.creationTime = FileTimeFromTimespec(st.st_mtim);
    return derived;
}

void DosAttributes::Write(const std::string& hostPath, const struct stat& st, const DosRecord& record, int fd)
{
    const std::string bytes = EncodeDosRecord(record);
    if (m_useExtendedAttributes) {
        int result = fd >= 0 ? ::fsetxattr(fd, kAttributeName, bytes.data(), bytes.size(), 0) : -1;
        if (fd < 0 || (result < 0 && errno == EBADF))
            result = ::setxattr(hostPath.c_str(), kAttributeName, bytes.data(), bytes.size(), 0);
        if (result == 0)
            return;
        if (errno == ENOENT)
            return;
    }
    std::lock_guard lock(m_mutex);
    if (AttributeStore* store = Store(true))
        store->Put(hostPath, st.st_ino, bytes);
}

void DosAttributes::Forget(const std::string& hostPath)
{
    std::lock_guard lock(m_mutex);
    if (AttributeStore* store = Store(!m_useExtendedAttributes))
        store->Remove(hostPath);
}

void DosAttributes::Moved(const std::string& from, const std::string& to)
{
    std::lock_guard lock(m_mutex);
    if (AttributeStore* store = Store(!m_useExtendedAttributes))
        store->Rename(from, to);
}

AttributeStore* DosAttributes::Store(bool create) const
{
    if (m_store)
        return m_store.get();
    // Without a need to write, the store is opened only when an earlier run created it: most
    // hosts never need it, and lookups must stay cheap there.
    if (!create) {
        // Looked for at most once a second, so that a store another process creates is found.
        const auto now = std::chrono::steady_clock::now();
        if (m_sideStorePath.empty() || now - m_lastLookedFor < std::chrono::seconds(1))
            return nullptr;
        m_lastLookedFor = now;
        struct stat st = {};
        if (::stat(m_sideStorePath.c_str(), &st) != 0)
            return nullptr;
    }
    m_store = AttributeStore::Open(m_sideStorePath);
    return m_store.get();
}

} // namespace lumexa::platform::files
