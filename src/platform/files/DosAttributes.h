#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "platform/Types.h"

// The DOS attributes and the creation time the layer keeps for each host file, because Linux
// has neither. They live in the extended attribute "user.DOSATTRIB" as a fixed 13-byte record:
//   byte  0      format version (1)
//   bytes 1..4   attribute bits (READONLY, HIDDEN, SYSTEM, ARCHIVE, ...), little-endian
//   bytes 5..12  creation time, FILETIME ticks, little-endian
// A value of another size or version is treated as absent. Where the host file system refuses
// extended attributes the record goes to an AttributeStore beside the drive instead.
namespace lumexa::platform::files {

class AttributeStore;

inline constexpr std::uint32_t FILE_ATTRIBUTE_OFFLINE = 0x1000;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NOT_CONTENT_INDEXED = 0x2000;
// What a caller may set; DIRECTORY and REPARSE_POINT come from the host object.
inline constexpr std::uint32_t kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

struct DosRecord
{
    std::uint32_t attributes = 0; // settable bits only
    FileTime creationTime;
};

FileTime FileTimeFromTimespec(const timespec& time);
timespec TimespecFromFileTime(FileTime time);
FileTime FileTimeNow();

std::string EncodeDosRecord(const DosRecord& record);
std::optional<DosRecord> DecodeDosRecord(std::string_view bytes);

class DosAttributes
{
public:
    // `sideStorePath`: where the fallback store lives (empty: in memory).
    DosAttributes(bool useExtendedAttributes, std::string sideStorePath);
    ~DosAttributes();
    DosAttributes(const DosAttributes&) = delete;
    DosAttributes& operator=(const DosAttributes&) = delete;

    // The stored record of a file or folder; nullopt when it has none. `fd` may be -1; when
    // valid it is used instead of the path (an open handle whose file was renamed).
    std::optional<DosRecord> Read(const std::string& hostPath, const struct stat& st, int fd = -1) const;
    // The record as the program sees it: stored, or for a host object without one ARCHIVE for a
    // file, nothing for a folder, and the modification time as creation time.
    DosRecord Effective(const std::string& hostPath, const struct stat& st, int fd = -1) const;
    // Never fails: a host that refuses the extended attribute gets the side store.
    void Write(const std::string& hostPath, const struct stat& st, const DosRecord& record, int fd = -1);

    // Keep the side store in step with deletions and renames done by the layer.
    void Forget(const std::string& hostPath);
    void Moved(const std::string& from, const std::string& to);

private:
    AttributeStore* Store(bool create) const;

    bool m_useExtendedAttributes;
    std::string m_sideStorePath;
    mutable std::mutex m_mutex;
    mutable std::unique_ptr<AttributeStore> m_store;
    mutable std::chrono::steady_clock::time_point m_lastLookedFor{};
};

} // namespace lumexa::platform::files
