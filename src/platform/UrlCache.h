#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Types.h"

// The WinINet URL cache of the machine: what Internet Explorer keeps of the pages it fetched,
// its cookies and the addresses it visited. Each entry names its source URL ("http://...",
// "Cookie:user@example.com/", "Visited: user@http://..."), the local file on the machine that
// holds its data (a Windows path, none for a visited mark) and its entry type bits. The index
// lives in the machine's state folder (state/urlcache.db); the local files lie on the machine's
// drives, where the browser put them (Temporary Internet Files, Cookies).
namespace lumexa::platform {

class Machine;
class StateDatabase;

// CacheEntryType bits (wininet.h).
inline constexpr std::uint32_t NORMAL_CACHE_ENTRY = 0x00000001;
inline constexpr std::uint32_t STICKY_CACHE_ENTRY = 0x00000004;
inline constexpr std::uint32_t EDITED_CACHE_ENTRY = 0x00000008;
inline constexpr std::uint32_t TRACK_OFFLINE_CACHE_ENTRY = 0x00000010;
inline constexpr std::uint32_t TRACK_ONLINE_CACHE_ENTRY = 0x00000020;
inline constexpr std::uint32_t SPARSE_CACHE_ENTRY = 0x00010000;
inline constexpr std::uint32_t COOKIE_CACHE_ENTRY = 0x00100000;
inline constexpr std::uint32_t URLHISTORY_CACHE_ENTRY = 0x00200000;

// What INTERNET_CACHE_ENTRY_INFO holds of one entry.
struct UrlCacheEntry
{
    std::string sourceUrl;
    std::string localFileName; // Windows path; empty for an entry without data
    std::uint32_t cacheEntryType = NORMAL_CACHE_ENTRY;
    std::uint64_t size = 0; // dwSizeLow/dwSizeHigh: the local file's size when committed
    FileTime lastModifiedTime;
    FileTime lastAccessTime;
    FileTime expireTime;
    friend bool operator==(const UrlCacheEntry&, const UrlCacheEntry&) = default;
};

class UrlCache;

// An enumeration opened by FindFirstUrlCacheEntry (FindCloseUrlCache when it goes). It walks the
// index in the order entries were first committed and sees deletions made meanwhile, so a
// caller may delete the entry it stands on and go on. It must not outlive its cache.
class UrlCacheFind
{
public:
    const UrlCacheEntry& Data() const { return m_entry; }
    // FindNextUrlCacheEntry: false with ERROR_NO_MORE_ITEMS at the end.
    bool Next();

private:
    friend class UrlCache;
    UrlCacheFind(UrlCache& cache, std::string prefix);

    UrlCache& m_cache;
    std::string m_prefix; // lower-cased; empty = every entry
    std::int64_t m_position = 0;
    UrlCacheEntry m_entry;
};

class UrlCache
{
public:
    explicit UrlCache(Machine& machine);
    ~UrlCache();
    UrlCache(const UrlCache&) = delete;
    UrlCache& operator=(const UrlCache&) = delete;

    // FindFirstUrlCacheEntry. An empty pattern (NULL) or "*.*" enumerates every entry: content,
    // cookies and visited marks, as Internet Explorer 5 and 6 give them, which is why a caller
    // tells cookies apart by COOKIE_CACHE_ENTRY; "cookie:" enumerates the cookies and "visited:"
    // the visited marks (the entries whose URL begins so, any case). nullptr with
    // ERROR_NO_MORE_ITEMS when nothing matches, ERROR_INVALID_PARAMETER for another pattern.
    std::unique_ptr<UrlCacheFind> FindFirstUrlCacheEntry(std::string_view searchPattern = {});

    // GetUrlCacheEntryInfo: nullopt with ERROR_FILE_NOT_FOUND when the URL has no entry.
    std::optional<UrlCacheEntry> GetUrlCacheEntryInfo(std::string_view url);

    // DeleteUrlCacheEntry: removes the entry and deletes its local file. A missing entry fails
    // with ERROR_FILE_NOT_FOUND. A local file that cannot be deleted (held open without delete
    // sharing, read-only) fails with DeleteFile's error and the entry stays, so nothing of the
    // entry is lost from view while its data is still on the disk.
    bool DeleteUrlCacheEntry(std::string_view url);

    // CommitUrlCacheEntry: adds the entry, or replaces the one with the same URL (which keeps its
    // place in the enumeration order). The local file, when named, must exist on the machine
    // (else ERROR_FILE_NOT_FOUND) and gives the size; an empty URL fails with
    // ERROR_INVALID_PARAMETER. A zero last-access time becomes the machine's current time.
    bool CommitUrlCacheEntry(const UrlCacheEntry& entry);

    // Host path of the index.
    const std::string& HostPath() const;

private:
    friend class UrlCacheFind;
    // The first entry after `position` whose URL begins with `prefix` (lower-cased).
    std::optional<std::pair<std::int64_t, UrlCacheEntry>> NextEntry(std::int64_t position, const std::string& prefix);

    Machine& m_machine;
    std::unique_ptr<StateDatabase> m_database;
};

} // namespace lumexa::platform
