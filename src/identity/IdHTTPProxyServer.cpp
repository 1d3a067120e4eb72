#include "identity/IdHTTPProxyServer.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include "identity/HttpHead.h"
#include "identity/Settings.h"
#include "platform/Thread.h"

namespace lumexa::identity {

namespace {

// The most a body moves in one step: as much as the relay pipe holds (1 MiB when granted).
constexpr std::size_t BlockSize = TRelayPipe::PreferredCapacity;
// A body kept in memory is read in blocks of this size.
constexpr std::size_t MemoryBlockSize = 256 * 1024;
constexpr std::string_view BadRequestReply =
    "HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view BadGatewayReply =
    "HTTP/1.0 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view TunnelReply = "HTTP/1.0 200 Connection established\r\nProxy-agent: Proxifier/1.1\r\n\r\n";

std::string JoinHead(std::string_view firstLine, const std::vector<std::string>& lines)
{
    std::string text;
    if (!firstLine.empty()) {
        text += firstLine;
        text += "\r\n";
    }
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    text += "\r\n";
    return text;
}

// RFC 9110, 6.4.1: these responses never have a body, whatever their headers say.
bool HasNoBody(const std::string& method, int status)
{
    return method == "HEAD" || (status >= 100 && status < 200) || status == 204 || status == 304;
}

} // namespace

// One connection's exchange, on its own thread. The outbound socket is published so that Stop
// can shut it down from the server's thread.
class TProxyExchange
{
public:
    // `pipe` is the connection thread's, kept from one connection to the next.
    TProxyExchange(TIdHTTPProxyServer& server, TTcpSocket& client, TRelayPipe& pipe)
        : m_server(server)
        , m_settings(server.m_settings)
        , m_client(client)
        , m_timeout(server.m_readTimeout)
        , m_pipe(pipe)
    {}

    void Run();
    void Abort();

private:
    void Exchange();
    // Reads a head with `parse` into m_head; the bytes read past it stay in `buffer`.
    THeadParse ReadHead(TTcpSocket& socket, std::string& buffer, THeadParse (*parse)(std::string_view));
    void PassThrough(const THttpHead& request, std::string leftover);
    void Tunnel(const THttpHead& request, std::string leftover);
    bool Connect(const std::string& host, std::uint16_t port);
    // Copies `length` bytes (or everything until the source closes, when `length` is empty)
    // from `from` to `to`, `leftover` first. Bytes from the outbound side are counted. `head`
    // goes to `to` before the body: a streamed body's first bytes go in the same write.
    bool CopyBody(TTcpSocket& from,
                  TTcpSocket& to,
                  std::string leftover,
                  std::optional<std::uint64_t> length,
                  std::string head = {});
    void Relay(std::string clientLeftover);
    void Count(std::size_t bytes, const TTcpSocket& from);

    TIdHTTPProxyServer& m_server;
    TSettings& m_settings;
    TTcpSocket& m_client;
    const TMilliseconds m_timeout;
    TIdHTTPProxyServerContext m_context;

    TRelayPipe& m_pipe;
    std::mutex m_outboundLock;
    std::shared_ptr<TTcpSocket> m_outbound;
    bool m_aborted = false;
};

// Serves one connection at a time; between connections it waits for the next one, so a busy
// server does not pay for a new thread (stack, page faults) per request.
class TIdHTTPProxyServer::TConnectionThread : public platform::TThread
{
public:
    explicit TConnectionThread(TIdHTTPProxyServer& server)
        : m_server(server)
    {}
    ~TConnectionThread() override
    {
        Abort();
        StopAndWait();
    }
    // Ends the connection being served and the thread: called by Stop from its own thread.
    void Abort()
    {
        std::lock_guard lock(m_lock);
        m_aborted = true;
        if (m_client)
            m_client->Shutdown();
        if (m_exchange)
            m_exchange->Abort();
    }

protected:
    void Execute() override
    {
        // Writing to a socket whose peer has gone raises SIGPIPE, and splice offers no flag
        // against it: on this thread the signal stays pending and the write fails with EPIPE.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        while (auto client = m_server.NextConnection())
            Serve(std::move(client));
    }

private:
    void Serve(std::unique_ptr<TTcpSocket> client)
    {
        auto exchange = std::make_unique<TProxyExchange>(m_server, *client, m_pipe);
        {
            std::lock_guard lock(m_lock);
            if (m_aborted)
                return;
            m_client = client.get();
            m_exchange = exchange.get();
        }
        exchange->Run();
        client->Shutdown(); // one request per connection
        std::lock_guard lock(m_lock);
        m_client = nullptr;
        m_exchange = nullptr;
    }

