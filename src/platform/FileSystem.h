#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

// Win32 file semantics over host files. Program code keeps Windows paths ("C:\a\b", UTF-8);
// only this layer maps them to host paths, resolving each component case-insensitively
// (exact-case fast path) and creating names with the given case.
//
// What the layer adds to the host file system, because the program relies on it:
// - DOS attributes (read-only, hidden, system, archive) and the creation time, kept in the
//   "user.DOSATTRIB" extended attribute; read-only is enforced here since tests run as root.
// - Share modes: a handle opened without FILE_SHARE_x denies that access to every other
//   handle, in this process or another (open-file-description locks); an open file cannot
//   be deleted or renamed unless every handle shares delete.
// - Windows names: `\ / : * ? " < > |`, control characters, a trailing dot or blank and the
//   device names (CON, NUL, COM1...) are refused when creating.
// - Drives from the machine: C: is a virtual fixed volume whose capacity the layer accounts
//   (writes past it fail with ERROR_DISK_FULL); Z: is the host's "/" with its real figures.
namespace lumexa::platform {

class Registry;

struct DriveConfig
{
    char letter = 'C';
    DriveType type = DriveType::Fixed;
    std::string hostPath; // host folder behind the root, without trailing '/'
    std::string label;
    std::uint32_t serialNumber = 0;
    // Virtual volume size in bytes; 0 = the host file system's real figures.
    std::uint64_t capacity = 0;
    // Bytes the caller may still use at most (a disk quota); 0 = no quota.
    std::uint64_t userQuota = 0;
    std::uint32_t bytesPerSector = 512;
    std::uint32_t sectorsPerCluster = 8;
    std::string fileSystemName = "NTFS";
};

struct FileSystemConfig
{
    std::vector<DriveConfig> drives;
    std::string currentDirectory = "C:\\"; // the virtual current directory (Windows path)
    // False keeps attributes and creation times in the side store beside the drive even where
    // the host has extended attributes (as on a host file system without them).
    bool useExtendedAttributes = true;
};

struct FindData
{
    std::string name;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    FileTime creationTime;
    FileTime lastAccessTime;
    FileTime lastWriteTime;
};

struct FileTimes
{
    FileTime creationTime;
    FileTime lastAccessTime;
    FileTime lastWriteTime;
};

enum class SeekOrigin
{
    Begin = 0,
    Current = 1,
    End = 2,
};

struct DiskFreeSpace
{
    std::uint64_t freeBytesAvailableToCaller = 0;
    std::uint64_t totalBytes = 0;
    std::uint64_t totalFreeBytes = 0;
};

struct DiskGeometry
{
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint64_t numberOfFreeClusters = 0;
    std::uint64_t totalNumberOfClusters = 0;
};

struct VolumeInformation
{
    std::string label;
    std::uint32_t serialNumber = 0;
    std::string fileSystemName;
};

// An open file (CreateFile). Closing releases its share mode.
class FileHandle
{
public:
    virtual ~FileHandle() = default;
    virtual bool Read(void* buffer, std::size_t count, std::size_t& done) = 0;
    // Writing past the end grows the file.
    virtual bool Write(const void* buffer, std::size_t count, std::size_t& done) = 0;
    virtual bool Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* newPosition = nullptr) = 0;
    virtual std::optional<std::uint64_t> Size() const = 0;
    virtual bool SetEndOfFile() = 0;
    virtual bool Flush() = 0; // FlushFileBuffers: data durable on return
    virtual bool GetTimes(FileTimes& times) const = 0;
    // Null pointers leave that time unchanged.
    virtual bool SetTimes(const FileTime* creation, const FileTime* lastAccess, const FileTime* lastWrite) = 0;
    virtual const std::string& Path() const = 0;
};

// FindFirstFile / FindNextFile over "folder\mask", with every attribute. Entries come in a
// deterministic order: "." and ".." first (except at a drive root), then by upper-cased name.
class FindHandle
{
public:
    virtual ~FindHandle() = default;
    virtual const FindData& Data() const = 0;
    // False with ERROR_NO_MORE_FILES at the end.
    virtual bool Next() = 0;
};

