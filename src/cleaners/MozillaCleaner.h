#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cleaners/ProfilesFinder.h"
#include "core/SecureCleaner.h"
#include "platform/Types.h"

// What the Netscape and Firefox cleaners share: both keep their traces per profile folder and
// work only on the profiles the user selected in the profiles manager.
namespace lumexa::cleaners {

class TKeepList;

// Keeps the cookie lines of Cookies.txt (the Netscape cookie file format) whose host is on the
// keep list: each line is trimmed; a line that does not begin with "#" and holds a tab is a
// cookie whose host is the text before the first tab, kept when the list holds it (ignoring
// case); every other non-empty line (comments) is kept; blank lines go. The kept lines are
// returned joined with CR LF.
std::string FilterCookieLines(std::string_view text, const TKeepList& keep);

class TMozillaCleaner : public core::TSecureCleaner
{
public:
    ~TMozillaCleaner() override;

    // The selected profiles, read once from the registry when the cleaner was made.
    const TSavedProfiles& Profiles() const { return m_profiles; }

protected:
    // Created suspended with the deletion settings of `source` and the selected profiles stored
    // under `profilesKey`; the cleaner works on the items first..last.
    TMozillaCleaner(std::uint8_t source, std::string_view profilesKey, std::uint8_t first, std::uint8_t last);

    // Works through the selected items in ascending order, each for every selected profile,
    // then sets Terminated.
    void Execute() override;
    // One item's work for one profile folder (without trailing "\").
    virtual void CleanItem(std::uint8_t item, const std::string& profile) = 0;

    // SHGetFolderPathA on the machine; tests make it fail. A folder that cannot be resolved
    // skips the cache item.
    virtual std::optional<std::string> SpecialFolder(platform::Csidl csidl) const;

    // Erases the file when it exists.
    void EraseFile(const std::string& path);
    // Sweeps the browser's cache of a profile: the local application data folder, then the part
    // of the profile's path from `marker` on (exact case), then "\<cacheFolder>". A profile
    // whose path holds no marker has no cache there and nothing is swept.
    void SweepCache(const std::string& profile, std::string_view marker, std::string_view cacheFolder = "Cache");
    // Rewrites profile\Cookies.txt, keeping only the cookies of hosts on the keep list
    // "Settings\<keepListFile>". Nothing in analysis, nothing reported; the file is replaced
    // through a temporary file, so a failed write leaves it whole.
    void FilterCookieFile(const std::string& profile, std::string_view keepListFile);

private:
    TSavedProfiles m_profiles;
    std::uint8_t m_first;
    std::uint8_t m_last;
};

} // namespace lumexa::cleaners
