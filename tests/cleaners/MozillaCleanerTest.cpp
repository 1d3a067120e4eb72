#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "cleaners/CleanerRun.h"
#include "cleaners/Cleaners.h"
#include "cleaners/FireFoxCleanner.h"
#include "cleaners/KeepList.h"
#include "cleaners/NetscapeCleanner.h"
#include "cleaners/ProfilesFinder.h"
#include "core/GeneralCleanerThread.h"
#include "core/SecureDeleteOptions.h"
#include "core/SettingsManager.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SqliteDatabase.h"
#include "support/MachineTest.h"
#include "support/TempDir.h"

namespace lumexa::cleaners {
namespace {

using platform::HKEY_LOCAL_MACHINE;
using platform::SqliteDatabase;
using platform::SqliteStatus;
using platform::SqliteStep;
using test::RunCleaner;
using test::TCleanerRecord;
using test::TErased;

// ---- Firefox's databases, as the browser creates them

// A schema and the rows a profile in use holds.
struct TDatabase
{
    const char* file;
    std::vector<const char*> statements;
};

// The current Firefox (115 and later): places, cookies (schema 12, with originAttributes and
// the SameSite columns) and form history, all three in WAL mode as Firefox keeps them. Firefox
// no longer has downloads.sqlite: downloads live in places.sqlite.
const std::vector<TDatabase>& CurrentFirefox()
{
    static const std::vector<TDatabase> databases = {
        {"places.sqlite",
         {"PRAGMA journal_mode=WAL",
          "CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, frecency "
          "INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER, recalc_alt_frecency "
          "INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host))",
          "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR, "
          "visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL, "
          "frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 "
          "NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT, site_name TEXT, "
          "origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency "
          "INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0)",
          "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date "
          "INTEGER, visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 NOT NULL, triggeringPlaceId INTEGER)",
          "CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, use_count "
          "INTEGER, PRIMARY KEY (place_id, input))",
          "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER, "
          "position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER, "
          "lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT "
          "NULL DEFAULT 1)",
          "CREATE UNIQUE INDEX moz_places_url_hashindex ON moz_places (url_hash, url)",
          "CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date)",
          "CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL)",
          "CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER, "
          "content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, "
          "dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0)",
          "INSERT INTO moz_origins (id, prefix, host, frecency) VALUES (1, 'https://', 'news.example.com', 100), "
          "(2, 'https://', 'www.mozilla.org', 50), (3, 'https://', 'secret.example.net', 10), "
          "(4, 'https://', 'dl.example.com', 5)",
          "INSERT INTO moz_places (id, url, title, rev_host, visit_count, last_visit_date, guid, origin_id) VALUES "
          "(1, 'https://news.example.com/today', 'Bookmarked and visited', 'moc.elpmaxe.swen.', 2, "
          "1256915110000000, 'aaaaaaaaaaaa', 1), "
          "(2, 'https://secret.example.net/page', 'Secret', 'ten.elpmaxe.terces.', 1, 1256915111000000, "
          "'bbbbbbbbbbbb', 3), "
          "(3, 'https://www.mozilla.org/firefox/', 'Bookmarked, never visited', 'gro.allizom.www.', 0, NULL, "
          "'cccccccccccc', 2), "
          "(4, 'https://dl.example.com/setup.exe', 'setup.exe', 'moc.elpmaxe.ld.', 0, 1256915112000000, "
          "'dddddddddddd', 4)",
          // Downloads (visit type 7): setup.exe, and a file linked from the secret page's site.
          "INSERT INTO moz_historyvisits (from_visit, place_id, visit_date, visit_type) VALUES "
          "(0, 1, 1256915109000000, 1), (1, 1, 1256915110000000, 1), (2, 2, 1256915111000000, 2), "
          "(0, 4, 1256915112000000, 7), (0, 2, 1256915113000000, 7)",
          "INSERT INTO moz_anno_attributes (id, name) VALUES (1, 'downloads/destinationFileURI'), "
          "(2, 'downloads/metaData'), (3, 'bookmarkProperties/description')",
          "INSERT INTO moz_annos (place_id, anno_attribute_id, content) VALUES "
          "(4, 1, 'file:///home/ann/Downloads/setup.exe'), (4, 2, '{\"state\":1}'), "
          "(2, 1, 'file:///home/ann/Downloads/report.pdf'), (3, 3, 'The browser')",
          "INSERT INTO moz_inputhistory (place_id, input, use_count) VALUES (2, 'secr', 1)",
          "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) VALUES (1, 2, NULL, 0, 0, 'menu'), "
          "(2, 1, 1, 1, 0, 'Today'), (3, 1, 3, 1, 1, 'Firefox')"}},
        {"cookies.sqlite",
         {"PRAGMA journal_mode=WAL",
          "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, "
          "value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, isSecure "
          "INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0, rawSameSite "
          "INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0, isPartitionedAttributeSet INTEGER DEFAULT 0, CONSTRAINT "
          "moz_uniqueid UNIQUE (name, host, path, originAttributes))",
          "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, isSecure, isHttpOnly) VALUES "
          "('', 'SID', 's1', '.tracker.example', '/', 1893456000, 1, 1), "
          "('^partitionKey=%28https%2Cnews.example.com%29', 'SID', 's2', '.tracker.example', '/', 1893456000, 1, 1), "
          "('', 'session', 'k', 'WWW.KEPT.ORG', '/', 1893456000, 1, 0), "
          "('', 'pref', 'dark', 'www.kept.org', '/', 1893456000, 0, 0), "
          "('', 'who', 'x', 'o''brien.example', '/', 1893456000, 0, 0)"}},
        {"formhistory.sqlite",
         {"PRAGMA journal_mode=WAL",
          "CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL, "
          "timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT)",
          "CREATE TABLE moz_deleted_formhistory (id INTEGER PRIMARY KEY, timeDeleted INTEGER, guid TEXT)",
          "INSERT INTO moz_formhistory (fieldname, value, timesUsed, guid) VALUES ('q', 'private search', 3, 'g1'), "
          "('email', 'ann@example.com', 1, 'g2')"}},
    };
    return databases;
}

// Firefox 3.0: the first SQLite profile, rollback journal, downloads in downloads.sqlite.
const std::vector<TDatabase>& FireFox3()
{
    static const std::vector<TDatabase> databases = {
        {"places.sqlite",
         {"CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR, "
          "visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL, "
          "favicon_id INTEGER, frecency INTEGER DEFAULT -1 NOT NULL)",
          "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date "
          "INTEGER, visit_type INTEGER, session INTEGER)",
          "CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, use_count "
          "INTEGER, PRIMARY KEY (place_id, input))",
          "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER, "
          "position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER, "
          "lastModified INTEGER)",
          "INSERT INTO moz_places (id, url, title, rev_host, visit_count) VALUES "
          "(1, 'http://news.example.com/today', 'Bookmarked and visited', 'moc.elpmaxe.swen.', 2), "
          "(2, 'http://secret.example.net/page', 'Secret', 'ten.elpmaxe.terces.', 1), "
          "(3, 'http://www.mozilla.com/firefox/', 'Bookmarked, never visited', 'moc.allizom.www.', 0)",
          "INSERT INTO moz_historyvisits (from_visit, place_id, visit_date, visit_type, session) VALUES "
          "(0, 1, 1256915109000000, 1, 1), (1, 1, 1256915110000000, 1, 1), (2, 2, 1256915111000000, 2, 1)",
          "INSERT INTO moz_inputhistory (place_id, input, use_count) VALUES (2, 'secr', 1)",
          "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) VALUES (1, 2, NULL, 0, 0, 'menu'), "
          "(2, 1, 1, 1, 0, 'Today'), (3, 1, 3, 1, 1, 'Firefox')"}},
        {"cookies.sqlite",
         {"CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT, path TEXT, expiry "
          "INTEGER, lastAccessed INTEGER, isSecure INTEGER, isHttpOnly INTEGER)",
          "INSERT INTO moz_cookies (name, value, host, path, expiry) VALUES "
          "('SID', 's1', '.tracker.example', '/', 1893456000), ('SID2', 's2', '.tracker.example', '/', 1893456000), "
          "('session', 'k', 'WWW.KEPT.ORG', '/', 1893456000), ('pref', 'dark', 'www.kept.org', '/', 1893456000), "
          "('who', 'x', 'o''brien.example', '/', 1893456000)"}},
        {"formhistory.sqlite",
         {"CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL)",
          "INSERT INTO moz_formhistory (fieldname, value) VALUES ('q', 'private search'), ('email', "
          "'ann@example.com')"}},
        {"downloads.sqlite",
         {"CREATE TABLE moz_downloads (id INTEGER PRIMARY KEY, name TEXT, source TEXT, target TEXT, startTime "
          "INTEGER, endTime INTEGER, state INTEGER)",
          "INSERT INTO moz_downloads (name, source, target, startTime, endTime, state) VALUES ('setup.exe', "
          "'http://dl.example.com/setup.exe', 'file:///C:/setup.exe', 1256915109000000, 1256915112000000, 1)"}},
    };
    return databases;
}

// A Cookies.txt in the Netscape cookie file format (as Netscape 4..9 and Firefox 1..2 wrote it).
constexpr const char* CookiesTxt = "# Netscape HTTP Cookie File\r\n"
                                   "# This is a generated file!  Do not edit.\r\n"
                                   "\r\n"
                                   ".tracker.example\tTRUE\t/\tFALSE\t1893456000\tSID\ts1\r\n"
                                   "  www.kept.org\tFALSE\t/\tFALSE\t1893456000\tpref\tdark  \r\n"
                                   "\t\r\n"
                                   "not a cookie line\r\n"
                                   "#HttpOnly_.kept.org\tTRUE\t/\tFALSE\t1893456000\tid\t7\n"
                                   "ads.example.net\tFALSE\t/\tFALSE\t1893456000\tu\t9";
// What stays of it with "www.kept.org" on the keep list.
constexpr const char* FilteredCookiesTxt = "# Netscape HTTP Cookie File\r\n"
                                           "# This is a generated file!  Do not edit.\r\n"
                                           "www.kept.org\tFALSE\t/\tFALSE\t1893456000\tpref\tdark\r\n"
                                           "not a cookie line\r\n"
                                           "#HttpOnly_.kept.org\tTRUE\t/\tFALSE\t1893456000\tid\t7\r\n";

// The first bytes of a Mork history file (history.dat of Netscape and Firefox 1..2).
constexpr std::string_view HistoryDat = "// <!-- <mdb:mork:z v=\"1.4\"/> -->";

std::string WindowsPathOf(std::string hostPath)
{
    std::replace(hostPath.begin(), hostPath.end(), '/', '\\');
    return "Z:" + hostPath;
}

class MozillaCleanerTest : public test::MachineTest
{
protected:
    std::string AppData() { return machine().Shell().SpecialFolder(platform::Csidl::AppData).value_or(""); }
    std::string LocalAppData() { return machine().Shell().SpecialFolder(platform::Csidl::LocalAppData).value_or(""); }
    std::string FireFoxProfile() { return AppData() + "\\Mozilla\\Firefox\\Profiles\\abc.default"; }
    std::string NetscapeProfile() { return AppData() + "\\Netscape\\Navigator\\Profiles\\def.default"; }

