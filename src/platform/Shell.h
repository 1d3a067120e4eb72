#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Types.h"

// The shell and environment of the machine: special folders by CSIDL, the Windows, system
// and temporary folders, the environment block and %NAME% expansion, ShellExecute.
// The recycle bin and shell links join this service with the tools that use them.
namespace lumexa::platform {

class Machine;
enum class WindowsVersion;

// Where a fresh install of a Windows version keeps each special folder, for a user.
// nullopt for a folder that version does not have.
std::optional<std::string> DefaultSpecialFolder(WindowsVersion version, std::string_view user, Csidl csidl);
// Every special folder a fresh install of the version has, for creating a machine.
std::vector<std::pair<Csidl, std::string>> DefaultSpecialFolders(WindowsVersion version, std::string_view user);

class Shell
{
public:
    explicit Shell(Machine& machine);

    // SHGetSpecialFolderPath: the folder without trailing "\"; nullopt when the machine's
    // version has no such folder.
    std::optional<std::string> SpecialFolder(Csidl csidl) const;
    std::string WindowsDirectory() const; // GetWindowsDirectory, "C:\WINDOWS"
    std::string SystemDirectory() const;  // GetSystemDirectory, "C:\WINDOWS\system32"
    std::string TempPath() const;         // GetTempPath: with trailing "\"

    // The environment block; names are case-insensitive.
    std::optional<std::string> GetEnvironmentVariable(std::string_view name) const;
    const std::map<std::string, std::string>& Environment() const { return m_environment; }
    // ExpandEnvironmentStrings: %NAME% replaced from the block; unknown names and a lone "%"
    // stay as written.
    std::string ExpandEnvironmentStrings(std::string_view text) const;

    // ShellExecute: recorded in the machine's journal. Returns a value above 32 on success,
    // 2 (file not found) or 31 (no association) as Windows does.
    int ShellExecute(std::string_view verb, std::string_view target, std::string_view parameters = {});

    // SHGetFileInfo(SHGFI_DISPLAYNAME). A drive root ("C:\", "C:") gives "<label> (C:)" when
    // the volume has a label, else by the drive's type "Local Disk (C:)", "CD Drive (D:)",
    // "Removable Disk (E:)", "Network Drive (F:)", "RAM Disk (R:)"; any other path gives the
    // name of its last component as stored. Empty for a path on no drive.
    std::string DisplayName(std::string_view rootOrPath) const;

private:
    static std::string ExcludeTrailing(std::string path);

    Machine& m_machine;
    std::map<std::string, std::string> m_environment; // keys upper-cased
    std::map<std::string, std::string> m_originalNames;
};

} // namespace lumexa::platform
