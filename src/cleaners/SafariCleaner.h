#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/SecureCleaner.h"
#include "platform/Types.h"

// The cleaner of Safari's traces (items 86..89): history, cookies, cache and form values, as
// the files of fixed names Safari for Windows keeps below the user's roaming and local
// application data folders. It reads no file contents.
namespace lumexa::cleaners {

class TSafariCleanerThread : public core::TSecureCleaner
{
public:
    static constexpr std::uint8_t FirstItem = 86;
    static constexpr std::uint8_t LastItem = 89;

    // Created suspended with the deletion settings of `source`; the other two arguments are
    // accepted for the run's sake and not used.
    TSafariCleanerThread(std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TSafariCleanerThread() override;

protected:
    void Execute() override;

    // SHGetFolderPathA on the machine. nullopt or an empty text when the folder cannot be
    // resolved; the paths built on it are then not listed. Tests make it fail.
    virtual std::optional<std::string> SpecialFolder(platform::Csidl csidl) const;

private:
    void CleanItem(std::uint8_t item);
    // "<folder>\Apple Computer\Safari", or empty when the folder is unresolved or not absolute.
    std::string SafariFolder(platform::Csidl csidl) const;
    void EraseFile(const std::string& safariFolder, const char* name);
};

} // namespace lumexa::cleaners