    void Store(std::string_view key, const std::string& name, const std::string& data)
    {
        auto opened = machine().Registry().Create(HKEY_LOCAL_MACHINE, key);
        ASSERT_TRUE(opened && opened->SetString(name, data)) << name;
    }
    void Select(std::string_view key, const std::string& profile)
    {
        Store(key, profile.substr(profile.rfind('\\') + 1), profile + ",1");
    }

    // Builds a database through the machine: SQLite takes an empty file for an empty database.
    void CreateDatabase(const std::string& path, const std::vector<const char*>& statements)
    {
        WriteFile(path, "");
        SqliteStatus status;
        const auto db = SqliteDatabase::Open(machine().Files(), path, status);
        ASSERT_TRUE(db) << path << ": " << status.message;
        for (const char* statement : statements) {
            const SqliteStatus executed = db->Execute(statement);
            ASSERT_TRUE(executed.Ok()) << statement << ": " << executed.message;
        }
    }
    void CreateDatabases(const std::string& profile, const std::vector<TDatabase>& databases)
    {
        for (const TDatabase& database : databases)
            CreateDatabase(profile + "\\" + database.file, database.statements);
    }

    // The first column of every row of a query, as text.
    std::vector<std::string> Query(const std::string& path, const std::string& sql)
    {
        SqliteStatus status;
        const auto db = SqliteDatabase::Open(machine().Files(), path, status);
        EXPECT_TRUE(db) << path << ": " << status.message;
        if (!db)
            return {};
        auto rows = db->Prepare(sql, status);
        EXPECT_TRUE(rows) << sql << ": " << status.message;
        std::vector<std::string> values;
        while (rows && rows->Step() == SqliteStep::Row)
            values.push_back(rows->ColumnText(0));
        return values;
    }
    std::vector<std::string> Urls(const std::string& profile)
    {
        return Query(profile + "\\places.sqlite", "select url from moz_places order by id");
    }
    std::vector<std::string> CookieHosts(const std::string& profile)
    {
        return Query(profile + "\\cookies.sqlite", "select host from moz_cookies order by id");
    }
    std::vector<std::string> FormValues(const std::string& profile)
    {
        return Query(profile + "\\formhistory.sqlite", "select value from moz_formhistory order by id");
    }

