#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "identity/TcpSocket.h"
#include "support/TempDir.h"

// The peers of the proxy tests: real servers (nginx, tinyproxy, openssl s_server) and curl as
// child processes, and small in-test servers where the exact bytes matter. Everything listens
// on 127.0.0.1 only, on ports the system chose.
namespace lumexa::test {

// A port that was free a moment ago on 127.0.0.1 and ::1.
std::uint16_t FreePort();
// Polls `condition` until it holds or `deadline` passes; whether it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds deadline = std::chrono::seconds(20));
// Polls a connection to 127.0.0.1:port until it succeeds or `deadline` passes.
bool WaitForPort(std::uint16_t port, std::chrono::seconds deadline = std::chrono::seconds(20));
// An address of this machine that is not a loopback one or empty.
std::string NonLoopbackAddress();

// A child process, killed (SIGTERM, then SIGKILL) and reaped when the object goes, so a failing
// test leaves nothing running.
class TChildProcess
{
public:
    // Output goes to `logPath` (or /dev/null when empty).
    TChildProcess(const std::vector<std::string>& args, const std::string& logPath = {});
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    pid_t Pid() const { return m_pid; }
    // Waits for the process to end by itself; its exit code, or -1.
    int Wait();

private:
    pid_t m_pid = -1;
};

struct TRunResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs a program to its end and collects its output.
TRunResult RunProgram(const std::vector<std::string>& args);
// Runs several at once (two browsers fetching together) and collects them all.
std::vector<TRunResult> RunTogether(const std::vector<std::vector<std::string>>& commands);

// nginx serving `files` (name -> contents) from a folder of its own; "/echo" answers with the
// request line it received.
class TNginx
{
public:
    explicit TNginx(std::initializer_list<std::pair<std::string, std::string>> files);
    std::uint16_t Port() const { return m_port; }
    std::string Url(const std::string& path) const;

private:
    TempDir m_dir;
    std::uint16_t m_port;
    std::unique_ptr<TChildProcess> m_process;
};

// tinyproxy on 127.0.0.1 wanting the login `user`/`password` (none when `user` is empty).
class TTinyproxy
{
public:
    TTinyproxy(const std::string& user, const std::string& password);
    std::uint16_t Port() const { return m_port; }

private:
    TempDir m_dir;
    std::uint16_t m_port;
    std::unique_ptr<TChildProcess> m_process;
};

// openssl s_server with a throwaway self-signed certificate, answering "GET /" with its status
// page.
class TTlsServer
{
public:
    TTlsServer();
    std::uint16_t Port() const { return m_port; }

private:
    TempDir m_dir;
    std::uint16_t m_port;
    std::unique_ptr<TChildProcess> m_process;
};

// An in-test server on 127.0.0.1: each connection is handed to `handler` on a thread of its
// own. The handlers are joined when the object goes.
class TFakeServer
{
public:
    using THandler = std::function<void(identity::TTcpSocket& connection)>;
    explicit TFakeServer(THandler handler);
    ~TFakeServer();
    std::uint16_t Port() const { return m_listener.Port(); }
    int Connections() const { return m_connections.load(); }

private:
    THandler m_handler;
    identity::TTcpListener m_listener;
    std::atomic<int> m_connections{0};
    std::mutex m_lock;
    std::vector<std::shared_ptr<identity::TTcpSocket>> m_sockets;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

// Reads until the peer's head is whole (through the empty line); empty on a close or a
// 10-second silence.
std::string ReadHead(identity::TTcpSocket& socket, std::string* rest = nullptr);
// Reads until the peer closes, or 10 seconds pass without a byte (`closed` says which).
std::string ReadToClose(identity::TTcpSocket& socket, bool* closed = nullptr);
// Sends `bytes` to 127.0.0.1:port and returns all the reply, up to the close.
std::string Exchange(std::uint16_t port, const std::string& bytes, bool* closed = nullptr);

} // namespace lumexa::test
