#include "cleaners/OfficeCleaner.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::cleaners {

namespace {

using platform::HKEY_CURRENT_USER;

// Office 97, 2000, XP, 2003 and 2007 as the registry numbers them.
constexpr const char* OfficeVersions[] = {"8.0", "9.0", "10.0", "11.0", "12.0"};
// Office 2007 keeps a second list beside the old one.
constexpr const char* Office2007 = "12.0";
// The versions whose Word "settings" value is deleted; Word 97's is left alone.
constexpr const char* WordSettingsVersions[] = {"9.0", "10.0", "11.0", "12.0"};

// What one item erases.
struct TOfficeTraces
{
    std::uint8_t item;
    // Below "Software\Microsoft\Office\<version>\", cleared for every version; null for none.
    const char* recentList;
    // Below the Office 2007 key, cleared; null for none.
    const char* fileMru;
    // Cleared as they are.
    std::vector<const char*> otherKeys;
    // Deletes the "settings" value of each "Word\Data" key of WordSettingsVersions.
    bool wordSettings;
    // Swept below APPDATA\Microsoft\Office, subfolders included.
    std::vector<const char*> masks;
};

const std::vector<TOfficeTraces>& OfficeTraces()
{
    static const std::vector<TOfficeTraces> traces = {
        {110, "Access\\Settings", nullptr, {}, false, {"*.mdb.lnk", "*.accdb", "*.accdb.lnk"}},
        {111, "Excel\\Recent Files", "Excel\\File MRU", {}, false, {"*.xls.lnk", "*.xlsx", "*.xlsx.lnk"}},
        {112,
         "PowerPoint\\Recent File List",
         "PowerPoint\\File MRU",
         {},
         false,
         {"*.ppt.lnk", "*.pps.lnk", "*.pptx", "*.pptx.lnk"}},
        {113, nullptr, "Word\\File MRU", {}, true, {"*.doc.lnk", "*.docx", "*.docx.lnk"}},
        {114,
         nullptr,
         nullptr,
         {"Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent File List",
          "Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Page List",
          "Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\Recent Web List"},
         false,
         {"*.htm.lnk"}},
    };
    return traces;
}

std::string OfficeKey(std::string_view version, std::string_view rest)
{
    return "Software\\Microsoft\\Office\\" + std::string(version) + "\\" + std::string(rest);
}

} // namespace

TOfficeCleaner::TOfficeCleaner(std::uint8_t source, bool, std::uintptr_t)
    : TSecureCleaner(source)
{}

TOfficeCleaner::~TOfficeCleaner()
{
    StopAndWait();
}

void TOfficeCleaner::Execute()
{
    RunItems(FirstItem, LastItem, [this](std::uint8_t item) { CleanItem(item); });
    SetTerminatedFlag();
}

std::optional<std::string> TOfficeCleaner::SpecialFolder(platform::Csidl csidl) const
{
    return platform::Machine::Current().Shell().SpecialFolder(csidl);
}

void TOfficeCleaner::CleanItem(std::uint8_t item)
{
    for (const TOfficeTraces& traces : OfficeTraces()) {
        if (traces.item != item)
            continue;
        // Clearing keeps each key and its subkeys: only the values (the list entries) go.
        if (traces.recentList)
            for (const char* version : OfficeVersions)
                DeleteAllValues(HKEY_CURRENT_USER, OfficeKey(version, traces.recentList));
        if (traces.wordSettings)
            for (const char* version : WordSettingsVersions)
                DeleteRegistryValue(HKEY_CURRENT_USER, OfficeKey(version, "Word\\Data"), "settings");
        if (traces.fileMru)
            DeleteAllValues(HKEY_CURRENT_USER, OfficeKey(Office2007, traces.fileMru));
        for (const char* key : traces.otherKeys)
            DeleteAllValues(HKEY_CURRENT_USER, key);

        const auto appData = SpecialFolder(platform::Csidl::AppData);
        if (!appData || appData->empty())
            return;
        const std::string office = *appData + "\\Microsoft\\Office";
        for (const char* mask : traces.masks)
            SweepFolder(office, mask, {}, {}, true);
        return;
    }
}

} // namespace lumexa::cleaners
