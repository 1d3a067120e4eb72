#include "cleaners/ProfilesFinder.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "core/Helpers.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/Types.h"

namespace lumexa::cleaners {

namespace {

using platform::StartsWithNoCase;

// A profiles.ini lists a handful of profiles; anything much larger is not one.
constexpr std::uint64_t MaxProfilesIniSize = 1u << 20;

// Text after `key` when `line` is longer than the key and begins with it ignoring case.
std::optional<std::string_view> ValueOf(std::string_view line, std::string_view key)
{
    if (line.size() > key.size() && StartsWithNoCase(line, key))
        return line.substr(key.size());
    return std::nullopt;
}

bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string ProfilePath(std::string_view value, bool relative, std::string_view folder)
{
    std::string path(value);
    std::replace(path.begin(), path.end(), '/', '\\');
    if (relative)
        return std::string(folder) + path;
    // A host path ("/home/ann/ff") names a folder of the drive the file lies on; "\\server"
    // is a network path and stays.
    if (path.starts_with('\\') && !path.starts_with("\\\\") && folder.size() >= 2 && folder[1] == ':')
        return std::string(folder.substr(0, 2)) + path;
    return path;
}

} // namespace

std::string_view ProfilesMarker(std::uint8_t kind)
{
    switch (kind) {
    case ProfilesNetscape:
        return "NAVIGATOR";
    case ProfilesFireFox:
        return "FIREFOX";
    case ProfilesThunderbird:
        return "THUNDERBIRD";
    default:
        return {};
    }
}

TFoundProfiles ReadProfilesIni(std::string_view text, std::string_view folder)
{
    TFoundProfiles found;
    // 0: outside a profile; 1: "Name=" expected; 2: "IsRelative="; 3: "Path=".
    int state = 0;
    std::string name;
    bool relative = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.starts_with('[')) {
            // Every section starts afresh: a profile whose keys are incomplete ends here.
            name.clear();
            relative = true;
            state = line.size() > 8 && StartsWithNoCase(line, "[PROFILE") ? 1 : 0;
            continue;
        }
        if (state == 1) {
            if (const auto value = ValueOf(line, "NAME=")) {
                name = *value;
                state = 2;
            }
        } else if (state == 2) {
            if (const auto value = ValueOf(line, "ISRELATIVE=")) {
                relative = *value == "1";
                state = 3;
            }
        } else if (state == 3) {
            if (const auto value = ValueOf(line, "PATH=")) {
                found.push_back({name, ProfilePath(*value, relative, folder), {}});
                state = 0;
            }
        }
    }
    return found;
}

std::string StoredProfileName(std::string_view path)
{
    const std::size_t slash = path.find_last_of('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<TStoredProfileData> ParseStoredProfile(std::string_view data)
{
    if (data.size() < 3 || data[data.size() - 2] != ',')
        return std::nullopt;
    const std::string path = core::ExcludeTrailingSlash(data.substr(0, data.size() - 2));
    const bool drivePath = path.size() > 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\';
    const bool networkPath = path.size() > 2 && path.starts_with("\\\\") && path[2] != '\\';
    if (!drivePath && !networkPath)
        return std::nullopt;
    return TStoredProfileData{path, data.back() == '1'};
}

TSavedProfiles LoadSavedProfiles(std::string_view key)
{
    TSavedProfiles profiles;
    const auto opened = platform::Machine::Current().Registry().Open(platform::HKEY_LOCAL_MACHINE, key);
    if (!opened)
        return profiles;
    for (const std::string& name : opened->ValueNames()) {
        std::string data;
        if (opened->GetString(name, data) != platform::RegRead::Ok)
            continue;
        const auto stored = ParseStoredProfile(data);
        if (stored && stored->selected)
            profiles.push_back({name, stored->path});
    }
    return profiles;
}

// ---- TProfilesFinder

TProfilesFinder::TProfilesFinder(std::uint8_t kind)
    : TThread(true)
    , m_kind(kind)
{}

TProfilesFinder::~TProfilesFinder()
{
    StopAndWait();
}

void TProfilesFinder::AddRoot(std::string_view folder)
{
    const std::string bare = core::ExcludeTrailingSlash(folder);
    const bool known = std::any_of(m_roots.begin(), m_roots.end(), [&](const std::string& root) {
        return platform::EqualsNoCase(core::ExcludeTrailingSlash(root), bare);
    });
    if (!known && !platform::Trim(folder).empty())
        m_roots.emplace_back(folder);
}

void TProfilesFinder::Execute()
{
    for (const std::string& root : m_roots) {
        if (Terminated())
            break;
        SearchFolder(root);
    }
    SetTerminatedFlag();
}

void TProfilesFinder::SearchFolder(std::string folder)
{
    const std::string_view marker = ProfilesMarker(m_kind);
    const bool profilesFolder = !marker.empty() && platform::EndsWithNoCase(folder, marker);
    if (!folder.ends_with('\\'))
        folder += '\\';
    if (OnSearchFolder)
        OnSearchFolder(folder);
    // The entries are read first and the search handle closed before descending, so a deep
    // tree does not hold one open folder per level.
    std::vector<platform::FindData> entries;
    if (auto find = platform::Machine::Current().Files().FindFirstFile(folder + "*.*")) {
        do {
            if (Terminated())
                return;
            entries.push_back(find->Data());
        } while (find->Next());
    }
    for (const platform::FindData& entry : entries) {
        if (Terminated())
            return;
        if (entry.name == "." || entry.name == "..")
            continue;
        // Symbolic links and mount points are never entered: a link to a folder above would
        // make the search go round for ever, and a mount point leads to another volume.
        if (entry.attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY)
            SearchFolder(folder + entry.name);
        else if (profilesFolder && platform::EqualsNoCase(entry.name, "PROFILES.INI"))
            ReadProfiles(folder + entry.name, folder);
    }
}

void TProfilesFinder::ReadProfiles(const std::string& file, const std::string& folder)
{
    auto& files = platform::Machine::Current().Files();
    const auto size = files.GetFileSize(file);
    if (!size || *size > MaxProfilesIniSize)
        return;
    const auto text = files.ReadWholeFile(file);
    if (!text)
        return;
    for (const TFoundProfile& profile : ReadProfilesIni(*text, folder))
        if (OnProfileFound)
            OnProfileFound(profile.name, profile.path, profile.third);
}

} // namespace lumexa::cleaners