    TIdHTTPProxyServer& m_server;
    TRelayPipe m_pipe;
    std::mutex m_lock;
    bool m_aborted = false;
    TTcpSocket* m_client = nullptr;
    TProxyExchange* m_exchange = nullptr;
};

class TIdHTTPProxyServer::TListenerThread : public platform::TThread
{
public:
    TListenerThread(TIdHTTPProxyServer& server, TTcpListener& listener)
        : m_server(server)
        , m_listener(listener)
    {}
    ~TListenerThread() override
    {
        m_listener.Wake();
        StopAndWait();
    }

protected:
    void Execute() override
    {
        while (auto client = m_listener.Accept())
            m_server.Accepted(std::move(client));
    }

private:
    TIdHTTPProxyServer& m_server;
    TTcpListener& m_listener;
};

void TProxyExchange::Abort()
{
    std::lock_guard lock(m_outboundLock);
    m_aborted = true;
    if (m_outbound)
        m_outbound->Shutdown();
}

void TProxyExchange::Count(std::size_t bytes, const TTcpSocket& from)
{
    if (&from != &m_client && bytes > 0)
        m_settings.AddDownloaded(bytes);
}

THeadParse TProxyExchange::ReadHead(TTcpSocket& socket, std::string& buffer, THeadParse (*parse)(std::string_view))
{
    std::array<char, 16 * 1024> block;
    std::size_t scanFrom = 0;
    for (;;) {
        const std::size_t end = FindHeadEnd(buffer, scanFrom);
        const std::size_t lineStart = buffer.rfind('\n');
        const std::size_t lastLine = buffer.size() - (lineStart == std::string::npos ? 0 : lineStart + 1);
        if (end != std::string::npos || buffer.size() > MaxHeadSize || lastLine > MaxHeadLine + 1) {
            THeadParse result = parse(std::string_view(buffer).substr(0, end));
            if (result.Status != THeadStatus::Incomplete)
                return result;
        }
        scanFrom = buffer.size() < 3 ? 0 : buffer.size() - 3;
        const TReadResult read = socket.ReadSome(block.data(), block.size(), m_timeout);
        if (read.Status != TReadStatus::Data)
            return {}; // closed, timed out or failed before the head was whole
        buffer.append(block.data(), read.Count);
    }
}

void TProxyExchange::Run()
{
    Exchange();
    // The outbound connection ends with the exchange, not when the thread is reaped.
    std::lock_guard lock(m_outboundLock);
    m_outbound.reset();
}

void TProxyExchange::Exchange()
{
    std::string buffer;
    const THeadParse request = ReadHead(m_client, buffer, ParseRequestHead);
    if (IsBad(request.Status)) {
        m_client.WriteAll(BadRequestReply, m_timeout);
        return;
    }
    if (request.Status != THeadStatus::Ok)
        return;
    std::string leftover = buffer.substr(request.Consumed);
    const std::string& command = request.Head.Method;
    m_context.Command = command;
    m_context.Target = request.Head.Target;
    m_context.Headers = request.Head.Headers;
    if (command == "GET" || command == "POST" || command == "HEAD")
        PassThrough(request.Head, std::move(leftover));
    else if (command == "CONNECT")
        Tunnel(request.Head, std::move(leftover));
    // Any other command gets the empty reply of an unknown command: the connection closes.
}

bool TProxyExchange::Connect(const std::string& host, std::uint16_t port)
{
    std::string error;
    auto outbound = m_server.Dial(host, port, &error);
    if (!outbound)
        return false;
    std::lock_guard lock(m_outboundLock);
    m_outbound = std::move(outbound);
    if (m_aborted)
        m_outbound->Shutdown();
    return true;
}

void TProxyExchange::PassThrough(const THttpHead& request, std::string leftover)
{
    // One consistent copy of the remote proxy for the whole exchange.
    const TRemoteProxy remote = m_settings.RemoteProxy();
    std::string host;
    std::uint16_t port = 0;
    std::string target = request.Target;
    if (remote.Type < 0) {
        const auto address = ParseAbsoluteTarget(request.Target);
        if (!address) {
            m_client.WriteAll(BadRequestReply, m_timeout);
            return;
        }
        host = address->Host;
        port = address->Port;
        target = address->PathAndQuery;
    } else {
        host = remote.Host;
        port = remote.Port;
        if (remote.Type == RemoteProxyPremium)
            SetHeader(m_context.Headers, "Proxy-Authorization", BasicCredentials(remote.Username, remote.Password));
        if (m_settings.IsBlacklisted(request.Target))
            target = m_settings.HomePage();
    }
    m_context.TransferSource = 0;
    if (m_server.OnBeforeCommand)
        m_server.OnBeforeCommand(m_context);
    if (!Connect(host, port))
        return;
    TTcpSocket& outbound = *m_outbound;
    if (!outbound.WriteAll(JoinHead(m_context.Command + " " + target + " HTTP/1.0", m_context.Headers), m_timeout))
        return;
    if (request.ContentLength && *request.ContentLength > 0 &&
        !CopyBody(m_client, outbound, std::move(leftover), request.ContentLength))
        return;

    std::string buffer;
    THeadParse response = ReadHead(outbound, buffer, ParseResponseHead);
    // Interim responses are passed on; the final one follows them on the same connection.
    while (response.Status == THeadStatus::Ok && response.Head.StatusCode >= 100 && response.Head.StatusCode < 200) {
        Count(response.Consumed, outbound);
        if (!m_client.WriteAll(JoinHead(response.Head.StartLine, response.Head.Headers), m_timeout))
            return;
        buffer.erase(0, response.Consumed);
        response = ReadHead(outbound, buffer, ParseResponseHead);
    }
    if (IsBad(response.Status))
        m_client.WriteAll(BadGatewayReply, m_timeout);
    if (response.Status != THeadStatus::Ok)
        return;
    Count(response.Consumed, outbound);
    m_context.Headers = response.Head.Headers;
    m_context.Headers.insert(m_context.Headers.begin(), response.Head.StartLine);
    m_context.TransferSource = 1;
    if (m_server.OnHTTPResponse)
        m_server.OnHTTPResponse(m_context);
    std::string head = JoinHead({}, m_context.Headers);
    if (HasNoBody(request.Method, response.Head.StatusCode))
        m_client.WriteAll(head, m_timeout);
    else
        CopyBody(outbound, m_client, buffer.substr(response.Consumed), response.Head.ContentLength, std::move(head));
}

bool TProxyExchange::CopyBody(
    TTcpSocket& from, TTcpSocket& to, std::string leftover, std::optional<std::uint64_t> length, std::string head)
{
    const bool memory = m_context.TransferMode == TIdHTTPProxyTransferMode::Memory;
    if (memory && !head.empty() && !to.WriteAll(head, m_timeout))
        return false;
    std::string document;
    std::uint64_t remaining = length.value_or(UINT64_MAX);
    if (!leftover.empty()) {
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(leftover.size(), remaining));
        Count(leftover.size(), from);
        if (memory)
            document.append(leftover, 0, take);
        else
            head.append(leftover, 0, take);
        remaining -= take;
    }
    // One write, one segment, for the head and the bytes that came with it.
    if (!memory && !head.empty() && !to.WriteAll(head, m_timeout))
        return false;
    std::string block(memory ? MemoryBlockSize : 0, '\0');
    while (remaining > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(memory ? MemoryBlockSize : BlockSize, remaining));
        const TReadResult read =
            memory ? from.ReadSome(block.data(), want, m_timeout) : from.PassTo(to, want, m_timeout, m_pipe);
        Count(read.Count, from);
        if (read.Status != TReadStatus::Data) {
            // Without a length the body ends when the sender closes; with one, early.
            if (length || read.Status != TReadStatus::Closed)
                return false;
            break;
        }
        if (memory)
            document.append(block.data(), read.Count);
        remaining -= read.Count;
    }
    if (!memory)
        return true;
    if (m_server.OnHTTPDocument)
        m_server.OnHTTPDocument(m_context, document);
    return to.WriteAll(document, m_timeout);
}