    std::uint64_t SizeOf(const std::string& path) { return machine().Files().GetFileSize(path).value_or(0); }

    template <typename TCleaner>
    TCleanerRecord Run(std::initializer_list<std::uint8_t> items, std::uint8_t method = core::MethodNone)
    {
        TCleaner cleaner(0, true, 0);
        for (const std::uint8_t item : items)
            cleaner.Items.set(item);
        cleaner.Options.Method = method;
        if constexpr (std::is_same_v<TCleaner, TFireFoxCleanner>)
            cleaner.BusyTimeoutMs = 50; // a locked database fails at once
        return RunCleaner(cleaner);
    }
};

// ---- profiles

TEST_F(MozillaCleanerTest, WorksOnTheProfilesSelectedInTheRegistry)
{
    const std::string kept = "C:\\Profiles\\kept.default";
    Store(FireFoxProfilesKey, "abc.default", FireFoxProfile() + ",1");
    Store(FireFoxProfilesKey, "kept.default", kept + ",0");
    Store(FireFoxProfilesKey, "short", "x,1");
    Store(FireFoxProfilesKey, "root", "C:\\,1");
    Store(FireFoxProfilesKey, "relative", "Profiles\\abc.default,1");
    Store(NetscapeProfilesKey, "def.default", NetscapeProfile() + ",1");
    for (const std::string& profile : {FireFoxProfile(), kept})
        WriteFile(profile + "\\history.dat", "history");

    const TFireFoxCleanner firefox(0, true, 0);
    EXPECT_EQ(firefox.Profiles(), (TSavedProfiles{{"abc.default", FireFoxProfile()}}));
    const TNetscapeCleanner netscape(0, true, 0);
    EXPECT_EQ(netscape.Profiles(), (TSavedProfiles{{"def.default", NetscapeProfile()}}));

    const TCleanerRecord record = Run<TFireFoxCleanner>({80});
    const std::vector<TErased> expected{{FireFoxProfile() + "\\history.dat", 80, true, 7},
                                        {FireFoxProfile() + "\\places.sqlite", 80, false, 0}};
    EXPECT_EQ(record.erased, expected);
    EXPECT_TRUE(Exists(kept + "\\history.dat"));
}

TEST_F(MozillaCleanerTest, WithoutASelectedProfileEveryItemDoesNothing)
{
    WriteFile(FireFoxProfile() + "\\history.dat", "history");
    WriteFile(NetscapeProfile() + "\\history.dat", "history");
    Store(FireFoxProfilesKey, "abc.default", FireFoxProfile() + ",0");

    const TCleanerRecord firefox = Run<TFireFoxCleanner>({76, 77, 78, 79, 80, 81});
    const TCleanerRecord netscape = Run<TNetscapeCleanner>({67, 68, 69, 70, 71});

    EXPECT_TRUE(firefox.erased.empty());
    EXPECT_TRUE(netscape.erased.empty());
    EXPECT_EQ(firefox.events.front(), "started 76");
    EXPECT_EQ(firefox.events.back(), "finished 81");
    EXPECT_EQ(netscape.events.size(), 10u);
    EXPECT_TRUE(Exists(FireFoxProfile() + "\\history.dat"));
    EXPECT_TRUE(Exists(NetscapeProfile() + "\\history.dat"));
    // Reading the selection never creates the Netscape key (the settings page tests it).
    EXPECT_FALSE(machine().Registry().KeyExists(HKEY_LOCAL_MACHINE, NetscapeProfilesKey));
}

TEST_F(MozillaCleanerTest, AStoredPathThatIsNotAbsoluteNeverReachesASweep)
{
    // Taken as profile folders, "C:\" or the current folder would lose these files.
    WriteFile("C:\\boot.s", "form");
    WriteFile("C:\\Program Files\\Lumexa\\saved.s", "form");
    for (const char* data : {"C:\\,1", "C:,1", "x,1", ",1", "\\,1", "Settings,1"})
        Store(NetscapeProfilesKey, data, data);

    const TCleanerRecord record = Run<TNetscapeCleanner>({67, 68, 69, 70, 71});

    EXPECT_TRUE(record.erased.empty());
    EXPECT_TRUE(Exists("C:\\boot.s"));
    EXPECT_TRUE(Exists("C:\\Program Files\\Lumexa\\saved.s"));
}

TEST_F(MozillaCleanerTest, ItemsComeFromTheSettingsStoreWhenNoneAreGiven)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    WriteFile(FireFoxProfile() + "\\downloads.rdf", "rdf");
    WriteFile(FireFoxProfile() + "\\signons.txt", "passwords");
    ASSERT_TRUE(core::TSettingsManager::WriteBool(81, true));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(67, true)); // Netscape's: not this cleaner's

