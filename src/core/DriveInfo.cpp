#include "core/DriveInfo.h"

#include "core/SecureDeleteHelpers.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::core {

namespace {

platform::FileSystem& Files()
{
    return platform::Machine::Current().Files();
}

} // namespace

TDriveInfo::TDriveInfo(std::string rootPath)
{
    SetRootPath(std::move(rootPath));
}

void TDriveInfo::SetRootPath(std::string rootPath)
{
    m_rootPath = std::move(rootPath);
    m_driveType = Files().GetDriveType(m_rootPath);
}

std::uint32_t TDriveInfo::GetBytesPerSector() const
{
    const auto geometry = Files().GetDiskFreeSpace(m_rootPath);
    return geometry ? geometry->bytesPerSector : 0;
}

std::uint32_t TDriveInfo::GetSectorsPerCluster() const
{
    const auto geometry = Files().GetDiskFreeSpace(m_rootPath);
    return geometry ? geometry->sectorsPerCluster : 0;
}

std::uint64_t TDriveInfo::GetFreeBytes() const
{
    const auto space = Files().GetDiskFreeSpaceEx(m_rootPath);
    return space ? space->freeBytesAvailableToCaller : 0;
}

std::uint64_t TDriveInfo::GetTotalFreeBytes() const
{
    const auto space = Files().GetDiskFreeSpaceEx(m_rootPath);
    return space ? space->totalFreeBytes : 0;
}

std::uint64_t TDriveInfo::GetTotalBytes() const
{
    const auto space = Files().GetDiskFreeSpaceEx(m_rootPath);
    return space ? space->totalBytes : 0;
}

std::string TDriveInfo::GetFreeBytesText() const
{
    return FormatSize(GetFreeBytes());
}

std::string TDriveInfo::GetTotalBytesText() const
{
    return FormatSize(GetTotalBytes());
}

std::string TDriveInfo::GetDisplayName() const
{
    return platform::Machine::Current().Shell().DisplayName(m_rootPath);
}

} // namespace lumexa::core
