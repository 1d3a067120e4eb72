#include "cleaners/MozillaCleaner.h"

#include "cleaners/KeepList.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Shell.h"
#include "platform/Text.h"

namespace lumexa::cleaners {

namespace {

using platform::Machine;

} // namespace

std::string FilterCookieLines(std::string_view text, const TKeepList& keep)
{
    std::string kept;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string line = platform::Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty())
            continue;
        const std::size_t tab = line.find('\t');
        const bool cookie = !line.starts_with('#') && tab != std::string::npos;
        if (cookie && !keep.ContainsHost(std::string_view(line).substr(0, tab)))
            continue;
        kept += line;
        kept += "\r\n";
    }
    return kept;
}

TMozillaCleaner::TMozillaCleaner(std::uint8_t source,
                                 std::string_view profilesKey,
                                 std::uint8_t first,
                                 std::uint8_t last)
    : TSecureCleaner(source)
    , m_profiles(LoadSavedProfiles(profilesKey))
    , m_first(first)
    , m_last(last)
{}

TMozillaCleaner::~TMozillaCleaner()
{
    StopAndWait();
}

void TMozillaCleaner::Execute()
{
    RunItems(m_first, m_last, [this](std::uint8_t item) {
        for (const TSavedProfile& profile : m_profiles)
            CleanItem(item, profile.path);
    });
    SetTerminatedFlag();
}

std::optional<std::string> TMozillaCleaner::SpecialFolder(platform::Csidl csidl) const
{
    return Machine::Current().Shell().SpecialFolder(csidl);
}

void TMozillaCleaner::EraseFile(const std::string& path)
{
    if (Machine::Current().Files().FileExists(path))
        SecureDeleteFile(path, true);
}

void TMozillaCleaner::SweepCache(const std::string& profile, std::string_view marker, std::string_view cacheFolder)
{
    const auto localAppData = SpecialFolder(platform::Csidl::LocalAppData);
    if (!localAppData || localAppData->empty())
        return;
    // A profile outside "...\Mozilla\Firefox" (or "...\Netscape\Navigator") has no cache in the
    // local application data folder: joining its whole path there names no folder, or, for a
    // network path, one that is not the browser's.
    const std::size_t at = profile.find(marker);
    if (at == std::string::npos)
        return;
    SweepFolder(*localAppData + "\\" + profile.substr(at) + "\\" + std::string(cacheFolder), "*.*", {}, {}, true);
}

void TMozillaCleaner::FilterCookieFile(const std::string& profile, std::string_view keepListFile)
{
    auto& files = Machine::Current().Files();
    const std::string path = profile + "\\Cookies.txt";
    if (Analysing() || !files.FileExists(path))
        return;
    const auto text = files.ReadWholeFile(path);
    if (!text)
        return;
    const std::string kept = FilterCookieLines(*text, TKeepList::Load(keepListFile));
    if (kept != *text)
        files.WriteWholeFileAtomic(path, kept);
}

} // namespace lumexa::cleaners
