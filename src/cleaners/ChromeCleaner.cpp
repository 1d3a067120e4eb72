#include "cleaners/ChromeCleaner.h"

#include <string>

#include "core/Helpers.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::cleaners {

namespace {

using platform::Machine;

// Chrome's default profile, below the local application data folder.
constexpr const char* DefaultProfile = "\\Google\\Chrome\\User Data\\Default";
// What item 82 erases in the profile, in this order.
constexpr const char* HistoryFiles[] = {"Archived History",
                                        "History",
                                        "Current Tabs",
                                        "Last Tabs",
                                        "Last Session",
                                        "Visited Links",
                                        "Thumbnails-journal",
                                        "Web Data-journal",
                                        "Thumbnails",
                                        "Web Data"};

// "C:\..." only: an empty or relative folder would put the profile below the root of the
// current drive.
bool IsAbsolute(std::string_view folder)
{
    return folder.size() >= 3 && ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
           folder[1] == ':' && folder[2] == '\\';
}

} // namespace

TChromeCleanerThread::TChromeCleanerThread(std::uint8_t source, bool, std::uintptr_t)
    : TSecureCleaner(source)
{}

TChromeCleanerThread::~TChromeCleanerThread()
{
    StopAndWait();
}

void TChromeCleanerThread::Execute()
{
    const auto localAppData = SpecialFolder(platform::Csidl::LocalAppData);
    const std::string folder = localAppData ? core::ExcludeTrailingSlash(*localAppData) : std::string();
    // No profile folder (an unresolved or relative application data folder): the items still
    // start and finish, and do nothing.
    const std::string profile = IsAbsolute(folder) ? folder + DefaultProfile : std::string();
    RunItems(FirstItem, LastItem, [this, &profile](std::uint8_t item) {
        if (!profile.empty())
            CleanItem(item, profile);
    });
    SetTerminatedFlag();
}

std::optional<std::string> TChromeCleanerThread::SpecialFolder(platform::Csidl csidl) const
{
    return Machine::Current().Shell().SpecialFolder(csidl);
}

void TChromeCleanerThread::CleanItem(std::uint8_t item, const std::string& profile)
{
    switch (item) {
    case 82:
        // Only the matching files go: the profile folder itself, which holds Chrome's other
        // data, stays even when the sweep leaves it empty.
        SweepFolder(profile, "History Index*.*", {}, {}, false, false);
        for (const char* name : HistoryFiles)
            EraseFile(profile + "\\" + name);
        break;
    case 83:
        EraseFile(profile + "\\Cookies");
        break;
    case 84:
        SweepFolder(profile + "\\Cache", "*.*", {}, {}, true);
        break;
    case 85:
        // Also one of item 82's files: with both selected, this one finds it gone.
        EraseFile(profile + "\\History");
        break;
    default:
        break;
    }
}

void TChromeCleanerThread::EraseFile(const std::string& path)
{
    if (Machine::Current().Files().FileExists(path))
        SecureDeleteFile(path, true);
}

} // namespace lumexa::cleaners
