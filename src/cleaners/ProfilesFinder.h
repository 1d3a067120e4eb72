#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Thread.h"

// Netscape, Firefox and Thunderbird list their profile folders in a "profiles.ini" beside
// them. The finder walks folders (whole drives, or one folder the user picks) for those files
// and reports every profile they list; the selection the user makes from them is kept in the
// registry as TSavedProfiles, which the Mozilla-family cleaners read.
namespace lumexa::cleaners {

// Which browser's profiles are looked for; each selects the marker word the folder holding
// profiles.ini ends with.
inline constexpr std::uint8_t ProfilesNetscape = 0;    // "NAVIGATOR"
inline constexpr std::uint8_t ProfilesFireFox = 1;     // "FIREFOX"
inline constexpr std::uint8_t ProfilesThunderbird = 2; // "THUNDERBIRD"

// One profile found; the third text is kept for the profiles window and stays empty.
struct TFoundProfile
{
    std::string name;
    std::string path;
    std::string third;
    friend bool operator==(const TFoundProfile&, const TFoundProfile&) = default;
};
using TFoundProfiles = std::vector<TFoundProfile>;

// The profiles a profiles.ini lists, in file order. `folder` is the folder holding the file,
// ending with "\"; relative paths are joined to it. Within a section that starts with
// "[Profile", "Name=", "IsRelative=" and "Path=" must come in this order (keys are matched
// ignoring case, other lines are skipped); every section header starts afresh, so a profile
// missing one of the three keys is not reported and never borrows from the next section.
// Forward slashes in paths become "\"; an absolute path that begins with a single "\" (a
// host path such as "/home/ann/ff" in a profiles.ini on Z:) is completed with the drive of
// `folder`.
TFoundProfiles ReadProfilesIni(std::string_view text, std::string_view folder);

// The marker word of a kind; empty for an unknown kind.
std::string_view ProfilesMarker(std::uint8_t kind);

// The registry keys (under HKEY_LOCAL_MACHINE) where the profiles manager stores the known
// profiles of a browser: one string value per profile, named after the profile's folder, whose
// data is the folder's path followed by ",1" (selected for cleaning) or ",0".
inline constexpr std::string_view NetscapeProfilesKey = "SOFTWARE\\Orvanta\\Lumexa\\Settings\\Netscape";
inline constexpr std::string_view FireFoxProfilesKey = "SOFTWARE\\Orvanta\\Lumexa\\Settings\\FireFox";

// The value name a profile is stored under: the last component of its folder's path.
std::string StoredProfileName(std::string_view path);

// One stored profile: the value name and the profile folder's path, without a trailing "\".
struct TSavedProfile
{
    std::string name;
    std::string path;
    friend bool operator==(const TSavedProfile&, const TSavedProfile&) = default;
};
using TSavedProfiles = std::vector<TSavedProfile>;

// The path and the flag of one stored value's data ("C:\...\abc.default,1"). nullopt, so that
// the profile is never cleaned, when the data is shorter than "x,1", lacks the "," before the
// flag, or the path is not absolute ("X:\folder" or "\\server\share"): a relative or empty
// path would make the cleaners work in the current folder or a drive's root.
struct TStoredProfileData
{
    std::string path;
    bool selected = false;
};
std::optional<TStoredProfileData> ParseStoredProfile(std::string_view data);

// The selected profiles stored under `key` (HKEY_LOCAL_MACHINE), in the registry's value
// order. A missing key, a value that is not a string and data ParseStoredProfile refuses add
// nothing; the key is only read, never created.
TSavedProfiles LoadSavedProfiles(std::string_view key);

class TProfilesFinder : public platform::TThread
{
public:
    // Raised on the finder's thread for every folder the search enters (ending with "\").
    std::function<void(const std::string& folder)> OnSearchFolder;
    // Raised on the finder's thread for every profile found; the third text is always empty.
    std::function<void(const std::string& name, const std::string& path, const std::string& third)> OnProfileFound;

    // Created suspended.
    explicit TProfilesFinder(std::uint8_t kind);
    ~TProfilesFinder() override;

    std::uint8_t Kind() const { return m_kind; }
    // Adds a folder to search, unless one equal to it ignoring case (and a trailing "\") is
    // already there. The spelling is kept: Z:\ lies on a case-sensitive file system.
    void AddRoot(std::string_view folder);
    const std::vector<std::string>& Roots() const { return m_roots; }

protected:
    // Searches each root in the order added, then sets Terminated. Terminate() from outside
    // stops the search at the next directory entry.
    void Execute() override;

private:
    void SearchFolder(std::string folder);
    void ReadProfiles(const std::string& file, const std::string& folder);

    std::uint8_t m_kind;
    std::vector<std::string> m_roots;
};

} // namespace lumexa::cleaners
