#include "cleaners/FireFoxCleanner.h"

#include <algorithm>
#include <vector>

#include "cleaners/KeepList.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace lumexa::cleaners {

namespace {

using platform::Machine;
using platform::SqliteDatabase;
using platform::SqliteStatus;
using platform::SqliteStep;

// True when `probe` compiles: the table or column it names exists in this Firefox's schema.
bool Compiles(SqliteDatabase& db, std::string_view probe)
{
    SqliteStatus status;
    return db.Prepare(probe, status) != nullptr;
}

bool ExecuteOk(SqliteDatabase& db, std::string_view statement)
{
    return db.Execute(statement).Ok();
}

// Current Firefox keeps the sites of its places in moz_origins; one no place uses any more
// would still be offered by the address bar.
void AddUnusedOriginsStatement(SqliteDatabase& db, std::vector<std::string_view>& statements)
{
    if (Compiles(db, "select origin_id from moz_places limit 0") && Compiles(db, "select id from moz_origins limit 0"))
        statements.push_back(
            "delete from moz_origins where id not in (select origin_id from moz_places where origin_id is not null)");
}

// All or nothing: the write lock is taken first, so the browser cannot add rows between the
// statements, and closing without COMMIT after a failure rolls everything back.
bool RunInOneTransaction(SqliteDatabase& db, const std::vector<std::string_view>& statements)
{
    if (!ExecuteOk(db, "BEGIN IMMEDIATE"))
        return false;
    for (const std::string_view statement : statements)
        if (!ExecuteOk(db, statement))
            return false;
    return ExecuteOk(db, "COMMIT");
}

} // namespace

bool ClearFireFoxHistory(SqliteDatabase& db)
{
    std::vector<std::string_view> statements{
        "delete from moz_places where id in (select place_id from moz_historyvisits) and id not in "
        "(select fk from moz_bookmarks where fk is not null)"};
    // Firefox 3.0 has no last_visit_date yet.
    statements.push_back(Compiles(db, "select last_visit_date from moz_places limit 0")
                             ? "update moz_places set visit_count = 0, last_visit_date = null where id in "
                               "(select place_id from moz_historyvisits)"
                             : "update moz_places set visit_count = 0 where id in (select place_id from "
                               "moz_historyvisits)");
    statements.push_back("delete from moz_historyvisits");
    if (Compiles(db, "select place_id from moz_inputhistory limit 0"))
        statements.push_back("delete from moz_inputhistory");
    AddUnusedOriginsStatement(db, statements);
    return RunInOneTransaction(db, statements);
}

bool ClearFireFoxDownloads(SqliteDatabase& db)
{
    // A download is a visit of type 7 (TRANSITION_DOWNLOAD) to its source, with the file's
    // name and state kept as "downloads/..." annotations of that place.
    std::vector<std::string_view> statements;
    if (Compiles(db, "select anno_attribute_id from moz_annos limit 0") &&
        Compiles(db, "select name from moz_anno_attributes limit 0"))
        statements.push_back("delete from moz_annos where anno_attribute_id in (select id from moz_anno_attributes "
                             "where name like 'downloads/%')");
    statements.push_back(
        "delete from moz_places where id in (select place_id from moz_historyvisits where visit_type = 7) and id not "
        "in (select place_id from moz_historyvisits where visit_type <> 7) and id not in (select fk from "
        "moz_bookmarks where fk is not null)");
    statements.push_back("delete from moz_historyvisits where visit_type = 7");
    AddUnusedOriginsStatement(db, statements);
    return RunInOneTransaction(db, statements);
}

TFireFoxCleanner::TFireFoxCleanner(std::uint8_t source, bool, std::uintptr_t)
    : TMozillaCleaner(source, FireFoxProfilesKey, FirstItem, LastItem)
{}

TFireFoxCleanner::~TFireFoxCleanner()
{
    StopAndWait();
}

