#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/SecureCleaner.h"
#include "platform/Types.h"

// The cleaner of the traces Windows itself keeps (items 92..109): the temporary folder, recent
// documents, the Run and search histories, the Recycle Bin, the last logged-on user name, RAS
// auto-dial addresses, the network neighbourhood, Telnet history, the clipboard, the
// common-dialog history, check-disk fragments, application logs, registry backups and stray
// registry export files, the registry "streams", and clearing the paging file at shutdown.
namespace lumexa::cleaners {

class TWindowsCleaner : public core::TSecureCleaner
{
public:
    // The first and last item of the cleaner's range.
    static constexpr std::uint8_t FirstItem = 92;
    static constexpr std::uint8_t LastItem = 109;

    // Created suspended with the deletion settings of `source`; the other two arguments are
    // accepted for the run's sake and not used.
    TWindowsCleaner(std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TWindowsCleaner() override;

protected:
    // Works through the selected items in ascending order, then sets Terminated, which is what
    // the run waits for.
    void Execute() override;

    // Where the items find their folders: SHGetFolderPathA, GetTempPathA and
    // GetWindowsDirectoryA on the machine. Each can fail on Windows (nullopt or an empty text),
    // and a folder that cannot be resolved skips its work; tests make them fail.
    virtual std::optional<std::string> SpecialFolder(platform::Csidl csidl) const;
    virtual std::string TempFolder() const;
    virtual std::string WindowsFolder() const;

private:
    void CleanItem(std::uint8_t item);
    void SweepSpecialFolder(platform::Csidl csidl);
    void SweepWindowsFolder(const char* mask);
    void DeleteTelnetHistory();
    void DeleteRegistryBackups();
    void ClearPageFileAtShutdown();
};

} // namespace lumexa::cleaners