class FileSystem
{
public:
    FileSystem(FileSystemConfig config, Registry* registry);
    ~FileSystem();
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    // ---- paths
    // GetFullPathName: makes a path absolute against the current directory, accepts '/' as a
    // separator, collapses repeated separators and resolves "." and "..".
    std::string FullPath(std::string_view path) const;
    // The host path a Windows path maps to; components that exist are resolved to their
    // stored case, the rest are kept as written. nullopt for a path on no drive.
    std::optional<std::string> HostPath(std::string_view path) const;
    // The Windows path of a host path (the most specific drive whose folder contains it).
    std::optional<std::string> WindowsPath(std::string_view hostPath) const;
    // Accepts either form: an absolute host path ("/home/ann/a.txt") is converted, anything
    // else is taken as a Windows path.
    std::string FromUserPath(std::string_view path) const;
    const std::string& CurrentDirectory() const;
    bool SetCurrentDirectory(std::string_view path);

    // ---- files
    std::unique_ptr<FileHandle> CreateFile(std::string_view path,
                                           std::uint32_t desiredAccess,
                                           std::uint32_t shareMode,
                                           Disposition disposition,
                                           std::uint32_t attributes = FILE_ATTRIBUTE_NORMAL,
                                           std::uint32_t flags = 0);
    // nullptr with ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND or ERROR_NO_MORE_FILES.
    std::unique_ptr<FindHandle> FindFirstFile(std::string_view pattern);
    // The directory-search wildcard rules: case-insensitive, "*" any run, "?" one character,
    // "*.*" every name, "*." names without a dot, a trailing ".*" also names without one.
    static bool MatchesFindMask(std::string_view name, std::string_view mask);

    // INVALID_FILE_ATTRIBUTES on failure.
    std::uint32_t GetFileAttributes(std::string_view path) const;
    bool SetFileAttributes(std::string_view path, std::uint32_t attributes);
    std::optional<FileTimes> GetFileTimes(std::string_view path) const;
    bool SetFileTimes(std::string_view path,
                      const FileTime* creation,
                      const FileTime* lastAccess,
                      const FileTime* lastWrite);
    std::optional<std::uint64_t> GetFileSize(std::string_view path) const;
    bool FileExists(std::string_view path) const;      // a file, not a folder
    bool DirectoryExists(std::string_view path) const; // a folder

    // DeleteFile: fails on folders, read-only files and files open without delete sharing.
    bool DeleteFile(std::string_view path);
    // MoveFile: never replaces an existing target (a case-only rename of the same file is
    // allowed); folders move within a drive only.
    bool MoveFile(std::string_view from, std::string_view to);
    // MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT): recorded in the registry value
    // "PendingFileRenameOperations"; no target means delete. Carried out by
    // ApplyPendingFileRenameOperations (the machine's restart).
    bool MoveFileDelayUntilReboot(std::string_view from, std::optional<std::string_view> to);
    // Carries out and clears the pending operations; returns one line per operation.
    std::vector<std::string> ApplyPendingFileRenameOperations();
    bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);

    bool CreateDirectory(std::string_view path);
    bool ForceDirectories(std::string_view path); // every missing level; true when it exists
    bool RemoveDirectory(std::string_view path);  // only when empty

    // ---- volumes
    std::vector<std::string> GetLogicalDriveStrings() const; // {"C:\\", "Z:\\"} in letter order
    DriveType GetDriveType(std::string_view root) const;
    std::optional<DiskFreeSpace> GetDiskFreeSpaceEx(std::string_view path) const;
    std::optional<DiskGeometry> GetDiskFreeSpace(std::string_view root) const;
    std::optional<VolumeInformation> GetVolumeInformation(std::string_view root) const;
    const std::vector<DriveConfig>& Drives() const;

    // GetTempFileName: "<first three characters of prefix><hex>.tmp" in `folder`. With unique
    // 0 a free name is found and the file created; otherwise the name is formed from
    // `unique` and nothing is created.
    std::optional<std::string> GetTempFileName(std::string_view folder, std::string_view prefix, unsigned unique);

    // ---- whole files, for the program's own small files
    std::optional<std::string> ReadWholeFile(std::string_view path) const;
    // Writes a temporary file in the same folder, flushes it and renames it over `path`, so
    // a failure leaves the old contents.
    bool WriteWholeFileAtomic(std::string_view path, std::string_view data);
    // Opens (creating when missing), appends at the end and closes.
    bool AppendToFile(std::string_view path, std::string_view data);

    class Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace lumexa::platform