    const TCleanerRecord record = Run<TFireFoxCleanner>({});

    const std::vector<std::string> events{"started 81",
                                          "erased 81 " + FireFoxProfile() + "\\downloads.rdf",
                                          "erased 81 " + FireFoxProfile() + "\\downloads.sqlite",
                                          "finished 81"};
    EXPECT_EQ(record.events, events);
    EXPECT_TRUE(Exists(FireFoxProfile() + "\\signons.txt"));
}

// ---- Netscape

class NetscapeCleanerTest : public MozillaCleanerTest
{
protected:
    std::string Cache() { return LocalAppData() + "\\Netscape\\Navigator\\Profiles\\def.default\\Cache"; }

    // The files a Netscape 9 profile and its cache hold.
    void SeedProfile()
    {
        const std::string p = NetscapeProfile();
        WriteFile(p + "\\localstore.rdf", "<RDF/>");
        WriteFile(p + "\\history.dat", std::string(HistoryDat));
        WriteFile(p + "\\Cookies.txt", CookiesTxt);
        WriteFile(p + "\\prefs.js", "user_pref(\"a\", 1);");
        WriteFile(p + "\\formfill.s", "saved form");
        WriteFile(p + "\\login.s", "saved login");
        WriteFile(p + "\\chrome\\userChrome.s", "not a form file");
        WriteFile(Cache() + "\\_CACHE_MAP_", "map");
        WriteFile(Cache() + "\\0\\A1\\B2C3D4d01", "cached page");
    }
};

TEST_F(NetscapeCleanerTest, EachItemErasesItsTracesOfTheProfile)
{
    Select(NetscapeProfilesKey, NetscapeProfile());
    TKeepList::Save(SafeNSCookiesFile, {"WWW.KEPT.ORG"});
    const std::string p = NetscapeProfile();
    struct Case
    {
        std::uint8_t item;
        std::vector<TErased> erased; // sorted by name
        std::vector<std::string> gone;
    };
    const std::vector<Case> cases = {
        {67,
         {{p + "\\history.dat", 67, true, HistoryDat.size()}, {p + "\\localstore.rdf", 67, true, 6}},
         {p + "\\localstore.rdf", p + "\\history.dat"}},
        {68, {}, {}},
        {69, {{Cache() + "\\0\\A1\\B2C3D4d01", 69, true, 11}, {Cache() + "\\_CACHE_MAP_", 69, true, 3}}, {Cache()}},
        {70,
         {{p + "\\formfill.s", 70, true, 10}, {p + "\\login.s", 70, true, 11}},
         {p + "\\formfill.s", p + "\\login.s"}},
        {71, {{p + "\\History.dat", 71, true, HistoryDat.size()}}, {p + "\\history.dat"}},
    };
    for (const Case& c : cases) {
        SeedProfile();
        const TCleanerRecord record = Run<TNetscapeCleanner>({c.item});
        std::vector<TErased> erased = record.erased;
        std::sort(erased.begin(), erased.end());
        EXPECT_EQ(erased, c.erased) << "case: item " << int(c.item);
        for (const std::string& path : c.gone)
            EXPECT_FALSE(Exists(path)) << "case: item " << int(c.item) << " " << path;
        EXPECT_TRUE(Exists(p + "\\prefs.js")) << "case: item " << int(c.item);
        EXPECT_TRUE(Exists(p + "\\chrome\\userChrome.s")) << "case: item " << int(c.item);
        EXPECT_EQ(ReadFile(p + "\\Cookies.txt"), c.item == 68 ? FilteredCookiesTxt : CookiesTxt)
            << "case: item " << int(c.item);
    }
}

TEST_F(NetscapeCleanerTest, TheProfileFolderStaysWhenTheFormSweepEmptiesIt)
{
    Select(NetscapeProfilesKey, NetscapeProfile());
    WriteFile(NetscapeProfile() + "\\formfill.s", "saved form");

    Run<TNetscapeCleanner>({70});

    EXPECT_FALSE(Exists(NetscapeProfile() + "\\formfill.s"));
    EXPECT_TRUE(machine().Files().DirectoryExists(NetscapeProfile()));
}

TEST_F(NetscapeCleanerTest, AnalysisReportsAndChangesNothing)
{
    Select(NetscapeProfilesKey, NetscapeProfile());
    SeedProfile();

    const TCleanerRecord record = Run<TNetscapeCleanner>({67, 68, 69, 70, 71}, core::MethodAnalysis);

    const std::string p = NetscapeProfile();
    const std::vector<std::string> reported{p + "\\localstore.rdf",
                                            p + "\\history.dat",
                                            Cache() + "\\0\\A1\\B2C3D4d01",
                                            Cache() + "\\_CACHE_MAP_",
                                            p + "\\formfill.s",
                                            p + "\\login.s",
                                            p + "\\History.dat"};
    std::vector<std::string> names;
    for (const TErased& e : record.erased) {
        names.push_back(e.name);
        EXPECT_TRUE(e.success) << e.name;
    }
    EXPECT_EQ(names, reported);
    for (const char* file : {"\\localstore.rdf", "\\history.dat", "\\formfill.s", "\\login.s"})
        EXPECT_TRUE(Exists(p + file)) << file;
    EXPECT_TRUE(Exists(Cache() + "\\0\\A1\\B2C3D4d01"));
    EXPECT_EQ(ReadFile(p + "\\Cookies.txt"), CookiesTxt);
}

