#include "platform/files/AttributeStore.h"

#include <sqlite3.h>

namespace lumexa::platform::files {

namespace {

// Deletes a prepared statement when it goes out of scope.
struct Statement
{
    sqlite3_stmt* stmt = nullptr;
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr); }
    ~Statement() { sqlite3_finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

void BindText(sqlite3_stmt* stmt, int index, const std::string& text)
{
    sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// "path is `root` or lies below it", written so that '%' and '_' in names mean nothing.
constexpr const char* kUnder = "(path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '/')";

} // namespace

std::unique_ptr<AttributeStore> AttributeStore::Open(const std::string& hostPath)
{
    sqlite3* db = nullptr;
    const std::string name = hostPath.empty() ? std::string(":memory:") : hostPath;
    if (sqlite3_open_v2(
            name.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    // Other processes of the same machine share the store.
    sqlite3_busy_timeout(db, 5000);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db,
                     "CREATE TABLE IF NOT EXISTS dosattrib (path TEXT PRIMARY KEY, inode INTEGER NOT NULL, "
                     "record BLOB NOT NULL)",
                     nullptr,
                     nullptr,
                     nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return std::unique_ptr<AttributeStore>(new AttributeStore(db));
}

AttributeStore::AttributeStore(sqlite3* db)
    : m_db(db)
{}

AttributeStore::~AttributeStore()
{
    sqlite3_close(m_db);
}

std::optional<std::string> AttributeStore::Get(const std::string& hostPath, ino_t inode) const
{
    Statement query(m_db, "SELECT inode, record FROM dosattrib WHERE path = ?1");
    if (!query.stmt)
        return std::nullopt;
    BindText(query.stmt, 1, hostPath);
    if (sqlite3_step(query.stmt) != SQLITE_ROW)
        return std::nullopt;
    if (static_cast<ino_t>(sqlite3_column_int64(query.stmt, 0)) != inode)
        return std::nullopt;
    const auto* data = static_cast<const char*>(sqlite3_column_blob(query.stmt, 1));
    const int size = sqlite3_column_bytes(query.stmt, 1);
    return std::string(data ? data : "", static_cast<std::size_t>(size));
}

void AttributeStore::Put(const std::string& hostPath, ino_t inode, const std::string& record)
{
    Statement insert(m_db, "INSERT OR REPLACE INTO dosattrib (path, inode, record) VALUES (?1, ?2, ?3)");
    if (!insert.stmt)
        return;
    BindText(insert.stmt, 1, hostPath);
    sqlite3_bind_int64(insert.stmt, 2, static_cast<sqlite3_int64>(inode));
    sqlite3_bind_blob(insert.stmt, 3, record.data(), static_cast<int>(record.size()), SQLITE_TRANSIENT);
    sqlite3_step(insert.stmt);
}

void AttributeStore::Remove(const std::string& hostPath)
{
    Execute((std::string("DELETE FROM dosattrib WHERE ") + kUnder).c_str(), hostPath);
}

void AttributeStore::Rename(const std::string& from, const std::string& to)
{
    sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    // What was at the target is replaced, as the rename replaced it on the host.
    Execute((std::string("DELETE FROM dosattrib WHERE ") + kUnder).c_str(), to);
    Execute((std::string("UPDATE OR REPLACE dosattrib SET path = ?2 || substr(path, length(?1) + 1) WHERE ") + kUnder)
                .c_str(),
            from,
            to);
    sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
}

bool AttributeStore::Execute(const char* sql, const std::string& first, const std::string& second) const
{
    Statement statement(m_db, sql);
    if (!statement.stmt)
        return false;
    BindText(statement.stmt, 1, first);
    if (sqlite3_bind_parameter_count(statement.stmt) >= 2)
        BindText(statement.stmt, 2, second);
    return sqlite3_step(statement.stmt) == SQLITE_DONE;
}

} // namespace lumexa::platform::files
