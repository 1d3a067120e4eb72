#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/LastError.h"
#include "platform/Text.h"
#include "platform/files/FileSystemImpl.h"
#include "platform/files/WindowsPaths.h"

namespace lumexa::platform {

using files::DosRecord;
using files::HostTarget;

namespace {

bool IsHostDirectory(const std::string& host)
{
    struct stat st = {};
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The Windows folder that holds a full path ("C:\a\b" -> "C:\a", "C:\a" -> "C:\").
std::string FolderOf(const std::string& fullPath)
{
    std::string path = fullPath;
    if (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return path;
    return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

// The first `count` characters (not bytes) of UTF-8 text.
std::string FirstCharacters(std::string_view text, std::size_t count)
{
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size() && seen < count; ++seen) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return std::string(text.substr(0, end));
}

std::string TempName(const std::string& folder, const std::string& prefix, unsigned number)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", number);
    return folder + (folder.ends_with('\\') ? "" : "\\") + prefix + hex + ".tmp";
}

unsigned RandomTempNumber()
{
    thread_local std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<unsigned>(1, 0xFFFF)(generator);
}

// GetTempFileName with unique 0: tries numbers from a random start until CREATE_NEW succeeds.
std::unique_ptr<FileHandle>
CreateUniqueFile(FileSystem::Impl& impl, const std::string& folder, const std::string& prefix, std::string& name)
{
    const unsigned start = RandomTempNumber();
    for (unsigned i = 0; i < 0xFFFF; ++i) {
        name = TempName(folder, prefix, (start - 1 + i) % 0xFFFF + 1);
        auto handle =
            impl.OpenFile(name, GENERIC_WRITE, FILE_SHARE_NONE, Disposition::CreateNew, FILE_ATTRIBUTE_NORMAL, 0);
        if (handle || GetLastError() != ERROR_FILE_EXISTS)
            return handle;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return nullptr;
}

void SyncFolder(const std::string& host)
{
    const int fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

FileSystem::FileSystem(FileSystemConfig config, Registry* registry)
    : m_impl(std::make_unique<Impl>(std::move(config), registry))
{}

FileSystem::~FileSystem() = default;

// ---- paths

std::string FileSystem::FullPath(std::string_view path) const
{
    return m_impl->FullPath(path);
}

std::optional<std::string> FileSystem::HostPath(std::string_view path) const
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return std::nullopt;
    return target->host;
}

std::optional<std::string> FileSystem::WindowsPath(std::string_view hostPath) const
{
    const auto host = files::NormaliseHostPath(hostPath);
    if (!host)
        return std::nullopt;
    const DriveConfig* best = nullptr;
    for (const DriveConfig& drive : m_impl->Drives()) {
        const std::string& root = drive.hostPath;
        const bool contains = root == "/" || *host == root || host->starts_with(root + "/");
        if (contains && (!best || root.size() > best->hostPath.size()))
            best = &drive;
    }
    if (!best)
        return std::nullopt;
    std::string rest =
        best->hostPath == "/" ? host->substr(1) : host->substr(std::min(host->size(), best->hostPath.size() + 1));
    for (char& c : rest) {
        if (c == '/')
            c = '\\';
    }
    return std::string(1, best->letter) + ":\\" + rest;
}

std::string FileSystem::FromUserPath(std::string_view path) const
{
    if (path.starts_with('/'))
        return WindowsPath(path).value_or(std::string(path));
    return std::string(path);
}

const std::string& FileSystem::CurrentDirectory() const
{
    return m_impl->CurrentDirectory();
}

bool FileSystem::SetCurrentDirectory(std::string_view path)
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    if (!target->exists)
        return Impl::FailMissing(*target);
    if (!IsHostDirectory(target->host))
        return Fail(ERROR_DIRECTORY);
    std::string full = target->fullPath;
    if (full.size() > 3 && full.back() == '\\')
        full.pop_back();
    m_impl->SetCurrentDirectory(std::move(full));
    SetLastError(ERROR_SUCCESS);
    return true;
}

// ---- files

std::unique_ptr<FileHandle> FileSystem::CreateFile(std::string_view path,
                                                   std::uint32_t desiredAccess,
                                                   std::uint32_t shareMode,
                                                   Disposition disposition,
                                                   std::uint32_t attributes,
                                                   std::uint32_t flags)
{
    return m_impl->OpenFile(path, desiredAccess, shareMode, disposition, attributes, flags);
}

std::uint32_t FileSystem::GetFileAttributes(std::string_view path) const
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return INVALID_FILE_ATTRIBUTES;
    if (!target->exists) {
        Impl::FailMissing(*target);
        return INVALID_FILE_ATTRIBUTES;
    }
    return m_impl->Describe(target->host, target->st, Impl::IsMountPoint(*target)).attributes;
}

bool FileSystem::SetFileAttributes(std::string_view path, std::uint32_t attributes)
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    if (!target->exists)
        return Impl::FailMissing(*target);
    struct stat st = {};
    if (::stat(target->host.c_str(), &st) != 0)
        return FailErrno();
    // FILE_ATTRIBUTE_NORMAL and the derived bits (DIRECTORY, REPARSE_POINT) store nothing.
    DosRecord record = m_impl->Attributes().Effective(target->host, st);
    record.attributes = attributes & files::kSettableAttributes;
    m_impl->Attributes().Write(target->host, st, record);
    SetLastError(ERROR_SUCCESS);
    return true;
}

std::optional<FileTimes> FileSystem::GetFileTimes(std::string_view path) const
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return std::nullopt;
    if (!target->exists) {
        Impl::FailMissing(*target);
        return std::nullopt;
    }
    struct stat st = target->st;
    ::stat(target->host.c_str(), &st); // the object behind a link; the link itself when dangling
    FileTimes times;
    times.creationTime = m_impl->Attributes().Effective(target->host, st).creationTime;
    times.lastAccessTime = files::FileTimeFromTimespec(st.st_atim);
    times.lastWriteTime = files::FileTimeFromTimespec(st.st_mtim);
    return times;
}

bool FileSystem::SetFileTimes(std::string_view path,
                              const FileTime* creation,
                              const FileTime* lastAccess,
                              const FileTime* lastWrite)
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    if (!target->exists)
        return Impl::FailMissing(*target);
    // As SetFileTime: a missing or zero time is left as it is. Times are attributes, so a
    // read-only file takes them too.
    timespec host[2];
    host[0].tv_nsec = UTIME_OMIT;
    host[1].tv_nsec = UTIME_OMIT;
    if (lastAccess && lastAccess->ticks != 0)
        host[0] = files::TimespecFromFileTime(*lastAccess);
    if (lastWrite && lastWrite->ticks != 0)
        host[1] = files::TimespecFromFileTime(*lastWrite);
    if (::utimensat(AT_FDCWD, target->host.c_str(), host, 0) != 0)
        return FailErrno();
    if (creation && creation->ticks != 0) {
        struct stat st = {};
        if (::stat(target->host.c_str(), &st) != 0)
            return FailErrno();
        DosRecord record = m_impl->Attributes().Effective(target->host, st);
        record.creationTime = *creation;
        m_impl->Attributes().Write(target->host, st, record);
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

std::optional<std::uint64_t> FileSystem::GetFileSize(std::string_view path) const
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return std::nullopt;
    struct stat st = {};
    if (!target->exists || ::stat(target->host.c_str(), &st) != 0) {
        Impl::FailMissing(*target);
        return std::nullopt;
    }
    return S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool FileSystem::FileExists(std::string_view path) const
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    struct stat st = {};
    if (!target->exists || ::stat(target->host.c_str(), &st) != 0)
        return Impl::FailMissing(*target);
    return !S_ISDIR(st.st_mode);
}

bool FileSystem::DirectoryExists(std::string_view path) const
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    if (!target->exists)
        return Impl::FailMissing(*target);
    return IsHostDirectory(target->host);
}

