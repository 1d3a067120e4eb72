// Drives and volumes: GetLogicalDriveStrings, GetDriveType, GetVolumeInformation and the
// free-space figures.
#include <algorithm>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/files/FileSystemImpl.h"
#include "platform/files/SpaceAccount.h"
#include "platform/files/WindowsPaths.h"

namespace lumexa::platform {

namespace {

// The drive letter of a root as the volume calls take it: "C:\", "C:", "c:/"; an empty root is
// the current drive's. nullopt for anything else ("C:\dir\" is no root).
std::optional<char> RootLetter(std::string_view root, const std::string& currentDirectory)
{
    if (root.empty())
        return currentDirectory.empty() ? 'C' : currentDirectory[0];
    const bool letter = (root[0] >= 'A' && root[0] <= 'Z') || (root[0] >= 'a' && root[0] <= 'z');
    if (!letter || root.size() < 2 || root[1] != ':')
        return std::nullopt;
    if (root.size() > 3 || (root.size() == 3 && root[2] != '\\' && root[2] != '/'))
        return std::nullopt;
    return static_cast<char>(root[0] >= 'a' ? root[0] - 'a' + 'A' : root[0]);
}

bool FolderExists(const std::string& host)
{
    struct stat st = {};
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint64_t ClusterSize(const DriveConfig& drive)
{
    const std::uint64_t size = std::uint64_t{drive.bytesPerSector} * drive.sectorsPerCluster;
    return size == 0 ? 4096 : size;
}

} // namespace

std::vector<std::string> FileSystem::GetLogicalDriveStrings() const
{
    std::vector<std::string> roots;
    for (const DriveConfig& drive : m_impl->Drives())
        roots.push_back(std::string(1, drive.letter) + ":\\");
    return roots;
}

DriveType FileSystem::GetDriveType(std::string_view root) const
{
    const auto letter = RootLetter(root, m_impl->CurrentDirectory());
    const auto index = letter ? m_impl->DriveIndex(*letter) : std::nullopt;
    return index ? m_impl->Drives()[*index].type : DriveType::NoRootDir;
}

std::optional<VolumeInformation> FileSystem::GetVolumeInformation(std::string_view root) const
{
    const auto letter = RootLetter(root, m_impl->CurrentDirectory());
    const auto index = letter ? m_impl->DriveIndex(*letter) : std::nullopt;
    if (!index) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    const DriveConfig& drive = m_impl->Drives()[*index];
    // A drive whose folder is missing is a drive without a medium.
    if (!FolderExists(drive.hostPath)) {
        SetLastError(ERROR_NOT_READY);
        return std::nullopt;
    }
    SetLastError(ERROR_SUCCESS);
    return VolumeInformation{drive.label, drive.serialNumber, drive.fileSystemName};
}

std::optional<DiskFreeSpace> FileSystem::GetDiskFreeSpaceEx(std::string_view path) const
{
    const auto split = files::SplitDrivePath(m_impl->FullPath(path.empty() ? std::string_view("\\") : path));
    const auto index = split ? m_impl->DriveIndex(split->letter) : std::nullopt;
    if (!index) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    const DriveConfig& drive = m_impl->Drives()[*index];
    if (!FolderExists(drive.hostPath)) {
        SetLastError(ERROR_NOT_READY);
        return std::nullopt;
    }
    DiskFreeSpace space;
    if (files::SpaceAccount* account = m_impl->Space(*index)) {
        // A virtual volume: the layer's own figure, never the host disk's.
        const std::uint64_t used = std::min(account->Used(true), account->Capacity());
        space.totalBytes = account->Capacity();
        space.totalFreeBytes = space.totalBytes - used;
        space.freeBytesAvailableToCaller = space.totalFreeBytes;
    } else {
        struct statvfs host = {};
        if (::statvfs(drive.hostPath.c_str(), &host) != 0) {
            FailErrno(true);
            return std::nullopt;
        }
        const std::uint64_t unit = host.f_frsize ? host.f_frsize : host.f_bsize;
        space.totalBytes = std::uint64_t{host.f_blocks} * unit;
        space.totalFreeBytes = std::uint64_t{host.f_bfree} * unit;
        space.freeBytesAvailableToCaller = std::uint64_t{host.f_bavail} * unit;
    }
    if (drive.userQuota != 0)
        space.freeBytesAvailableToCaller = std::min(space.freeBytesAvailableToCaller, drive.userQuota);
    SetLastError(ERROR_SUCCESS);
    return space;
}

std::optional<DiskGeometry> FileSystem::GetDiskFreeSpace(std::string_view root) const
{
    const auto letter = RootLetter(root, m_impl->CurrentDirectory());
    const auto index = letter ? m_impl->DriveIndex(*letter) : std::nullopt;
    if (!index) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    const auto space = GetDiskFreeSpaceEx(std::string(1, *letter) + ":\\");
    if (!space)
        return std::nullopt;
    const DriveConfig& drive = m_impl->Drives()[*index];
    const std::uint64_t cluster = ClusterSize(drive);
    DiskGeometry geometry;
    geometry.sectorsPerCluster = drive.sectorsPerCluster;
    geometry.bytesPerSector = drive.bytesPerSector;
    // As GetDiskFreeSpace: the free clusters are those the caller may use (quotas count).
    geometry.numberOfFreeClusters = space->freeBytesAvailableToCaller / cluster;
    geometry.totalNumberOfClusters = space->totalBytes / cluster;
    return geometry;
}

} // namespace lumexa::platform
