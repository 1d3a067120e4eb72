#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Blocking TCP connections and a loopback listener: the little the local proxy asks of a
// socket library. Every wait has a time limit, and Shutdown from another thread wakes a
// connection blocked in a read or a write, so a stopping server never waits for a peer.
namespace lumexa::identity {

using TMilliseconds = std::chrono::milliseconds;

enum class TReadStatus
{
    Data,    // `count` bytes were read
    Closed,  // the peer closed its side (or the connection was shut down)
    Timeout, // nothing arrived in time
    Error,
};

struct TReadResult
{
    TReadStatus Status = TReadStatus::Error;
    std::size_t Count = 0;
};

// A pipe through which bytes move from one socket to another without being copied into the
// process (Linux splice). Without one (pipes exhausted) the move falls back to a copy.
class TRelayPipe
{
public:
    // 1 MiB takes a typical download in one or two moves; with the default 64 KiB a megabyte
    // costs sixteen pairs of calls.
    static constexpr std::size_t PreferredCapacity = 1024 * 1024;

    // Asks for `capacity` bytes; when the system refuses (a user over the pipe memory limit),
    // the largest smaller size it grants, down to the pipe's default size.
    explicit TRelayPipe(std::size_t capacity = PreferredCapacity);
    ~TRelayPipe();
    TRelayPipe(const TRelayPipe&) = delete;
    TRelayPipe& operator=(const TRelayPipe&) = delete;
    bool Ok() const { return m_fds[0] >= 0; }
    int ReadEnd() const { return m_fds[0]; }
    int WriteEnd() const { return m_fds[1]; }
    // The bytes the pipe holds at most (as the system granted them); 0 without a pipe.
    std::size_t Capacity() const { return m_capacity; }
    // A new, empty pipe.
    void Reset();

private:
    void Close();
    int m_fds[2] = {-1, -1};
    const std::size_t m_wanted;
    std::size_t m_capacity = 0;
};

class TTcpSocket
{
public:
    explicit TTcpSocket(int fd);
    ~TTcpSocket();
    TTcpSocket(const TTcpSocket&) = delete;
    TTcpSocket& operator=(const TTcpSocket&) = delete;

    // Resolves `host` and connects to the first address that answers within `timeout`.
    // nullptr and the system's text in `error` on failure.
    static std::unique_ptr<TTcpSocket>
    Connect(const std::string& host, std::uint16_t port, TMilliseconds timeout, std::string* error);

    // Waits up to `timeout` for bytes and reads what is there (at most `size`).
    TReadResult ReadSome(char* buffer, std::size_t size, TMilliseconds timeout);
    // Waits like ReadSome, then moves what arrived (at most `size`, and at most the pipe's
    // capacity) to `to`. Data: `Count` bytes were read and all written; Error with a Count:
    // they were read but could not be written.
    TReadResult PassTo(TTcpSocket& to, std::size_t size, TMilliseconds timeout, TRelayPipe& pipe);
    // Writes everything; false when the peer is gone or nothing could be written for `timeout`.
    bool WriteAll(std::string_view data, TMilliseconds timeout);
    // Shuts both directions down; safe from any thread while another one uses the socket.
    void Shutdown();

    int Handle() const { return m_fd; }

private:
    const int m_fd;
};

// Listens on the loopback addresses only, 127.0.0.1 and (where the host has it) ::1, on one
// port: the proxy relays with the user's login, so no other machine may reach it.
class TTcpListener
{
public:
    TTcpListener();
    ~TTcpListener();
    TTcpListener(const TTcpListener&) = delete;
    TTcpListener& operator=(const TTcpListener&) = delete;

    // Port 0 takes a free port (the same on both addresses). False and the system's text in
    // `error` when the port cannot be bound (for example "Address already in use").
    bool Listen(std::uint16_t port, std::string* error);
    std::uint16_t Port() const { return m_port; }
    // "127.0.0.1:5287", "[::1]:5287"
    std::vector<std::string> Addresses() const;

    // Waits for the next connection; nullptr once Wake has been called (or on an error).
    std::unique_ptr<TTcpSocket> Accept();
    // Makes a blocked Accept, and every later one, return nullptr. Safe from any thread.
    void Wake();

private:
    bool Bind(std::uint16_t port, bool v6, std::string* error);

    std::vector<int> m_fds; // listening sockets
    std::vector<bool> m_isV6;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::uint16_t m_port = 0;
};

} // namespace lumexa::identity
