#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// SQLite databases of other programs (Firefox's places.sqlite, cookies.sqlite...), named by a
// Windows path on the machine: any drive, Z:\ included for the host's own files. A database is
// only ever opened, never created: a missing file fails instead of leaving an empty database in
// a profile. Every failure is a value carrying SQLite's result code and message.
namespace lumexa::platform {

class FileSystem;

// SQLite's outcome of one call: code 0 (SQLITE_OK) or an extended result code with its text.
struct SqliteStatus
{
    int code = 0;
    std::string message;

    bool Ok() const { return code == 0; }
};

enum class SqliteStep
{
    Row,  // a result row is ready to be read
    Done, // the statement has run to completion
    Error,
};

// One prepared statement, to be destroyed before its database. Parameters are numbered from 1 and columns from 0, as in
// SQLite.
class SqliteStatement
{
public:
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatus BindText(int index, std::string_view value);
    SqliteStatus BindInt64(int index, std::int64_t value);
    // Makes the statement ready to run again with the same bindings.
    void Reset();

    SqliteStep Step();
    // The failure of the last Step (Ok after a Row or Done).
    const SqliteStatus& LastStatus() const { return m_status; }

    int ColumnCount() const;
    // The index of the result column named `name` (ignoring ASCII case, as SQL names are); -1
    // when there is none.
    int ColumnIndex(std::string_view name) const;
    // The column of the current row as UTF-8 text; empty for NULL.
    std::string ColumnText(int column) const;
    std::int64_t ColumnInt64(int column) const;
    bool ColumnIsNull(int column) const;

private:
    friend class SqliteDatabase;
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement);

    sqlite3* m_db;
    sqlite3_stmt* m_statement;
    SqliteStatus m_status;
};

class SqliteDatabase
{
public:
    // How long a statement waits for a lock another connection holds before it fails with
    // SQLITE_BUSY. A browser that runs holds its databases for as long as it runs, so waiting
    // longer does not help.
    static constexpr int DefaultBusyTimeoutMs = 2000;

    // Opens the existing database at the Windows path `path` for reading and writing. A file
    // with the read-only attribute is opened read-only (as SQLite does on Windows), so writes
    // to it fail. Fails (nullptr and `status`) when the path lies on no drive, the file is
    // missing or cannot be opened.
    static std::unique_ptr<SqliteDatabase> Open(const FileSystem& files,
                                                std::string_view path,
                                                SqliteStatus& status,
                                                int busyTimeoutMs = DefaultBusyTimeoutMs);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Compiles one statement; nullptr and `status` when it does not compile (no such table...).
    std::unique_ptr<SqliteStatement> Prepare(std::string_view sql, SqliteStatus& status);
    // Prepares one statement, steps it to completion (rows are discarded) and finalises it.
    SqliteStatus Execute(std::string_view sql);
    // The same with the text parameters bound in order (?1, ?2...).
    SqliteStatus Execute(std::string_view sql, std::initializer_list<std::string_view> textParameters);
    // Rows changed by the last completed INSERT, UPDATE or DELETE.
    std::int64_t Changes() const;
    // The host path SQLite opened.
    const std::string& HostPath() const { return m_hostPath; }

private:
    SqliteDatabase(sqlite3* db, std::string hostPath);
    SqliteStatus StatusOf(int code) const;

    sqlite3* m_db;
    std::string m_hostPath;
};

} // namespace lumexa::platform
