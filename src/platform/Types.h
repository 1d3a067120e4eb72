#pragma once

#include <cstdint>

// Win32 constants and plain types that the machine presents to the program. Values are
// Windows' own, because several of them are stored (registry root handles in DWSUPD) or
// compared by the program.
namespace lumexa::platform {

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

// 100-nanosecond intervals since 1601-01-01 UTC, as Windows' FILETIME.
struct FileTime
{
    std::uint64_t ticks = 0;
    friend bool operator==(FileTime, FileTime) = default;
    friend auto operator<=>(FileTime, FileTime) = default;
};

inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
inline constexpr std::uint32_t FILE_ATTRIBUTE_COMPRESSED = 0x800;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ENCRYPTED = 0x4000;
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

inline constexpr std::uint32_t GENERIC_READ = 0x80000000u;
inline constexpr std::uint32_t GENERIC_WRITE = 0x40000000u;

inline constexpr std::uint32_t FILE_SHARE_NONE = 0;
inline constexpr std::uint32_t FILE_SHARE_READ = 0x1;
inline constexpr std::uint32_t FILE_SHARE_WRITE = 0x2;
inline constexpr std::uint32_t FILE_SHARE_DELETE = 0x4;

enum class Disposition : std::uint32_t
{
    CreateNew = 1,
    CreateAlways = 2,
    OpenExisting = 3,
    OpenAlways = 4,
    TruncateExisting = 5,
};

// CreateFile flags the program passes; the machine accepts them and may ignore the
// buffering hints (no O_DIRECT: the alignment rules of unbuffered I/O do not apply).
inline constexpr std::uint32_t FILE_FLAG_WRITE_THROUGH = 0x80000000u;
inline constexpr std::uint32_t FILE_FLAG_NO_BUFFERING = 0x20000000u;
inline constexpr std::uint32_t FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;

enum class DriveType : std::uint32_t
{
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

// CSIDL values of the special folders the program asks for.
enum class Csidl : int
{
    Desktop = 0x00,
    Programs = 0x02,
    Personal = 0x05,
    Favorites = 0x06,
    Startup = 0x07,
    Recent = 0x08,
    SendTo = 0x09,
    StartMenu = 0x0B,
    DesktopDirectory = 0x10,
    NetHood = 0x13,
    Templates = 0x15,
    CommonStartMenu = 0x16,
    CommonPrograms = 0x17,
    CommonDesktopDirectory = 0x19,
    AppData = 0x1A,
    PrintHood = 0x1B,
    LocalAppData = 0x1C,
    InternetCache = 0x20,
    Cookies = 0x21,
    History = 0x22,
    CommonAppData = 0x23,
    Windows = 0x24,
    System = 0x25,
    ProgramFiles = 0x26,
    Profile = 0x28,
    ProgramFilesCommon = 0x2B,
};

} // namespace lumexa::platform
