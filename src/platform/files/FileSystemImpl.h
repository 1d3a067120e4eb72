#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/files/DosAttributes.h"
#include "platform/files/FolderNames.h"
#include "platform/files/SpaceAccount.h"

namespace lumexa::platform {

namespace files {

// A Windows path mapped onto the host.
struct HostTarget
{
    std::size_t drive = 0;  // index into the configured drives
    std::string fullPath;   // the normalised Windows path
    std::string host;       // existing components in their stored case, the rest as written
    std::string parentHost; // the host folder that holds `host` (empty at a drive root)
    std::string name;       // last component as the caller wrote it (empty at a drive root)
    bool isRoot = false;
    bool exists = false;       // `st` holds the lstat of `host`
    bool parentExists = false; // every component but the last exists and is a folder
    struct stat st = {};
};

// Internal open options next to the Win32 flags.
inline constexpr std::uint32_t kOpenAppend = 1; // every write goes to the end (O_APPEND)

struct OpenRequest
{
    unsigned access = 0; // kAccessRead | kAccessWrite | kAccessDelete
    Disposition disposition = Disposition::OpenExisting;
    std::uint32_t attributes = 0;
    int hostFlags = 0;
};

} // namespace files

// The state behind a FileSystem and the operations its public calls share.
class FileSystem::Impl
{
public:
    Impl(FileSystemConfig config, Registry* registry);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    const std::vector<DriveConfig>& Drives() const { return m_drives; }
    Registry* RegistryOrNull() const { return m_registry; }
    const std::string& CurrentDirectory() const { return m_currentDirectory; }
    void SetCurrentDirectory(std::string fullPath) { m_currentDirectory = std::move(fullPath); }
    files::DosAttributes& Attributes() { return m_attributes; }
    // The layer's own creations and removals keep the case-insensitive lookups current.
    files::FolderNames& FolderNames() { return m_folderNames; }
    // nullptr for a drive with the host's own figures.
    files::SpaceAccount* Space(std::size_t drive) { return m_space[drive].get(); }

    std::string FullPath(std::string_view path) const;
    std::optional<std::size_t> DriveIndex(char letter) const;
    // nullopt with the last error set: ERROR_PATH_NOT_FOUND for a path on no drive,
    // ERROR_INVALID_NAME for a component no Windows name can be.
    std::optional<files::HostTarget> Resolve(std::string_view path) const;
    // Sets ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND for a target that does not exist.
    static bool FailMissing(const files::HostTarget& target);

    // What the program sees of a host object, from its lstat (name left empty).
    FindData Describe(const std::string& host, const struct stat& lst, bool mountPoint);
    // True for a folder on another file system than its parent (a mount point).
    static bool IsMountPoint(const files::HostTarget& target);

    std::unique_ptr<FileHandle> OpenFile(std::string_view path,
                                         std::uint32_t desiredAccess,
                                         std::uint32_t shareMode,
                                         Disposition disposition,
                                         std::uint32_t attributes,
                                         std::uint32_t flags,
                                         std::uint32_t options = 0);
    // DeleteFile; `ignoreReadOnly` for the second half of a move and for boot-time deletes.
    bool DeleteFile(std::string_view path, bool ignoreReadOnly);
    // Copies a file with its attributes; `keepCreationTime` for a move across drives.
    bool CopyFile(std::string_view from, std::string_view to, bool failIfExists, bool keepCreationTime);
    // Renames within one host file system. With `replaced` (the existing target: boot-time
    // renames, atomic writes) it is replaced; without, an existing target fails with
    // ERROR_ALREADY_EXISTS. A file open without delete sharing fails with
    // ERROR_SHARING_VIOLATION; another file system with ERROR_NOT_SAME_DEVICE.
    bool RenameHost(const files::HostTarget& from, const std::string& toHost, const files::HostTarget* replaced);

private:
    // Opens or creates the host file as the disposition says; -1 with the last error set.
    int OpenHostFile(const files::HostTarget& target,
                     const files::OpenRequest& request,
                     files::DosRecord& record,
                     bool& created);

    std::vector<DriveConfig> m_drives;
    Registry* m_registry;
    std::string m_currentDirectory;
    files::DosAttributes m_attributes;
    mutable files::FolderNames m_folderNames;
    std::vector<std::unique_ptr<files::SpaceAccount>> m_space;
};

} // namespace lumexa::platform
