#include "core/SettingsManager.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "core/MessageTable.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace lumexa::core {

namespace {

using platform::HKEY;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::Registry;
using platform::RegKey;
using platform::RegRead;

constexpr std::string_view SettingsKeyPath = "SOFTWARE\\Orvanta\\Lumexa\\Settings";
constexpr std::string_view DisabledKeyPath = "SOFTWARE\\Orvanta\\Lumexa\\Settings\\DWSUPD";

// The catalogue: every item's type and name, in item order.
constexpr std::array<TItemInfo, 128> MakeCatalogue()
{
    using enum TItemType;
    std::array<TItemInfo, 128> c{};
    c[0] = {Boolean, "Enable schedule"};
    c[1] = {Integer, "Schedule kind (0 Once, 1 Hourly, 2 Daily, 3 Weekly)"};
    c[2] = {Date, "Schedule once: start date"};
    c[3] = {Time, "Schedule once: start time"};
    c[4] = {Integer, "Schedule hourly: interval (0..22 for 1..23 hours)"};
    c[5] = {Integer, "Schedule daily: every N days"};
    c[7] = {Time, "Schedule daily: start time"};
    c[8] = {Integer, "Schedule weekly: every N weeks"};
    c[9] = {Time, "Schedule weekly: start time"};
    c[10] = {Boolean, "Schedule weekly: Mon."};
    c[11] = {Boolean, "Schedule weekly: Tue."};
    c[12] = {Boolean, "Schedule weekly: Wed."};
    c[13] = {Boolean, "Schedule weekly: Thu."};
    c[14] = {Boolean, "Schedule weekly: Fri."};
    c[15] = {Boolean, "Schedule weekly: Sat."};
    c[16] = {Boolean, "Schedule weekly: Sun."};
    c[21] = {Date, "Date and time of the last finished cleaning run"};
    c[22] = {Time, "Time of the last cleaning run (read with item 21)"};
    c[23] = {Boolean, "On Windows Startup"};
    c[24] = {Boolean, "On Windows Shutdown"};
    c[25] = {Boolean, "Start Lumexa in system tray"};
    c[26] = {Boolean, "Show splash screen on startup"};
    c[27] = {Boolean, "Show erase summary after erasing"};
    c[28] = {Boolean, "Close Lumexa after erasing"};
    c[29] = {Boolean, "Show Tips of The Day on program startup"};
    c[30] = {Boolean, "Disable Lumexa logging option"};
    c[31] = {Boolean, "Enable settings password"};
    c[32] = {Text, "Settings password"};
    c[33] = {Boolean, "Enable secure erasing"};
    c[34] = {Integer, "Erase method (0..5)"};
    c[35] = {Integer, "Custom overwrite pattern (0 random, 1 zero bytes, 2 one bytes)"};
    c[36] = {Boolean, "Scramble file/ folder name"};
    c[37] = {Integer, "Number of times to overwrite file"};
    c[38] = {Boolean, "Enable Internet Explorer Protector"};
    c[39] = {Text, "Temporary Internet Files folder (live value)"};
    c[40] = {Text, "Cookies folder (live value)"};
    c[41] = {Text, "Favorites folder (live value)"};
    c[42] = {Text, "History folder (live value)"};
    c[43] = {Text, "Internet Explorer save directory (live value)"};
    c[44] = {Text, "Internet Explorer start page (live value)"};
    c[45] = {Text, "Internet Explorer window title (live value)"};
    c[46] = {Text, "Internet Explorer download directory (live value)"};
    c[47] = {Text, "Protected copy of the Temporary Internet Files folder"};
    c[48] = {Text, "Protected copy of the Cookies folder"};
    c[49] = {Text, "Protected copy of the Favorites folder"};
    c[50] = {Text, "Protected copy of the History folder"};
    c[51] = {Text, "Protected copy of the save directory"};
    c[52] = {Text, "Protected copy of the start page"};
    c[53] = {Text, "Protected copy of the window title"};
    c[54] = {Text, "Protected copy of the download directory"};
    c[55] = {Boolean, "IE Location Bar History"};
    c[56] = {Boolean, "IE Cookies"};
    c[57] = {Boolean, "IE Cache (Temporary Internet Files)"};
    c[58] = {Boolean, "IE Browser History"};
    c[59] = {Boolean, "IE Autocomplete Forms"};
    c[60] = {Boolean, "IE Personal Favorites"};
    c[61] = {Boolean, "IE Index.dat Files"};
    c[62] = {Boolean, "IE Download Program Files"};
    c[63] = {Boolean, "AOL Location Bar History"};
    c[64] = {Boolean, "AOL Cookies"};
    c[65] = {Boolean, "AOL Cache (Temporary Internet Files)"};
    c[66] = {Boolean, "AOL Autocomplete Forms"};
    c[67] = {Boolean, "Netscape Location Bar History"};
    c[68] = {Boolean, "Netscape Cookies"};
    c[69] = {Boolean, "Netscape Cache (Temporary Internet Files)"};
    c[70] = {Boolean, "Netscape Autocomplete Forms"};
    c[71] = {Boolean, "Netscape History (Visited Sites)"};
    c[72] = {Boolean, "Opera Location Bar History"};
    c[73] = {Boolean, "Opera Cookies"};
    c[74] = {Boolean, "Opera Cache (Temporary Internet Files)"};
    c[75] = {Boolean, "Opera Autocomplete Forms"};
    c[76] = {Boolean, "FireFox Location Bar History"};
    c[77] = {Boolean, "FireFox Cookies"};
    c[78] = {Boolean, "FireFox Cache (Temporary Internet Files)"};
    c[79] = {Boolean, "FireFox Autocomplete Forms"};
    c[80] = {Boolean, "FireFox History (Visited Sites)"};
    c[81] = {Boolean, "FireFox Downloads History"};
    c[82] = {Boolean, "Chrome History"};
    c[83] = {Boolean, "Chrome Cookies"};
    c[84] = {Boolean, "Chrome Cache (Temporary Internet Files)"};
    c[85] = {Boolean, "Chrome Download History"};
    c[86] = {Boolean, "Safari History"};
    c[87] = {Boolean, "Safari Cookies"};
    c[88] = {Boolean, "Safari Cache (Temporary Internet Files)"};
    c[89] = {Boolean, "Safari Autocomplete Forms"};
    c[90] = {Date, "Date and time of the last start with \"reinstall\""};
    c[92] = {Boolean, "Temp Folder"};
    c[93] = {Boolean, "Recent Documents History"};
    c[94] = {Boolean, "Run History"};
    c[95] = {Boolean, "Find/ Search Files - Folders History"};
    c[96] = {Boolean, "Find/ Search Computer History"};
    c[97] = {Boolean, "Recycle Bin"};
    c[98] = {Boolean, "Last Logon History"};
    c[99] = {Boolean, "RAS Auto Dial History"};
    c[100] = {Boolean, "Network Cache"};
    c[101] = {Boolean, "Telnet History"};
    c[102] = {Boolean, "Clipboard"};
    c[103] = {Boolean, "Open/ Save History"};
    c[104] = {Boolean, "Scandisk (*.chk) files"};
    c[105] = {Boolean, "Application Logs"};
    c[106] = {Boolean, "Registry Backup"};
    c[107] = {Boolean, "Registry Fragmented Files"};
    c[108] = {Boolean, "Registry Streams"};
    c[109] = {Boolean, "Paging (SWAP) File"};
    c[110] = {Boolean, "Mirosoft Access"}; // sic: the name the program has always shown
    c[111] = {Boolean, "Microsoft Excel"};
    c[112] = {Boolean, "Microsoft PowerPoint"};
    c[113] = {Boolean, "Microsoft Word"};
    c[114] = {Boolean, "Microsoft FrontPage"};
    c[115] = {Boolean, "Outlook Express"};
    c[116] = {Boolean, "Outlook"};
    c[117] = {Boolean, "Eudora"};
    c[118] = {Boolean, "ThunderBird"};
    c[119] = {Boolean, "Windows Mail"};
    c[120] = {PseudoItem, "Plug-ins (objects erased by plug-in definitions)"};
    c[121] = {Boolean, "Internet Explorer: Erase Tracks on Closing"};
    c[122] = {Boolean, "AOL: Erase Tracks on Closing"};
    c[123] = {Boolean, "Netscape: Erase Tracks on Closing"};
    c[124] = {Boolean, "Opera: Erase Tracks on Closing"};
    c[125] = {Boolean, "FireFox: Erase Tracks on Closing"};
    c[126] = {Boolean, "Chrome: Erase Tracks on Closing"};
    c[127] = {Boolean, "Safari: Erase Tracks on Closing"};
    return c;
}

constexpr std::array<TItemInfo, 128> Catalogue = MakeCatalogue();
constexpr TItemInfo UnusedItem{};

// Items 39..46 are the browser's and the shell's live values, so that reading or writing
// them reads or changes Internet Explorer itself.
struct TLiveValue
{
    std::string_view keyPath;
    std::string_view valueName;
};

constexpr std::uint8_t FirstLiveItem = 39;
constexpr std::string_view ShellFoldersPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view IeMainPath = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr std::array<TLiveValue, 8> LiveValues{{
    {ShellFoldersPath, "Cache"},
    {ShellFoldersPath, "Cookies"},
    {ShellFoldersPath, "Favorites"},
    {ShellFoldersPath, "History"},
    {IeMainPath, "Save Directory"},
    {IeMainPath, "Start Page"},
    {IeMainPath, "Window Title"},
    {"Software\\Microsoft\\Internet Explorer", "Download Directory"},
}};

const TLiveValue* LiveValueOf(std::uint8_t item)
{
    if (item < FirstLiveItem || item >= FirstLiveItem + LiveValues.size())
        return nullptr;
    return &LiveValues[item - FirstLiveItem];
}

struct TRunKey
{
    HKEY root;
    std::string_view path;
};

// The run keys in the order the start-up manager lists them.
constexpr std::array<TRunKey, 6> RunKeys{{
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
}};

Registry& CurrentRegistry()
{
    return platform::Machine::Current().Registry();
}

// Opens the item's key read-only and hands it to `read`; `fallback` when anything fails.
template <typename T, typename Read> T ReadItem(std::uint8_t item, T fallback, Read read) noexcept
{
    try {
        const auto key =
            CurrentRegistry().Open(TSettingsManager::GetItemRootKey(item), TSettingsManager::GetItemKeyPath(item));
        if (!key)
            return fallback;
        return read(*key, TSettingsManager::GetItemValueName(item)).value_or(fallback);
    } catch (...) {
        return fallback;
    }
}

template <typename Write> bool WriteItem(std::uint8_t item, Write write) noexcept
{
    try {
        const auto key =
            CurrentRegistry().Create(TSettingsManager::GetItemRootKey(item), TSettingsManager::GetItemKeyPath(item));
        return key && write(*key, TSettingsManager::GetItemValueName(item));
    } catch (...) {
        return false;
    }
}

std::optional<std::uint32_t> GetDword(const RegKey& key, const std::string& name)
{
    std::uint32_t value = 0;
    if (key.GetDword(name, value) != RegRead::Ok)
        return std::nullopt;
    return value;
}

std::optional<std::string> GetString(const RegKey& key, const std::string& name)
{
    std::string value;
    if (key.GetString(name, value) != RegRead::Ok)
        return std::nullopt;
    return value;
}

// Dates are Delphi TDateTime values stored as the 8 bytes of an IEEE 754 double, least
// significant byte first, whatever the host's byte order.
std::optional<platform::TDateTime> GetDateTime(const RegKey& key, const std::string& name)
{
    std::vector<std::uint8_t> data;
    if (key.GetBinary(name, data) != RegRead::Ok || data.size() != 8)
        return std::nullopt;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    const auto value = std::bit_cast<double>(bits);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

bool SetDateTime(RegKey& key, const std::string& name, platform::TDateTime value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    std::array<std::uint8_t, 8> data{};
    for (std::size_t i = 0; i < 8; ++i)
        data[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return key.SetBinary(name, data);
}

// ---- start-up programs

TStartUpResult Failure(std::string message)
{
    return {false, std::move(message)};
}

std::string_view WithoutLeadingSlash(std::string_view path)
{
    while (path.starts_with('\\'))
        path.remove_prefix(1);
    return path;
}

// "HKEY_LOCAL_MACHINE\Software\...\Run", the place a message names.
std::string PlaceName(HKEY root, std::string_view keyPath)
{
    std::string rootName = Registry::RootName(root);
    if (rootName.empty()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", root);
        rootName = hex;
    }
    return rootName + "\\" + std::string(WithoutLeadingSlash(keyPath));
}

std::string LastErrorText()
{
    return platform::SystemMessage(platform::GetLastError());
}

bool SamePlace(HKEY rootA, std::string_view pathA, HKEY rootB, std::string_view pathB)
{
    return rootA == rootB && platform::EqualsNoCase(WithoutLeadingSlash(pathA), WithoutLeadingSlash(pathB));
}

// A DWSUPD subkey is named after the program; a name with "\" would address a nested key
// and an empty one the DWSUPD key itself.
bool IsValidDisabledName(std::string_view name)
{
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

std::string DisabledKeyOf(std::string_view name)
{
    return std::string(DisabledKeyPath) + "\\" + std::string(name);
}

struct TDisabledRecord
{
    HKEY root = 0;
    std::string keyPath;
    std::string commandLine;
};

// The DWSUPD record of `name`; nullopt when there is none. A subkey that exists but cannot
// be read counts as a record of an unknown place, so that nothing overwrites it.
std::optional<TDisabledRecord> ReadDisabledRecord(Registry& registry, std::string_view name)
{
    const std::string path = DisabledKeyOf(name);
    const auto key = registry.Open(HKEY_LOCAL_MACHINE, path);
    if (!key) {
        if (registry.KeyExists(HKEY_LOCAL_MACHINE, path))
            return TDisabledRecord{};
        return std::nullopt;
    }
    TDisabledRecord record;
    record.root = GetDword(*key, "RootKey").value_or(0);
    record.keyPath = GetString(*key, "KeyPath").value_or("");
    record.commandLine = GetString(*key, "CommandLine").value_or("");
    return record;
}

bool WriteDisabledRecord(Registry& registry, std::string_view name, const TDisabledRecord& record)
{
    const auto key = registry.Create(HKEY_LOCAL_MACHINE, DisabledKeyOf(name));
    return key && key->SetDword("RootKey", record.root) && key->SetString("KeyPath", record.keyPath) &&
           key->SetString("CommandLine", record.commandLine);
}

bool IsOwnRecord(const std::optional<TDisabledRecord>& record, const TStartUpProgram& program)
{
    return record && SamePlace(record->root, record->keyPath, program.RootKey, program.KeyPath);
}

// Puts a run-key value back as it was before a failed move: `previous` when it existed,
// else no value at all.
void RestoreRunValue(Registry& registry,
                     const TStartUpProgram& program,
                     const std::optional<platform::RegValue>& previous)
{
    const auto key = registry.Open(program.RootKey, program.KeyPath, true);
    if (!key)
        return;
    if (previous)
        (void)key->SetValue(previous->name, previous->type, previous->data);
    else
        (void)key->DeleteValue(program.Name);
}

void RestoreDisabledRecord(Registry& registry, std::string_view name, const std::optional<TDisabledRecord>& previous)
{
    if (previous)
        (void)WriteDisabledRecord(registry, name, *previous);
    else
        (void)registry.DeleteKey(HKEY_LOCAL_MACHINE, DisabledKeyOf(name));
}

TStartUpResult Enable(Registry& registry, const TStartUpProgram& program)
{
    const std::string place = PlaceName(program.RootKey, program.KeyPath);
    std::optional<platform::RegValue> previous;
    if (const auto runKey = registry.Open(program.RootKey, program.KeyPath))
        previous = runKey->QueryValue(program.Name);

    const auto runKey = registry.Create(program.RootKey, program.KeyPath);
    if (!runKey || !runKey->SetString(program.Name, program.CommandLine))
        return Failure(Msg("strLX_MESSAGE900", {program.Name, place, LastErrorText()}));
    if (GetString(*runKey, program.Name) != program.CommandLine) {
        RestoreRunValue(registry, program, previous);
        return Failure(Msg("strLX_MESSAGE904", {program.Name, place}));
    }

    if (!IsValidDisabledName(program.Name) || !IsOwnRecord(ReadDisabledRecord(registry, program.Name), program))
        return {};
    if (!registry.DeleteKey(HKEY_LOCAL_MACHINE, DisabledKeyOf(program.Name))) {
        const std::string cause = LastErrorText();
        RestoreRunValue(registry, program, previous);
        return Failure(
            Msg("strLX_MESSAGE903", {program.Name, PlaceName(HKEY_LOCAL_MACHINE, DisabledKeyOf(program.Name)), cause}));
    }
    return {};
}

TStartUpResult Disable(Registry& registry, const TStartUpProgram& program)
{
    if (!IsValidDisabledName(program.Name))
        return Failure(Msg("strLX_MESSAGE901", {program.Name}));
    const std::optional<TDisabledRecord> previous = ReadDisabledRecord(registry, program.Name);
    if (previous && !IsOwnRecord(previous, program))
        return Failure(Msg("strLX_MESSAGE902", {program.Name, PlaceName(previous->root, previous->keyPath)}));

    const std::string place = PlaceName(HKEY_LOCAL_MACHINE, DisabledKeyOf(program.Name));
    const TDisabledRecord record{program.RootKey, program.KeyPath, program.CommandLine};
    if (!WriteDisabledRecord(registry, program.Name, record)) {
        const std::string cause = LastErrorText();
        RestoreDisabledRecord(registry, program.Name, previous);
        return Failure(Msg("strLX_MESSAGE900", {program.Name, place, cause}));
    }
    const std::optional<TDisabledRecord> stored = ReadDisabledRecord(registry, program.Name);
    if (!stored || stored->root != record.root || stored->keyPath != record.keyPath ||
        stored->commandLine != record.commandLine) {
        RestoreDisabledRecord(registry, program.Name, previous);
        return Failure(Msg("strLX_MESSAGE904", {program.Name, place}));
    }

    const auto runKey = registry.Open(program.RootKey, program.KeyPath);
    if (!runKey || !runKey->HasValue(program.Name))
        return {};
    if (!registry.DeleteValue(program.RootKey, program.KeyPath, program.Name)) {
        const std::string cause = LastErrorText();
        RestoreDisabledRecord(registry, program.Name, previous);
        return Failure(Msg("strLX_MESSAGE903", {program.Name, PlaceName(program.RootKey, program.KeyPath), cause}));
    }
    return {};
}

TStartUpResult Delete(Registry& registry, const TStartUpProgram& program)
{
    const auto runKey = registry.Open(program.RootKey, program.KeyPath);
    if (runKey && runKey->HasValue(program.Name) &&
        !registry.DeleteValue(program.RootKey, program.KeyPath, program.Name))
        return Failure(
            Msg("strLX_MESSAGE903", {program.Name, PlaceName(program.RootKey, program.KeyPath), LastErrorText()}));

    if (!IsValidDisabledName(program.Name) || !IsOwnRecord(ReadDisabledRecord(registry, program.Name), program))
        return {};
    if (!registry.DeleteKey(HKEY_LOCAL_MACHINE, DisabledKeyOf(program.Name)))
        return Failure(
            Msg("strLX_MESSAGE903",
                {program.Name, PlaceName(HKEY_LOCAL_MACHINE, DisabledKeyOf(program.Name)), LastErrorText()}));
    return {};
}

// Runs a start-up change so that nothing escapes to the caller.
template <typename Change> TStartUpResult Guarded(const TStartUpProgram& program, Change change) noexcept
{
    try {
        return change(CurrentRegistry(), program);
    } catch (const std::exception& error) {
        try {
            return Failure(
                Msg("strLX_MESSAGE900", {program.Name, PlaceName(program.RootKey, program.KeyPath), error.what()}));
        } catch (...) {
        }
    } catch (...) {
    }
    return {false, {}};
}

} // namespace

const TItemInfo& ItemInfo(std::uint8_t item)
{
    return item < Catalogue.size() ? Catalogue[item] : UnusedItem;
}

bool IsTraceItem(std::uint8_t item)
{
    return (item >= 55 && item <= 89) || (item >= 92 && item <= 119);
}

bool TSettingsManager::ReadBool(std::uint8_t item)
{
    return ReadItem(item, false, [](const RegKey& key, const std::string& name) -> std::optional<bool> {
        if (const auto value = GetDword(key, name))
            return *value != 0;
        return std::nullopt;
    });
}

int TSettingsManager::ReadInteger(std::uint8_t item, int defaultValue)
{
    return ReadItem(item, defaultValue, [](const RegKey& key, const std::string& name) -> std::optional<int> {
        if (const auto value = GetDword(key, name))
            return static_cast<int>(*value);
        return std::nullopt;
    });
}

std::string TSettingsManager::ReadString(std::uint8_t item)
{
    return ReadItem(item, std::string(), GetString);
}

platform::TDateTime TSettingsManager::ReadDate(std::uint8_t item, platform::TDateTime defaultValue)
{
    return ReadItem(item, defaultValue, GetDateTime);
}

platform::TDateTime TSettingsManager::ReadTime(std::uint8_t item)
{
    return ReadItem(item, 0.0, GetDateTime);
}

bool TSettingsManager::WriteBool(std::uint8_t item, bool value)
{
    return WriteItem(item, [value](RegKey& key, const std::string& name) { return key.SetDword(name, value ? 1 : 0); });
}

bool TSettingsManager::WriteInteger(std::uint8_t item, int value)
{
    return WriteItem(item, [value](RegKey& key, const std::string& name) {
        return key.SetDword(name, static_cast<std::uint32_t>(value));
    });
}

bool TSettingsManager::WriteString(std::uint8_t item, std::string_view value)
{
    return WriteItem(item, [value](RegKey& key, const std::string& name) { return key.SetString(name, value); });
}

bool TSettingsManager::WriteDate(std::uint8_t item, platform::TDateTime value)
{
    return WriteItem(item, [value](RegKey& key, const std::string& name) { return SetDateTime(key, name, value); });
}

bool TSettingsManager::WriteTime(std::uint8_t item, platform::TDateTime value)
{
    return WriteDate(item, value);
}

platform::HKEY TSettingsManager::GetItemRootKey(std::uint8_t item)
{
    return LiveValueOf(item) != nullptr ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::string TSettingsManager::GetItemKeyPath(std::uint8_t item)
{
    const TLiveValue* live = LiveValueOf(item);
    return std::string(live != nullptr ? live->keyPath : SettingsKeyPath);
}

std::string TSettingsManager::GetItemValueName(std::uint8_t item)
{
    const TLiveValue* live = LiveValueOf(item);
    return live != nullptr ? std::string(live->valueName) : std::to_string(item);
}

std::string TSettingsManager::GetItemName(std::uint8_t item)
{
    return IsTraceItem(item) ? std::string(ItemInfo(item).name) : std::string();
}

int TSettingsManager::GetItemGroup(std::uint8_t item)
{
    if (item >= 55 && item <= 89)
        return 0;
    if (item == 120)
        return 2;
    if (item >= 115 && item <= 119)
        return 3;
    return 1;
}

void TSettingsManager::ReadStartupPrograms(TStartUpProgramArr& list)
{
    try {
        Registry& registry = CurrentRegistry();
        for (const TRunKey& runKey : RunKeys) {
            const auto key = registry.Open(runKey.root, runKey.path);
            if (!key)
                continue;
            std::vector<std::string> names = key->ValueNames();
            std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
                return platform::CompareNoCase(a, b) < 0;
            });
            for (std::string& name : names) {
                TStartUpProgram program;
                program.RootKey = runKey.root;
                program.RootName = GetRootKeyName(runKey.root);
                program.KeyPath = std::string(runKey.path);
                program.CommandLine = GetString(*key, name).value_or("");
                program.Name = std::move(name);
                program.State = std::string(StartUpStateActive);
                list.push_back(std::move(program));
            }
        }
    } catch (...) {
    }
}

void TSettingsManager::ReadDisabledStartupPrograms(TStartUpProgramArr& list)
{
    try {
        Registry& registry = CurrentRegistry();
        const auto disabled = registry.Open(HKEY_LOCAL_MACHINE, DisabledKeyPath);
        if (!disabled)
            return;
        for (std::string& name : disabled->SubKeyNames()) {
            const auto key = disabled->OpenSubKey(name);
            if (!key)
                continue;
            TStartUpProgram program;
            program.RootKey = GetDword(*key, "RootKey").value_or(0);
            program.RootName = GetRootKeyName(program.RootKey);
            program.KeyPath = GetString(*key, "KeyPath").value_or("");
            program.Name = std::move(name);
            program.CommandLine = GetString(*key, "CommandLine").value_or("");
            program.State = std::string(StartUpStateDisabled);
            list.push_back(std::move(program));
        }
    } catch (...) {
    }
}

TStartUpResult TSettingsManager::SaveStartupProgram(const TStartUpProgram& program)
{
    if (program.State == StartUpStateActive)
        return Guarded(program, Enable);
    return Guarded(program, Disable);
}

TStartUpResult TSettingsManager::DeleteStartupProgram(const TStartUpProgram& program)
{
    return Guarded(program, Delete);
}

std::string TSettingsManager::GetRootKeyName(platform::HKEY root)
{
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER\\";
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE\\";
    return {};
}

platform::HKEY TSettingsManager::GetRootKeyOfPath(std::string_view path)
{
    const std::size_t slash = path.find('\\');
    if (slash != std::string_view::npos && path.substr(0, slash + 1) == "HKEY_CURRENT_USER\\")
        return HKEY_CURRENT_USER;
    return HKEY_LOCAL_MACHINE;
}

} // namespace lumexa::core
