#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/SecureCleaner.h"
#include "platform/Types.h"

// The cleaner of Opera's traces (items 72..75): the location bar history, cookies, cache and
// autocomplete data, as whole files and folders below the folder Opera records in the registry
// and below the user's roaming and local application data folders. It reads no file contents.
namespace lumexa::cleaners {

class TOperaCleaner : public core::TSecureCleaner
{
public:
    static constexpr std::uint8_t FirstItem = 72;
    static constexpr std::uint8_t LastItem = 75;

    // Created suspended with the deletion settings of `source`; the other two arguments are
    // accepted for the run's sake and not used.
    TOperaCleaner(std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TOperaCleaner() override;

    // The folder Opera records under HKEY_CURRENT_USER "Software\Opera Software": the first of
    // the string values "Last Directory", "Last Directory2", "Last Directory3" that exists,
    // without a trailing "\". nullopt when the key or all three values are missing, or when
    // that value is empty or not an absolute path (a relative one would name files in the
    // current folder).
    static std::optional<std::string> OperaDirectory();

protected:
    void Execute() override;

    // SHGetFolderPathA on the machine. nullopt or an empty text when the folder cannot be
    // resolved; the paths built on it are then not listed. Tests make it fail.
    virtual std::optional<std::string> SpecialFolder(platform::Csidl csidl) const;

private:
    void CleanItem(std::uint8_t item);
    // The folder without a trailing "\", or empty when it is unresolved or not absolute.
    std::string Folder(platform::Csidl csidl) const;
    // Erases every listed file that exists, in list order, each path once.
    void EraseFiles(const std::vector<std::string>& files);
};

} // namespace lumexa::cleaners
