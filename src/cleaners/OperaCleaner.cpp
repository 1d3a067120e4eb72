#include "cleaners/OperaCleaner.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/Helpers.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Text.h"

namespace lumexa::cleaners {

namespace {

using platform::Machine;

constexpr const char* OperaKey = "Software\\Opera Software";
constexpr std::array<const char*, 3> LastDirectoryValues{"Last Directory", "Last Directory2", "Last Directory3"};
// The profile folders of Opera 7, 7.5 and later versions below the application data folders.
constexpr std::array<const char*, 3> Profiles{
    "\\Opera\\Opera7\\profile", "\\Opera\\Opera75\\profile", "\\Opera\\Opera\\profile"};

// "C:\..." only: an empty or relative folder would put the paths built on it in the current
// folder or the root of the current drive.
bool IsAbsolute(std::string_view folder)
{
    return folder.size() >= 3 && ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
           folder[1] == ':' && folder[2] == '\\';
}

// Each application data folder that resolved, followed by each profile and then `name`.
std::vector<std::string> InProfiles(const std::string& folder, const char* name)
{
    std::vector<std::string> paths;
    if (!folder.empty())
        for (const char* profile : Profiles)
            paths.push_back(folder + profile + name);
    return paths;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& paths)
{
    to.insert(to.end(), paths.begin(), paths.end());
}

} // namespace

TOperaCleaner::TOperaCleaner(std::uint8_t source, bool, std::uintptr_t)
    : TSecureCleaner(source)
{}

TOperaCleaner::~TOperaCleaner()
{
    StopAndWait();
}

std::optional<std::string> TOperaCleaner::OperaDirectory()
{
    const auto key = Machine::Current().Registry().Open(platform::HKEY_CURRENT_USER, OperaKey);
    if (!key)
        return std::nullopt;
    for (const char* name : LastDirectoryValues) {
        std::string directory;
        const platform::RegRead read = key->GetString(name, directory);
        if (read == platform::RegRead::Missing)
            continue;
        // The first value that exists decides, even when it is unusable: the later ones are
        // older records of other Opera versions.
        directory = core::ExcludeTrailingSlash(directory);
        if (read != platform::RegRead::Ok || !IsAbsolute(directory))
            return std::nullopt;
        return directory;
    }
    return std::nullopt;
}

void TOperaCleaner::Execute()
{
    RunItems(FirstItem, LastItem, [this](std::uint8_t item) { CleanItem(item); });
    SetTerminatedFlag();
}

std::optional<std::string> TOperaCleaner::SpecialFolder(platform::Csidl csidl) const
{
    return Machine::Current().Shell().SpecialFolder(csidl);
}

std::string TOperaCleaner::Folder(platform::Csidl csidl) const
{
    const auto folder = SpecialFolder(csidl);
    if (!folder)
        return {};
    std::string path = core::ExcludeTrailingSlash(*folder);
    return IsAbsolute(path) ? path : std::string();
}

void TOperaCleaner::CleanItem(std::uint8_t item)
{
    const std::optional<std::string> opera = OperaDirectory();
    const std::string appData = Folder(platform::Csidl::AppData);
    std::vector<std::string> paths;
    switch (item) {
    case 72:
        if (opera) {
            paths.push_back(*opera + "\\Opera.dir");
            paths.push_back(*opera + "\\global.dat");
        }
        for (const std::string& profile : InProfiles(appData, "")) {
            paths.push_back(profile + "\\Opera.dir");
            paths.push_back(profile + "\\Global.dat");
        }
        EraseFiles(paths);
        break;
    case 73:
        if (opera)
            paths.push_back(*opera + "\\cookies4.dat");
        Append(paths, InProfiles(appData, "\\cookies4.dat"));
        EraseFiles(paths);
        break;
    case 74: {
        if (opera)
            paths.push_back(*opera + "\\cache4");
        Append(paths, InProfiles(appData, "\\cache4"));
        Append(paths, InProfiles(Folder(platform::Csidl::LocalAppData), "\\cache4"));
        std::vector<std::string> swept;
        for (const std::string& folder : paths) {
            // On systems whose two application data folders are one, each cache is swept once.
            if (std::find(swept.begin(), swept.end(), platform::FoldCase(folder)) != swept.end())
                continue;
            swept.push_back(platform::FoldCase(folder));
            SweepFolder(folder, "*.*", {}, {}, true);
        }
        break;
    }
    case 75:
        for (const std::string& profile : InProfiles(appData, "")) {
            paths.push_back(profile + "\\sessions\\autosave.win");
            paths.push_back(profile + "\\wand.dat");
        }
        EraseFiles(paths);
        break;
    default:
        break;
    }
}

void TOperaCleaner::EraseFiles(const std::vector<std::string>& files)
{
    std::vector<std::string> erased;
    for (const std::string& file : files) {
        // A file listed twice (Opera's folder is also a profile folder) is reported once, in
        // analysis as when erasing.
        if (std::find(erased.begin(), erased.end(), platform::FoldCase(file)) != erased.end())
            continue;
        erased.push_back(platform::FoldCase(file));
        if (Machine::Current().Files().FileExists(file))
            SecureDeleteFile(file, true);
    }
}

} // namespace lumexa::cleaners
