#include "platform/files/FileSystemImpl.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/LastError.h"
#include "platform/Text.h"
#include "platform/files/HostFile.h"
#include "platform/files/ShareModes.h"
#include "platform/files/WindowsPaths.h"

namespace lumexa::platform {

using files::DosRecord;
using files::HostTarget;

namespace {

std::vector<DriveConfig> NormalisedDrives(std::vector<DriveConfig> drives)
{
    for (DriveConfig& drive : drives) {
        if (drive.letter >= 'a' && drive.letter <= 'z')
            drive.letter = static_cast<char>(drive.letter - 'a' + 'A');
        // Host paths are compared as text (WindowsPath), so every drive folder is absolute and
        // normalised.
        std::string host = drive.hostPath;
        if (!host.starts_with('/')) {
            char* cwd = ::getcwd(nullptr, 0);
            host = std::string(cwd ? cwd : "/") + "/" + host;
            std::free(cwd);
        }
        drive.hostPath = files::NormaliseHostPath(host).value_or("/");
    }
    std::sort(
        drives.begin(), drives.end(), [](const DriveConfig& a, const DriveConfig& b) { return a.letter < b.letter; });
    return drives;
}

// The side store for hosts without extended attributes sits beside the first drive folder
// that is not the host's root ("<machine>/drive_c.dosattrib.db"), outside every drive.
std::string SideStorePath(const std::vector<DriveConfig>& drives)
{
    for (const DriveConfig& drive : drives) {
        if (drive.hostPath.size() > 1)
            return drive.hostPath + ".dosattrib.db";
    }
    return {};
}

std::string WithoutTrailingSeparator(std::string path)
{
    if (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

std::string JoinHost(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string NameOf(const std::string& host)
{
    return host.substr(host.rfind('/') + 1);
}

std::string ParentOf(const std::string& host)
{
    const std::size_t slash = host.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : host.substr(0, slash);
}

bool IsDirectory(const std::string& host)
{
    struct stat st = {};
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int OpenForShareCheck(const std::string& host, const struct stat& st)
{
    // Only regular files carry share modes; opening a device or a pipe could block or act.
    if (!S_ISREG(st.st_mode))
        return -1;
    return ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
}

void CloseIfOpen(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace

FileSystem::Impl::Impl(FileSystemConfig config, Registry* registry)
    : m_drives(NormalisedDrives(std::move(config.drives)))
    , m_registry(registry)
    , m_currentDirectory(WithoutTrailingSeparator(files::FullWindowsPath(config.currentDirectory, "C:\\")))
    , m_attributes(config.useExtendedAttributes, SideStorePath(m_drives))
{
    for (const DriveConfig& drive : m_drives) {
        if (drive.capacity == 0) {
            m_space.push_back(nullptr);
            continue;
        }
        const std::uint64_t cluster = std::uint64_t{drive.bytesPerSector} * drive.sectorsPerCluster;
        m_space.push_back(std::make_unique<files::SpaceAccount>(drive.hostPath, drive.capacity, cluster));
    }
}

FileSystem::Impl::~Impl() = default;

std::string FileSystem::Impl::FullPath(std::string_view path) const
{
    return files::FullWindowsPath(path, m_currentDirectory);
}

std::optional<std::size_t> FileSystem::Impl::DriveIndex(char letter) const
{
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    for (std::size_t i = 0; i < m_drives.size(); ++i) {
        if (m_drives[i].letter == letter)
            return i;
    }
    return std::nullopt;
}

std::optional<HostTarget> FileSystem::Impl::Resolve(std::string_view path) const
{
    HostTarget target;
    target.fullPath = FullPath(path);
    const auto split = files::SplitDrivePath(target.fullPath);
    const auto drive = split ? DriveIndex(split->letter) : std::nullopt;
    if (!drive) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    target.drive = *drive;
    const std::vector<std::string>& components = split->components;
    for (const std::string& component : components) {
        if (files::HasInvalidNameCharacters(component)) {
            SetLastError(ERROR_INVALID_NAME);
            return std::nullopt;
        }
    }
    const std::string& root = m_drives[*drive].hostPath;
    if (components.empty()) {
        target.isRoot = true;
        target.host = root;
        target.parentExists = true;
        target.exists = ::lstat(root.c_str(), &target.st) == 0;
        return target;
    }
    target.name = components.back();

    // Exact case first: one lstat when the path exists as written.
    std::string written = root == "/" ? std::string() : root;
    for (const std::string& component : components)
        written += "/" + component;
    if (::lstat(written.c_str(), &target.st) == 0) {
        target.host = std::move(written);
        target.parentHost = ParentOf(target.host);
        target.exists = target.parentExists = true;
        return target;
    }

    // Then the parent as written, else each component in turn, case-insensitively.
    std::string parent = ParentOf(written);
    bool parentIsFolder = IsDirectory(parent);
    if (!parentIsFolder && components.size() > 1) {
        std::string current = root;
        parentIsFolder = IsDirectory(root);
        for (std::size_t i = 0; i + 1 < components.size(); ++i) {
            const std::string exact = JoinHost(current, components[i]);
            if (!parentIsFolder) {
                current = exact;
                continue;
            }
            struct stat st = {};
            if (::stat(exact.c_str(), &st) == 0) {
                current = exact;
                parentIsFolder = S_ISDIR(st.st_mode);
                continue;
            }
            const auto stored = errno == ENOENT ? m_folderNames.Find(current, components[i]) : std::nullopt;
            current = stored ? JoinHost(current, *stored) : exact;
            parentIsFolder = stored && IsDirectory(current);
        }
        parent = current;
    }
    target.parentHost = parent;
    target.parentExists = parentIsFolder;
    target.host = JoinHost(parent, target.name);
    // A listing that names a file gone behind the layer's back is read again, once.
    for (int attempt = 0; parentIsFolder && attempt < 2 && !target.exists; ++attempt) {
        const auto stored = m_folderNames.Find(parent, target.name);
        if (!stored)
            break;
        target.host = JoinHost(parent, *stored);
        target.exists = ::lstat(target.host.c_str(), &target.st) == 0;
        if (!target.exists) {
            m_folderNames.Forget(parent);
            target.host = JoinHost(parent, target.name);
        }
    }
    return target;
}

bool FileSystem::Impl::FailMissing(const HostTarget& target)
{
    return Fail(target.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

bool FileSystem::Impl::IsMountPoint(const HostTarget& target)
{
    if (target.isRoot || !target.exists || !S_ISDIR(target.st.st_mode))
        return false;
    struct stat parent = {};
    return ::lstat(target.parentHost.c_str(), &parent) == 0 && parent.st_dev != target.st.st_dev;
}

FindData FileSystem::Impl::Describe(const std::string& host, const struct stat& lst, bool mountPoint)
{
    FindData data;
    data.lastAccessTime = files::FileTimeFromTimespec(lst.st_atim);
    data.lastWriteTime = files::FileTimeFromTimespec(lst.st_mtim);
    if (S_ISLNK(lst.st_mode)) {
        // Links show as reparse points, so that walkers leave them alone.
        data.attributes = FILE_ATTRIBUTE_REPARSE_POINT | (IsDirectory(host) ? FILE_ATTRIBUTE_DIRECTORY : 0);
        data.creationTime = data.lastWriteTime;
        return data;
    }
    const DosRecord record = m_attributes.Effective(host, lst);
    data.attributes = record.attributes;
    data.creationTime = record.creationTime;
    if (S_ISDIR(lst.st_mode))
        data.attributes |= FILE_ATTRIBUTE_DIRECTORY | (mountPoint ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    else
        data.size = static_cast<std::uint64_t>(lst.st_size);
    if (data.attributes == 0)
        data.attributes = FILE_ATTRIBUTE_NORMAL;
    return data;
}

int FileSystem::Impl::OpenHostFile(const HostTarget& target,
                                   const files::OpenRequest& request,
                                   DosRecord& record,
                                   bool& created)
{
    const Disposition disposition = request.disposition;
    const auto fail = [](std::uint32_t code) {
        SetLastError(code);
        return -1;
    };
    created = false;
    if (!target.exists) {
        if (!target.parentExists)
            return fail(ERROR_PATH_NOT_FOUND);
        if (disposition == Disposition::OpenExisting || disposition == Disposition::TruncateExisting)
            return fail(ERROR_FILE_NOT_FOUND);
        if (!files::IsValidNewName(target.name))
            return fail(ERROR_INVALID_NAME);
        const int fd = ::open(target.host.c_str(), request.hostFlags | O_CREAT | O_EXCL, 0666);
        if (fd < 0) {
            // Created by someone else between the look and the open.
            if (errno == EEXIST)
                return fail(disposition == Disposition::CreateNew ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);
            return fail(Win32ErrorFromErrno(errno, true));
        }
        created = true;
        m_folderNames.Added(target.parentHost, target.name);
        return fd;
    }
    if (disposition == Disposition::CreateNew)
        return fail(ERROR_FILE_EXISTS);
    struct stat st = {};
    if (::stat(target.host.c_str(), &st) != 0)
        return fail(Win32ErrorFromErrno(errno)); // a link to nothing
    // A folder (or a device) is no file: Windows refuses it without backup semantics.
    if (!S_ISREG(st.st_mode))
        return fail(ERROR_ACCESS_DENIED);
    record = m_attributes.Effective(target.host, st);
    // As Win32: read-only is honoured even for root; CREATE_ALWAYS must repeat HIDDEN and
    // SYSTEM when the file has them.
    const bool truncates = disposition == Disposition::CreateAlways || disposition == Disposition::TruncateExisting;
    const bool readOnly = record.attributes & FILE_ATTRIBUTE_READONLY;
    const std::uint32_t kept = record.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if ((readOnly && ((request.access & files::kAccessWrite) || truncates)) ||
        (disposition == Disposition::CreateAlways && (request.attributes & kept) != kept))
        return fail(ERROR_ACCESS_DENIED);
    int fd = ::open(target.host.c_str(), request.hostFlags);
    if (fd < 0 && request.access == 0 && errno == EACCES)
        fd = ::open(target.host.c_str(), O_PATH | O_CLOEXEC); // enough for size and times
    if (fd < 0)
        FailErrno();
    return fd;
}

std::unique_ptr<FileHandle> FileSystem::Impl::OpenFile(std::string_view path,
                                                       std::uint32_t desiredAccess,
                                                       std::uint32_t shareMode,
                                                       Disposition disposition,
                                                       std::uint32_t attributes,
                                                       std::uint32_t flags,
                                                       std::uint32_t options)
{
    const unsigned access = files::DataAccessOf(desiredAccess);
    const auto how = static_cast<std::uint32_t>(disposition);
    const bool truncates = disposition == Disposition::CreateAlways || disposition == Disposition::TruncateExisting;
    if (how < 1 || how > 5 || (disposition == Disposition::TruncateExisting && !(access & files::kAccessWrite))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto target = Resolve(path);
    if (!target)
        return nullptr;

    files::OpenRequest request;
    request.access = access;
    request.disposition = disposition;
    request.attributes = attributes;
    request.hostFlags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY | ((access & files::kAccessWrite) ? O_RDWR : O_RDONLY);
    if (flags & FILE_FLAG_WRITE_THROUGH)
        request.hostFlags |= O_DSYNC;
    if (options & files::kOpenAppend)
        request.hostFlags |= O_APPEND;
    DosRecord record;
    bool created = false;
    const int fd = OpenHostFile(*target, request, record, created);
    struct stat st = {};
    if (fd < 0)
        return nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED); // replaced by a folder or a device meanwhile
        return nullptr;
    }

    const unsigned shared = files::SharedAccessOf(shareMode);
    {
        files::ShareGuard guard(st);
        if (files::ShareConflict(fd, access, shared)) {
            ::close(fd);
            SetLastError(ERROR_SHARING_VIOLATION);
            return nullptr;
        }
        files::MarkShare(fd, access, shared);
    }

    files::SpaceAccount* space = m_space[target->drive].get();
    if (!created && truncates && st.st_size > 0) {
        if (::ftruncate(fd, 0) != 0) {
            const int error = errno;
            ::close(fd);
            SetLastError(Win32ErrorFromErrno(error));
            return nullptr;
        }
        if (space)
            space->Shrink(static_cast<std::uint64_t>(st.st_size), 0);
    }
    if (created || disposition == Disposition::CreateAlways) {
        // FILE_ATTRIBUTE_NORMAL (alone or not) adds nothing; a new or overwritten file is ARCHIVE.
        DosRecord fresh;
        fresh.attributes = (attributes & files::kSettableAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        fresh.creationTime = created ? files::FileTimeNow() : record.creationTime;
        m_attributes.Write(target->host, st, fresh, fd);
        record = fresh;
    }

    files::HostFile::Setup setup;
    setup.fd = fd;
    setup.path = target->fullPath;
    setup.host = target->host;
    setup.access = access;
    setup.writeAttributes =
        (access & files::kAccessWrite) || (desiredAccess & files::FILE_WRITE_ATTRIBUTES_ACCESS) != 0;
    setup.append = (options & files::kOpenAppend) != 0;
    setup.archiveSet = (record.attributes & FILE_ATTRIBUTE_ARCHIVE) != 0;
    setup.attributes = &m_attributes;
    setup.space = space;
    // CREATE_ALWAYS and OPEN_ALWAYS tell the caller that the file was already there.
    const bool existed =
        !created && (disposition == Disposition::CreateAlways || disposition == Disposition::OpenAlways);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return std::make_unique<files::HostFile>(std::move(setup));
}

bool FileSystem::Impl::DeleteFile(std::string_view path, bool ignoreReadOnly)
{
    const auto target = Resolve(path);
    if (!target)
        return false;
    if (!target->exists)
        return FailMissing(*target);
    if (target->isRoot || S_ISDIR(target->st.st_mode))
        return Fail(ERROR_ACCESS_DENIED);
    if (S_ISLNK(target->st.st_mode)) {
        // A link goes, never its target; a link to a folder is RemoveDirectory's.
        if (IsDirectory(target->host))
            return Fail(ERROR_ACCESS_DENIED);
        if (::unlink(target->host.c_str()) != 0)
            return FailErrno();
        m_folderNames.Removed(target->parentHost, NameOf(target->host));
        m_attributes.Forget(target->host);
        return true;
    }
    if (!ignoreReadOnly && (m_attributes.Effective(target->host, target->st).attributes & FILE_ATTRIBUTE_READONLY))
        return Fail(ERROR_ACCESS_DENIED);

    const int fd = OpenForShareCheck(target->host, target->st);
    int error = 0;
    {
        files::ShareGuard guard(target->st);
        // Linux would unlink a file in use; Windows refuses unless every handle shares delete.
        if (fd >= 0 && files::DeleteConflict(fd))
            error = -1;
        else if (::unlink(target->host.c_str()) != 0)
            error = errno;
    }
    CloseIfOpen(fd);
    if (error == -1)
        return Fail(ERROR_SHARING_VIOLATION);
    if (error != 0)
        return Fail(Win32ErrorFromErrno(error));
    if (auto* space = m_space[target->drive].get(); space && S_ISREG(target->st.st_mode) && target->st.st_nlink == 1)
        space->Shrink(static_cast<std::uint64_t>(target->st.st_size), 0);
    m_folderNames.Removed(target->parentHost, NameOf(target->host));
    m_attributes.Forget(target->host);
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool FileSystem::Impl::RenameHost(const HostTarget& from, const std::string& toHost, const HostTarget* replaced)
{
    const int fromFd = OpenForShareCheck(from.host, from.st);
    const int toFd = replaced ? OpenForShareCheck(replaced->host, replaced->st) : -1;
    int error = 0;
    {
        files::ShareGuard guard(from.st, replaced ? &replaced->st : nullptr);
        if ((fromFd >= 0 && files::DeleteConflict(fromFd)) || (toFd >= 0 && files::DeleteConflict(toFd))) {
            error = -1;
        } else if (replaced) {
            if (std::rename(from.host.c_str(), toHost.c_str()) != 0)
                error = errno;
        } else if (::renameat2(AT_FDCWD, from.host.c_str(), AT_FDCWD, toHost.c_str(), RENAME_NOREPLACE) != 0) {
            error = errno;
            // A file system without RENAME_NOREPLACE: check, then rename, still under the guard.
            struct stat existing = {};
            if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
                if (::lstat(toHost.c_str(), &existing) == 0)
                    error = EEXIST;
                else
                    error = std::rename(from.host.c_str(), toHost.c_str()) == 0 ? 0 : errno;
            }
        }
    }
    CloseIfOpen(fromFd);
    CloseIfOpen(toFd);
    if (error == -1)
        return Fail(ERROR_SHARING_VIOLATION);
    if (error != 0)
        return Fail(Win32ErrorFromErrno(error, true));
    if (replaced && replaced->exists && S_ISREG(replaced->st.st_mode) && replaced->st.st_nlink == 1) {
        if (auto* space = m_space[replaced->drive].get())
            space->Shrink(static_cast<std::uint64_t>(replaced->st.st_size), 0);
    }
    m_folderNames.Removed(ParentOf(from.host), NameOf(from.host));
    m_folderNames.Added(ParentOf(toHost), NameOf(toHost));
    m_attributes.Moved(from.host, toHost);
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool FileSystem::Impl::CopyFile(std::string_view from, std::string_view to, bool failIfExists, bool keepCreationTime)
{
    auto source = OpenFile(from,
                           GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_DELETE,
                           Disposition::OpenExisting,
                           FILE_ATTRIBUTE_NORMAL,
                           FILE_FLAG_SEQUENTIAL_SCAN);
    if (!source)
        return false;
    FileTimes times;
    const auto sourceTarget = Resolve(from);
    struct stat st = {};
    if (!source->GetTimes(times) || !sourceTarget || ::stat(sourceTarget->host.c_str(), &st) != 0)
        return false;
    const std::uint32_t attributes = m_attributes.Effective(sourceTarget->host, st).attributes;

    auto copy = OpenFile(to,
                         GENERIC_WRITE,
                         FILE_SHARE_NONE,
                         failIfExists ? Disposition::CreateNew : Disposition::CreateAlways,
                         attributes,
                         FILE_FLAG_SEQUENTIAL_SCAN);
    if (!copy)
        return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        std::size_t got = 0;
        std::size_t put = 0;
        bool ok = source->Read(buffer.data(), buffer.size(), got);
        if (ok && got > 0)
            ok = copy->Write(buffer.data(), got, put);
        if (!ok) {
            // No half copy stays behind (a full disk, a read error).
            const std::uint32_t error = GetLastError();
            copy.reset();
            DeleteFile(to, true);
            return Fail(error);
        }
        if (got == 0)
            break;
    }
    // As CopyFile: the copy keeps the last write time; a move keeps every time.
    copy->SetTimes(keepCreationTime ? &times.creationTime : nullptr,
                   keepCreationTime ? &times.lastAccessTime : nullptr,
                   &times.lastWriteTime);
    SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace lumexa::platform
