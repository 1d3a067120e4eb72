#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/SecureCleaner.h"
#include "platform/Types.h"

// The cleaner of Microsoft Office's traces (items 110..114): the most-recently-used lists of
// Access, Excel, PowerPoint, Word and FrontPage (Office 97 to 2007, versions 8.0 to 12.0 in
// the registry), and the shortcuts and documents Office keeps below the user's application
// data folder.
namespace lumexa::cleaners {

class TOfficeCleaner : public core::TSecureCleaner
{
public:
    static constexpr std::uint8_t FirstItem = 110;
    static constexpr std::uint8_t LastItem = 114;

    // Created suspended with the deletion settings of `source`; the other two arguments are
    // accepted for the run's sake and not used.
    TOfficeCleaner(std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TOfficeCleaner() override;

protected:
    // Works through the selected items in ascending order, then sets Terminated, which is what
    // the run waits for.
    void Execute() override;

    // SHGetFolderPathA on the machine. It can fail on Windows, and then only the registry work
    // is done; tests make it fail.
    virtual std::optional<std::string> SpecialFolder(platform::Csidl csidl) const;

private:
    void CleanItem(std::uint8_t item);
};

} // namespace lumexa::cleaners
