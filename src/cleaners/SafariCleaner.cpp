#include "cleaners/SafariCleaner.h"

#include <string>

#include "core/Helpers.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::cleaners {

namespace {

using platform::Machine;

constexpr const char* Safari = "\\Apple Computer\\Safari";

// "C:\..." only: an empty or relative folder would put Safari's files below the root of the
// current drive.
bool IsAbsolute(std::string_view folder)
{
    return folder.size() >= 3 && ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
           folder[1] == ':' && folder[2] == '\\';
}

} // namespace

TSafariCleanerThread::TSafariCleanerThread(std::uint8_t source, bool, std::uintptr_t)
    : TSecureCleaner(source)
{}

TSafariCleanerThread::~TSafariCleanerThread()
{
    StopAndWait();
}

void TSafariCleanerThread::Execute()
{
    RunItems(FirstItem, LastItem, [this](std::uint8_t item) { CleanItem(item); });
    SetTerminatedFlag();
}

std::optional<std::string> TSafariCleanerThread::SpecialFolder(platform::Csidl csidl) const
{
    return Machine::Current().Shell().SpecialFolder(csidl);
}

std::string TSafariCleanerThread::SafariFolder(platform::Csidl csidl) const
{
    const auto folder = SpecialFolder(csidl);
    if (!folder)
        return {};
    const std::string path = core::ExcludeTrailingSlash(*folder);
    return IsAbsolute(path) ? path + Safari : std::string();
}

void TSafariCleanerThread::CleanItem(std::uint8_t item)
{
    switch (item) {
    case 86: {
        const std::string roaming = SafariFolder(platform::Csidl::AppData);
        EraseFile(roaming, "\\History.plist");
        EraseFile(roaming, "\\Downloads.plist");
        if (const std::string local = SafariFolder(platform::Csidl::LocalAppData); !local.empty())
            SweepFolder(local + "\\History", "*.*", {}, {}, true);
        break;
    }
    case 87:
        EraseFile(SafariFolder(platform::Csidl::AppData), "\\Cookies\\Cookies.plist");
        break;
    case 88:
        EraseFile(SafariFolder(platform::Csidl::LocalAppData), "\\Cache.db");
        break;
    case 89:
        EraseFile(SafariFolder(platform::Csidl::AppData), "\\Form Values.plist");
        break;
    default:
        break;
    }
}

void TSafariCleanerThread::EraseFile(const std::string& safariFolder, const char* name)
{
    if (safariFolder.empty())
        return;
    const std::string path = safariFolder + name;
    if (Machine::Current().Files().FileExists(path))
        SecureDeleteFile(path, true);
}

} // namespace lumexa::cleaners