void TProxyExchange::Tunnel(const THttpHead& request, std::string leftover)
{
    const TRemoteProxy remote = m_settings.RemoteProxy();
    if (remote.Type < 0) {
        const auto address = ParseConnectTarget(request.Target);
        if (!address) {
            m_client.WriteAll(BadRequestReply, m_timeout);
            return;
        }
        if (!Connect(address->Host, address->Port) || !m_client.WriteAll(TunnelReply, m_timeout))
            return;
        Relay(std::move(leftover));
        return;
    }
    if (remote.Type == RemoteProxyPremium)
        SetHeader(m_context.Headers, "Proxy-Authorization", BasicCredentials(remote.Username, remote.Password));
    if (!Connect(remote.Host, remote.Port))
        return;
    TTcpSocket& outbound = *m_outbound;
    if (!outbound.WriteAll(JoinHead("CONNECT " + request.Target + " HTTP/1.0", m_context.Headers), m_timeout))
        return;
    std::string buffer;
    const THeadParse reply = ReadHead(outbound, buffer, ParseResponseHead);
    if (IsBad(reply.Status))
        m_client.WriteAll(BadGatewayReply, m_timeout);
    if (reply.Status != THeadStatus::Ok)
        return;
    m_context.Headers = reply.Head.Headers;
    m_context.Headers.insert(m_context.Headers.begin(), reply.Head.StartLine);
    m_context.TransferSource = 1;
    if (m_server.OnHTTPResponse)
        m_server.OnHTTPResponse(m_context);
    if (!m_client.WriteAll(JoinHead({}, m_context.Headers), m_timeout))
        return;
    const std::string_view early = std::string_view(buffer).substr(reply.Consumed);
    Count(early.size(), outbound);
    if (!m_client.WriteAll(early, m_timeout))
        return;
    Relay(std::move(leftover));
}

