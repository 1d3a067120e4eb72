#include "platform/StateDatabase.h"

#include <cstdint>
#include <utility>

#include <sqlite3.h>

namespace lumexa::platform {

namespace {

constexpr int kBusyTimeoutMs = 5000;

std::uint32_t Win32FromSqlite(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    case SQLITE_CANTOPEN:
        return ERROR_CANTOPEN;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_CANTWRITE;
    }
}

[[noreturn]] void Throw(int rc)
{
    throw StateDatabase::Failure{Win32FromSqlite(rc)};
}

const sqlite3_destructor_type kTransient = reinterpret_cast<sqlite3_destructor_type>(static_cast<std::intptr_t>(-1));

} // namespace

StateDatabase::Statement::Statement(sqlite3* db, const char* sql)
{
    const int rc = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
    if (rc != SQLITE_OK)
        Throw(rc);
}

StateDatabase::Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

StateDatabase::Statement& StateDatabase::Statement::Bind(int index, std::int64_t value)
{
    if (const int rc = sqlite3_bind_int64(m_statement, index, value); rc != SQLITE_OK)
        Throw(rc);
    return *this;
}

StateDatabase::Statement& StateDatabase::Statement::BindText(int index, std::string_view text)
{
    const int rc =
        sqlite3_bind_text64(m_statement, index, text.empty() ? "" : text.data(), text.size(), kTransient, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        Throw(rc);
    return *this;
}

bool StateDatabase::Statement::Step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Throw(rc);
}

std::int64_t StateDatabase::Statement::Int(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::string StateDatabase::Statement::Text(int column) const
{
    const auto* text = sqlite3_column_text(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

StateDatabase::StateDatabase(std::string hostPath, std::string schema, std::int32_t applicationId)
    : m_hostPath(std::move(hostPath))
    , m_schema(std::move(schema))
    , m_applicationId(applicationId)
{}

StateDatabase::~StateDatabase()
{
    sqlite3_close(m_db);
}

void StateDatabase::Exec(const char* sql)
{
    if (const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); rc != SQLITE_OK)
        Throw(rc);
}

std::int64_t StateDatabase::Changes() const
{
    return sqlite3_changes(m_db);
}

void StateDatabase::Open()
{
    if (m_db)
        return;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(m_hostPath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        throw Failure{ERROR_CANTOPEN};
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    m_db = db;
    try {
        std::int64_t applicationId = 0;
        {
            Statement statement = Prepare("PRAGMA application_id");
            if (statement.Step())
                applicationId = statement.Int(0);
        }
        if (applicationId != 0 && applicationId != m_applicationId)
            throw Failure{ERROR_BADDB};
        {
            Statement statement = Prepare("PRAGMA journal_mode = WAL");
            statement.Step();
        }
        if (applicationId == 0) {
            // Another process may be creating the same file: the tables are created if missing,
            // inside one write transaction, so both end with one schema.
            Exec("BEGIN IMMEDIATE");
            try {
                Exec(m_schema.c_str());
                const std::string mark = "PRAGMA application_id = " + std::to_string(m_applicationId);
                Exec(mark.c_str());
                Exec("COMMIT");
            } catch (const Failure&) {
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        }
    } catch (const Failure&) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

} // namespace lumexa::platform
