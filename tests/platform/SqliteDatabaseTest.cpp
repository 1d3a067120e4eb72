#include "platform/SqliteDatabase.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "support/MachineTest.h"

namespace lumexa::platform {
namespace {

// A connection made straight through SQLite, behind the layer's back: it builds the databases
// the tests open and plays the browser that holds one.
class RawConnection
{
public:
    explicit RawConnection(const std::string& hostPath)
    {
        EXPECT_EQ(sqlite3_open(hostPath.c_str(), &m_db), SQLITE_OK) << hostPath;
    }
    ~RawConnection() { sqlite3_close(m_db); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    void Run(const std::string& sql)
    {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << sql << ": " << error;
        sqlite3_free(error);
    }

    std::vector<std::string> Column(const std::string& sql)
    {
        std::vector<std::string> values;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
        while (sqlite3_step(statement) == SQLITE_ROW)
            values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return values;
    }

private:
    sqlite3* m_db = nullptr;
};

class SqliteDatabaseTest : public test::MachineTest
{
protected:
    // A database in a host folder, reached through Z:\ as every host file is.
    std::string HostDatabase() { return tempDir() / "cookies.sqlite"; }
    std::string ZPath() { return "Z:" + ReplaceSlashes(HostDatabase()); }

    static std::string ReplaceSlashes(std::string path)
    {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }

    void CreateCookies()
    {
        RawConnection raw(HostDatabase());
        raw.Run("CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT);"
                "INSERT INTO moz_cookies (name, value, host) VALUES ('a', '1', '.example.com'),"
                " ('b', '2', 'x'' OR ''1''=''1'), ('c', '3', 'www.kept.org');");
    }

