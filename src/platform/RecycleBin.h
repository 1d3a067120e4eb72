#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

// The shell's recycle bin, one per drive. A recycled file leaves its drive: its contents and
// its record (original path, deletion time, size, attributes and times) are kept in the
// machine's state folder, <root>/state/recycle/<letter>/, where no scanner of a drive sees
// them. Recycling follows DeleteFile's rules (a read-only file, or one open without delete
// sharing, stays where it is); emptying and querying take a root path or, when it is empty,
// every drive (SHEmptyRecycleBin, SHQueryRecycleBin).
namespace lumexa::platform {

class Machine;

// SHEmptyRecycleBin flags. The machine shows no shell windows, so they change nothing; they
// are accepted for the callers that pass them.
inline constexpr std::uint32_t SHERB_NOCONFIRMATION = 0x1;
inline constexpr std::uint32_t SHERB_NOPROGRESSUI = 0x2;
inline constexpr std::uint32_t SHERB_NOSOUND = 0x4;

struct RecycledItem
{
    // "DC1.txt": "D", the drive letter, a number and the original extension, as Windows names
    // the files of its bin. Unique on the machine.
    std::string id;
    std::string originalPath; // Windows path
    FileTime deletionTime;
    std::uint64_t size = 0;
    std::uint32_t attributes = 0;
    FileTime creationTime;
    FileTime lastWriteTime;
    friend bool operator==(const RecycledItem&, const RecycledItem&) = default;
};

struct RecycleBinInfo
{
    std::uint64_t size = 0;  // bytes of every recycled file
    std::uint64_t count = 0; // recycled files
};

class RecycleBin
{
public:
    explicit RecycleBin(Machine& machine);
    RecycleBin(const RecycleBin&) = delete;
    RecycleBin& operator=(const RecycleBin&) = delete;

    // SHFileOperation(FO_DELETE, FOF_ALLOWUNDO) of one file. False with the last error:
    // ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED (a folder, a link, a
    // read-only file), ERROR_SHARING_VIOLATION (open without delete sharing).
    bool Recycle(std::string_view path);

    // What the bin of the drive of `rootPath` holds (any path on the drive will do), or of
    // every drive when it is empty; in the order recycled. Empty for a path on no drive.
    std::vector<RecycledItem> Items(std::string_view rootPath = {}) const;
    // SHQueryRecycleBin: nullopt with ERROR_INVALID_PARAMETER for a path on no drive.
    std::optional<RecycleBinInfo> Query(std::string_view rootPath = {}) const;
    // SHEmptyRecycleBin: the recycled files are gone for good. False with
    // ERROR_INVALID_PARAMETER for a path on no drive.
    bool Empty(std::string_view rootPath = {}, std::uint32_t flags = SHERB_NOCONFIRMATION);
    // Puts an item back at its original path (creating missing folders), with its attributes
    // and times. Never replaces a file that now stands there (ERROR_FILE_EXISTS); an unknown id
    // fails with ERROR_FILE_NOT_FOUND.
    bool Restore(std::string_view id);

private:
    class StoreLock;

    // The drive letters `rootPath` selects; nullopt for a path on no drive.
    std::optional<std::vector<char>> Letters(std::string_view rootPath) const;
    std::string DriveFolder(char letter) const; // host folder of one drive's bin
    std::vector<RecycledItem> ReadRecords(char letter) const;
    bool WriteRecords(char letter, const std::vector<RecycledItem>& items) const;
    bool CopyOut(std::string_view path, const std::string& hostTarget, std::uint64_t& size);
    bool CopyIn(const std::string& hostSource, const RecycledItem& item);

    Machine& m_machine;
    mutable std::mutex m_mutex;
};

} // namespace lumexa::platform
