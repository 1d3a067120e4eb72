#include "platform/UrlCache.h"

#include <utility>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/StateDatabase.h"
#include "platform/Text.h"

// Storage: entries(id, url, file, type, size, modified, accessed, expires); `id` is the
// enumeration order, `url` unique (an exact match, as the cache's own keys are).
namespace lumexa::platform {

namespace {

constexpr std::int32_t kApplicationId = 0x4C6D5543; // "LmUC"

constexpr const char* kSchema = "CREATE TABLE IF NOT EXISTS entries("
                                " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                " url TEXT NOT NULL UNIQUE,"
                                " file TEXT NOT NULL,"
                                " type INTEGER NOT NULL,"
                                " size INTEGER NOT NULL,"
                                " modified INTEGER NOT NULL,"
                                " accessed INTEGER NOT NULL,"
                                " expires INTEGER NOT NULL)";

constexpr const char* kColumns = "SELECT id, url, file, type, size, modified, accessed, expires FROM entries ";

UrlCacheEntry EntryFrom(const StateDatabase::Statement& row)
{
    UrlCacheEntry entry;
    entry.sourceUrl = row.Text(1);
    entry.localFileName = row.Text(2);
    entry.cacheEntryType = static_cast<std::uint32_t>(row.Int(3));
    entry.size = static_cast<std::uint64_t>(row.Int(4));
    entry.lastModifiedTime.ticks = static_cast<std::uint64_t>(row.Int(5));
    entry.lastAccessTime.ticks = static_cast<std::uint64_t>(row.Int(6));
    entry.expireTime.ticks = static_cast<std::uint64_t>(row.Int(7));
    return entry;
}

std::int64_t Stored(std::uint64_t value)
{
    return static_cast<std::int64_t>(value);
}

} // namespace

UrlCacheFind::UrlCacheFind(UrlCache& cache, std::string prefix)
    : m_cache(cache)
    , m_prefix(std::move(prefix))
{}

bool UrlCacheFind::Next()
{
    auto next = m_cache.NextEntry(m_position, m_prefix);
    if (!next)
        return false;
    m_position = next->first;
    m_entry = std::move(next->second);
    return true;
}

UrlCache::UrlCache(Machine& machine)
    : m_machine(machine)
    , m_database(std::make_unique<StateDatabase>(machine.StateFolder() + "/urlcache.db", kSchema, kApplicationId))
{}

UrlCache::~UrlCache() = default;

const std::string& UrlCache::HostPath() const
{
    return m_database->HostPath();
}

std::optional<std::pair<std::int64_t, UrlCacheEntry>> UrlCache::NextEntry(std::int64_t position,
                                                                          const std::string& prefix)
{
    using Found = std::optional<std::pair<std::int64_t, UrlCacheEntry>>;
    // Stays the last error unless the index itself fails.
    SetLastError(ERROR_NO_MORE_ITEMS);
    return m_database->Run(Found(), [&](StateDatabase& db) -> Found {
        static const std::string sql =
            std::string(kColumns) + "WHERE id > ?1 AND lower(substr(url, 1, length(?2))) = ?2 ORDER BY id LIMIT 1";
        StateDatabase::Statement row = db.Prepare(sql.c_str());
        row.Bind(1, position).BindText(2, prefix);
        if (!row.Step())
            return std::nullopt;
        return std::make_pair(row.Int(0), EntryFrom(row));
    });
}

std::unique_ptr<UrlCacheFind> UrlCache::FindFirstUrlCacheEntry(std::string_view searchPattern)
{
    std::string prefix;
    if (EqualsNoCase(searchPattern, "cookie:") || EqualsNoCase(searchPattern, "visited:"))
        prefix = LowerCase(searchPattern);
    else if (!searchPattern.empty() && searchPattern != "*.*") {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_ptr<UrlCacheFind> find(new UrlCacheFind(*this, std::move(prefix)));
    if (!find->Next())
        return nullptr;
    return find;
}

std::optional<UrlCacheEntry> UrlCache::GetUrlCacheEntryInfo(std::string_view url)
{
    SetLastError(ERROR_FILE_NOT_FOUND); // stays unless the index itself fails
    return m_database->Run(std::optional<UrlCacheEntry>(), [&](StateDatabase& db) -> std::optional<UrlCacheEntry> {
        static const std::string sql = std::string(kColumns) + "WHERE url = ?1";
        StateDatabase::Statement row = db.Prepare(sql.c_str());
        row.BindText(1, url);
        if (!row.Step())
            return std::nullopt;
        return EntryFrom(row);
    });
}

bool UrlCache::DeleteUrlCacheEntry(std::string_view url)
{
    const auto entry = GetUrlCacheEntryInfo(url);
    if (!entry)
        return false;
    FileSystem& files = m_machine.Files();
    if (!entry->localFileName.empty() && files.FileExists(entry->localFileName) &&
        !files.DeleteFile(entry->localFileName))
        return false; // DeleteFile's error
    return m_database->Run(false, [&](StateDatabase& db) {
        StateDatabase::Statement statement = db.Prepare("DELETE FROM entries WHERE url = ?1");
        statement.BindText(1, url);
        statement.Step();
        return true;
    });
}

bool UrlCache::CommitUrlCacheEntry(const UrlCacheEntry& entry)
{
    if (entry.sourceUrl.empty())
        return Fail(ERROR_INVALID_PARAMETER);
    std::uint64_t size = 0;
    if (!entry.localFileName.empty()) {
        const auto fileSize = m_machine.Files().GetFileSize(entry.localFileName);
        if (!fileSize || !m_machine.Files().FileExists(entry.localFileName))
            return Fail(ERROR_FILE_NOT_FOUND);
        size = *fileSize;
    }
    const FileTime accessed = entry.lastAccessTime.ticks ? entry.lastAccessTime : m_machine.Clock().NowUtc();
    return m_database->Run(false, [&](StateDatabase& db) {
        StateDatabase::Statement statement =
            db.Prepare("INSERT INTO entries(url, file, type, size, modified, accessed, expires)"
                       " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)"
                       " ON CONFLICT(url) DO UPDATE SET file = ?2, type = ?3, size = ?4, modified = ?5,"
                       " accessed = ?6, expires = ?7");
        statement.BindText(1, entry.sourceUrl)
            .BindText(2, entry.localFileName)
            .Bind(3, entry.cacheEntryType)
            .Bind(4, Stored(size))
            .Bind(5, Stored(entry.lastModifiedTime.ticks))
            .Bind(6, Stored(accessed.ticks))
            .Bind(7, Stored(entry.expireTime.ticks));
        statement.Step();
        return true;
    });
}

} // namespace lumexa::platform
