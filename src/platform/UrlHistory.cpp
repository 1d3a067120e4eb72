#include "platform/UrlHistory.h"

#include "platform/Clock.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/StateDatabase.h"

// Storage: urls(id, url, title, visited, updated, expires, flags); `id` is the enumeration
// order, `url` unique.
namespace lumexa::platform {

namespace {

constexpr std::int32_t kApplicationId = 0x4C6D5548; // "LmUH"

constexpr const char* kSchema = "CREATE TABLE IF NOT EXISTS urls("
                                " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                " url TEXT NOT NULL UNIQUE,"
                                " title TEXT NOT NULL,"
                                " visited INTEGER NOT NULL,"
                                " updated INTEGER NOT NULL,"
                                " expires INTEGER NOT NULL,"
                                " flags INTEGER NOT NULL)";

// Internet Explorer keeps addresses 20 days by default ("Days to keep pages in history").
constexpr std::uint64_t kDaysKept = 20;
constexpr std::uint64_t kTicksPerDay = 24ull * 60 * 60 * 10'000'000;

UrlHistoryEntry EntryFrom(const StateDatabase::Statement& row)
{
    UrlHistoryEntry entry;
    entry.url = row.Text(0);
    entry.title = row.Text(1);
    entry.lastVisited.ticks = static_cast<std::uint64_t>(row.Int(2));
    entry.lastUpdated.ticks = static_cast<std::uint64_t>(row.Int(3));
    entry.expires.ticks = static_cast<std::uint64_t>(row.Int(4));
    entry.flags = static_cast<std::uint32_t>(row.Int(5));
    return entry;
}

} // namespace

UrlHistory::UrlHistory(Machine& machine)
    : m_machine(machine)
    , m_database(std::make_unique<StateDatabase>(machine.StateFolder() + "/urlhistory.db", kSchema, kApplicationId))
{}

UrlHistory::~UrlHistory() = default;

const std::string& UrlHistory::HostPath() const
{
    return m_database->HostPath();
}

bool UrlHistory::AddUrl(std::string_view url, std::string_view title, std::uint32_t flags)
{
    if (url.empty())
        return Fail(ERROR_INVALID_PARAMETER);
    const FileTime now = m_machine.Clock().NowUtc();
    const FileTime expires{now.ticks + kDaysKept * kTicksPerDay};
    return m_database->Run(false, [&](StateDatabase& db) {
        StateDatabase::Statement statement =
            db.Prepare("INSERT INTO urls(url, title, visited, updated, expires, flags) VALUES(?1, ?2, ?3, ?3, ?4, ?5)"
                       " ON CONFLICT(url) DO UPDATE SET title = ?2, visited = ?3, updated = ?3, expires = ?4,"
                       " flags = ?5");
        statement.BindText(1, url)
            .BindText(2, title)
            .Bind(3, static_cast<std::int64_t>(now.ticks))
            .Bind(4, static_cast<std::int64_t>(expires.ticks))
            .Bind(5, flags);
        statement.Step();
        return true;
    });
}

std::optional<UrlHistoryEntry> UrlHistory::QueryUrl(std::string_view url)
{
    SetLastError(ERROR_FILE_NOT_FOUND); // stays unless the store itself fails
    using Found = std::optional<UrlHistoryEntry>;
    return m_database->Run(Found(), [&](StateDatabase& db) -> Found {
        StateDatabase::Statement row =
            db.Prepare("SELECT url, title, visited, updated, expires, flags FROM urls WHERE url = ?1");
        row.BindText(1, url);
        if (!row.Step())
            return std::nullopt;
        return EntryFrom(row);
    });
}

std::optional<std::vector<UrlHistoryEntry>> UrlHistory::EnumUrls()
{
    using Found = std::optional<std::vector<UrlHistoryEntry>>;
    return m_database->Run(Found(), [&](StateDatabase& db) -> Found {
        StateDatabase::Statement row =
            db.Prepare("SELECT url, title, visited, updated, expires, flags FROM urls ORDER BY id");
        std::vector<UrlHistoryEntry> entries;
        while (row.Step())
            entries.push_back(EntryFrom(row));
        return entries;
    });
}

bool UrlHistory::DeleteUrl(std::string_view url)
{
    return m_database->Run(false, [&](StateDatabase& db) {
        StateDatabase::Statement statement = db.Prepare("DELETE FROM urls WHERE url = ?1");
        statement.BindText(1, url);
        statement.Step();
        if (db.Changes() == 0)
            return Fail(ERROR_FILE_NOT_FOUND);
        return true;
    });
}

bool UrlHistory::ClearHistory()
{
    return m_database->Run(false, [&](StateDatabase& db) {
        db.Exec("DELETE FROM urls");
        return true;
    });
}

} // namespace lumexa::platform
