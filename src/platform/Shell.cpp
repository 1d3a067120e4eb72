#include "platform/Shell.h"

#include <array>

#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace lumexa::platform {

namespace {

bool IsNtProfileLayout(WindowsVersion v)
{
    return v == WindowsVersion::Win2000 || v == WindowsVersion::WinXP || v == WindowsVersion::Win2003;
}

bool IsVistaLayout(WindowsVersion v)
{
    return v == WindowsVersion::Vista || v == WindowsVersion::Win7;
}

std::string WindowsFolderOf(WindowsVersion v)
{
    switch (v) {
    case WindowsVersion::Win2000:
        return "C:\\WINNT";
    case WindowsVersion::Vista:
    case WindowsVersion::Win7:
        return "C:\\Windows";
    default:
        return "C:\\WINDOWS";
    }
}

constexpr std::array kAllFolders{
    Csidl::Programs,
    Csidl::Personal,
    Csidl::Favorites,
    Csidl::Startup,
    Csidl::Recent,
    Csidl::SendTo,
    Csidl::StartMenu,
    Csidl::DesktopDirectory,
    Csidl::NetHood,
    Csidl::Templates,
    Csidl::CommonStartMenu,
    Csidl::CommonPrograms,
    Csidl::CommonDesktopDirectory,
    Csidl::AppData,
    Csidl::PrintHood,
    Csidl::LocalAppData,
    Csidl::InternetCache,
    Csidl::Cookies,
    Csidl::History,
    Csidl::CommonAppData,
    Csidl::Windows,
    Csidl::System,
    Csidl::ProgramFiles,
    Csidl::Profile,
    Csidl::ProgramFilesCommon,
};

} // namespace

