#include <array>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <unistd.h>

#include "CliFixture.h"
#include "app/Cli.h"
#include "identity/TcpSocket.h"
#include "support/TempDir.h"

namespace lumexa::app {
namespace {

using identity::TMilliseconds;
using identity::TReadStatus;
using identity::TTcpListener;
using identity::TTcpSocket;

std::uint16_t FreePort()
{
    TTcpListener listener;
    EXPECT_TRUE(listener.Listen(0, nullptr));
    return listener.Port();
}

bool WaitForPort(std::uint16_t port)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(1000), nullptr)) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // polling interval
    }
    return true;
}

std::string ReadAll(TTcpSocket& socket)
{
    std::string data;
    std::array<char, 4096> block;
    for (;;) {
        const auto read = socket.ReadSome(block.data(), block.size(), TMilliseconds(10000));
        if (read.Status != TReadStatus::Data)
            return data;
        data.append(block.data(), read.Count);
    }
}

// A server on 127.0.0.1 that answers one connection with `reply` and keeps the request head.
class TOneShotServer
{
public:
    explicit TOneShotServer(std::string reply)
    {
        EXPECT_TRUE(m_listener.Listen(0, nullptr));
        m_thread = std::thread([this, reply = std::move(reply)] {
            const auto connection = m_listener.Accept();
            if (!connection)
                return;
            std::array<char, 4096> block;
            while (m_request.find("\r\n\r\n") == std::string::npos) {
                const auto read = connection->ReadSome(block.data(), block.size(), TMilliseconds(10000));
                if (read.Status != TReadStatus::Data)
                    return;
                m_request.append(block.data(), read.Count);
            }
            connection->WriteAll(reply, TMilliseconds(10000));
        });
    }
    ~TOneShotServer()
    {
        m_listener.Wake();
        m_thread.join();
    }
    std::uint16_t Port() const { return m_listener.Port(); }
    // Read after the reply has been received.
    const std::string& Request() const { return m_request; }

private:
    TTcpListener m_listener;
    std::string m_request;
    std::thread m_thread;
};

class CliProxyTest : public CliFixture
{
protected:
    nlohmann::json Settings()
    {
        const CliRun run = Cli({"proxy", "settings", "--json"});
        EXPECT_EQ(run.code, 0) << run.err;
        return nlohmann::json::parse(run.out);
    }

    // Runs `proxy serve` on a thread until `work` is done, then stops it with SIGTERM.
    CliRun Serve(std::vector<std::string> args, std::uint16_t port, const std::function<void()>& work)
    {
        CliRun result;
        args.insert(args.begin(), {"proxy", "serve", "--port", std::to_string(port)});
        std::thread serving([&] { result = Cli(args); });
        // Listening means the SIGTERM handler is in place.
        if (WaitForPort(port)) {
            work();
            ::kill(::getpid(), SIGTERM);
        } else {
            ADD_FAILURE() << "proxy serve did not listen";
        }
        serving.join();
        return result;
    }
};