void TProxyExchange::Relay(std::string clientLeftover)
{
    TTcpSocket& outbound = *m_outbound;
    if (!outbound.WriteAll(clientLeftover, m_timeout))
        return;
    // Whatever either side sends goes to the other, until one of them closes.
    std::array<pollfd, 2> polls{pollfd{m_client.Handle(), POLLIN, 0}, pollfd{outbound.Handle(), POLLIN, 0}};
    for (;;) {
        if (::poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (std::size_t i = 0; i < polls.size(); ++i) {
            if (!polls[i].revents)
                continue;
            TTcpSocket& from = i == 0 ? m_client : outbound;
            TTcpSocket& to = i == 0 ? outbound : m_client;
            const TReadResult read = from.PassTo(to, BlockSize, TMilliseconds(0), m_pipe);
            Count(read.Count, from);
            if (read.Status == TReadStatus::Timeout)
                continue;
            if (read.Status != TReadStatus::Data)
                return;
        }
    }
}

TIdHTTPProxyServer::TIdHTTPProxyServer(TSettings& settings)
    : m_settings(settings)
{}

TIdHTTPProxyServer::~TIdHTTPProxyServer()
{
    Stop();
}

std::optional<std::string> TIdHTTPProxyServer::Start()
{
    if (m_listener)
        return std::nullopt;
    auto listener = std::make_unique<TTcpListener>();
    std::string error;
    if (!listener->Listen(m_defaultPort, &error))
        return error;
    m_listener = std::move(listener);
    m_listenerThread = std::make_unique<TListenerThread>(*this, *m_listener);
    m_listenerThread->Resume();
    return std::nullopt;
}

void TIdHTTPProxyServer::Stop()
{
    if (!m_listener)
        return;
    m_listenerThread.reset(); // wakes and joins the accepting thread: no connection comes after
    std::list<std::unique_ptr<TConnectionThread>> threads;
    {
        std::lock_guard lock(m_connectionsLock);
        m_stopping = true;
        m_pending.clear();
        threads.swap(m_threads);
    }
    m_connectionWake.notify_all();
    for (auto& thread : threads)
        thread->Abort();
    threads.clear(); // each waits for its thread
    m_listener.reset();
    std::lock_guard lock(m_connectionsLock);
    m_stopping = false;
    m_idleThreads = 0;
}

std::uint16_t TIdHTTPProxyServer::BoundPort() const
{
    return m_listener ? m_listener->Port() : 0;
}

std::vector<std::string> TIdHTTPProxyServer::Addresses() const
{
    return m_listener ? m_listener->Addresses() : std::vector<std::string>{};
}

void TIdHTTPProxyServer::Accepted(std::unique_ptr<TTcpSocket> client)
{
    {
        std::lock_guard lock(m_connectionsLock);
        m_pending.push_back(std::move(client));
        if (m_idleThreads < m_pending.size()) {
            // Threads that ended (more than MaxIdleThreads were idle) are joined here.
            for (auto it = m_threads.begin(); it != m_threads.end();)
                it = (*it)->Finished() ? m_threads.erase(it) : std::next(it);
            m_threads.push_back(std::make_unique<TConnectionThread>(*this));
            m_threads.back()->Resume();
            return;
        }
    }
    // Woken after the lock is released, the idle thread does not block on it at once.
    m_connectionWake.notify_one();
}

std::unique_ptr<TTcpSocket> TIdHTTPProxyServer::NextConnection()
{
    std::unique_lock lock(m_connectionsLock);
    if (m_pending.empty() && m_idleThreads >= MaxIdleThreads)
        return nullptr; // enough threads wait already: this one ends
    ++m_idleThreads;
    m_connectionWake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
    --m_idleThreads;
    if (m_stopping)
        return nullptr;
    auto client = std::move(m_pending.front());
    m_pending.pop_front();
    return client;
}

std::unique_ptr<TTcpSocket>
TIdHTTPProxyServer::Dial(const std::string& host, std::uint16_t port, std::string* error) const
{
    if (m_dialer)
        return m_dialer(host, port, error);
    return TTcpSocket::Connect(host, port, m_readTimeout, error);
}

} // namespace lumexa::identity
