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

} // namespace

TFireFoxCleanner::TFireFoxCleanner(std::uint8_t source, bool, std::uintptr_t)
    : TMozillaCleaner(source, FireFoxProfilesKey, FirstItem, LastItem)
{}

TFireFoxCleanner::~TFireFoxCleanner()
{
    StopAndWait();
}

void TFireFoxCleanner::CleanItem(std::uint8_t item, const std::string& profile)
{
    switch (item) {
    case 76:
        EraseFile(profile + "\\localstore.rdf");
        EraseFile(profile + "\\history.dat");
        DatabaseStep(profile + "\\places.sqlite", HistoryStatement);
        break;
    case 77:
        if (Machine::Current().Files().FileExists(profile + "\\cookies.sqlite"))
            FilterCookieDatabase(profile + "\\cookies.sqlite");
        FilterCookieFile(profile, SafeFFCookiesFile);
        break;
    case 78:
        SweepCache(profile, "Mozilla\\Firefox");
        break;
    case 79:
        EraseFile(profile + "\\formhistory.dat");
        EraseFile(profile + "\\signons.txt");
        DatabaseStep(profile + "\\formhistory.sqlite", FormHistoryStatement);
        break;
    case 80:
        EraseFile(profile + "\\history.dat");
        DatabaseStep(profile + "\\places.sqlite", HistoryStatement);
        break;
    case 81:
        EraseFile(profile + "\\downloads.rdf");
        DatabaseStep(profile + "\\downloads.sqlite", DownloadsStatement);
        break;
    default:
        break;
    }
}

void TFireFoxCleanner::DatabaseStep(const std::string& database, std::string_view statement)
{
    const std::uint64_t size = FileSize(database);
    DoReportErasing(database, size);
    const bool success = Analysing() || RunStatement(database, statement);
    DoReportErased(database, success, size);
}

bool TFireFoxCleanner::RunStatement(const std::string& database, std::string_view statement)
{
    SqliteStatus status;
    const auto db = SqliteDatabase::Open(Machine::Current().Files(), database, status, BusyTimeoutMs);
    return db && db->Execute(statement).Ok();
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
