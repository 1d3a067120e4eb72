#include "identity/Peers.h"

#include <array>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumexa::test {

namespace {

using identity::TMilliseconds;
using identity::TReadStatus;
using identity::TTcpSocket;

constexpr TMilliseconds PeerTimeout{10000};

pid_t Spawn(const std::vector<std::string>& args, int outFd, int errFd)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(outFd >= 0 ? outFd : null, 1);
        ::dup2(errFd >= 0 ? errFd : null, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid < 0)
        throw std::runtime_error("cannot start " + args.front());
    ::setpgid(pid, pid); // also here, so that the group exists before any kill
    return pid;
}

int ExitCode(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Drains the pipes of one child until both close.
void Collect(int outFd, int errFd, std::string& out, std::string& err)
{
    std::array<pollfd, 2> polls{pollfd{outFd, POLLIN, 0}, pollfd{errFd, POLLIN, 0}};
    std::array<std::string*, 2> sinks{&out, &err};
    int open = 2;
    std::array<char, 65536> block;
    while (open > 0) {
        if (::poll(polls.data(), polls.size(), -1) < 0)
            continue;
        for (std::size_t i = 0; i < polls.size(); ++i) {
            if (polls[i].fd < 0 || !polls[i].revents)
                continue;
            const ssize_t n = ::read(polls[i].fd, block.data(), block.size());
            if (n > 0) {
                sinks[i]->append(block.data(), static_cast<std::size_t>(n));
            } else {
                ::close(polls[i].fd);
                polls[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

std::uint16_t FreePort()
{
    identity::TTcpListener listener;
    std::string error;
    if (!listener.Listen(0, &error))
        throw std::runtime_error("no free port: " + error);
    return listener.Port();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // polling interval
    }
    return true;
}

bool WaitForPort(std::uint16_t port, std::chrono::seconds deadline)
{
    return WaitUntil([port] { return TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(1000), nullptr) != nullptr; },
                     deadline);
}

TChildProcess::TChildProcess(const std::vector<std::string>& args, const std::string& logPath)
{
    const int log = logPath.empty() ? -1 : ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_pid = Spawn(args, log, log);
    if (log >= 0)
        ::close(log);
}

TChildProcess::~TChildProcess()
{
    if (m_pid <= 0)
        return;
    if (::kill(-m_pid, SIGTERM) != 0)
        ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            ::kill(-m_pid, SIGKILL); // workers of a master that left first
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (::kill(-m_pid, SIGKILL) != 0)
        ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

int TChildProcess::Wait()
{
    int status = 0;
    if (m_pid <= 0 || ::waitpid(m_pid, &status, 0) != m_pid)
        return -1;
    m_pid = -1;
    return ExitCode(status);
}

TRunResult RunProgram(const std::vector<std::string>& args)
{
    return RunTogether({args}).front();
}

std::vector<TRunResult> RunTogether(const std::vector<std::vector<std::string>>& commands)
{
    struct Child
    {
        pid_t pid;
        int out;
        int err;
    };
    std::vector<Child> children;
    for (const auto& args : commands) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        const pid_t pid = Spawn(args, out[1], err[1]);
        ::close(out[1]);
        ::close(err[1]);
        children.push_back({pid, out[0], err[0]});
    }
    std::vector<TRunResult> results(children.size());
    std::vector<std::thread> readers;
    for (std::size_t i = 0; i < children.size(); ++i)
        readers.emplace_back([&, i] { Collect(children[i].out, children[i].err, results[i].out, results[i].err); });
    for (std::size_t i = 0; i < children.size(); ++i) {
        readers[i].join();
        int status = 0;
        ::waitpid(children[i].pid, &status, 0);
        results[i].exitCode = ExitCode(status);
    }
    return results;
}

TNginx::TNginx(std::initializer_list<std::pair<std::string, std::string>> files)
    : m_port(FreePort())
{
    for (const auto& [name, contents] : files)
        WriteHostFile(m_dir / ("www/" + name), contents);
    const std::string conf = "user root;\n"
                             "worker_processes 1;\n"
                             "error_log stderr error;\n"
                             "pid nginx.pid;\n"
                             "events { worker_connections 512; }\n"
                             "http {\n"
                             "  access_log off;\n"
                             "  client_body_temp_path t_body; proxy_temp_path t_proxy; fastcgi_temp_path t_fcgi;\n"
                             "  uwsgi_temp_path t_uwsgi; scgi_temp_path t_scgi;\n"
                             "  default_type application/octet-stream;\n"
                             "  server {\n"
                             "    listen 127.0.0.1:" +
                             std::to_string(m_port) +
                             ";\n"
                             "    root www;\n"
                             "    location = /echo { return 200 \"$request\"; }\n"
                             "  }\n"
                             "}\n";
    WriteHostFile(m_dir / "nginx.conf", conf);
    m_process = std::make_unique<TChildProcess>(
        std::vector<std::string>{"nginx", "-p", m_dir.Path(), "-c", "nginx.conf", "-g", "daemon off;"},
        m_dir / "nginx.log");
    if (!WaitForPort(m_port))
        throw std::runtime_error("nginx did not start: " + ReadHostFile(m_dir / "nginx.log"));
}

std::string TNginx::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

TTinyproxy::TTinyproxy(const std::string& user, const std::string& password)
    : m_port(FreePort())
{
    std::string conf = "Port " + std::to_string(m_port) +
                       "\nListen 127.0.0.1\nTimeout 60\nMaxClients 100\nLogLevel Critical\n"
                       "DisableViaHeader Yes\n";
    if (!user.empty())
        conf += "BasicAuth " + user + " " + password + "\n";
    WriteHostFile(m_dir / "tinyproxy.conf", conf);
    m_process = std::make_unique<TChildProcess>(
        std::vector<std::string>{"tinyproxy", "-d", "-c", m_dir / "tinyproxy.conf"}, m_dir / "tinyproxy.log");
    if (!WaitForPort(m_port))
        throw std::runtime_error("tinyproxy did not start: " + ReadHostFile(m_dir / "tinyproxy.log"));
}

TTlsServer::TTlsServer()
    : m_port(FreePort())
{
    const TRunResult made = RunProgram({"openssl",
                                        "req",
                                        "-x509",
                                        "-newkey",
                                        "rsa:2048",
                                        "-nodes",
                                        "-subj",
                                        "/CN=localhost",
                                        "-days",
                                        "1",
                                        "-keyout",
                                        m_dir / "key.pem",
                                        "-out",
                                        m_dir / "cert.pem"});
    if (made.exitCode != 0)
        throw std::runtime_error("cannot make a certificate: " + made.err);
    m_process = std::make_unique<TChildProcess>(std::vector<std::string>{"openssl",
                                                                         "s_server",
                                                                         "-accept",
                                                                         "127.0.0.1:" + std::to_string(m_port),
                                                                         "-cert",
                                                                         m_dir / "cert.pem",
                                                                         "-key",
                                                                         m_dir / "key.pem",
                                                                         "-www",
                                                                         "-quiet"},
                                                m_dir / "s_server.log");
    if (!WaitForPort(m_port))
        throw std::runtime_error("openssl s_server did not start: " + ReadHostFile(m_dir / "s_server.log"));
}

TFakeServer::TFakeServer(THandler handler)
    : m_handler(std::move(handler))
{
    std::string error;
    if (!m_listener.Listen(0, &error))
        throw std::runtime_error("fake server: " + error);
    m_acceptor = std::thread([this] {
        while (auto accepted = m_listener.Accept()) {
            std::shared_ptr<TTcpSocket> connection(std::move(accepted));
            ++m_connections;
            std::lock_guard lock(m_lock);
            m_sockets.push_back(connection);
            m_threads.emplace_back([this, connection] {
                m_handler(*connection);
                connection->Shutdown(); // the handler's return is the server's close
            });
        }
    });
}

TFakeServer::~TFakeServer()
{
    m_listener.Wake();
    m_acceptor.join();
    std::lock_guard lock(m_lock);
    for (auto& socket : m_sockets)
        socket->Shutdown();
    for (auto& thread : m_threads)
        thread.join();
}

std::string ReadHead(TTcpSocket& socket, std::string* rest)
{
    std::string data;
    std::array<char, 4096> block;
    for (;;) {
        std::size_t end = data.find("\r\n\r\n");
        if (end != std::string::npos) {
            if (rest)
                *rest = data.substr(end + 4);
            return data.substr(0, end + 4);
        }
        const auto read = socket.ReadSome(block.data(), block.size(), PeerTimeout);
        if (read.Status != TReadStatus::Data)
            return {};
        data.append(block.data(), read.Count);
    }
}

std::string ReadToClose(TTcpSocket& socket, bool* closed)
{
    std::string data;
    std::array<char, 65536> block;
    for (;;) {
        const auto read = socket.ReadSome(block.data(), block.size(), PeerTimeout);
        if (read.Status != TReadStatus::Data) {
            if (closed)
                *closed = read.Status == TReadStatus::Closed;
            return data;
        }
        data.append(block.data(), read.Count);
    }
}

std::string Exchange(std::uint16_t port, const std::string& bytes, bool* closed)
{
    auto socket = TTcpSocket::Connect("127.0.0.1", port, PeerTimeout, nullptr);
    if (!socket)
        return "(cannot connect)";
    socket->WriteAll(bytes, PeerTimeout);
    return ReadToClose(*socket, closed);
}

// An address of this machine that is not a loopback one, or empty.
std::string NonLoopbackAddress()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return {};
    std::string found;
    for (const ifaddrs* i = list; i && found.empty(); i = i->ifa_next) {
        if (!i->ifa_addr)
            continue;
        char text[INET6_ADDRSTRLEN] = {};
        if (i->ifa_addr->sa_family == AF_INET) {
            const auto* a = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
            if ((ntohl(a->sin_addr.s_addr) >> 24) != 127)
                found = ::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        } else if (i->ifa_addr->sa_family == AF_INET6) {
            const auto* a = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
            if (!IN6_IS_ADDR_LOOPBACK(&a->sin6_addr) && !IN6_IS_ADDR_LINKLOCAL(&a->sin6_addr))
                found = ::inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
        }
    }
    ::freeifaddrs(list);
    return found;
}

} // namespace lumexa::test