TEST_F(NetscapeCleanerTest, ACacheFolderThatCannotBeResolvedIsNotSwept)
{
    class TNoLocalAppData : public TNetscapeCleanner
    {
    public:
        TNoLocalAppData()
            : TNetscapeCleanner(0, true, 0)
        {}

    protected:
        std::optional<std::string> SpecialFolder(platform::Csidl) const override { return std::string(); }
    };
    Select(NetscapeProfilesKey, NetscapeProfile());
    SeedProfile();
    // With an empty local application data folder the cache would be looked for in
    // "\Netscape\Navigator\...", a folder of the current drive.
    WriteFile("C:\\Netscape\\Navigator\\Profiles\\def.default\\Cache\\page", "not the cache");

    TNoLocalAppData cleaner;
    cleaner.Items.set(69);
    const TCleanerRecord record = RunCleaner(cleaner);

    EXPECT_TRUE(record.erased.empty());
    EXPECT_TRUE(Exists(Cache() + "\\_CACHE_MAP_"));
    EXPECT_TRUE(Exists("C:\\Netscape\\Navigator\\Profiles\\def.default\\Cache\\page"));
}

// ---- Firefox

class FireFoxCleanerTest : public MozillaCleanerTest
{
protected:
    std::string Cache() { return LocalAppData() + "\\Mozilla\\Firefox\\Profiles\\abc.default\\Cache"; }

    // The plain files of a Firefox 1..2 profile beside the databases of 3 and later.
    void SeedFiles(const std::string& p)
    {
        WriteFile(p + "\\localstore.rdf", "<RDF/>");
        WriteFile(p + "\\history.dat", std::string(HistoryDat));
        WriteFile(p + "\\formhistory.dat", "mork");
        WriteFile(p + "\\signons.txt", "#2c\n.");
        WriteFile(p + "\\downloads.rdf", "<RDF/>");
        WriteFile(p + "\\Cookies.txt", CookiesTxt);
        WriteFile(p + "\\prefs.js", "user_pref(\"a\", 1);");
    }
};

TEST_F(FireFoxCleanerTest, DatabaseItemsDeleteTheirRowsInCurrentAndOldProfiles)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    TKeepList::Save(SafeFFCookiesFile, {"www.kept.org"});
    const std::string p = FireFoxProfile();
    struct Schema
    {
        const char* name;
        const std::vector<TDatabase>& databases;
        std::vector<std::string> keptUrl;
    };
    const std::vector<Schema> schemas = {
        {"current Firefox", CurrentFirefox(), {"https://news.example.com/today", "https://www.mozilla.org/firefox/"}},
        {"Firefox 3.0", FireFox3(), {"http://news.example.com/today", "http://www.mozilla.com/firefox/"}},
    };
    for (const Schema& schema : schemas) {
        CreateDatabases(p, schema.databases);
        SeedFiles(p);
        const bool hasDownloads = machine().Files().FileExists(p + "\\downloads.sqlite");
        const std::uint64_t places = SizeOf(p + "\\places.sqlite");
        const std::uint64_t cookies = SizeOf(p + "\\cookies.sqlite");
        const std::uint64_t forms = SizeOf(p + "\\formhistory.sqlite");
        const std::uint64_t downloads = SizeOf(p + "\\downloads.sqlite");

        const TCleanerRecord record = Run<TFireFoxCleanner>({76, 77, 79, 80, 81});

        const std::vector<TErased> expected{
            {p + "\\localstore.rdf", 76, true, 6},
            {p + "\\history.dat", 76, true, HistoryDat.size()},
            {p + "\\places.sqlite", 76, true, places},
            {p + "\\cookies.sqlite", 77, true, cookies},
            {p + "\\formhistory.dat", 79, true, 4},
            {p + "\\signons.txt", 79, true, 5},
            {p + "\\formhistory.sqlite", 79, true, forms},
            {p + "\\places.sqlite", 80, true, SizeOf(p + "\\places.sqlite")},
            {p + "\\downloads.rdf", 81, true, 6},
            // Firefox 26 and later keep the downloads in places.sqlite.
            hasDownloads ? TErased{p + "\\downloads.sqlite", 81, true, downloads}
                         : TErased{p + "\\places.sqlite", 81, true, SizeOf(p + "\\places.sqlite")},
        };
        EXPECT_EQ(record.erased, expected) << "case: " << schema.name;
        // The history is gone; bookmarks keep their places, which no longer count as visited.
        EXPECT_EQ(Urls(p), schema.keptUrl) << "case: " << schema.name;
        EXPECT_TRUE(Query(p + "\\places.sqlite", "select id from moz_historyvisits").empty())
            << "case: " << schema.name;
        EXPECT_TRUE(Query(p + "\\places.sqlite", "select input from moz_inputhistory").empty())
            << "case: " << schema.name;
        EXPECT_EQ(Query(p + "\\places.sqlite", "select visit_count from moz_places order by id"),
                  (std::vector<std::string>{"0", "0"}))
            << "case: " << schema.name;
        EXPECT_EQ(Query(p + "\\places.sqlite", "select count(*) from moz_bookmarks b join moz_places p on p.id = b.fk"),
                  std::vector<std::string>{"2"})
            << "case: " << schema.name;
        EXPECT_EQ(CookieHosts(p), (std::vector<std::string>{"WWW.KEPT.ORG", "www.kept.org"}))
            << "case: " << schema.name;
        EXPECT_TRUE(FormValues(p).empty()) << "case: " << schema.name;
        if (hasDownloads) {
            EXPECT_TRUE(Query(p + "\\downloads.sqlite", "select id from moz_downloads").empty())
                << "case: " << schema.name;
        } else {
            EXPECT_FALSE(Exists(p + "\\downloads.sqlite")) << "case: " << schema.name;
        }
        EXPECT_EQ(ReadFile(p + "\\Cookies.txt"), FilteredCookiesTxt) << "case: " << schema.name;
        EXPECT_TRUE(Exists(p + "\\prefs.js")) << "case: " << schema.name;
        for (const TDatabase& database : schema.databases)
            machine().Files().DeleteFile(p + "\\" + database.file);
    }
}

