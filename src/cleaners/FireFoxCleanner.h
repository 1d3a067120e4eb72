#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "cleaners/MozillaCleaner.h"
#include "platform/SqliteDatabase.h"

// The cleaner of Firefox's traces (items 76..81), in the profiles selected in the profiles
// manager: plain files of the older versions, and rows of the profile's SQLite databases
// (places.sqlite, cookies.sqlite, formhistory.sqlite, and downloads.sqlite up to Firefox 25). Cookies of the hosts
// on "Settings\SafeFFCookies.txt" are kept.
namespace lumexa::cleaners {

// Firefox's browsing history is its visits and the places only visits keep; the statements
// run together in one transaction (see ClearFireFoxHistory).
inline constexpr std::string_view FormHistoryStatement = "delete from moz_formhistory";
inline constexpr std::string_view DownloadsStatement = "delete from moz_downloads";

class TFireFoxCleanner : public TMozillaCleaner
{
public:
    static constexpr std::uint8_t FirstItem = 76;
    static constexpr std::uint8_t LastItem = 81;

    // How long a database step waits for a lock before the database is reported as not erased.
    // A running Firefox holds its databases exclusively for as long as it runs.
    int BusyTimeoutMs = platform::SqliteDatabase::DefaultBusyTimeoutMs;

    // Created suspended with the deletion settings of `source`; loads the selected profiles. The
    // other two arguments are accepted for the run's sake and not used.
    TFireFoxCleanner(std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TFireFoxCleanner() override;

protected:
    void CleanItem(std::uint8_t item, const std::string& profile) override;

private:
    // Runs `work` on a database and reports the file with its size: erased when the work
    // succeeded (always in analysis, where nothing is opened), not erased when the file is
    // missing, locked, damaged or lacks the table.
    void DatabaseStep(const std::string& database, const std::function<bool(platform::SqliteDatabase&)>& work);
    bool RunOnDatabase(const std::string& database, const std::function<bool(platform::SqliteDatabase&)>& work);
    // The cache of a Firefox of a Linux host, which lies outside the local application data
    // folder: "<home>\.cache\mozilla\firefox\<name>" for the profile
    // "<home>\.mozilla\firefox\<name>".
    void SweepHostCache(const std::string& profile);
    // Deletes the rows of moz_cookies whose host is not on the keep list, and reports the file.
    void FilterCookieDatabase(const std::string& database);
    bool DeleteUnkeptCookies(const std::string& database);
};

// Deletes the history of a places.sqlite of any Firefox (3.0 to the current one): every visit,
// every place that only visits kept, what the address bar learnt from typing
// (moz_inputhistory) and the sites no place refers to any more (moz_origins). A visited place
// that a bookmark points at stays, with its visit figures cleared: deleting it would leave the
// bookmark pointing at nothing. All or nothing: false, with the database unchanged, when any
// statement fails.
bool ClearFireFoxHistory(platform::SqliteDatabase& db);

// Deletes the download list of a places.sqlite of Firefox 26 and later, which keep it there
// instead of in downloads.sqlite: the download visits, the places only downloads kept (unless
// bookmarked) with their origins, and the "downloads/..." annotations. The browsing history
// stays. All or nothing, as ClearFireFoxHistory.
bool ClearFireFoxDownloads(platform::SqliteDatabase& db);

} // namespace lumexa::cleaners