    std::unique_ptr<SqliteDatabase> Open(const std::string& path, SqliteStatus& status, int busyTimeoutMs = 2000)
    {
        return SqliteDatabase::Open(machine().Files(), path, status, busyTimeoutMs);
    }
};

TEST_F(SqliteDatabaseTest, ReadsRowsOfAHostDatabaseThroughDriveZ)
{
    CreateCookies();
    SqliteStatus status;
    const auto db = Open(ZPath(), status);
    ASSERT_TRUE(db) << status.message;
    EXPECT_TRUE(status.Ok());
    EXPECT_EQ(db->HostPath(), HostDatabase());

    auto rows = db->Prepare("select * from moz_cookies order by id", status);
    ASSERT_TRUE(rows) << status.message;
    EXPECT_EQ(rows->ColumnCount(), 4);
    EXPECT_EQ(rows->ColumnIndex("HOST"), 3); // SQL names ignore case
    EXPECT_EQ(rows->ColumnIndex("hos"), -1);
    EXPECT_EQ(rows->ColumnIndex("hostname"), -1);
    std::vector<std::string> hosts;
    while (rows->Step() == SqliteStep::Row)
        hosts.push_back(rows->ColumnText(3));
    EXPECT_TRUE(rows->LastStatus().Ok());
    const std::vector<std::string> expected{".example.com", "x' OR '1'='1", "www.kept.org"};
    EXPECT_EQ(hosts, expected);
}

TEST_F(SqliteDatabaseTest, MissingDatabaseFailsAndIsNeverCreated)
{
    machine().Files().ForceDirectories("C:\\Profile");
    struct Case
    {
        const char* name;
        std::string path;
        std::uint32_t lastError;
    };
    const std::vector<Case> cases = {
        {"missing file on C:", "C:\\Profile\\places.sqlite", ERROR_FILE_NOT_FOUND},
        {"missing folder on C:", "C:\\NoProfile\\places.sqlite", ERROR_PATH_NOT_FOUND},
        {"missing file on Z:", ZPath(), ERROR_FILE_NOT_FOUND},
        {"a folder", "C:\\Profile", ERROR_ACCESS_DENIED},
        {"no such drive", "Q:\\places.sqlite", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        SqliteStatus status;
        EXPECT_FALSE(Open(c.path, status)) << "case: " << c.name;
        EXPECT_EQ(status.code, SQLITE_CANTOPEN) << "case: " << c.name;
        EXPECT_NE(status.message.find("unable to open database file"), std::string::npos) << "case: " << c.name;
        EXPECT_EQ(GetLastError(), c.lastError) << "case: " << c.name;
    }
    EXPECT_FALSE(machine().Files().FileExists("C:\\Profile\\places.sqlite"));
    EXPECT_FALSE(machine().Files().DirectoryExists("C:\\NoProfile"));
    EXPECT_FALSE(machine().Files().FileExists(ZPath()));
}

TEST_F(SqliteDatabaseTest, BoundTextIsAValueNeverSql)
{
    CreateCookies();
    SqliteStatus status;
    const auto db = Open(ZPath(), status);
    ASSERT_TRUE(db) << status.message;
    // Spliced into the SQL, this host would match every row.
    EXPECT_TRUE(db->Execute("delete from moz_cookies where host=?1", {"x' OR '1'='1"}).Ok());
    EXPECT_EQ(db->Changes(), 1);
    EXPECT_TRUE(db->Execute("delete from moz_cookies where host=?1", {"absent.example"}).Ok());
    EXPECT_EQ(db->Changes(), 0);

    RawConnection raw(HostDatabase());
    const std::vector<std::string> expected{".example.com", "www.kept.org"};
    EXPECT_EQ(raw.Column("select host from moz_cookies order by id"), expected);
}

TEST_F(SqliteDatabaseTest, FailuresCarrySqlitesCodeAndMessage)
{
    CreateCookies();
    WriteFile("C:\\Profile\\damaged.sqlite", std::string(4096, 'x'));
    SqliteStatus status;
    const auto db = Open(ZPath(), status);
    ASSERT_TRUE(db);

    EXPECT_FALSE(db->Prepare("select * from moz_places", status));
    EXPECT_EQ(status.code, SQLITE_ERROR);
    EXPECT_EQ(status.message, "no such table: moz_places");

    const SqliteStatus executed = db->Execute("delete from moz_formhistory");
    EXPECT_EQ(executed.code, SQLITE_ERROR);
    EXPECT_EQ(executed.message, "no such table: moz_formhistory");

    EXPECT_EQ(db->Execute("  ").code, SQLITE_MISUSE);

    // A file that is no database opens (SQLite reads lazily) and fails at the first statement.
    const auto damaged = Open("C:\\Profile\\damaged.sqlite", status);
    ASSERT_TRUE(damaged) << status.message;
    const SqliteStatus notADatabase = damaged->Execute("delete from moz_places");
    EXPECT_EQ(notADatabase.code, SQLITE_NOTADB);
    EXPECT_EQ(notADatabase.message, "file is not a database");
}

TEST_F(SqliteDatabaseTest, ADatabaseAnotherConnectionHoldsExclusivelyIsReportedBusy)
{
    CreateCookies();
    SqliteStatus status;
    const auto db = Open(ZPath(), status, 20);
    ASSERT_TRUE(db) << status.message;
    {
        // As a running Firefox holds its databases: exclusive locking mode, lock taken once.
        RawConnection browser(HostDatabase());
        browser.Run("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;");
        const SqliteStatus locked = db->Execute("delete from moz_cookies");
        EXPECT_EQ(locked.code & 0xFF, SQLITE_BUSY);
        EXPECT_EQ(locked.message, "database is locked");
    }
    RawConnection raw(HostDatabase());
    EXPECT_EQ(raw.Column("select count(*) from moz_cookies"), std::vector<std::string>{"3"});
    // Once the browser has gone, the same connection works.
    EXPECT_TRUE(db->Execute("delete from moz_cookies").Ok());
    EXPECT_EQ(raw.Column("select count(*) from moz_cookies"), std::vector<std::string>{"0"});
}

TEST_F(SqliteDatabaseTest, ReadOnlyAttributeOpensTheDatabaseForReadingOnly)
{
    CreateCookies();
    ASSERT_TRUE(machine().Files().SetFileAttributes(ZPath(), FILE_ATTRIBUTE_READONLY));
    SqliteStatus status;
    const auto db = Open(ZPath(), status);
    ASSERT_TRUE(db) << status.message;
    auto rows = db->Prepare("select count(*) from moz_cookies", status);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->Step(), SqliteStep::Row);
    EXPECT_EQ(rows->ColumnInt64(0), 3);
    rows.reset();
    EXPECT_EQ(db->Execute("delete from moz_cookies").code & 0xFF, SQLITE_READONLY);
}

TEST_F(SqliteDatabaseTest, StatementsRunAgainAfterResetWithNewBindings)
{
    CreateCookies();
    SqliteStatus status;
    const auto db = Open(ZPath(), status);
    ASSERT_TRUE(db);
    auto count = db->Prepare("select count(*), max(name) from moz_cookies where id >= ?1", status);
    ASSERT_TRUE(count) << status.message;
    struct Case
    {
        std::int64_t from;
        std::int64_t rows;
        const char* maxName; // nullptr: NULL
    };
    for (const Case& c : {Case{1, 3, "c"}, Case{3, 1, "c"}, Case{4, 0, nullptr}}) {
        count->Reset();
        ASSERT_TRUE(count->BindInt64(1, c.from).Ok());
        ASSERT_EQ(count->Step(), SqliteStep::Row) << "case: from " << c.from;
        EXPECT_EQ(count->ColumnInt64(0), c.rows) << "case: from " << c.from;
        EXPECT_EQ(count->ColumnIsNull(1), c.maxName == nullptr) << "case: from " << c.from;
        EXPECT_EQ(count->ColumnText(1), c.maxName ? c.maxName : "") << "case: from " << c.from;
        EXPECT_EQ(count->Step(), SqliteStep::Done) << "case: from " << c.from;
    }
    count->Reset();
    EXPECT_EQ(count->BindInt64(7, 1).code, SQLITE_RANGE);
}

} // namespace
} // namespace lumexa::platform