TEST_F(FireFoxCleanerTest, HistoryClearingForgetsVisitedSitesAndIsAllOrNothing)
{
    const std::string places = FireFoxProfile() + "\\places.sqlite";
    CreateDatabase(places, CurrentFirefox().front().statements);
    {
        SqliteStatus status;
        const auto db = SqliteDatabase::Open(machine().Files(), places, status);
        ASSERT_TRUE(db && ClearFireFoxHistory(*db)) << status.message;
    }
    // The site only the deleted place came from is forgotten; the bookmarked place is no
    // longer offered as recently visited.
    EXPECT_EQ(Query(places, "select host from moz_origins order by id"),
              (std::vector<std::string>{"news.example.com", "www.mozilla.org"}));
    EXPECT_EQ(Query(places, "select count(*) from moz_places where last_visit_date is not null"),
              std::vector<std::string>{"0"});

    // A statement failing halfway (here a trigger refusing to delete visits) leaves the
    // database as it was.
    machine().Files().DeleteFile(places);
    std::vector<const char*> refusing = CurrentFirefox().front().statements;
    refusing.push_back("CREATE TRIGGER held BEFORE DELETE ON moz_historyvisits BEGIN SELECT RAISE(ABORT, 'held'); END");
    CreateDatabase(places, refusing);
    {
        SqliteStatus status;
        const auto db = SqliteDatabase::Open(machine().Files(), places, status);
        ASSERT_TRUE(db) << status.message;
        EXPECT_FALSE(ClearFireFoxHistory(*db));
    }
    EXPECT_EQ(Query(places, "select visit_count from moz_places order by id"),
              (std::vector<std::string>{"2", "1", "0", "0"}));
    EXPECT_EQ(Query(places, "select count(*) from moz_historyvisits"), std::vector<std::string>{"5"});
}

TEST_F(FireFoxCleanerTest, TheDownloadsOfACurrentFirefoxGoAndItsBrowsingHistoryStays)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    const std::string p = FireFoxProfile();
    CreateDatabases(p, CurrentFirefox());
    const std::string places = p + "\\places.sqlite";

    const TCleanerRecord record = Run<TFireFoxCleanner>({81});

    // No downloads.sqlite is reported, and none is created.
    EXPECT_EQ(record.erased, (std::vector<TErased>{{places, 81, true, SizeOf(places)}}));
    EXPECT_FALSE(Exists(p + "\\downloads.sqlite"));
    // The page a file was downloaded from stays when it was also visited.
    EXPECT_EQ(Urls(p),
              (std::vector<std::string>{"https://news.example.com/today",
                                        "https://secret.example.net/page",
                                        "https://www.mozilla.org/firefox/"}));
    EXPECT_EQ(Query(places, "select visit_type from moz_historyvisits order by id"),
              (std::vector<std::string>{"1", "1", "2"}));
    EXPECT_EQ(Query(places, "select content from moz_annos order by id"), std::vector<std::string>{"The browser"});
    EXPECT_EQ(Query(places, "select host from moz_origins order by id"),
              (std::vector<std::string>{"news.example.com", "www.mozilla.org", "secret.example.net"}));
}

TEST_F(FireFoxCleanerTest, TheCookieHostIsAValueNeverPartOfTheStatement)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    const std::string p = FireFoxProfile();
    // A host crafted to widen a statement built as text; the keep list holds the other hosts.
    CreateDatabase(p + "\\cookies.sqlite",
                   {"CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT)",
                    "INSERT INTO moz_cookies (name, host) VALUES ('a', 'x'' or host<>''x'), ('b', 'bank.example'), "
                    "('c', 'x'), ('d', 'mail.example')"});
    TKeepList::Save(SafeFFCookiesFile, {"bank.example", "mail.example", "x"});

    const TCleanerRecord record = Run<TFireFoxCleanner>({77});

    ASSERT_EQ(record.erased.size(), 1u);
    EXPECT_TRUE(record.erased[0].success);
    EXPECT_EQ(CookieHosts(p), (std::vector<std::string>{"bank.example", "x", "mail.example"}));
}

TEST_F(FireFoxCleanerTest, AnalysisOpensNoDatabaseAndReportsEachWithItsSize)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    const std::string p = FireFoxProfile();
    CreateDatabases(p, FireFox3());
    SeedFiles(p);
    WriteFile(Cache() + "\\_CACHE_MAP_", "map");
    const std::uint64_t places = SizeOf(p + "\\places.sqlite");

    const TCleanerRecord record = Run<TFireFoxCleanner>({76, 77, 78, 79, 80, 81}, core::MethodAnalysis);

    const std::vector<TErased> expected{
        {p + "\\localstore.rdf", 76, true, 6},
        {p + "\\history.dat", 76, true, HistoryDat.size()},
        {p + "\\places.sqlite", 76, true, places},
        {p + "\\cookies.sqlite", 77, true, SizeOf(p + "\\cookies.sqlite")},
        {Cache() + "\\_CACHE_MAP_", 78, true, 3},
        {p + "\\formhistory.dat", 79, true, 4},
        {p + "\\signons.txt", 79, true, 5},
        {p + "\\formhistory.sqlite", 79, true, SizeOf(p + "\\formhistory.sqlite")},
        {p + "\\history.dat", 80, true, HistoryDat.size()},
        {p + "\\places.sqlite", 80, true, places},
        {p + "\\downloads.rdf", 81, true, 6},
        {p + "\\downloads.sqlite", 81, true, SizeOf(p + "\\downloads.sqlite")},
    };
    EXPECT_EQ(record.erased, expected);
    EXPECT_EQ(Urls(p).size(), 3u);
    EXPECT_EQ(CookieHosts(p).size(), 5u);
    EXPECT_EQ(FormValues(p).size(), 2u);
    EXPECT_EQ(ReadFile(p + "\\Cookies.txt"), CookiesTxt);
    for (const char* file : {"\\localstore.rdf", "\\history.dat", "\\signons.txt", "\\downloads.rdf"})
        EXPECT_TRUE(Exists(p + file)) << file;
    EXPECT_TRUE(Exists(Cache() + "\\_CACHE_MAP_"));
}

