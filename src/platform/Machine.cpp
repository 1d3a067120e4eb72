#include "platform/Machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>

#include "platform/Clipboard.h"
#include "platform/IniFile.h"
#include "platform/LastError.h"
#include "platform/RecycleBin.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "platform/UrlCache.h"
#include "platform/UrlHistory.h"

namespace lumexa::platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kConfigFile = "machine.ini";
constexpr const char* kProgramFolder = "C:\\Program Files\\Lumexa\\";
constexpr const char* kExecutableName = "Lumexa.exe";

std::mutex g_currentMutex;
std::shared_ptr<Machine> g_current;
std::mutex g_journalMutex;

struct VersionRow
{
    WindowsVersion version;
    const char* name;
    OsVersionInfo info;
    const char* ieVersion;
};

const VersionRow kVersions[] = {
    {WindowsVersion::Win98, "98", {false, 4, 10, 2222, "A"}, "5.00.2614.3500"},
    {WindowsVersion::Win2000, "2000", {true, 5, 0, 2195, "Service Pack 4"}, "6.0.2800.1106"},
    {WindowsVersion::WinXP, "xp", {true, 5, 1, 2600, "Service Pack 3"}, "6.0.2900.5512"},
    {WindowsVersion::Win2003, "2003", {true, 5, 2, 3790, "Service Pack 2"}, "6.0.3790.3959"},
    {WindowsVersion::Vista, "vista", {true, 6, 0, 6002, "Service Pack 2"}, "7.0.6002.18005"},
    {WindowsVersion::Win7, "7", {true, 6, 1, 7601, "Service Pack 1"}, "8.0.7601.17514"},
};

const VersionRow& RowOf(WindowsVersion version)
{
    for (const VersionRow& row : kVersions)
        if (row.version == version)
            return row;
    return kVersions[2];
}

struct DriveTypeRow
{
    DriveType type;
    const char* name;
};
const DriveTypeRow kDriveTypes[] = {
    {DriveType::Fixed, "fixed"},
    {DriveType::Removable, "removable"},
    {DriveType::Remote, "remote"},
    {DriveType::CdRom, "cdrom"},
    {DriveType::RamDisk, "ramdisk"},
    {DriveType::Unknown, "unknown"},
};

std::optional<std::uint64_t> ParseUnsigned(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19)
        return std::nullopt;
    return std::stoull(text);
}

std::optional<std::string> ReadHostText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteHostTextAtomic(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out)
            return false;
    }
    std::error_code error;
    fs::rename(temp, path, error);
    return !error;
}

