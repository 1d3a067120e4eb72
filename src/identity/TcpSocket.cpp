#include "identity/TcpSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumexa::identity {

namespace {

std::string ErrnoText(int error)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in `buffer`.
    return ::strerror_r(error, buffer, sizeof buffer);
}

constexpr int OutboundReceiveBuffer = 4 * 1024 * 1024;

int PollFor(int fd, short events, TMilliseconds timeout)
{
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, static_cast<int>(timeout.count()));
        if (n >= 0 || errno != EINTR)
            return n < 0 ? -1 : (n == 0 ? 0 : p.revents);
    }
}

bool IsLoopback(const sockaddr& address)
{
    if (address.sa_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        return (ntohl(v4.sin_addr.s_addr) >> 24) == 127;
    }
    if (address.sa_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        if (IN6_IS_ADDR_LOOPBACK(&v6.sin6_addr))
            return true;
        return IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr) && v6.sin6_addr.s6_addr[12] == 127;
    }
    return false;
}

// A non-blocking connect bounded by `timeout`; the socket is blocking again afterwards.
int ConnectOne(const addrinfo& address, TMilliseconds timeout, int& error)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    // Every exchange has a new outbound connection, whose receive buffer would start small
    // (128 KiB) and grow with the transfer: the server waits for the window to open and the
    // proxy acknowledges in small steps. To a server on this machine (a local web server, a
    // remote proxy running here) a large fixed buffer lets a body of a few megabytes come at
    // once. Anywhere else the system's tuning stays: a fixed buffer turns off its growth, and
    // with the usual net.core.rmem_max (208 KiB) would cap every download over a long route.
    if (IsLoopback(*address.ai_addr))
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &OutboundReceiveBuffer, sizeof OutboundReceiveBuffer);
    int result = ::connect(fd, address.ai_addr, address.ai_addrlen);
    if (result < 0 && errno == EINPROGRESS) {
        const int events = PollFor(fd, POLLOUT, timeout);
        socklen_t length = sizeof error;
        if (events == 0) {
            error = ETIMEDOUT;
        } else if (events < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0) {
            error = errno;
        }
        result = error == 0 ? 0 : -1;
    } else if (result < 0) {
        error = errno;
    }
    if (result < 0) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

} // namespace

TTcpSocket::TTcpSocket(int fd)
    : m_fd(fd)
{}

TTcpSocket::~TTcpSocket()
{
    ::close(m_fd);
}

std::unique_ptr<TTcpSocket>
TTcpSocket::Connect(const std::string& host, std::uint16_t port, TMilliseconds timeout, std::string* error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status != 0) {
        if (error)
            *error = "cannot resolve " + host + ": " + ::gai_strerror(status);
        return nullptr;
    }
    int lastError = 0;
    int fd = -1;
    for (const addrinfo* a = found; a && fd < 0; a = a->ai_next)
        fd = ConnectOne(*a, timeout, lastError);
    ::freeaddrinfo(found);
    if (fd < 0) {
        if (error)
            *error = "cannot connect to " + host + ":" + std::to_string(port) + ": " + ErrnoText(lastError);
        return nullptr;
    }
    return std::make_unique<TTcpSocket>(fd);
}

namespace {

// Runs a non-blocking read (`attempt`, returning what recv or splice returns) until it takes
// bytes, the peer closes, an error occurs or `timeout` passes. The read is tried first: on a
// busy connection the bytes are usually there already.
template <typename Attempt> TReadResult ReadWhenReady(int fd, TMilliseconds timeout, Attempt attempt)
{
    bool waited = false;
    for (;;) {
        const ssize_t n = attempt();
        if (n > 0)
            return {TReadStatus::Data, static_cast<std::size_t>(n)};
        if (n == 0)
            return {TReadStatus::Closed, 0};
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return {errno == ECONNRESET ? TReadStatus::Closed : TReadStatus::Error, 0};
        if (waited && timeout.count() == 0)
            return {TReadStatus::Timeout, 0};
        const int events = PollFor(fd, POLLIN, timeout);
        if (events == 0)
            return {TReadStatus::Timeout, 0};
        if (events < 0)
            return {TReadStatus::Error, 0};
        waited = true;
    }
}

} // namespace

TReadResult TTcpSocket::ReadSome(char* buffer, std::size_t size, TMilliseconds timeout)
{
    return ReadWhenReady(m_fd, timeout, [&] { return ::recv(m_fd, buffer, size, MSG_DONTWAIT); });
}