bool FileSystem::DeleteFile(std::string_view path)
{
    return m_impl->DeleteFile(path, false);
}

bool FileSystem::MoveFile(std::string_view from, std::string_view to)
{
    const auto source = m_impl->Resolve(from);
    if (!source)
        return false;
    if (!source->exists)
        return Impl::FailMissing(*source);
    if (source->isRoot)
        return Fail(ERROR_ACCESS_DENIED);
    const auto target = m_impl->Resolve(to);
    if (!target)
        return false;
    if (target->isRoot)
        return Fail(ERROR_ALREADY_EXISTS);
    if (!target->parentExists)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (!files::IsValidNewName(target->name))
        return Fail(ERROR_INVALID_NAME);
    std::string targetHost = target->host;
    if (target->exists) {
        // MoveFile never replaces; only a new spelling of the same name renames the file itself.
        const bool sameFile = target->st.st_dev == source->st.st_dev && target->st.st_ino == source->st.st_ino &&
                              EqualsNoCase(target->fullPath, source->fullPath);
        if (!sameFile)
            return Fail(ERROR_ALREADY_EXISTS);
        targetHost = target->parentHost == "/" ? "/" + target->name : target->parentHost + "/" + target->name;
        if (targetHost == source->host) {
            SetLastError(ERROR_SUCCESS);
            return true;
        }
    }
    const bool folder = S_ISDIR(source->st.st_mode);
    if (source->drive == target->drive) {
        if (m_impl->RenameHost(*source, targetHost, nullptr))
            return true;
        if (GetLastError() != ERROR_NOT_SAME_DEVICE || folder)
            return false; // a folder moves within one volume only
    } else if (folder) {
        return Fail(ERROR_NOT_SAME_DEVICE);
    }
    // Another volume: the file is copied with its attributes and times, then deleted.
    if (!m_impl->CopyFile(source->fullPath, target->fullPath, true, true))
        return false;
    if (!m_impl->DeleteFile(source->fullPath, true)) {
        const std::uint32_t error = GetLastError();
        m_impl->DeleteFile(target->fullPath, true);
        return Fail(error);
    }
    return true;
}

