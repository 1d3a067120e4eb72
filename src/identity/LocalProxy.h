#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The local HTTP proxy the browsers are pointed at while the IP concealer is on.
namespace lumexa::identity {

class TIdHTTPProxyServer;
class TSettings;

// Why the local proxy could not start or stop; the windows show Message.
struct ELocalProxyError
{
    std::string Message;
};

class TLocalProxy
{
public:
    explicit TLocalProxy(TSettings& settings);
    ~TLocalProxy();
    TLocalProxy(const TLocalProxy&) = delete;
    TLocalProxy& operator=(const TLocalProxy&) = delete;

    // On: listens on the loopback addresses on the settings' LocalProxyPort ("Local proxy port
    // not set" when it is 0). Off: stops the server and every connection. Setting the state it
    // already has does nothing.
    [[nodiscard]] std::optional<ELocalProxyError> SetActive(bool value);
    bool Active() const;

    // "127.0.0.1:5287", "[::1]:5287" while active.
    std::vector<std::string> Addresses() const;
    TIdHTTPProxyServer& Server() { return *m_server; }

private:
    TSettings& m_settings;
    std::unique_ptr<TIdHTTPProxyServer> m_server;
};

} // namespace lumexa::identity