TReadResult TTcpSocket::PassTo(TTcpSocket& to, std::size_t size, TMilliseconds timeout, TRelayPipe& pipe)
{
    if (!pipe.Ok()) {
        std::string buffer(std::min<std::size_t>(size, 64 * 1024), '\0');
        const TReadResult read = ReadSome(buffer.data(), buffer.size(), timeout);
        if (read.Status == TReadStatus::Data && !to.WriteAll(std::string_view(buffer.data(), read.Count), timeout))
            return {TReadStatus::Error, read.Count};
        return read;
    }
    if (pipe.Capacity() > 0)
        size = std::min(size, pipe.Capacity()); // a pipe cannot take more in one move
    const TReadResult read = ReadWhenReady(m_fd, timeout, [&] {
        return ::splice(m_fd, nullptr, pipe.WriteEnd(), nullptr, size, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
    });
    if (read.Status != TReadStatus::Data)
        return read;
    const std::size_t moved = read.Count;
    // Everything taken in goes out before the next read, so the pipe is empty between calls.
    for (std::size_t left = moved; left > 0;) {
        const ssize_t n = ::splice(pipe.ReadEnd(), nullptr, to.m_fd, nullptr, left, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (n > 0) {
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int events = PollFor(to.m_fd, POLLOUT, timeout);
            if (events > 0 && !(events & (POLLERR | POLLHUP)))
                continue;
        }
        pipe.Reset(); // what is left in it belongs to a connection that is over
        return {TReadStatus::Error, moved};
    }
    return {TReadStatus::Data, moved};
}

bool TTcpSocket::WriteAll(std::string_view data, TMilliseconds timeout)
{
    while (!data.empty()) {
        const ssize_t n = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int events = PollFor(m_fd, POLLOUT, timeout);
            if (events <= 0 || (events & (POLLERR | POLLHUP)))
                return false;
            continue;
        }
        return false;
    }
    return true;
}

TRelayPipe::TRelayPipe(std::size_t capacity)
    : m_wanted(capacity)
{
    Reset();
}

TRelayPipe::~TRelayPipe()
{
    Close();
}

void TRelayPipe::Close()
{
    for (int& fd : m_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TRelayPipe::Reset()
{
    Close();
    m_capacity = 0;
    if (::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    const int current = ::fcntl(m_fds[1], F_GETPIPE_SZ);
    m_capacity = current > 0 ? static_cast<std::size_t>(current) : 0;
    // When a size is refused (EPERM above fs.pipe-max-size or for a user over the pipe memory
    // limit, ENOMEM), half of it is asked for, down to the pipe's default size, which serves.
    for (std::size_t size = m_wanted; size != 0 && size != m_capacity; size /= 2) {
        const int granted = ::fcntl(m_fds[1], F_SETPIPE_SZ, static_cast<int>(std::min<std::size_t>(size, 1U << 30)));
        if (granted > 0) {
            m_capacity = static_cast<std::size_t>(granted);
            break;
        }
        if (size < m_capacity)
            break;
    }
}

void TTcpSocket::Shutdown()
{
    ::shutdown(m_fd, SHUT_RDWR);
}

TTcpListener::TTcpListener()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_wakeRead = fds[0];
        m_wakeWrite = fds[1];
    }
}

TTcpListener::~TTcpListener()
{
    for (const int fd : m_fds)
        ::close(fd);
    if (m_wakeRead >= 0)
        ::close(m_wakeRead);
    if (m_wakeWrite >= 0)
        ::close(m_wakeWrite);
}

bool TTcpListener::Bind(std::uint16_t port, bool v6, std::string* error)
{
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = ErrnoText(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (v6) {
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
        auto& a = reinterpret_cast<sockaddr_in6&>(storage);
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(port);
        a.sin6_addr = in6addr_loopback;
        length = sizeof a;
    } else {
        auto& a = reinterpret_cast<sockaddr_in&>(storage);
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof a;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) < 0 || ::listen(fd, SOMAXCONN) < 0) {
        const int bindError = errno;
        ::close(fd);
        errno = bindError;
        if (error)
            *error = ErrnoText(bindError);
        return false;
    }
    if (port == 0 && ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) == 0)
        port = ntohs(v6 ? reinterpret_cast<sockaddr_in6&>(storage).sin6_port
                        : reinterpret_cast<sockaddr_in&>(storage).sin_port);
    m_fds.push_back(fd);
    m_isV6.push_back(v6);
    m_port = port;
    return true;
}

bool TTcpListener::Listen(std::uint16_t port, std::string* error)
{
    if (m_wakeRead < 0) {
        if (error)
            *error = ErrnoText(EMFILE);
        return false;
    }
    // A free port of 127.0.0.1 may be taken on ::1: try a few before giving up.
    for (int attempt = 0; attempt < (port == 0 ? 8 : 1); ++attempt) {
        if (!Bind(port, false, error))
            return false;
        if (Bind(m_port, true, error))
            return true;
        const int v6Error = errno;
        // A host without IPv6 serves on 127.0.0.1 alone.
        if (v6Error == EADDRNOTAVAIL || v6Error == EAFNOSUPPORT)
            return true;
        ::close(m_fds.back());
        m_fds.clear();
        m_isV6.clear();
        m_port = 0;
        if (port != 0 || v6Error != EADDRINUSE)
            return false;
    }
    return false;
}

std::vector<std::string> TTcpListener::Addresses() const
{
    std::vector<std::string> addresses;
    for (const bool v6 : m_isV6)
        addresses.push_back((v6 ? "[::1]:" : "127.0.0.1:") + std::to_string(m_port));
    return addresses;
}

std::unique_ptr<TTcpSocket> TTcpListener::Accept()
{
    std::vector<pollfd> polls;
    polls.push_back({m_wakeRead, POLLIN, 0});
    for (const int fd : m_fds)
        polls.push_back({fd, POLLIN, 0});
    for (;;) {
        if (::poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return nullptr;
        }
        if (polls[0].revents)
            return nullptr;
        for (std::size_t i = 1; i < polls.size(); ++i) {
            if (!polls[i].revents)
                continue;
            const int fd = ::accept4(polls[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                const int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                return std::make_unique<TTcpSocket>(fd);
            }
        }
    }
}

void TTcpListener::Wake()
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite, &byte, 1);
}

} // namespace lumexa::identity
