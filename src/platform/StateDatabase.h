#pragma once

#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "platform/LastError.h"

struct sqlite3;
struct sqlite3_stmt;

// A small SQLite database in the machine's state folder, for what Windows keeps outside files
// and registry (the URL cache index, the URL history). Opened on first use (read-write,
// created when missing, WAL, a busy timeout so that another process's write waits instead of
// failing), with its tables created when the file is new. One connection per object, used
// under one lock, so any thread may call; other processes see each write once it returns.
namespace lumexa::platform {

class StateDatabase
{
public:
    // Internal failure carrying the Win32 code; Run turns it into the last error.
    struct Failure
    {
        std::uint32_t code;
    };

    // A prepared statement in use; reset when it goes, so no read is left open between calls.
    class Statement
    {
    public:
        Statement(sqlite3* db, const char* sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        Statement& Bind(int index, std::int64_t value);
        Statement& BindText(int index, std::string_view text);
        // True for a row, false when done; a failure throws.
        bool Step();
        std::int64_t Int(int column) const;
        std::string Text(int column) const;

    private:
        sqlite3_stmt* m_statement = nullptr;
    };

    // `schema` holds the CREATE statements; `applicationId` marks the file as ours, so that a
    // file of another kind at the same path is refused rather than altered.
    StateDatabase(std::string hostPath, std::string schema, std::int32_t applicationId);
    ~StateDatabase();
    StateDatabase(const StateDatabase&) = delete;
    StateDatabase& operator=(const StateDatabase&) = delete;

    // Runs `body(*this)` under the lock with the database open. A failure inside becomes the
    // thread's last error and `failed` is returned.
    template <typename Result, typename Body> Result Run(Result failed, Body&& body)
    {
        try {
            std::lock_guard<std::mutex> lock(m_mutex);
            Open();
            return body(*this);
        } catch (const Failure& failure) {
            SetLastError(failure.code);
        } catch (const std::bad_alloc&) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        }
        return failed;
    }

    Statement Prepare(const char* sql) { return Statement(m_db, sql); }
    void Exec(const char* sql);
    // Rows changed by the last statement.
    std::int64_t Changes() const;

    const std::string& HostPath() const { return m_hostPath; }

private:
    void Open();

    std::string m_hostPath;
    std::string m_schema;
    std::int32_t m_applicationId;
    sqlite3* m_db = nullptr;
    std::mutex m_mutex;
};

} // namespace lumexa::platform
