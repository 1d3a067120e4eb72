#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "identity/TcpSocket.h"

// The HTTP proxy server behind the local proxy: one thread per browser connection, one request
// per connection, forwarded straight to the web server or through the remote proxy chosen in
// the settings, with the premium login, the blacklist redirect and the byte count.
namespace lumexa::identity {

class TSettings;

enum class TIdHTTPProxyTransferMode
{
    Streaming, // bodies are copied block by block as they arrive
    Memory,    // a whole body is read, given to OnHTTPDocument, then sent on
};

// One exchange, as its events see it.
struct TIdHTTPProxyServerContext
{
    std::string Command; // "GET", "POST", "HEAD" or "CONNECT"
    std::string Target;  // as the browser sent it
    // The request's header lines; once the response has arrived, its status line followed by
    // its header lines.
    std::vector<std::string> Headers;
    TIdHTTPProxyTransferMode TransferMode = TIdHTTPProxyTransferMode::Streaming;
    int TransferSource = 0; // 0 while the request is forwarded, 1 while the response is
};

class TIdHTTPProxyServer
{
public:
    // Where an outbound connection goes; tests replace it to see and redirect the addresses.
    using TDialer =
        std::function<std::unique_ptr<TTcpSocket>(const std::string& host, std::uint16_t port, std::string* error)>;

    explicit TIdHTTPProxyServer(TSettings& settings);
    // Stops: a server never outlives its settings with connections still running.
    ~TIdHTTPProxyServer();
    TIdHTTPProxyServer(const TIdHTTPProxyServer&) = delete;
    TIdHTTPProxyServer& operator=(const TIdHTTPProxyServer&) = delete;

    // The port Start listens on; 0 takes a free one (see BoundPort).
    void SetDefaultPort(std::uint16_t port) { m_defaultPort = port; }
    std::uint16_t DefaultPort() const { return m_defaultPort; }
    // Read and write time limit of every connection (15 seconds).
    void SetReadTimeout(TMilliseconds timeout) { m_readTimeout = timeout; }
    void SetDialer(TDialer dialer) { m_dialer = std::move(dialer); }

    // Starts listening on the loopback addresses; the system's text when that fails.
    [[nodiscard]] std::optional<std::string> Start();
    // Closes the listener, wakes every connection blocked on a peer, and waits for them all.
    void Stop();
    bool Active() const { return m_listener != nullptr; }
    std::uint16_t BoundPort() const;
    std::vector<std::string> Addresses() const;

    // Raised on connection threads; set them before Start. The program sets none.
    std::function<void(TIdHTTPProxyServerContext&)> OnBeforeCommand;
    std::function<void(TIdHTTPProxyServerContext&, std::string& document)> OnHTTPDocument;
    std::function<void(TIdHTTPProxyServerContext&)> OnHTTPResponse;

private:
    class TListenerThread;
    class TConnectionThread;
    friend class TProxyExchange;

    void Accepted(std::unique_ptr<TTcpSocket> client);
    // The next accepted connection for a connection thread; nullptr when it is to end.
    std::unique_ptr<TTcpSocket> NextConnection();
    std::unique_ptr<TTcpSocket> Dial(const std::string& host, std::uint16_t port, std::string* error) const;

    TSettings& m_settings;
    std::uint16_t m_defaultPort = 0;
    TMilliseconds m_readTimeout{15000};
    TDialer m_dialer;

    std::unique_ptr<TTcpListener> m_listener;
    std::unique_ptr<TListenerThread> m_listenerThread;
    // Each connection is served by a thread of its own; a thread that has finished with one
    // waits for the next (up to MaxIdleThreads of them wait).
    static constexpr std::size_t MaxIdleThreads = 64;
    std::mutex m_connectionsLock;
    std::condition_variable m_connectionWake;
    std::deque<std::unique_ptr<TTcpSocket>> m_pending;
    std::list<std::unique_ptr<TConnectionThread>> m_threads;
    std::size_t m_idleThreads = 0;
    bool m_stopping = false;
};

} // namespace lumexa::identity
