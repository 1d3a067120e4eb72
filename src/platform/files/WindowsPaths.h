#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Pure text rules of Windows paths and names, with no access to the host.
namespace lumexa::platform::files {

// GetFullPathName over a virtual current directory ("C:\dir", absolute): '/' counts as '\',
// repeated separators collapse, "." and ".." are resolved textually, "\x" is on the current
// drive, "C:" alone is the root of C: ("C:name" is relative to the current directory when that
// is on C:), and the drive letter is upper-cased. A trailing separator is kept, as Windows keeps it.
std::string FullWindowsPath(std::string_view path, std::string_view currentDirectory);

// A full path as drive letter (upper case) and its components.
struct DrivePath
{
    char letter = 'C';
    std::vector<std::string> components;
};

// nullopt when the path does not begin with "X:" (a UNC path, for example).
std::optional<DrivePath> SplitDrivePath(std::string_view fullPath);
std::string JoinDrivePath(char letter, const std::vector<std::string>& components, std::size_t count);

// Characters no Windows name may hold: `< > : " / \ | ? *` and control characters.
bool HasInvalidNameCharacters(std::string_view name);
// CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, with or without extension, in any case.
bool IsReservedDeviceName(std::string_view name);
// A name Windows lets a program create: no invalid character, no trailing dot or blank,
// not a device name.
bool IsValidNewName(std::string_view name);
// A host name Windows could hold, so that a directory search may show it.
bool IsWindowsName(std::string_view name);
bool IsValidUtf8(std::string_view text);

// "/a//b/./../c" -> "/a/c"; nullopt for a relative path.
std::optional<std::string> NormaliseHostPath(std::string_view path);

} // namespace lumexa::platform::files