TEST_F(FireFoxCleanerTest, AMissingDatabaseIsReportedNotErasedAndNeverCreated)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    WriteFile(FireFoxProfile() + "\\prefs.js", "user_pref(\"a\", 1);");

    const TCleanerRecord record = Run<TFireFoxCleanner>({79});

    const std::vector<TErased> expected{{FireFoxProfile() + "\\formhistory.sqlite", 79, false, 0}};
    EXPECT_EQ(record.erased, expected);
    EXPECT_FALSE(Exists(FireFoxProfile() + "\\formhistory.sqlite"));
}

TEST_F(FireFoxCleanerTest, ADatabaseTheRunningBrowserHoldsIsReportedNotErased)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    const std::string p = FireFoxProfile();
    CreateDatabases(p, CurrentFirefox());
    const std::uint64_t places = SizeOf(p + "\\places.sqlite");
    const std::uint64_t cookies = SizeOf(p + "\\cookies.sqlite");

    TCleanerRecord record;
    {
        // Firefox runs with locking_mode=EXCLUSIVE on places.sqlite and cookies.sqlite: the
        // lock is taken at the first transaction and held until the browser closes.
        SqliteStatus status;
        const auto placesHeld = SqliteDatabase::Open(machine().Files(), p + "\\places.sqlite", status);
        const auto cookiesHeld = SqliteDatabase::Open(machine().Files(), p + "\\cookies.sqlite", status);
        ASSERT_TRUE(placesHeld && cookiesHeld);
        for (SqliteDatabase* held : {placesHeld.get(), cookiesHeld.get()})
            for (const char* statement : {"PRAGMA locking_mode=EXCLUSIVE", "BEGIN EXCLUSIVE", "COMMIT"})
                ASSERT_TRUE(held->Execute(statement).Ok()) << statement;

        record = Run<TFireFoxCleanner>({77, 79, 80});
    }

    const std::vector<TErased> expected{{p + "\\cookies.sqlite", 77, false, cookies},
                                        {p + "\\formhistory.sqlite", 79, true, SizeOf(p + "\\formhistory.sqlite")},
                                        {p + "\\places.sqlite", 80, false, places}};
    EXPECT_EQ(record.erased, expected);
    EXPECT_EQ(Urls(p).size(), 4u);
    EXPECT_EQ(CookieHosts(p).size(), 5u);
    EXPECT_TRUE(FormValues(p).empty());
}

TEST_F(FireFoxCleanerTest, TheCacheIsSweptOnlyForAProfileInMozillaFirefox)
{
    const test::TempDir home;
    const std::string elsewhere = WindowsPathOf(home / "profile");
    ASSERT_TRUE(machine().Files().ForceDirectories(elsewhere));
    Select(FireFoxProfilesKey, FireFoxProfile());
    Select(FireFoxProfilesKey, elsewhere);
    WriteFile(Cache() + "\\_CACHE_MAP_", "map");
    WriteFile(Cache() + "\\0\\1A\\2B3C4d01", "cached page");
    // Firefox 32 and later: cache2 beside the older Cache.
    const std::string cache2 = LocalAppData() + "\\Mozilla\\Firefox\\Profiles\\abc.default\\cache2";
    WriteFile(cache2 + "\\entries\\5F1E9C0D", "cached entry");
    WriteFile(LocalAppData() + "\\other.dat", "other");

    const TCleanerRecord record = Run<TFireFoxCleanner>({78});

    std::vector<TErased> erased = record.erased;
    std::sort(erased.begin(), erased.end());
    const std::vector<TErased> expected{{Cache() + "\\0\\1A\\2B3C4d01", 78, true, 11},
                                        {Cache() + "\\_CACHE_MAP_", 78, true, 3},
                                        {cache2 + "\\entries\\5F1E9C0D", 78, true, 12}};
    EXPECT_EQ(erased, expected);
    EXPECT_FALSE(Exists(Cache()));
    EXPECT_FALSE(Exists(cache2));
    EXPECT_TRUE(Exists(LocalAppData() + "\\other.dat"));
    EXPECT_TRUE(machine().Files().DirectoryExists(elsewhere));
}