bool FileSystem::CopyFile(std::string_view from, std::string_view to, bool failIfExists)
{
    return m_impl->CopyFile(from, to, failIfExists, false);
}

bool FileSystem::CreateDirectory(std::string_view path)
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    if (target->isRoot || target->exists)
        return Fail(ERROR_ALREADY_EXISTS);
    if (!target->parentExists)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (!files::IsValidNewName(target->name))
        return Fail(ERROR_INVALID_NAME);
    if (::mkdir(target->host.c_str(), 0777) != 0)
        return errno == EEXIST ? Fail(ERROR_ALREADY_EXISTS) : FailErrno(true);
    m_impl->FolderNames().Added(target->parentHost, target->name);
    // A folder's creation time would otherwise follow its modification time.
    struct stat st = {};
    if (::lstat(target->host.c_str(), &st) == 0)
        m_impl->Attributes().Write(target->host, st, DosRecord{0, files::FileTimeNow()});
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool FileSystem::ForceDirectories(std::string_view path)
{
    const std::string full = m_impl->FullPath(path);
    const auto split = files::SplitDrivePath(full);
    if (path.empty() || !split || !m_impl->DriveIndex(split->letter))
        return Fail(ERROR_PATH_NOT_FOUND);
    if (DirectoryExists(full)) {
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    for (std::size_t depth = 1; depth <= split->components.size(); ++depth) {
        const std::string level = files::JoinDrivePath(split->letter, split->components, depth);
        const auto target = m_impl->Resolve(level);
        if (!target)
            return false;
        if (target->exists) {
            if (!IsHostDirectory(target->host))
                return Fail(ERROR_ALREADY_EXISTS); // a file stands in the way
            continue;
        }
        if (!CreateDirectory(level) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool FileSystem::RemoveDirectory(std::string_view path)
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    if (target->isRoot)
        return Fail(ERROR_ACCESS_DENIED);
    if (!target->exists)
        return Impl::FailMissing(*target);
    if (S_ISLNK(target->st.st_mode)) {
        // The link goes; what it points to is never touched.
        if (!IsHostDirectory(target->host))
            return Fail(ERROR_DIRECTORY);
        if (::unlink(target->host.c_str()) != 0)
            return FailErrno(true);
        m_impl->FolderNames().Removed(target->parentHost, target->host.substr(target->host.rfind('/') + 1));
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    if (!S_ISDIR(target->st.st_mode))
        return Fail(ERROR_DIRECTORY);
    if (m_impl->Attributes().Effective(target->host, target->st).attributes & FILE_ATTRIBUTE_READONLY)
        return Fail(ERROR_ACCESS_DENIED);
    if (::rmdir(target->host.c_str()) != 0)
        return (errno == ENOTEMPTY || errno == EEXIST) ? Fail(ERROR_DIR_NOT_EMPTY) : FailErrno(true);
    m_impl->FolderNames().Removed(target->parentHost, target->host.substr(target->host.rfind('/') + 1));
    m_impl->Attributes().Forget(target->host);
    SetLastError(ERROR_SUCCESS);
    return true;
}

const std::vector<DriveConfig>& FileSystem::Drives() const
{
    return m_impl->Drives();
}

std::optional<std::string>
FileSystem::GetTempFileName(std::string_view folder, std::string_view prefix, unsigned unique)
{
    const auto target = m_impl->Resolve(folder);
    if (!target)
        return std::nullopt;
    if (!target->exists || !IsHostDirectory(target->host)) {
        SetLastError(ERROR_DIRECTORY);
        return std::nullopt;
    }
    const std::string shortPrefix = FirstCharacters(prefix, 3);
    // As Windows: only the low 16 bits of `unique` make the name.
    if (unique != 0)
        return TempName(target->fullPath, shortPrefix, unique & 0xFFFF);
    std::string name;
    if (!CreateUniqueFile(*m_impl, target->fullPath, shortPrefix, name))
        return std::nullopt;
    SetLastError(ERROR_SUCCESS);
    return name;
}

// ---- whole files

std::optional<std::string> FileSystem::ReadWholeFile(std::string_view path) const
{
    auto file = m_impl->OpenFile(path,
                                 GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 Disposition::OpenExisting,
                                 FILE_ATTRIBUTE_NORMAL,
                                 FILE_FLAG_SEQUENTIAL_SCAN);
    if (!file)
        return std::nullopt;
    std::string contents;
    char buffer[65536];
    for (;;) {
        std::size_t got = 0;
        if (!file->Read(buffer, sizeof buffer, got))
            return std::nullopt;
        if (got == 0)
            break;
        contents.append(buffer, got);
    }
    SetLastError(ERROR_SUCCESS);
    return contents;
}

bool FileSystem::WriteWholeFileAtomic(std::string_view path, std::string_view data)
{
    const auto target = m_impl->Resolve(path);
    if (!target)
        return false;
    if (target->isRoot)
        return Fail(ERROR_ACCESS_DENIED);
    if (!target->parentExists)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (!target->exists && !files::IsValidNewName(target->name))
        return Fail(ERROR_INVALID_NAME);
    std::optional<DosRecord> previous;
    if (target->exists) {
        struct stat st = {};
        if (::stat(target->host.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return Fail(ERROR_ACCESS_DENIED);
        previous = m_impl->Attributes().Effective(target->host, st);
        if (previous->attributes & FILE_ATTRIBUTE_READONLY)
            return Fail(ERROR_ACCESS_DENIED);
    }

    std::string tempPath;
    auto temp = CreateUniqueFile(*m_impl, FolderOf(target->fullPath), "lmx", tempPath);
    if (!temp)
        return false;
    std::size_t written = 0;
    const bool ok = temp->Write(data.data(), data.size(), written) && temp->Flush();
    temp.reset();
    if (ok) {
        const auto tempTarget = m_impl->Resolve(tempPath);
        if (tempTarget && tempTarget->exists) {
            // The new contents keep the attributes and the creation time of the file they replace.
            if (previous) {
                previous->attributes |= FILE_ATTRIBUTE_ARCHIVE;
                m_impl->Attributes().Write(tempTarget->host, tempTarget->st, *previous);
            }
            if (m_impl->RenameHost(*tempTarget, target->host, target->exists ? &*target : nullptr)) {
                SyncFolder(target->parentHost);
                return true;
            }
        }
    }
    // The old contents stay; the temporary file goes.
    const std::uint32_t error = GetLastError();
    m_impl->DeleteFile(tempPath, true);
    return Fail(error);
}

bool FileSystem::AppendToFile(std::string_view path, std::string_view data)
{
    // Other appenders may hold the file at the same moment: every write lands at the end.
    auto file = m_impl->OpenFile(path,
                                 GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 Disposition::OpenAlways,
                                 FILE_ATTRIBUTE_NORMAL,
                                 0,
                                 files::kOpenAppend);
    if (!file)
        return false;
    std::size_t written = 0;
    if (!file->Write(data.data(), data.size(), written))
        return false;
    SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace lumexa::platform
