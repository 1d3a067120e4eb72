#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

// Facts about one drive of the current machine, for the disk wiper and the profile finder.
// Every figure is asked of the machine when it is read; a failing call gives 0 (the system's
// errors are not checked, as the pages that show the figures expect).
namespace lumexa::core {

class TDriveInfo
{
public:
    TDriveInfo() = default;
    explicit TDriveInfo(std::string rootPath);

    // "C:\". The drive's type replaces the shell icon Windows loads here: the window picks
    // its icon from the type.
    void SetRootPath(std::string rootPath);
    const std::string& RootPath() const { return m_rootPath; }
    platform::DriveType GetDriveType() const { return m_driveType; }

    std::uint32_t GetBytesPerSector() const;
    std::uint32_t GetSectorsPerCluster() const;
    std::uint64_t GetFreeBytes() const; // available to the caller (quota applied)
    std::uint64_t GetTotalFreeBytes() const;
    std::uint64_t GetTotalBytes() const;
    std::string GetFreeBytesText() const;  // FormatSize(GetFreeBytes())
    std::string GetTotalBytesText() const; // FormatSize(GetTotalBytes())
    // The shell's display name of the root ("Local Disk (C:)").
    std::string GetDisplayName() const;

private:
    std::string m_rootPath;
    platform::DriveType m_driveType = platform::DriveType::Unknown;
};

} // namespace lumexa::core