TEST_F(FireFoxCleanerTest, TheCacheOfAFirefoxOfTheHostLiesInItsXdgCacheFolder)
{
    // ~/.mozilla/firefox/<name> keeps its cache in ~/.cache/mozilla/firefox/<name>.
    const test::TempDir home;
    const std::string profile = WindowsPathOf(home / ".mozilla/firefox/k2l8vs0q.default-release");
    const std::string cache = WindowsPathOf(home / ".cache/mozilla/firefox/k2l8vs0q.default-release");
    const std::string other = WindowsPathOf(home / ".cache/mozilla/firefox/other.default");
    ASSERT_TRUE(machine().Files().ForceDirectories(profile));
    WriteFile(profile + "\\prefs.js", "user_pref(\"a\", 1);");
    WriteFile(cache + "\\cache2\\entries\\5F1E9C0D", "cached entry");
    WriteFile(cache + "\\startupCache\\scriptCache.bin", "js");
    WriteFile(other + "\\cache2\\entries\\0A", "another profile's");
    Select(FireFoxProfilesKey, profile);

    const TCleanerRecord analysis = Run<TFireFoxCleanner>({78}, core::MethodAnalysis);
    EXPECT_EQ(analysis.erased.size(), 2u);
    EXPECT_TRUE(Exists(cache + "\\cache2\\entries\\5F1E9C0D"));

    const TCleanerRecord record = Run<TFireFoxCleanner>({78});

    std::vector<TErased> erased = record.erased;
    std::sort(erased.begin(), erased.end());
    EXPECT_EQ(erased,
              (std::vector<TErased>{{cache + "\\cache2\\entries\\5F1E9C0D", 78, true, 12},
                                    {cache + "\\startupCache\\scriptCache.bin", 78, true, 2}}));
    EXPECT_FALSE(Exists(cache));
    EXPECT_TRUE(Exists(profile + "\\prefs.js"));
    EXPECT_TRUE(Exists(other + "\\cache2\\entries\\0A"));
}

TEST_F(FireFoxCleanerTest, CookiesTxtIsFilteredInPlaceLeavingNoTemporaryFile)
{
    Select(FireFoxProfilesKey, FireFoxProfile());
    const std::string p = FireFoxProfile();
    WriteFile(p + "\\Cookies.txt", CookiesTxt);
    TKeepList::Save(SafeFFCookiesFile, {"www.kept.org"});

    Run<TFireFoxCleanner>({77});

    EXPECT_EQ(ReadFile(p + "\\Cookies.txt"), FilteredCookiesTxt);
    // Only Cookies.txt is left in the profile: no temporary file stayed behind.
    std::vector<std::string> names;
    auto find = machine().Files().FindFirstFile(p + "\\*.*");
    ASSERT_TRUE(find);
    do
        names.push_back(find->Data().name);
    while (find->Next());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Cookies.txt"}));
}

TEST(CookieLinesTest, KeepsCommentsAndTheCookiesOfKeptHostsTrimmed)
{
    const TKeepList keep({"www.kept.org", ".Example.COM"});
    struct Case
    {
        const char* name;
        const char* text;
        const char* kept;
    };
    const std::vector<Case> cases = {
        {"whole file", CookiesTxt, FilteredCookiesTxt},
        {"host case is ignored",
         ".example.com\tTRUE\t/\tFALSE\t0\ta\tb\n",
         ".example.com\tTRUE\t/\tFALSE\t0\ta\tb\r\n"},
        {"a subdomain is another host", "www.example.com\tTRUE\t/\tFALSE\t0\ta\tb\n", ""},
        {"blank and control-only lines go", " \r\n\t\r\n\x01\n", ""},
        {"a line without a tab stays", "junk\n", "junk\r\n"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilterCookieLines(c.text, keep), c.kept) << "case: " << c.name;
}

// ---- the host's own Firefox, reached through Z:

TEST_F(FireFoxCleanerTest, AFirefoxProfileOfTheHostIsFoundUnderZAndCleaned)
{
    // ~/.mozilla/firefox of a Linux home folder, with a current profile.
    const test::TempDir home;
    test::WriteHostFile(home / ".mozilla/firefox/profiles.ini",
                        "[Install4F96D1932A9F858E]\nDefault=k2l8vs0q.default-release\nLocked=1\n\n"
                        "[Profile0]\nName=default-release\nIsRelative=1\nPath=k2l8vs0q.default-release\n\n"
                        "[General]\nStartWithLastProfile=1\nVersion=2\n");
    const std::string profile = WindowsPathOf(home / ".mozilla/firefox/k2l8vs0q.default-release");
    ASSERT_TRUE(machine().Files().ForceDirectories(profile));
    CreateDatabases(profile, CurrentFirefox());
    TKeepList::Save(SafeFFCookiesFile, {"www.kept.org"});

    TFoundProfiles found;
    {
        TProfilesFinder finder(ProfilesFireFox);
        finder.AddRoot(WindowsPathOf(home.Path()));
        finder.OnProfileFound = [&](const std::string& name, const std::string& path, const std::string& third) {
            found.push_back({name, path, third});
        };
        finder.Resume();
        finder.WaitFor();
    }
    ASSERT_EQ(found, (TFoundProfiles{{"default-release", profile, ""}}));
    // As the profiles manager saves a ticked profile.
    Select(FireFoxProfilesKey, found[0].path);

    // An erase run of the Firefox slot, as the tracks eraser starts it.
    InstallCleaners();
    for (const std::uint8_t item : {77, 79, 80})
        ASSERT_TRUE(core::TSettingsManager::WriteBool(item, true));
    core::TGeneralCleannerThread run(true, false);
    run.CleanerSet.reset();
    run.CleanerSet.set(core::CleanerFireFox);
    std::vector<std::string> objects;
    run.OnObject = [&](const std::string& name, const std::string&, std::uint8_t item, bool success, std::uint64_t) {
        objects.push_back(std::to_string(item) + (success ? " erased " : " failed ") + name);
    };
    run.Resume();
    run.WaitFor();

    const std::vector<std::string> expected{"77 erased " + profile + "\\cookies.sqlite",
                                            "79 erased " + profile + "\\formhistory.sqlite",
                                            "80 erased " + profile + "\\places.sqlite"};
    EXPECT_EQ(objects, expected);
    EXPECT_EQ(Urls(profile),
              (std::vector<std::string>{"https://news.example.com/today", "https://www.mozilla.org/firefox/"}));
    EXPECT_EQ(CookieHosts(profile), (std::vector<std::string>{"WWW.KEPT.ORG", "www.kept.org"}));
    EXPECT_TRUE(FormValues(profile).empty());
}

} // namespace
} // namespace lumexa::cleaners