void TFireFoxCleanner::CleanItem(std::uint8_t item, const std::string& profile)
{
    const platform::FileSystem& files = Machine::Current().Files();
    switch (item) {
    case 76:
        EraseFile(profile + "\\localstore.rdf");
        EraseFile(profile + "\\history.dat");
        DatabaseStep(profile + "\\places.sqlite", ClearFireFoxHistory);
        break;
    case 77:
        if (files.FileExists(profile + "\\cookies.sqlite"))
            FilterCookieDatabase(profile + "\\cookies.sqlite");
        FilterCookieFile(profile, SafeFFCookiesFile);
        break;
    case 78:
        SweepCache(profile, "Mozilla\\Firefox");
        SweepCache(profile, "Mozilla\\Firefox", "cache2"); // Firefox 32 and later
        SweepHostCache(profile);
        break;
    case 79:
        EraseFile(profile + "\\formhistory.dat");
        EraseFile(profile + "\\signons.txt");
        DatabaseStep(profile + "\\formhistory.sqlite",
                     [](SqliteDatabase& db) { return ExecuteOk(db, FormHistoryStatement); });
        break;
    case 80:
        EraseFile(profile + "\\history.dat");
        DatabaseStep(profile + "\\places.sqlite", ClearFireFoxHistory);
        break;
    case 81:
        EraseFile(profile + "\\downloads.rdf");
        // Firefox 26 and later keep the downloads in places.sqlite and have no downloads.sqlite.
        if (!files.FileExists(profile + "\\downloads.sqlite") && files.FileExists(profile + "\\places.sqlite"))
            DatabaseStep(profile + "\\places.sqlite", ClearFireFoxDownloads);
        else
            DatabaseStep(profile + "\\downloads.sqlite",
                         [](SqliteDatabase& db) { return ExecuteOk(db, DownloadsStatement); });
        break;
    default:
        break;
    }
}

void TFireFoxCleanner::SweepHostCache(const std::string& profile)
{
    // Firefox on Linux keeps a profile "~/.mozilla/firefox/<name>" and its cache in
    // "~/.cache/mozilla/firefox/<name>" (the XDG cache folder). Z: is case-sensitive, so the
    // names are matched exactly.
    constexpr std::string_view profiles = "\\.mozilla\\firefox\\";
    const std::size_t at = profile.rfind(profiles);
    if (at == std::string::npos || at + profiles.size() >= profile.size())
        return;
    SweepFolder(profile.substr(0, at) + "\\.cache\\mozilla\\firefox\\" + profile.substr(at + profiles.size()),
                "*.*",
                {},
                {},
                true);
}

void TFireFoxCleanner::DatabaseStep(const std::string& database, const std::function<bool(SqliteDatabase&)>& work)
{
    const std::uint64_t size = FileSize(database);
    DoReportErasing(database, size);
    const bool success = Analysing() || RunOnDatabase(database, work);
    DoReportErased(database, success, size);
}

bool TFireFoxCleanner::RunOnDatabase(const std::string& database, const std::function<bool(SqliteDatabase&)>& work)
{
    SqliteStatus status;
    const auto db = SqliteDatabase::Open(Machine::Current().Files(), database, status, BusyTimeoutMs);
    return db && work(*db);
}

void TFireFoxCleanner::FilterCookieDatabase(const std::string& database)
{
    const std::uint64_t size = FileSize(database);
    DoReportErasing(database, size);
    const bool success = Analysing() || DeleteUnkeptCookies(database);
    DoReportErased(database, success, size);
}

bool TFireFoxCleanner::DeleteUnkeptCookies(const std::string& database)
{
    SqliteStatus status;
    const auto db = SqliteDatabase::Open(Machine::Current().Files(), database, status, BusyTimeoutMs);
    // The write lock is taken before the rows are read, so the browser cannot add rows in
    // between, and the deletions happen all together or not at all.
    if (!db || !db->Execute("BEGIN IMMEDIATE").Ok())
        return false;
    std::vector<std::string> hosts;
    bool success = false;
    if (auto rows = db->Prepare("select * from moz_cookies", status)) {
        const int host = rows->ColumnIndex("host");
        const TKeepList keep = TKeepList::Load(SafeFFCookiesFile);
        SqliteStep step = SqliteStep::Error;
        while (host >= 0 && (step = rows->Step()) == SqliteStep::Row) {
            std::string name = rows->ColumnText(host);
            if (!keep.ContainsHost(platform::Trim(name)) && std::find(hosts.begin(), hosts.end(), name) == hosts.end())
                hosts.push_back(std::move(name));
        }
        success = step == SqliteStep::Done;
    }
    // The host is bound as a parameter: it comes from the file and is never part of the SQL.
    for (const std::string& name : hosts)
        if (success)
            success = db->Execute("delete from moz_cookies where host=?1", {name}).Ok();
    if (success && db->Execute("COMMIT").Ok())
        return true;
    db->Execute("ROLLBACK");
    return false;
}

} // namespace lumexa::cleaners
