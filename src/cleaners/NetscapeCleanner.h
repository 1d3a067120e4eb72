#pragma once

#include <cstdint>
#include <string>

#include "cleaners/MozillaCleaner.h"

// The cleaner of Netscape's traces (items 67..71), in the profiles selected in the profiles
// manager: the location bar history, Cookies.txt (filtered by "Settings\SafeNSCookies.txt"),
// the cache, the saved form files and the history.
namespace lumexa::cleaners {

class TNetscapeCleanner : public TMozillaCleaner
{
public:
    static constexpr std::uint8_t FirstItem = 67;
    static constexpr std::uint8_t LastItem = 71;

    // Created suspended with the deletion settings of `source`; loads the selected profiles. The
    // other two arguments are accepted for the run's sake and not used.
    TNetscapeCleanner(std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TNetscapeCleanner() override;

protected:
    void CleanItem(std::uint8_t item, const std::string& profile) override;
};

} // namespace lumexa::cleaners
