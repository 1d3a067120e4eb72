#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"

// The Windows machine the program acts on. On Linux a machine is a folder laid out like a
// Wine prefix:
//   machine.ini   Windows version, user, drives, locale, clock override, vendor addresses
//   registry.db   the registry (SQLite, WAL)
//   drive_c/      drive C:
//   state/        what Windows keeps outside files and registry (journal.log, ...)
// Program code reaches every Windows facility through the current machine.
namespace lumexa::platform {

class Clipboard;
class Registry;
class RecycleBin;
class Shell;
class UrlCache;
class UrlHistory;

enum class WindowsVersion
{
    Win98,
    Win2000,
    WinXP,
    Win2003,
    Vista,
    Win7,
};

struct OsVersionInfo
{
    bool nt = true; // VER_PLATFORM_WIN32_NT, else Windows 9x
    std::uint32_t major = 5;
    std::uint32_t minor = 1;
    std::uint32_t build = 2600;
    std::string servicePack;
};

// Everything machine.ini holds. Every key has a default, so an empty file describes a fresh
// Windows XP machine.
struct MachineConfig
{
    WindowsVersion version = WindowsVersion::WinXP;
    std::uint32_t shell32Major = 6;
    std::uint32_t shell32Minor = 0;
    std::string user = "user";
    std::string computer = "LUMEXA-PC";
    std::string workgroup = "WORKGROUP";
    bool administrator = true;
    std::string macAddress; // "AA-BB-CC-00-11-22"; empty = the host's first adapter
    std::vector<DriveConfig> drives;
    std::string localeName = "en-US";
    std::optional<double> fixedClock; // local TDateTime
    std::int64_t clockOffsetSeconds = 0;
    std::string updateServer = "http://127.0.0.1:8080";
    std::string supportHomePage = "http://127.0.0.1:8080/support/";
    std::string faqPage = "http://127.0.0.1:8080/support/faq/";
    std::string supportTicketPage = "http://127.0.0.1:8080/support/ticket/";
    std::string ipEchoServer = "http://127.0.0.1:8080";
};

struct CreateOptions
{
    WindowsVersion version = WindowsVersion::WinXP;
    std::string user = "user";
    std::uint64_t driveCapacity = 1ull << 30; // drive C:, bytes
    bool withHostDrive = true;                // Z: = the host's "/"
    std::optional<double> fixedClock;         // local TDateTime; tests fix the clock
};

std::optional<WindowsVersion> ParseWindowsVersion(std::string_view text); // "98", "2000", "xp", "2003", "vista", "7"
std::string WindowsVersionName(WindowsVersion version);                   // "xp", ...
OsVersionInfo OsVersionOf(WindowsVersion version);
// "fixed", "removable", "remote", "cdrom", "ramdisk", "unknown": the drive types of machine.ini.
std::string DriveTypeName(DriveType type);
std::optional<DriveType> ParseDriveType(std::string_view text);

class Machine
{
public:
    // Creates a new machine folder with the layout of a fresh install. Fails (nullptr and
    // `error`) when a machine already exists there or the folder cannot be written.
    static std::shared_ptr<Machine> Create(const std::string& root, const CreateOptions& options, std::string* error);
    // Opens an existing machine; nullptr and `error` when there is none or it is damaged.
    static std::shared_ptr<Machine> Open(const std::string& root, std::string* error);
    // Opens the machine at `root`, creating a default one when the folder holds none.
    static std::shared_ptr<Machine> OpenOrCreate(const std::string& root, std::string* error);
    static bool Exists(const std::string& root);

    // $LUMEXA_MACHINE, else $XDG_DATA_HOME/lumexa/machine, else ~/.local/share/lumexa/machine.
    static std::string DefaultRoot();

    // The machine the program acts on. Set once by main() and by each test.
    static Machine& Current();
    static bool HasCurrent();
    static void SetCurrent(std::shared_ptr<Machine> machine);

    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    const std::string& Root() const { return m_root; }
    const MachineConfig& Config() const { return m_config; }
    OsVersionInfo OsVersion() const { return OsVersionOf(m_config.version); }

    platform::Registry& Registry() { return *m_registry; }
    platform::FileSystem& Files() { return *m_files; }
    platform::Shell& Shell() { return *m_shell; }
    platform::Clock& Clock() { return *m_clock; }
    platform::RecycleBin& RecycleBin() { return *m_recycleBin; }
    platform::Clipboard& Clipboard() { return *m_clipboard; }
    // The WinINet URL cache and the URL history store, kept in the state folder.
    platform::UrlCache& UrlCache() { return *m_urlCache; }
    platform::UrlHistory& UrlHistory() { return *m_urlHistory; }

    // Program folder ("C:\Program Files\Lumexa\") and the executable's path inside it.
    std::string ProgramFolder() const;  // with trailing "\"
    std::string ExecutablePath() const; // "C:\Program Files\Lumexa\Lumexa.exe"
    std::string StateFolder() const;    // host path of <root>/state

    // Appends one line to state/journal.log: side effects with no Linux meaning (shell
    // execute, restart, notifications) are recorded there.
    void Journal(std::string_view line);
    std::vector<std::string> JournalLines() const;

    // What a restart of Windows does to the machine: pending file operations, the paging
    // file cleared at shutdown, and what does not survive a restart. One line per action.
    std::vector<std::string> Reboot();

    // Restores the files Lumexa ships in the program folder when they are missing.
    void RestoreShippedFiles();

private:
    Machine(std::string root, MachineConfig config);
    bool Initialise(std::string* error);

    std::string m_root;
    MachineConfig m_config;
    std::unique_ptr<platform::Registry> m_registry;
    std::unique_ptr<platform::FileSystem> m_files;
    std::unique_ptr<platform::Shell> m_shell;
    std::unique_ptr<platform::Clock> m_clock;
    std::unique_ptr<platform::RecycleBin> m_recycleBin;
    std::unique_ptr<platform::Clipboard> m_clipboard;
    std::unique_ptr<platform::UrlCache> m_urlCache;
    std::unique_ptr<platform::UrlHistory> m_urlHistory;
};

} // namespace lumexa::platform
