#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/SecureCleaner.h"
#include "platform/Types.h"

// The cleaner of Google Chrome's traces (items 82..85): history, cookies, cache and download
// history, as the files of fixed names in the default profile below the user's local
// application data folder. It reads no file contents: the databases go as whole files.
namespace lumexa::cleaners {

class TChromeCleanerThread : public core::TSecureCleaner
{
public:
    static constexpr std::uint8_t FirstItem = 82;
    static constexpr std::uint8_t LastItem = 85;

    // Created suspended with the deletion settings of `source`; the other two arguments are
    // accepted for the run's sake and not used.
    TChromeCleanerThread(std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TChromeCleanerThread() override;

protected:
    void Execute() override;

    // SHGetFolderPathA on the machine. nullopt or an empty text when the folder cannot be
    // resolved (Windows 98 has no local application data folder); every item then does
    // nothing. Tests make it fail.
    virtual std::optional<std::string> SpecialFolder(platform::Csidl csidl) const;

private:
    void CleanItem(std::uint8_t item, const std::string& profile);
    void EraseFile(const std::string& path);
};

} // namespace lumexa::cleaners
