#include "cleaners/NetscapeCleanner.h"

#include "cleaners/KeepList.h"

namespace lumexa::cleaners {

TNetscapeCleanner::TNetscapeCleanner(std::uint8_t source, bool, std::uintptr_t)
    : TMozillaCleaner(source, NetscapeProfilesKey, FirstItem, LastItem)
{}

TNetscapeCleanner::~TNetscapeCleanner()
{
    StopAndWait();
}

void TNetscapeCleanner::CleanItem(std::uint8_t item, const std::string& profile)
{
    switch (item) {
    case 67:
        EraseFile(profile + "\\localstore.rdf");
        EraseFile(profile + "\\history.dat");
        break;
    case 68:
        FilterCookieFile(profile, SafeNSCookiesFile);
        break;
    case 69:
        SweepCache(profile, "Netscape\\Navigator");
        break;
    case 70:
        // The saved form files lie in the profile folder itself, which the browser needs: it
        // stays even when the sweep empties it.
        SweepFolder(profile, "*.s", {}, {}, false, false);
        break;
    case 71:
        EraseFile(profile + "\\History.dat");
        break;
    default:
        break;
    }
}

} // namespace lumexa::cleaners
