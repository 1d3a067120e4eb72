#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Clock.h"

namespace lumexa::platform {
class Machine;
}

// The IP concealer's settings: one object shared by the local proxy's connection threads, the
// browser configurators, the proxy-list updater and the windows. Persisted in
// HKEY_LOCAL_MACHINE "Software\Orvanta\LumexaIPC", every number as decimal text.
namespace lumexa::identity {

inline constexpr std::string_view SettingsKeyPath = "Software\\Orvanta\\LumexaIPC";
inline constexpr std::uint16_t DefaultLocalProxyPort = 5287;
inline constexpr std::uint16_t DefaultRemoteProxyPort = 8080;

// RemoteProxyType: where the local proxy sends what it receives.
inline constexpr int RemoteProxyNone = -1;   // straight to the web servers
inline constexpr int RemoteProxyPremium = 0; // a remote proxy that wants the login
inline constexpr int RemoteProxyPublic = 1;  // a remote proxy without a login

// The remote-proxy fields one exchange works with, copied together so that a connection never
// sees half of a proxy change made meanwhile by the interface thread.
struct TRemoteProxy
{
    int Type = RemoteProxyPremium;
    std::string Host;
    std::uint16_t Port = DefaultRemoteProxyPort;
    std::string Username;
    std::string Password;
    friend bool operator==(const TRemoteProxy&, const TRemoteProxy&) = default;
};

class TSettings
{
public:
    // Loads from the current machine.
    TSettings();
    // Saves: the concealer keeps what was changed in memory even when nobody saved it.
    ~TSettings();
    TSettings(const TSettings&) = delete;
    TSettings& operator=(const TSettings&) = delete;

    // Reads every value; a missing or unreadable one gets its default.
    void Load();
    // Writes every value and the "Custom" entries. False (and the last error) when the key
    // cannot be written.
    bool Save();
    // Writes "Downloaded" alone.
    bool SaveDownloaded();

    // Adds to the byte counter under its critical section; at most every 5 seconds of the
    // machine's clock the new total is written, outside the critical section.
    void AddDownloaded(std::uint64_t bytes);
    std::uint64_t Downloaded() const;
    void SetDownloaded(std::uint64_t value);

    // True when the target is not empty and holds one of the blacklist lines (case-sensitive);
    // lines that are empty or blank never match.
    bool IsBlacklisted(std::string_view target) const;

    std::uint16_t LocalProxyPort() const;
    void SetLocalProxyPort(std::uint16_t value);
    std::string RemoteProxyHost() const;
    void SetRemoteProxyHost(const std::string& value);
    std::uint16_t RemoteProxyPort() const;
    void SetRemoteProxyPort(std::uint16_t value);
    int RemoteProxyType() const;
    void SetRemoteProxyType(int value);
    int RemoteProxyID() const;
    void SetRemoteProxyID(int value);
    std::string ProxyUsername() const;
    void SetProxyUsername(const std::string& value);
    std::string ProxyPassword() const;
    void SetProxyPassword(const std::string& value);
    // Type, host, port and login as one consistent copy, and all of them changed at once.
    TRemoteProxy RemoteProxy() const;
    void SetRemoteProxy(const TRemoteProxy& value);

    std::vector<std::string> BlackList() const;
    void SetBlackList(std::vector<std::string> lines);
    bool IPConcealStatus() const;
    void SetIPConcealStatus(bool value);

    // The browser configurators' saved values: name=value entries kept in the "Custom"
    // subkey. Names compare without regard to case; an entry keeps its first position.
    std::vector<std::pair<std::string, std::string>> Custom() const;
    std::string CustomValue(std::string_view name) const;
    void SetCustomValue(std::string_view name, std::string_view value);

    // Not persisted: the vendor's proxy-list server and home page (the blacklist's
    // redirection target), from the machine's vendor addresses.
    std::string UpdateServer() const;
    std::string HomePage() const;
    void SetHomePage(const std::string& value);

private:
    bool WriteDownloaded(std::uint64_t value, std::uint64_t copyNumber);

    platform::Machine& m_machine;

    // Guards every field below but the counter; held only to copy.
    mutable std::mutex m_lock;
    std::uint16_t m_localProxyPort = DefaultLocalProxyPort;
    TRemoteProxy m_remoteProxy;
    int m_remoteProxyID = 0;
    std::vector<std::string> m_blackList;
    bool m_ipConcealStatus = false;
    std::vector<std::pair<std::string, std::string>> m_custom;
    std::string m_updateServer;
    std::string m_homePage;

    // The critical section of the counter and the time it was last written.
    mutable std::mutex m_downloadedLock;
    std::uint64_t m_downloaded = 0;
    std::optional<platform::TDateTime> m_lastWritten;

    // Each copy of the counter taken for writing gets the next number; the writes are
    // serialised and an older copy is never written over a newer one.
    std::uint64_t m_copyNumber = 0;
    std::mutex m_writeLock;
    std::uint64_t m_writtenNumber = 0;
};

} // namespace lumexa::identity
