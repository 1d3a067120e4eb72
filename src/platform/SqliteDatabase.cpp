#include "platform/SqliteDatabase.h"

#include <cstdint>
#include <optional>
#include <utility>

#include <sqlite3.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Text.h"
#include "platform/Types.h"

namespace lumexa::platform {

namespace {

// SQLITE_TRANSIENT without its C cast: SQLite copies the bound value, so the caller's buffer
// may go at once.
const sqlite3_destructor_type Transient = reinterpret_cast<sqlite3_destructor_type>(static_cast<std::intptr_t>(-1));

SqliteStatus Failure(int code, std::string message)
{
    return SqliteStatus{code, std::move(message)};
}

} // namespace

// ---- SqliteStatement

SqliteStatement::SqliteStatement(sqlite3* db, sqlite3_stmt* statement)
    : m_db(db)
    , m_statement(statement)
{}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatus SqliteStatement::BindText(int index, std::string_view value)
{
    const int rc = sqlite3_bind_text64(
        m_statement, index, value.data(), value.size(), Transient, static_cast<unsigned char>(SQLITE_UTF8));
    return rc == SQLITE_OK ? SqliteStatus{} : Failure(rc, sqlite3_errmsg(m_db));
}

SqliteStatus SqliteStatement::BindInt64(int index, std::int64_t value)
{
    const int rc = sqlite3_bind_int64(m_statement, index, value);
    return rc == SQLITE_OK ? SqliteStatus{} : Failure(rc, sqlite3_errmsg(m_db));
}

void SqliteStatement::Reset()
{
    sqlite3_reset(m_statement);
    m_status = {};
}

SqliteStep SqliteStatement::Step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        m_status = {};
        return rc == SQLITE_ROW ? SqliteStep::Row : SqliteStep::Done;
    }
    m_status = Failure(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db));
    return SqliteStep::Error;
}

int SqliteStatement::ColumnCount() const
{
    return sqlite3_column_count(m_statement);
}

int SqliteStatement::ColumnIndex(std::string_view name) const
{
    const int count = ColumnCount();
    for (int column = 0; column < count; ++column) {
        const char* columnName = sqlite3_column_name(m_statement, column);
        if (columnName && sqlite3_strnicmp(columnName, name.data(), static_cast<int>(name.size())) == 0 &&
            columnName[name.size()] == '\0')
            return column;
    }
    return -1;
}

std::string SqliteStatement::ColumnText(int column) const
{
    const auto* text = sqlite3_column_text(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

std::int64_t SqliteStatement::ColumnInt64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

bool SqliteStatement::ColumnIsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

// ---- SqliteDatabase

SqliteDatabase::SqliteDatabase(sqlite3* db, std::string hostPath)
    : m_db(db)
    , m_hostPath(std::move(hostPath))
{}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close_v2(m_db);
}

std::unique_ptr<SqliteDatabase>
SqliteDatabase::Open(const FileSystem& files, std::string_view path, SqliteStatus& status, int busyTimeoutMs)
{
    const std::string full = files.FullPath(path);
    const std::optional<std::string> host = files.HostPath(full);
    if (!host) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        status = Failure(SQLITE_CANTOPEN, "unable to open database file: " + full + " lies on no drive");
        return nullptr;
    }
    // Checked through the machine first, so that a missing file is reported as such; opening
    // without SQLITE_OPEN_CREATE would refuse it anyway, even if it vanished in between.
    const std::uint32_t attributes = files.GetFileAttributes(full);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetLastError(ERROR_ACCESS_DENIED);
        status = Failure(SQLITE_CANTOPEN, "unable to open database file: " + full);
        return nullptr;
    }
    const int access = (attributes & FILE_ATTRIBUTE_READONLY) ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(host->c_str(), &db, access | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK) {
        status = Failure(rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        SetLastError(ERROR_CANTOPEN);
        return nullptr;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    status = {};
    return std::unique_ptr<SqliteDatabase>(new SqliteDatabase(db, *host));
}

SqliteStatus SqliteDatabase::StatusOf(int code) const
{
    return code == SQLITE_OK ? SqliteStatus{} : Failure(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db));
}

std::unique_ptr<SqliteStatement> SqliteDatabase::Prepare(std::string_view sql, SqliteStatus& status)
{
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    status = StatusOf(rc);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    if (!statement) {
        // Only blanks or a comment: nothing to run.
        status = Failure(SQLITE_MISUSE, "no statement in: " + std::string(sql));
        return nullptr;
    }
    return std::unique_ptr<SqliteStatement>(new SqliteStatement(m_db, statement));
}

SqliteStatus SqliteDatabase::Execute(std::string_view sql)
{
    return Execute(sql, {});
}

SqliteStatus SqliteDatabase::Execute(std::string_view sql, std::initializer_list<std::string_view> textParameters)
{
    SqliteStatus status;
    auto statement = Prepare(sql, status);
    if (!statement)
        return status;
    int index = 1;
    for (const std::string_view parameter : textParameters) {
        status = statement->BindText(index++, parameter);
        if (!status.Ok())
            return status;
    }
    for (;;) {
        switch (statement->Step()) {
        case SqliteStep::Row:
            continue;
        case SqliteStep::Done:
            return {};
        case SqliteStep::Error:
            return statement->LastStatus();
        }
    }
}

std::int64_t SqliteDatabase::Changes() const
{
    return sqlite3_changes64(m_db);
}

} // namespace lumexa::platform
