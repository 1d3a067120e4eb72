#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Types.h"

// The settings store. Every persistent choice of the user, and every kind of trace the
// program erases, is an item number 0..127 kept as one registry value. The store has no
// state: each call opens its own registry key on the current machine, so any thread may call
// it at any time, and a value written by one thread is seen by the next read of another.
namespace lumexa::core {

enum class TItemType : std::uint8_t
{
    Unused,
    Boolean,    // REG_DWORD 0 or 1; any non-zero value reads as true
    Integer,    // REG_DWORD
    Text,       // REG_SZ
    Date,       // 8-byte REG_BINARY double: a date or a date and time
    Time,       // the same format, the time of day only
    PseudoItem, // 120: plug-in objects are reported under it; never stored
};

struct TItemInfo
{
    TItemType type = TItemType::Unused;
    // For trace items the name GetItemName returns; for the others the caption of the
    // control that edits the item, or what the item means.
    std::string_view name;
};

// The catalogue entry of an item; numbers above 127 are unused.
const TItemInfo& ItemInfo(std::uint8_t item);

// Trace items: 55..89 and 92..119, each a boolean saying whether that kind of trace is erased.
bool IsTraceItem(std::uint8_t item);

inline constexpr std::string_view StartUpStateActive = "Active";
inline constexpr std::string_view StartUpStateDisabled = "Disabled";

// One Windows start-up entry: active as a value of a run key, or disabled and kept by
// Lumexa under "SOFTWARE\Orvanta\Lumexa\Settings\DWSUPD\<Name>" (HKEY_LOCAL_MACHINE).
struct TStartUpProgram
{
    platform::HKEY RootKey = 0;
    std::string RootName; // "HKEY_CURRENT_USER\" or "HKEY_LOCAL_MACHINE\", for display
    std::string KeyPath;  // the run key below the root
    std::string Name;     // the value name in the run key
    std::string CommandLine;
    std::string State; // "Active" or "Disabled"
    friend bool operator==(const TStartUpProgram&, const TStartUpProgram&) = default;
};
using TStartUpProgramArr = std::vector<TStartUpProgram>;

// Outcome of a start-up program change; `message` is the user-visible text of a failure.
struct TStartUpResult
{
    bool ok = true;
    std::string message;
    explicit operator bool() const { return ok; }
};

class TSettingsManager
{
public:
    TSettingsManager() = delete;

    // Reads never throw: an absent value, or one of the wrong type or size, reads as the
    // default (false, `defaultValue`, the empty text, 0).
    static bool ReadBool(std::uint8_t item);
    static int ReadInteger(std::uint8_t item, int defaultValue = 0);
    static std::string ReadString(std::uint8_t item);
    // Dates and date-times (items 2, 21, 90).
    static platform::TDateTime ReadDate(std::uint8_t item, platform::TDateTime defaultValue = 0);
    // Times of day (items 3, 7, 9, 22).
    static platform::TDateTime ReadTime(std::uint8_t item);

    // Writes create the key when missing and never throw; false when the value could not be
    // stored (the thread's last error tells why).
    static bool WriteBool(std::uint8_t item, bool value);
    static bool WriteInteger(std::uint8_t item, int value);
    static bool WriteString(std::uint8_t item, std::string_view value);
    static bool WriteDate(std::uint8_t item, platform::TDateTime value);
    static bool WriteTime(std::uint8_t item, platform::TDateTime value);

    // Where an item lives: items 39..46 are Internet Explorer's and the shell's own values in
    // HKEY_CURRENT_USER; every other item is the value named by its number under
    // HKEY_LOCAL_MACHINE "SOFTWARE\Orvanta\Lumexa\Settings".
    static platform::HKEY GetItemRootKey(std::uint8_t item);
    static std::string GetItemKeyPath(std::uint8_t item);
    static std::string GetItemValueName(std::uint8_t item);

    // The display name of a trace item; empty for every other number.
    static std::string GetItemName(std::uint8_t item);
    // The report group: 0 Internet (55..89), 2 Plugins (120), 3 E-mail (115..119), and
    // 1 Windows for everything else.
    static int GetItemGroup(std::uint8_t item);

    // Appends the active programs of the six run keys (HKEY_CURRENT_USER Run, RunOnce;
    // HKEY_LOCAL_MACHINE Run, RunOnce, RunServices, RunServicesOnce), each key's value names
    // sorted ignoring case. A key that cannot be opened adds nothing.
    static void ReadStartupPrograms(TStartUpProgramArr& list);
    // Appends the disabled programs, in the registry's order of the DWSUPD subkeys.
    static void ReadDisabledStartupPrograms(TStartUpProgramArr& list);

    // Moves the program to the place its State names ("Active": the run key; anything else:
    // DWSUPD). The new place is written and read back before the old one is removed, and a
    // failure undoes the new place, so the program always stands in exactly one place.
    // Refused: disabling a Name that is empty or holds "\", or whose DWSUPD subkey belongs to
    // a program of another root or run key. A DWSUPD subkey is removed only when its RootKey
    // and KeyPath are the record's.
    [[nodiscard]] static TStartUpResult SaveStartupProgram(const TStartUpProgram& program);
    // Removes the program from its run key and its own DWSUPD subkey.
    [[nodiscard]] static TStartUpResult DeleteStartupProgram(const TStartUpProgram& program);

    // "HKEY_CURRENT_USER\", "HKEY_LOCAL_MACHINE\", or empty for any other root.
    static std::string GetRootKeyName(platform::HKEY root);
    // HKEY_CURRENT_USER when the text up to its first "\" is exactly "HKEY_CURRENT_USER\",
    // else HKEY_LOCAL_MACHINE.
    static platform::HKEY GetRootKeyOfPath(std::string_view path);
};

} // namespace lumexa::core
