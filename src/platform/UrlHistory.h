#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

// The URL history store of the machine: what the shell's COM object {3C374A40-BAE4-11CF-BF7D-
// 00AA006946EE} offers through IUrlHistoryStg2 (add, query, enumerate, delete one address,
// clear all). Internet Explorer records each address the user visits here; its History
// folder shows them by day. Kept in the machine's state folder (state/urlhistory.db).
namespace lumexa::platform {

class Machine;
class StateDatabase;

// STATURL flags.
inline constexpr std::uint32_t STATURLFLAG_ISCACHED = 0x1;
inline constexpr std::uint32_t STATURLFLAG_ISTOPLEVEL = 0x2;

// What STATURL holds of one address.
struct UrlHistoryEntry
{
    std::string url;
    std::string title;
    FileTime lastVisited;
    FileTime lastUpdated;
    FileTime expires;
    std::uint32_t flags = 0;
    friend bool operator==(const UrlHistoryEntry&, const UrlHistoryEntry&) = default;
};

class UrlHistory
{
public:
    explicit UrlHistory(Machine& machine);
    ~UrlHistory();
    UrlHistory(const UrlHistory&) = delete;
    UrlHistory& operator=(const UrlHistory&) = delete;

    // AddUrl: records a visit now (the machine's clock). A URL already recorded keeps its place
    // and takes the new title, flags and visit time. An empty URL fails with
    // ERROR_INVALID_PARAMETER.
    bool AddUrl(std::string_view url, std::string_view title, std::uint32_t flags = STATURLFLAG_ISTOPLEVEL);
    // QueryUrl: nullopt with ERROR_FILE_NOT_FOUND when the URL is not recorded.
    std::optional<UrlHistoryEntry> QueryUrl(std::string_view url);
    // EnumUrls: every address, in the order first recorded. nullopt when the store cannot be
    // read (the last error says why).
    std::optional<std::vector<UrlHistoryEntry>> EnumUrls();
    // DeleteUrl: false with ERROR_FILE_NOT_FOUND when the URL is not recorded.
    bool DeleteUrl(std::string_view url);
    // IUrlHistoryStg2::ClearHistory: forgets every address; true also when there was none.
    bool ClearHistory();

    // Host path of the store.
    const std::string& HostPath() const;

private:
    Machine& m_machine;
    std::unique_ptr<StateDatabase> m_database;
};

} // namespace lumexa::platform