// "2009-10-30 17:05:09" (or with 'T') to a TDateTime.
std::optional<TDateTime> ParseIsoDateTime(std::string_view text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const std::string value(text);
    if (std::sscanf(value.c_str(), "%4d-%2d-%2d%*1[ T]%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) == 6 ||
        std::sscanf(value.c_str(), "%4d-%2d-%2d", &y, &mo, &d) == 3)
        return EncodeDateTime(y, mo, d, h, mi, s);
    return std::nullopt;
}

std::string FormatIsoDateTime(TDateTime value)
{
    const DateTimeParts p = DecodeDateTime(value);
    char buffer[32];
    std::snprintf(
        buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    return buffer;
}

std::optional<MachineConfig> ParseConfig(const std::string& root, std::string_view text, std::string* error)
{
    const IniDocument ini = IniDocument::Parse(text);
    MachineConfig config;
    auto get = [&](const char* section, const char* key) { return ini.Get(section, key).value_or(""); };
    auto fail = [&](const std::string& reason) -> std::optional<MachineConfig> {
        if (error)
            *error = root + "/" + kConfigFile + ": " + reason;
        return std::nullopt;
    };

    if (const std::string version = get("machine", "version"); !version.empty()) {
        const auto parsed = ParseWindowsVersion(version);
        if (!parsed)
            return fail("unknown Windows version \"" + version + "\" (use 98, 2000, xp, 2003, vista or 7)");
        config.version = *parsed;
    }
    if (const std::string user = get("machine", "user"); !user.empty())
        config.user = user;
    if (const std::string computer = get("machine", "computer"); !computer.empty())
        config.computer = computer;
    if (const std::string workgroup = get("machine", "workgroup"); !workgroup.empty())
        config.workgroup = workgroup;
    if (const std::string admin = get("machine", "administrator"); !admin.empty())
        config.administrator = admin != "0" && !EqualsNoCase(admin, "false");
    if (const std::string shell32 = get("machine", "shell32"); !shell32.empty()) {
        unsigned major = 0, minor = 0;
        if (std::sscanf(shell32.c_str(), "%u.%u", &major, &minor) != 2)
            return fail("shell32 version \"" + shell32 + "\" is not MAJOR.MINOR");
        config.shell32Major = major;
        config.shell32Minor = minor;
    }
    config.macAddress = get("machine", "mac");
    if (const std::string locale = get("machine", "locale"); !locale.empty())
        config.localeName = locale;

    if (const std::string fixed = get("clock", "fixed"); !fixed.empty()) {
        config.fixedClock = ParseIsoDateTime(fixed);
        if (!config.fixedClock)
            return fail("clock \"" + fixed + "\" is not YYYY-MM-DD HH:MM:SS");
    }
    if (const std::string offset = get("clock", "offset"); !offset.empty()) {
        char* end = nullptr;
        config.clockOffsetSeconds = std::strtoll(offset.c_str(), &end, 10);
        if (!end || *end)
            return fail("clock offset \"" + offset + "\" is not a number of seconds");
    }

    for (const std::string& section : ini.Sections()) {
        if (!StartsWithNoCase(section, "drive.") || section.size() != 7)
            continue;
        DriveConfig drive;
        drive.letter = UpperCase(section.substr(6))[0];
        if (drive.letter < 'A' || drive.letter > 'Z')
            return fail("drive section [" + section + "] does not name a drive letter");
        const auto type = ParseDriveType(ini.Get(section, "type").value_or("fixed"));
        if (!type)
            return fail("drive " + std::string(1, drive.letter) + ": unknown type");
        drive.type = *type;
        std::string path = ini.Get(section, "path").value_or("");
        if (path.empty())
            return fail("drive " + std::string(1, drive.letter) + ": has no path");
        drive.hostPath = path.front() == '/' ? path : root + "/" + path;
        while (drive.hostPath.size() > 1 && drive.hostPath.back() == '/')
            drive.hostPath.pop_back();
        drive.label = ini.Get(section, "label").value_or("");
        auto number = [&](const char* key, std::uint64_t fallback) -> std::optional<std::uint64_t> {
            const auto value = ini.Get(section, key);
            if (!value || value->empty())
                return fallback;
            return ParseUnsigned(*value);
        };
        const auto capacity = number("capacity", 0);
        const auto quota = number("quota", 0);
        const auto serial = number("serial", 0);
        const auto bytesPerSector = number("bytes_per_sector", 512);
        const auto sectorsPerCluster = number("sectors_per_cluster", 8);
        if (!capacity || !quota || !serial || !bytesPerSector || !sectorsPerCluster || *bytesPerSector == 0 ||
            *sectorsPerCluster == 0)
            return fail("drive " + std::string(1, drive.letter) + ": a size is not a positive number");
        drive.capacity = *capacity;
        drive.userQuota = *quota;
        drive.serialNumber = static_cast<std::uint32_t>(*serial);
        drive.bytesPerSector = static_cast<std::uint32_t>(*bytesPerSector);
        drive.sectorsPerCluster = static_cast<std::uint32_t>(*sectorsPerCluster);
        drive.fileSystemName = ini.Get(section, "filesystem").value_or("NTFS");
        config.drives.push_back(drive);
    }
    if (config.drives.empty() || config.drives.front().letter != 'C') {
        bool hasC = false;
        for (const DriveConfig& drive : config.drives)
            hasC = hasC || drive.letter == 'C';
        if (!hasC)
            return fail("the machine has no drive C:");
    }

    auto vendor = [&](const char* key, std::string& target) {
        if (auto value = ini.Get("vendor", key); value && !value->empty())
            target = *value;
    };
    vendor("update_server", config.updateServer);
    vendor("support_home", config.supportHomePage);
    vendor("faq", config.faqPage);
    vendor("support_ticket", config.supportTicketPage);
    vendor("ip_echo", config.ipEchoServer);
    return config;
}

std::string ConfigText(const std::string& root, const MachineConfig& config)
{
    IniDocument ini;
    ini.Set("machine", "version", WindowsVersionName(config.version));
    ini.Set("machine", "user", config.user);
    ini.Set("machine", "computer", config.computer);
    ini.Set("machine", "workgroup", config.workgroup);
    ini.Set("machine", "administrator", config.administrator ? "1" : "0");
    ini.Set("machine", "shell32", std::to_string(config.shell32Major) + "." + std::to_string(config.shell32Minor));
    ini.Set("machine", "mac", config.macAddress);
    ini.Set("machine", "locale", config.localeName);
    ini.Set("clock", "fixed", config.fixedClock ? FormatIsoDateTime(*config.fixedClock) : "");
    ini.Set("clock", "offset", std::to_string(config.clockOffsetSeconds));
    for (const DriveConfig& drive : config.drives) {
        const std::string section = std::string("drive.") + drive.letter;
        std::string path = drive.hostPath;
        if (path.starts_with(root + "/"))
            path = path.substr(root.size() + 1);
        ini.Set(section, "type", DriveTypeName(drive.type));
        ini.Set(section, "path", path);
        ini.Set(section, "label", drive.label);
        ini.Set(section, "serial", std::to_string(drive.serialNumber));
        ini.Set(section, "capacity", std::to_string(drive.capacity));
        ini.Set(section, "quota", std::to_string(drive.userQuota));
        ini.Set(section, "bytes_per_sector", std::to_string(drive.bytesPerSector));
        ini.Set(section, "sectors_per_cluster", std::to_string(drive.sectorsPerCluster));
        ini.Set(section, "filesystem", drive.fileSystemName);
    }
    ini.Set("vendor", "update_server", config.updateServer);
    ini.Set("vendor", "support_home", config.supportHomePage);
    ini.Set("vendor", "faq", config.faqPage);
    ini.Set("vendor", "support_ticket", config.supportTicketPage);
    ini.Set("vendor", "ip_echo", config.ipEchoServer);
    return "; Lumexa machine: the Windows this folder stands for.\r\n" + ini.Serialize();
}

// The registry of a fresh install, as far as Lumexa and the programs it cleans read it.
void SeedRegistry(Machine& machine)
{
    Registry& registry = machine.Registry();
    Shell& shell = machine.Shell();
    const MachineConfig& config = machine.Config();
    const OsVersionInfo os = machine.OsVersion();
    const bool nt = os.nt;

    auto key = [&](HKEY root, const std::string& path) { return registry.Create(root, path); };
    const std::string currentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

    for (const char* run : {"Run", "RunOnce"}) {
        key(HKEY_CURRENT_USER, currentVersion + "\\" + run);
        key(HKEY_LOCAL_MACHINE, currentVersion + "\\" + run);
    }
    for (const char* run : {"RunServices", "RunServicesOnce"})
        key(HKEY_LOCAL_MACHINE, currentVersion + "\\" + run);

    if (auto cv = key(HKEY_LOCAL_MACHINE, currentVersion)) {
        cv->SetString("ProgramFilesDir", *shell.SpecialFolder(Csidl::ProgramFiles));
        cv->SetString("CommonFilesDir", *shell.SpecialFolder(Csidl::ProgramFilesCommon));
        if (!nt) {
            cv->SetString("VersionNumber", "4.10.2222");
            cv->SetString("ProductName", "Microsoft Windows 98");
        }
    }
    if (nt) {
        if (auto ntcv = key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion")) {
            ntcv->SetString("CurrentVersion", std::to_string(os.major) + "." + std::to_string(os.minor));
            ntcv->SetString("CurrentBuildNumber", std::to_string(os.build));
            ntcv->SetString("CSDVersion", os.servicePack);
            ntcv->SetString("RegisteredOwner", config.user);
        }
        if (auto memory =
                key(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management"))
            memory->SetDword("ClearPageFileAtShutdown", 0);
        if (auto environment =
                key(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment")) {
            environment->SetString("ComSpec", "%SystemRoot%\\system32\\cmd.exe", RegType::ExpandSz);
            environment->SetString("OS", "Windows_NT");
            environment->SetString(
                "Path", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem", RegType::ExpandSz);
            environment->SetString("TEMP", "%SystemRoot%\\TEMP", RegType::ExpandSz);
            environment->SetString("TMP", "%SystemRoot%\\TEMP", RegType::ExpandSz);
            environment->SetString("windir", "%SystemRoot%", RegType::ExpandSz);
        }
        if (auto user = key(HKEY_CURRENT_USER, "Environment")) {
            const std::string temp = shell.TempPath().substr(0, shell.TempPath().size() - 1);
            const std::string profile = *shell.SpecialFolder(Csidl::Profile);
            const std::string expanded = "%USERPROFILE%" + temp.substr(profile.size());
            user->SetString("TEMP", expanded, RegType::ExpandSz);
            user->SetString("TMP", expanded, RegType::ExpandSz);
        }
    }
    if (auto computer = key(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName"))
        computer->SetString("ComputerName", config.computer);

    // Shell Folders: the resolved paths Explorer publishes (Internet Explorer's protector
    // watches Cache, Cookies, Favorites and History here).
    struct ShellFolder
    {
        const char* name;
        Csidl csidl;
    };
    static constexpr ShellFolder kShellFolders[] = {
        {"AppData", Csidl::AppData},
        {"Cache", Csidl::InternetCache},
        {"Cookies", Csidl::Cookies},
        {"Desktop", Csidl::DesktopDirectory},
        {"Favorites", Csidl::Favorites},
        {"History", Csidl::History},
        {"Local AppData", Csidl::LocalAppData},
        {"NetHood", Csidl::NetHood},
        {"Personal", Csidl::Personal},
        {"PrintHood", Csidl::PrintHood},
        {"Programs", Csidl::Programs},
        {"Recent", Csidl::Recent},
        {"SendTo", Csidl::SendTo},
        {"Start Menu", Csidl::StartMenu},
        {"Startup", Csidl::Startup},
        {"Templates", Csidl::Templates},
    };
    auto shellFolders = key(HKEY_CURRENT_USER, currentVersion + "\\Explorer\\Shell Folders");
    auto userShellFolders = key(HKEY_CURRENT_USER, currentVersion + "\\Explorer\\User Shell Folders");
    const auto profile = shell.SpecialFolder(Csidl::Profile);
    for (const ShellFolder& folder : kShellFolders) {
        const auto path = shell.SpecialFolder(folder.csidl);
        if (!path)
            continue;
        if (shellFolders)
            shellFolders->SetString(folder.name, *path);
        if (userShellFolders && profile && path->starts_with(*profile + "\\"))
            userShellFolders->SetString(
                folder.name, "%USERPROFILE%" + path->substr(profile->size()), RegType::ExpandSz);
    }

    if (auto ie = key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer"))
        ie->SetString("Version", RowOf(config.version).ieVersion);
    if (auto main = key(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main"))
        main->SetString("Start Page", "about:blank");
}

} // namespace

std::optional<WindowsVersion> ParseWindowsVersion(std::string_view text)
{
    for (const VersionRow& row : kVersions)
        if (EqualsNoCase(text, row.name))
            return row.version;
    return std::nullopt;
}

std::string WindowsVersionName(WindowsVersion version)
{
    return RowOf(version).name;
}

OsVersionInfo OsVersionOf(WindowsVersion version)
{
    return RowOf(version).info;
}

std::string DriveTypeName(DriveType type)
{
    for (const auto& row : kDriveTypes)
        if (row.type == type)
            return row.name;
    return "unknown";
}

std::optional<DriveType> ParseDriveType(std::string_view text)
{
    for (const auto& row : kDriveTypes)
        if (EqualsNoCase(text, row.name))
            return row.type;
    return std::nullopt;
}

Machine::Machine(std::string root, MachineConfig config)
    : m_root(std::move(root))
    , m_config(std::move(config))
{}

Machine::~Machine() = default;

bool Machine::Exists(const std::string& root)
{
    std::error_code error;
    return fs::is_regular_file(root + "/" + kConfigFile, error);
}

std::string Machine::DefaultRoot()
{
    if (const char* chosen = std::getenv("LUMEXA_MACHINE"); chosen && *chosen)
        return chosen;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/lumexa/machine";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/lumexa/machine";
}

bool Machine::Initialise(std::string* error)
{
    std::error_code ec;
    fs::create_directories(StateFolder(), ec);
    m_registry = Registry::OpenDatabase(m_root + "/registry.db", error);
    if (!m_registry)
        return false;
    m_registry->SetAdministrator(!OsVersion().nt || m_config.administrator);
    FileSystemConfig files;
    files.drives = m_config.drives;
    files.currentDirectory = ProgramFolder();
    m_files = std::make_unique<FileSystem>(std::move(files), m_registry.get());
    m_clock = std::make_unique<platform::Clock>(
        m_config.fixedClock, m_config.clockOffsetSeconds, LocaleByName(m_config.localeName));
    m_shell = std::make_unique<platform::Shell>(*this);
    m_recycleBin = std::make_unique<platform::RecycleBin>(*this);
    m_clipboard = std::make_unique<platform::Clipboard>(*this);
    m_urlCache = std::make_unique<platform::UrlCache>(*this);
    m_urlHistory = std::make_unique<platform::UrlHistory>(*this);
    return true;
}

std::shared_ptr<Machine> Machine::Open(const std::string& root, std::string* error)
{
    const auto text = ReadHostText(root + "/" + kConfigFile);
    if (!text) {
        if (error)
            *error = "no machine in " + root + " (create one with: lumexa-cli --machine " + root + " machine create)";
        return nullptr;
    }
    auto config = ParseConfig(root, *text, error);
    if (!config)
        return nullptr;
    std::shared_ptr<Machine> machine(new Machine(root, std::move(*config)));
    if (!machine->Initialise(error))
        return nullptr;
    return machine;
}

std::shared_ptr<Machine> Machine::Create(const std::string& root, const CreateOptions& options, std::string* error)
{
    if (Exists(root)) {
        if (error)
            *error = "a machine already exists in " + root;
        return nullptr;
    }
    if (options.user.empty() || options.user.find_first_of("\\/:*?\"<>|") != std::string::npos) {
        if (error)
            *error = "\"" + options.user + "\" cannot be a Windows user name";
        return nullptr;
    }
    std::error_code ec;
    fs::create_directories(root + "/drive_c", ec);
    if (ec) {
        if (error)
            *error = "cannot create " + root + ": " + ec.message();
        return nullptr;
    }

    MachineConfig config;
    config.version = options.version;
    config.user = options.user;
    config.administrator = true;
    config.fixedClock = options.fixedClock;
    if (options.version == WindowsVersion::Win98) {
        config.shell32Major = 4;
        config.shell32Minor = 72;
    }
    std::random_device random;
    DriveConfig c;
    c.letter = 'C';
    c.hostPath = root + "/drive_c";
    c.capacity = options.driveCapacity;
    c.serialNumber = random();
    c.fileSystemName = options.version == WindowsVersion::Win98 ? "FAT32" : "NTFS";
    config.drives.push_back(c);
    if (options.withHostDrive) {
        DriveConfig z;
        z.letter = 'Z';
        z.hostPath = "/";
        z.serialNumber = random();
        z.fileSystemName = "ext4";
        config.drives.push_back(z);
    }
    if (!WriteHostTextAtomic(root + "/" + kConfigFile, ConfigText(root, config))) {
        if (error)
            *error = "cannot write " + root + "/" + kConfigFile;
        return nullptr;
    }
    auto machine = Open(root, error);
    if (!machine)
        return nullptr;

    FileSystem& files = machine->Files();
    for (const auto& [csidl, path] : DefaultSpecialFolders(options.version, options.user))
        files.ForceDirectories(path);
    files.ForceDirectories(machine->Shell().TempPath());
    files.ForceDirectories(machine->Shell().SystemDirectory());
    SeedRegistry(*machine);
    machine->RestoreShippedFiles();
    return machine;
}

std::shared_ptr<Machine> Machine::OpenOrCreate(const std::string& root, std::string* error)
{
    if (Exists(root))
        return Open(root, error);
    return Create(root, CreateOptions{}, error);
}

Machine& Machine::Current()
{
    std::lock_guard lock(g_currentMutex);
    if (!g_current)
        throw std::logic_error("no current machine: main() or the test must set one");
    return *g_current;
}

bool Machine::HasCurrent()
{
    std::lock_guard lock(g_currentMutex);
    return g_current != nullptr;
}

void Machine::SetCurrent(std::shared_ptr<Machine> machine)
{
    std::lock_guard lock(g_currentMutex);
    g_current = std::move(machine);
}

std::string Machine::ProgramFolder() const
{
    return kProgramFolder;
}

std::string Machine::ExecutablePath() const
{
    return std::string(kProgramFolder) + kExecutableName;
}

std::string Machine::StateFolder() const
{
    return m_root + "/state";
}

void Machine::Journal(std::string_view line)
{
    std::lock_guard lock(g_journalMutex);
    std::ofstream out(StateFolder() + "/journal.log", std::ios::binary | std::ios::app);
    out << line << "\n";
}

std::vector<std::string> Machine::JournalLines() const
{
    std::lock_guard lock(g_journalMutex);
    std::vector<std::string> lines;
    std::ifstream in(StateFolder() + "/journal.log", std::ios::binary);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Machine::Reboot()
{
    std::vector<std::string> done = m_files->ApplyPendingFileRenameOperations();

    // Windows 9x carries out WININIT.INI's [rename] section at start-up: "NUL=path" deletes,
    // "target=source" renames; the file is then kept as WININIT.BAK.
    const std::string wininit = m_shell->WindowsDirectory() + "\\WININIT.INI";
    if (m_files->FileExists(wininit)) {
        const auto text = m_files->ReadWholeFile(wininit);
        std::vector<std::pair<std::string, std::string>> entries;
        const auto rawLines = SplitAt(text.value_or(""), '\n');
        bool inRename = false;
        for (std::string line : rawLines) {
            line = Trim(line);
            if (line.starts_with("[")) {
                inRename = EqualsNoCase(line, "[rename]");
                continue;
            }
            const std::size_t equals = line.find('=');
            if (inRename && equals != std::string::npos)
                entries.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
        }
        for (const auto& [target, source] : entries) {
            if (EqualsNoCase(target, "NUL"))
                done.push_back(m_files->DeleteFile(source) ? "deleted " + source
                                                           : "failed " + source + ": " + SystemMessage(GetLastError()));
            else {
                m_files->DeleteFile(target);
                done.push_back(m_files->MoveFile(source, target)
                                   ? "renamed " + source + " -> " + target
                                   : "failed " + source + ": " + SystemMessage(GetLastError()));
            }
        }
        const std::string backup = m_shell->WindowsDirectory() + "\\WININIT.BAK";
        m_files->DeleteFile(backup);
        m_files->MoveFile(wininit, backup);
    }

    if (OsVersion().nt) {
        std::uint32_t clear = 0;
        if (auto key = m_registry->Open(HKEY_LOCAL_MACHINE,
                                        "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management");
            key && key->GetDword("ClearPageFileAtShutdown", clear) == RegRead::Ok && clear != 0)
            done.push_back("cleared the paging file");
    }

    // What lives only in memory does not survive a restart.
    if (m_clipboard->HasData() && m_clipboard->Empty())
        done.push_back("emptied the clipboard");
    Journal("RESTART");
    return done;
}

void Machine::RestoreShippedFiles()
{
    for (const char* folder : {"Plugins", "Settings", "Reports", "Backup", "LockerBackups", "db", "Help"})
        m_files->ForceDirectories(ProgramFolder() + folder);
}

} // namespace lumexa::platform