std::optional<std::string> DefaultSpecialFolder(WindowsVersion version, std::string_view user, Csidl csidl)
{
    const std::string windows = WindowsFolderOf(version);
    switch (csidl) {
    case Csidl::Windows:
        return windows;
    case Csidl::System:
        return windows + (version == WindowsVersion::Win98 ? "\\SYSTEM" : "\\system32");
    case Csidl::ProgramFiles:
        return std::string("C:\\Program Files");
    case Csidl::ProgramFilesCommon:
        return std::string("C:\\Program Files\\Common Files");
    default:
        break;
    }

    if (version == WindowsVersion::Win98) {
        // Windows 9x keeps one set of folders inside the Windows folder.
        switch (csidl) {
        case Csidl::Desktop:
        case Csidl::DesktopDirectory:
            return windows + "\\Desktop";
        case Csidl::Programs:
            return windows + "\\Start Menu\\Programs";
        case Csidl::Startup:
            return windows + "\\Start Menu\\Programs\\StartUp";
        case Csidl::StartMenu:
            return windows + "\\Start Menu";
        case Csidl::Personal:
            return std::string("C:\\My Documents");
        case Csidl::Favorites:
            return windows + "\\Favorites";
        case Csidl::Recent:
            return windows + "\\Recent";
        case Csidl::SendTo:
            return windows + "\\SendTo";
        case Csidl::NetHood:
            return windows + "\\NetHood";
        case Csidl::Templates:
            return windows + "\\ShellNew";
        case Csidl::AppData:
            return windows + "\\Application Data";
        case Csidl::InternetCache:
            return windows + "\\Temporary Internet Files";
        case Csidl::Cookies:
            return windows + "\\Cookies";
        case Csidl::History:
            return windows + "\\History";
        default:
            return std::nullopt;
        }
    }

    if (IsNtProfileLayout(version)) {
        const std::string profile = "C:\\Documents and Settings\\" + std::string(user);
        const std::string allUsers = "C:\\Documents and Settings\\All Users";
        switch (csidl) {
        case Csidl::Profile:
            return profile;
        case Csidl::Desktop:
        case Csidl::DesktopDirectory:
            return profile + "\\Desktop";
        case Csidl::Programs:
            return profile + "\\Start Menu\\Programs";
        case Csidl::Startup:
            return profile + "\\Start Menu\\Programs\\Startup";
        case Csidl::StartMenu:
            return profile + "\\Start Menu";
        case Csidl::Personal:
            return profile + "\\My Documents";
        case Csidl::Favorites:
            return profile + "\\Favorites";
        case Csidl::Recent:
            return profile + "\\Recent";
        case Csidl::SendTo:
            return profile + "\\SendTo";
        case Csidl::NetHood:
            return profile + "\\NetHood";
        case Csidl::PrintHood:
            return profile + "\\PrintHood";
        case Csidl::Templates:
            return profile + "\\Templates";
        case Csidl::AppData:
            return profile + "\\Application Data";
        case Csidl::LocalAppData:
            return profile + "\\Local Settings\\Application Data";
        case Csidl::InternetCache:
            return profile + "\\Local Settings\\Temporary Internet Files";
        case Csidl::Cookies:
            return profile + "\\Cookies";
        case Csidl::History:
            return profile + "\\Local Settings\\History";
        case Csidl::CommonAppData:
            return allUsers + "\\Application Data";
        case Csidl::CommonDesktopDirectory:
            return allUsers + "\\Desktop";
        case Csidl::CommonStartMenu:
            return allUsers + "\\Start Menu";
        case Csidl::CommonPrograms:
            return allUsers + "\\Start Menu\\Programs";
        default:
            return std::nullopt;
        }
    }

    if (IsVistaLayout(version)) {
        const std::string profile = "C:\\Users\\" + std::string(user);
        const std::string roaming = profile + "\\AppData\\Roaming";
        const std::string local = profile + "\\AppData\\Local";
        switch (csidl) {
        case Csidl::Profile:
            return profile;
        case Csidl::Desktop:
        case Csidl::DesktopDirectory:
            return profile + "\\Desktop";
        case Csidl::Programs:
            return roaming + "\\Microsoft\\Windows\\Start Menu\\Programs";
        case Csidl::Startup:
            return roaming + "\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
        case Csidl::StartMenu:
            return roaming + "\\Microsoft\\Windows\\Start Menu";
        case Csidl::Personal:
            return profile + "\\Documents";
        case Csidl::Favorites:
            return profile + "\\Favorites";
        case Csidl::Recent:
            return roaming + "\\Microsoft\\Windows\\Recent";
        case Csidl::SendTo:
            return roaming + "\\Microsoft\\Windows\\SendTo";
        case Csidl::NetHood:
            return roaming + "\\Microsoft\\Windows\\Network Shortcuts";
        case Csidl::PrintHood:
            return roaming + "\\Microsoft\\Windows\\Printer Shortcuts";
        case Csidl::Templates:
            return roaming + "\\Microsoft\\Windows\\Templates";
        case Csidl::AppData:
            return roaming;
        case Csidl::LocalAppData:
            return local;
        case Csidl::InternetCache:
            return local + "\\Microsoft\\Windows\\Temporary Internet Files";
        case Csidl::Cookies:
            return roaming + "\\Microsoft\\Windows\\Cookies";
        case Csidl::History:
            return local + "\\Microsoft\\Windows\\History";
        case Csidl::CommonAppData:
            return std::string("C:\\ProgramData");
        case Csidl::CommonDesktopDirectory:
            return std::string("C:\\Users\\Public\\Desktop");
        case Csidl::CommonStartMenu:
            return std::string("C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
        case Csidl::CommonPrograms:
            return std::string("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::vector<std::pair<Csidl, std::string>> DefaultSpecialFolders(WindowsVersion version, std::string_view user)
{
    std::vector<std::pair<Csidl, std::string>> folders;
    for (const Csidl csidl : kAllFolders)
        if (auto path = DefaultSpecialFolder(version, user, csidl))
            folders.emplace_back(csidl, std::move(*path));
    return folders;
}

Shell::Shell(Machine& machine)
    : m_machine(machine)
{
    const MachineConfig& config = machine.Config();
    const WindowsVersion version = config.version;
    const std::string windows = WindowsDirectory();
    auto set = [this](const std::string& name, const std::string& value) {
        m_environment[UpperCase(name)] = value;
        m_originalNames[UpperCase(name)] = name;
    };
    set("windir", windows);
    set("TEMP", ExcludeTrailing(TempPath()));
    set("TMP", ExcludeTrailing(TempPath()));
    if (version == WindowsVersion::Win98) {
        set("winbootdir", windows);
        set("COMSPEC", windows + "\\COMMAND.COM");
        set("PATH", windows + ";" + windows + "\\COMMAND");
        set("PROMPT", "$p$g");
        return;
    }
    const std::string profile = *SpecialFolder(Csidl::Profile);
    set("ALLUSERSPROFILE",
        version == WindowsVersion::Vista || version == WindowsVersion::Win7
            ? std::string("C:\\ProgramData")
            : std::string("C:\\Documents and Settings\\All Users"));
    set("APPDATA", *SpecialFolder(Csidl::AppData));
    if (version == WindowsVersion::Vista || version == WindowsVersion::Win7) {
        set("LOCALAPPDATA", *SpecialFolder(Csidl::LocalAppData));
        set("PUBLIC", "C:\\Users\\Public");
        set("ProgramData", "C:\\ProgramData");
    }
    set("CommonProgramFiles", "C:\\Program Files\\Common Files");
    set("COMPUTERNAME", config.computer);
    set("ComSpec", SystemDirectory() + "\\cmd.exe");
    set("HOMEDRIVE", "C:");
    set("HOMEPATH", profile.substr(2));
    set("NUMBER_OF_PROCESSORS", "1");
    set("OS", "Windows_NT");
    set("Path", SystemDirectory() + ";" + windows + ";" + SystemDirectory() + "\\Wbem");
    set("PATHEXT", ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH");
    set("PROCESSOR_ARCHITECTURE", "x86");
    set("ProgramFiles", "C:\\Program Files");
    set("SystemDrive", "C:");
    set("SystemRoot", windows);
    set("USERDOMAIN", config.computer);
    set("USERNAME", config.user);
    set("USERPROFILE", profile);
}

std::string Shell::ExcludeTrailing(std::string path)
{
    if (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

std::optional<std::string> Shell::SpecialFolder(Csidl csidl) const
{
    return DefaultSpecialFolder(m_machine.Config().version, m_machine.Config().user, csidl);
}

std::string Shell::WindowsDirectory() const
{
    return *DefaultSpecialFolder(m_machine.Config().version, m_machine.Config().user, Csidl::Windows);
}

std::string Shell::SystemDirectory() const
{
    return *DefaultSpecialFolder(m_machine.Config().version, m_machine.Config().user, Csidl::System);
}

std::string Shell::TempPath() const
{
    const MachineConfig& config = m_machine.Config();
    switch (config.version) {
    case WindowsVersion::Win98:
        return WindowsDirectory() + "\\TEMP\\";
    case WindowsVersion::Vista:
    case WindowsVersion::Win7:
        return *SpecialFolder(Csidl::LocalAppData) + "\\Temp\\";
    default:
        return *SpecialFolder(Csidl::Profile) + "\\Local Settings\\Temp\\";
    }
}

std::optional<std::string> Shell::GetEnvironmentVariable(std::string_view name) const
{
    const auto found = m_environment.find(UpperCase(name));
    if (found == m_environment.end())
        return std::nullopt;
    return found->second;
}

std::string Shell::ExpandEnvironmentStrings(std::string_view text) const
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        const std::size_t close = text.find('%', i + 1);
        if (close == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        const std::string_view name = text.substr(i + 1, close - i - 1);
        const auto value = name.empty() ? std::nullopt : GetEnvironmentVariable(name);
        if (value) {
            out += *value;
            i = close + 1;
        } else {
            // An unknown name stays as written; its closing '%' may open the next name.
            out.append(text.substr(i, close - i));
            i = close;
        }
    }
    return out;
}

std::string Shell::DisplayName(std::string_view rootOrPath) const
{
    FileSystem& files = m_machine.Files();
    const std::string full = files.FullPath(rootOrPath);
    if (full.size() < 3 || full[1] != ':')
        return {};
    const std::string root = full.substr(0, 3);
    const DriveType type = files.GetDriveType(root);
    if (type == DriveType::NoRootDir || type == DriveType::Unknown)
        return {};
    if (full.size() > 3) {
        // A file or folder: its name as the folder stores it, else as written.
        std::string path = full;
        if (path.back() == '\\')
            path.pop_back();
        if (path.find_first_of("*?") == std::string::npos) {
            if (auto found = files.FindFirstFile(path))
                return found->Data().name;
        }
        return path.substr(path.rfind('\\') + 1);
    }
    const std::string letter = UpperCase(full.substr(0, 1)) + ":";
    const auto volume = files.GetVolumeInformation(root);
    if (volume && !volume->label.empty())
        return volume->label + " (" + letter + ")";
    switch (type) {
    case DriveType::CdRom:
        return "CD Drive (" + letter + ")";
    case DriveType::Removable:
        return "Removable Disk (" + letter + ")";
    case DriveType::Remote:
        return "Network Drive (" + letter + ")";
    case DriveType::RamDisk:
        return "RAM Disk (" + letter + ")";
    default:
        return "Local Disk (" + letter + ")";
    }
}

int Shell::ShellExecute(std::string_view verb, std::string_view target, std::string_view parameters)
{
    static constexpr std::array kAssociated{".exe", ".com", ".bat",  ".cmd", ".chm", ".hlp", ".txt",  ".log",
                                            ".ini", ".htm", ".html", ".url", ".bmp", ".jpg", ".jpeg", ".wav",
                                            ".doc", ".rtf", ".lnk",  ".msc", ".cpl", ".zip"};
    int result = 2;
    const std::string text(target);
    if (text.find("://") != std::string::npos || StartsWithNoCase(text, "mailto:")) {
        result = 42;
    } else {
        FileSystem& files = m_machine.Files();
        if (files.DirectoryExists(text)) {
            result = 42;
        } else if (files.FileExists(text)) {
            result = 31; // SE_ERR_NOASSOC
            for (const char* extension : kAssociated)
                if (EndsWithNoCase(text, extension))
                    result = 42;
        }
    }
    std::string line = "SHELLEXEC " + std::string(verb) + " \"" + text + "\"";
    if (!parameters.empty())
        line += " " + std::string(parameters);
    line += " -> " + std::to_string(result);
    m_machine.Journal(line);
    return result;
}

} // namespace lumexa::platform