TEST_F(CliProxyTest, SettingsShowTheDefaults)
{
    const nlohmann::json doc = Settings();
    EXPECT_EQ(doc["LocalProxyPort"], 5287);
    EXPECT_EQ(doc["RemoteProxyHost"], "");
    EXPECT_EQ(doc["RemoteProxyPort"], 8080);
    EXPECT_EQ(doc["RemoteProxyType"], 0);
    EXPECT_EQ(doc["RemoteProxyID"], 0);
    EXPECT_EQ(doc["Downloaded"], 0);
    EXPECT_EQ(doc["BlackList"], nlohmann::json::array());
    EXPECT_EQ(doc["IPConcealStatus"], false);
    EXPECT_EQ(doc["Custom"], nlohmann::json::object());

    const CliRun text = Cli({"proxy", "settings"});
    EXPECT_NE(text.out.find("LocalProxyPort:  5287\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("RemoteProxyType: 0 (premium)\n"), std::string::npos) << text.out;
}

TEST_F(CliProxyTest, SetStoresEachSettingInTheRegistry)
{
    ASSERT_EQ(Cli({"proxy", "set", "LocalProxyPort", "6001"}).code, 0);
    ASSERT_EQ(Cli({"proxy", "set", "RemoteProxyHost", "proxy.example"}).code, 0);
    ASSERT_EQ(Cli({"proxy", "set", "remoteproxyport", "3128"}).code, 0);
    ASSERT_EQ(Cli({"proxy", "set", "RemoteProxyType", "-1"}).code, 0);
    const nlohmann::json doc = Settings();
    EXPECT_EQ(doc["LocalProxyPort"], 6001);
    EXPECT_EQ(doc["RemoteProxyHost"], "proxy.example");
    EXPECT_EQ(doc["RemoteProxyPort"], 3128);
    EXPECT_EQ(doc["RemoteProxyType"], -1);
    const CliRun stored = Cli({"reg", "query", "HKLM\\Software\\Orvanta\\LumexaIPC", "--value", "LocalProxyPort"});
    EXPECT_NE(stored.out.find("REG_SZ    6001"), std::string::npos) << stored.out;
}

TEST_F(CliProxyTest, SetRefusesBadValuesAndChangesNothing)
{
    struct Case
    {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{"LocalProxyPort", "0"}, 1, "not a port number"},
        {{"LocalProxyPort", "70000"}, 1, "not a port number"},
        {{"RemoteProxyPort", "http"}, 1, "not a port number"},
        {{"RemoteProxyType", "2"}, 1, "not a proxy type"},
        {{"BlackList", "ads"}, 1, "--blacklist FILE"},
        {{"Downloaded", "0"}, 1, "unknown setting"},
        {{}, 1, "give KEY VALUE"},
        {{"--blacklist", "/nonexistent/list.txt"}, 1, "cannot read"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"proxy", "set"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.code, c.code) << "case: " << (c.args.empty() ? "" : c.args[0]);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    const nlohmann::json doc = Settings();
    EXPECT_EQ(doc["LocalProxyPort"], 5287);
    EXPECT_EQ(doc["RemoteProxyType"], 0);
}

TEST_F(CliProxyTest, SetReadsTheBlacklistFromAFile)
{
    const std::string file = m_dir / "blacklist.txt";
    test::WriteHostFile(file, "ads.example\r\n\r\ntracker\n");
    const CliRun run = Cli({"proxy", "set", "--blacklist", file});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "BlackList = 3 lines from " + file + "\n");
    EXPECT_EQ(Settings()["BlackList"], nlohmann::json::array({"ads.example", "", "tracker"}));
}

TEST_F(CliProxyTest, ServeRelaysUntilSigtermAndSavesTheCounter)
{
    ASSERT_EQ(Cli({"proxy", "set", "RemoteProxyType", "-1"}).code, 0);
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    TOneShotServer origin(reply);
    const std::uint16_t port = FreePort();
    std::string received;
    const CliRun run = Serve({}, port, [&] {
        auto client = TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(5000), nullptr);
        ASSERT_TRUE(client);
        client->WriteAll("GET http://127.0.0.1:" + std::to_string(origin.Port()) + "/ HTTP/1.1\r\n\r\n",
                         TMilliseconds(5000));
        received = ReadAll(*client);
    });
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(received, reply);
    const std::string p = std::to_string(port);
    EXPECT_EQ(run.out,
              "Listening on 127.0.0.1:" + p + " [::1]:" + p +
                  "\nForwarding directly to the web servers\nStopped. Downloaded: " + std::to_string(reply.size()) +
                  " bytes\n");
    const nlohmann::json doc = Settings();
    EXPECT_EQ(doc["Downloaded"], reply.size());
    EXPECT_EQ(doc["LocalProxyPort"], 5287) << "--port is for this run only";
}

TEST_F(CliProxyTest, ServeSendsTheLoginGivenOnTheCommandLine)
{
    TOneShotServer remote("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    ASSERT_EQ(Cli({"proxy", "set", "RemoteProxyHost", "127.0.0.1"}).code, 0);
    ASSERT_EQ(Cli({"proxy", "set", "RemoteProxyPort", std::to_string(remote.Port())}).code, 0);
    ASSERT_EQ(Cli({"proxy", "set", "RemoteProxyType", "0"}).code, 0);
    const std::string passwordFile = m_dir / "password";
    test::WriteHostFile(passwordFile, "pass\r\n");
    const std::uint16_t port = FreePort();
    const CliRun run = Serve({"--username", "user", "--password-file", passwordFile}, port, [&] {
        auto client = TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(5000), nullptr);
        ASSERT_TRUE(client);
        client->WriteAll("GET http://example.org/ HTTP/1.1\r\nHost: example.org\r\n\r\n", TMilliseconds(5000));
        ReadAll(*client);
    });
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("Forwarding through the premium proxy 127.0.0.1:" + std::to_string(remote.Port())),
              std::string::npos)
        << run.out;
    // "user:pass" in Base64 (RFC 7617).
    EXPECT_EQ(remote.Request(),
              "GET http://example.org/ HTTP/1.0\r\nHost: example.org\r\n"
              "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
}

TEST_F(CliProxyTest, ServeReportsAPortInUse)
{
    TTcpListener other;
    ASSERT_TRUE(other.Listen(0, nullptr));
    const CliRun run = Cli({"proxy", "serve", "--port", std::to_string(other.Port())});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find(std::strerror(EADDRINUSE)), std::string::npos) << run.err;
}

} // namespace
} // namespace lumexa::app
