#include <condition_variable>
#include <mutex>

#include <gtest/gtest.h>

#include "identity/HttpHead.h"
#include "identity/ProxyTestSupport.h"

namespace lumexa::identity {
namespace {

using test::TFakeServer;
using test::TNginx;
using test::TRunResult;
using test::TTinyproxy;

const std::string OneMiB = [] {
    std::string data(1 << 20, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('a' + i * 7 % 26);
    return data;
}();

// Reads a request head and, when it announces one, its body.
std::string ReadRequest(TTcpSocket& connection)
{
    std::string rest;
    std::string head = test::ReadHead(connection, &rest);
    const auto parse = ParseRequestHead(head);
    std::uint64_t length = parse.Head.ContentLength.value_or(0);
    std::array<char, 4096> block;
    while (rest.size() < length) {
        const auto read = connection.ReadSome(block.data(), block.size(), TMilliseconds(10000));
        if (read.Status != TReadStatus::Data)
            break;
        rest.append(block.data(), read.Count);
    }
    return head + rest;
}

// An origin or remote proxy that records what it was sent and answers with fixed bytes.
class TRecordingServer
{
public:
    explicit TRecordingServer(std::string reply, bool holdOpen = false)
        : m_server([this, reply = std::move(reply), holdOpen](TTcpSocket& connection) {
            const std::string request = ReadRequest(connection);
            {
                std::lock_guard lock(m_lock);
                m_requests.push_back(request);
            }
            connection.WriteAll(reply, TMilliseconds(10000));
            if (holdOpen) // like a keep-alive server: the body-less reply is not followed by a close
                test::ReadToClose(connection);
        })
    {}
    std::uint16_t Port() const { return m_server.Port(); }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(Port()) + path; }
    std::vector<std::string> Requests()
    {
        std::lock_guard lock(m_lock);
        return m_requests;
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_requests;
    TFakeServer m_server; // last: its threads stop before the members they use
};

class ProxyTest : public test::ProxyTest
{
};

TEST_F(ProxyTest, DirectRequestGoesToTheExplicitPortWithOnlyThePathInTheRequestLine)
{
    const TNginx nginx({});
    Start();
    const TRunResult run = Curl({nginx.Url("/echo?x=1&y=2")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "GET /echo?x=1&y=2 HTTP/1.0");
}

TEST_F(ProxyTest, DirectRequestRelaysTheFileAndCountsTheBytesReceived)
{
    const TNginx nginx({{"big.bin", OneMiB}});
    Start();
    const TRunResult run = Curl({"-D", "-", nginx.Url("/big.bin")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::size_t headEnd = run.out.find("\r\n\r\n");
    ASSERT_NE(headEnd, std::string::npos);
    EXPECT_EQ(run.out.substr(headEnd + 4), OneMiB);
    // Downloaded = the response head as received (lines and line ends) plus the body.
    EXPECT_EQ(settings().Downloaded(), headEnd + 4 + OneMiB.size());
}

TEST_F(ProxyTest, RequestHeadersAndBodyArePassedAsReceivedWithVersion10)
{
    TRecordingServer origin("HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok");
    Start();
    const std::string url = origin.Url("/form");
    const std::string reply =
        Send("POST " + url + " HTTP/1.1\r\nHost: x\r\nX-Custom:  kept  \r\n" + "Content-Length: 11\r\n\r\nhello world");
    EXPECT_EQ(reply, "HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(origin.Requests().size(), 1u);
    EXPECT_EQ(origin.Requests()[0],
              "POST /form HTTP/1.0\r\nHost: x\r\nX-Custom:  kept  \r\nContent-Length: 11\r\n\r\nhello world");
}

TEST_F(ProxyTest, ARequestBodyArrivingInPiecesIsStreamedWhole)
{
    TRecordingServer origin("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    Start();
    const std::string body(300000, 'b');
    const std::string file = tempDir() / "body.bin";
    test::WriteHostFile(file, body);
    const TRunResult run =
        Curl({"--data-binary", "@" + file, "-o", "/dev/null", "-w", "%{http_code}", origin.Url("/")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "200");
    ASSERT_EQ(origin.Requests().size(), 1u);
    const std::string received = origin.Requests()[0];
    EXPECT_EQ(received.substr(received.find("\r\n\r\n") + 4), body);
}

TEST_F(ProxyTest, AResponseWithoutContentLengthIsRelayedUntilTheServerCloses)
{
    TFakeServer origin([](TTcpSocket& connection) {
        ReadRequest(connection);
        connection.WriteAll("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nfirst,", TMilliseconds(10000));
        connection.WriteAll(std::string(100000, 's'), TMilliseconds(10000));
        connection.WriteAll(",last", TMilliseconds(10000));
    }); // the handler's return closes the connection
    Start();
    const TRunResult run = Curl({"http://127.0.0.1:" + std::to_string(origin.Port()) + "/stream"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "first," + std::string(100000, 's') + ",last");
}

TEST_F(ProxyTest, AClientThatLeavesDuringABodyEndsOnlyItsOwnExchange)
{
    const std::string big(16 << 20, 'x');
    TRecordingServer origin("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(big.size()) + "\r\n\r\n" + big);
    Start();
    {
        auto client = TTcpSocket::Connect("127.0.0.1", ProxyPort(), TMilliseconds(10000), nullptr);
        ASSERT_TRUE(client);
        ASSERT_TRUE(client->WriteAll("GET " + origin.Url("/big") + " HTTP/1.1\r\n\r\n", TMilliseconds(10000)));
        EXPECT_NE(test::ReadHead(*client), "");
    } // gone with most of the body unread: the proxy's writes to it fail
    const TNginx nginx({{"after.txt", "still serving"}});
    const TRunResult run = Curl({nginx.Url("/after.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "still serving");
}

TEST_F(ProxyTest, PremiumRemoteProxyReceivesTheLogin)
{
    const TNginx nginx({{"page.html", "through the chain"}});
    const TTinyproxy remote("user", "pass");
    struct Case
    {
        int type;
        std::string password;
        std::string status;
    };
    const Case cases[] = {
        {RemoteProxyPremium, "pass", "200"},
        {RemoteProxyPremium, "wrong", "401"}, // tinyproxy's answer to a wrong login
        {RemoteProxyPublic, "pass", "407"},   // a public proxy gets no login
    };
    Start();
    for (const Case& c : cases) {
        settings().SetRemoteProxy({c.type, "127.0.0.1", remote.Port(), "user", c.password});
        const TRunResult run = Curl({"-w", "\n%{http_code}", nginx.Url("/page.html")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out.substr(run.out.rfind('\n') + 1), c.status) << "case: " << c.type << " " << c.password;
        if (c.status == "200") {
            EXPECT_EQ(run.out, "through the chain\n200");
        }
    }
}

TEST_F(ProxyTest, TheRemoteProxyGetsTheAbsoluteTargetAndOnlyTheUsersLogin)
{
    TRecordingServer remote("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    settings().SetRemoteProxy({RemoteProxyPremium, "127.0.0.1", remote.Port(), "user", "pass"});
    Start();
    const std::string reply = Send("GET http://example.org/page HTTP/1.1\r\nHost: example.org\r\n"
                                   "Proxy-Authorization: Basic YnJvd3Nlcjp4\r\nAccept: */*\r\n\r\n");
    EXPECT_EQ(reply, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(remote.Requests().size(), 1u);
    EXPECT_EQ(remote.Requests()[0],
              "GET http://example.org/page HTTP/1.0\r\nHost: example.org\r\n"
              "Proxy-Authorization: Basic dXNlcjpwYXNz\r\nAccept: */*\r\n\r\n");
}

TEST_F(ProxyTest, BlacklistedTargetsAreRedirectedToTheHomePageOnlyThroughARemoteProxy)
{
    const TNginx nginx({{"home.html", "vendor home"}, {"blocked.html", "the blocked page"}});
    const TTinyproxy remote("", "");
    settings().SetBlackList({"", "blocked"});
    settings().SetHomePage(nginx.Url("/home.html"));
    Start();
    struct Case
    {
        int type;
        std::string url;
        std::string body;
    };
    const Case cases[] = {
        {RemoteProxyPublic, nginx.Url("/blocked.html"), "vendor home"},
        {RemoteProxyPremium, nginx.Url("/blocked.html"), "vendor home"},
        {RemoteProxyNone, nginx.Url("/blocked.html"), "the blocked page"},
        {RemoteProxyPublic, nginx.Url("/home.html?other"), "vendor home"},
    };
    for (const Case& c : cases) {
        settings().SetRemoteProxy({c.type, "127.0.0.1", remote.Port(), "", ""});
        const TRunResult run = Curl({c.url});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.body) << "case: type " << c.type << " " << c.url;
    }
}

TEST_F(ProxyTest, ConnectTunnelsTlsDirectlyAndThroughTheRemoteProxy)
{
    const test::TTlsServer tls;
    const TTinyproxy remote("user", "pass");
    Start();
    const std::string url = "https://127.0.0.1:" + std::to_string(tls.Port()) + "/";
    for (const int type : {RemoteProxyNone, RemoteProxyPremium}) {
        settings().SetRemoteProxy({type, "127.0.0.1", remote.Port(), "user", "pass"});
        const std::uint64_t before = settings().Downloaded();
        const TRunResult run = Curl({"-k", "-v", url});
        ASSERT_EQ(run.exitCode, 0) << "type " << type << ": " << run.err;
        EXPECT_NE(run.out.find("s_server"), std::string::npos) << "type " << type << ": " << run.out;
        if (type == RemoteProxyNone) {
            EXPECT_NE(run.err.find("HTTP/1.0 200 Connection established"), std::string::npos) << run.err;
        }
        EXPECT_GT(settings().Downloaded(), before + run.out.size()) << "type " << type;
    }
}

TEST_F(ProxyTest, ConnectWithoutAPortGoesToPort443)
{
    TFakeServer echo([](TTcpSocket& connection) {
        std::array<char, 256> block;
        const auto read = connection.ReadSome(block.data(), block.size(), TMilliseconds(10000));
        if (read.Status == TReadStatus::Data)
            connection.WriteAll("echo:" + std::string(block.data(), read.Count), TMilliseconds(10000));
    });
    std::mutex lock;
    std::vector<std::pair<std::string, std::uint16_t>> dialled;
    server().SetDialer([&](const std::string& host, std::uint16_t port, std::string* error) {
        std::lock_guard guard(lock);
        dialled.emplace_back(host, port);
        return TTcpSocket::Connect("127.0.0.1", echo.Port(), TMilliseconds(10000), error);
    });
    Start();
    struct Case
    {
        std::string target;
        std::uint16_t port;
    };
    const Case cases[] = {{"secure.example", 443}, {"secure.example:https", 443}, {"secure.example:8443", 8443}};
    for (const Case& c : cases) {
        // The first bytes of the tunnel come with the request, as a hurried client sends them.
        const std::string reply = Send("CONNECT " + c.target + " HTTP/1.1\r\nHost: " + c.target + "\r\n\r\nping");
        EXPECT_EQ(reply, "HTTP/1.0 200 Connection established\r\nProxy-agent: Proxifier/1.1\r\n\r\necho:ping")
            << "case: " << c.target;
        std::lock_guard guard(lock);
        ASSERT_FALSE(dialled.empty());
        EXPECT_EQ(dialled.back(), std::make_pair(std::string("secure.example"), c.port)) << "case: " << c.target;
    }
}

TEST_F(ProxyTest, ConnectThroughTheRemoteProxySendsTheLoginAndPassesItsReply)
{
    TRecordingServer remote("HTTP/1.0 407 Proxy Authentication Required\r\nX-From: remote\r\n\r\n");
    settings().SetRemoteProxy({RemoteProxyPremium, "127.0.0.1", remote.Port(), "ann", "pw"});
    Start();
    const std::string reply = Send("CONNECT secure.example:443 HTTP/1.1\r\nHost: secure.example:443\r\n\r\n");
    EXPECT_EQ(reply, "HTTP/1.0 407 Proxy Authentication Required\r\nX-From: remote\r\n\r\n");
    ASSERT_EQ(remote.Requests().size(), 1u);
    EXPECT_EQ(remote.Requests()[0],
              "CONNECT secure.example:443 HTTP/1.0\r\nHost: secure.example:443\r\n"
              "Proxy-Authorization: Basic YW5uOnB3\r\n\r\n");
}

TEST_F(ProxyTest, TwoClientsAtOnceUseTwoOutboundConnections)
{
    // The origin answers neither request before both have arrived: a proxy that served one
    // connection at a time would never get its answer.
    std::mutex lock;
    std::condition_variable bothArrived;
    int arrived = 0;
    TFakeServer origin([&](TTcpSocket& connection) {
        const std::string request = ReadRequest(connection);
        std::unique_lock guard(lock);
        ++arrived;
        bothArrived.notify_all();
        if (!bothArrived.wait_for(guard, std::chrono::seconds(20), [&] { return arrived >= 2; }))
            return;
        guard.unlock();
        const std::string body = request.substr(0, request.find(' ', 4)); // "GET /a"
        connection.WriteAll("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
                            TMilliseconds(10000));
    });
    Start();
    const std::string base = "http://127.0.0.1:" + std::to_string(origin.Port());
    const auto runs = test::RunTogether({CurlCommand({base + "/a"}), CurlCommand({base + "/b"})});
    ASSERT_EQ(runs[0].exitCode, 0) << runs[0].err;
    ASSERT_EQ(runs[1].exitCode, 0) << runs[1].err;
    EXPECT_EQ(runs[0].out, "GET /a");
    EXPECT_EQ(runs[1].out, "GET /b");
    EXPECT_EQ(origin.Connections(), 2);
}

TEST_F(ProxyTest, ResponsesThatHaveNoBodyEndWithoutWaitingForOne)
{
    // The origin keeps its connection open after these heads, and the proxy would wait a
    // minute for a body: the reply is whole and the connection closed long before.
    server().SetReadTimeout(TMilliseconds(60000));
    Start();
    struct Case
    {
        std::string method;
        std::string reply;
    };
    const Case cases[] = {
        {"HEAD", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"},
        {"GET", "HTTP/1.1 204 No Content\r\n\r\n"},
        {"GET", "HTTP/1.1 304 Not Modified\r\nContent-Length: 1000\r\n\r\n"},
    };
    for (const Case& c : cases) {
        TRecordingServer origin(c.reply, true);
        bool closed = false;
        const std::string reply = Send(c.method + " " + origin.Url("/") + " HTTP/1.1\r\nHost: h\r\n\r\n", &closed);
        EXPECT_EQ(reply, c.reply) << "case: " << c.reply;
        EXPECT_TRUE(closed) << "case: " << c.reply;
    }
}

TEST_F(ProxyTest, AnInterimResponseIsPassedOnBeforeTheFinalOne)
{
    TRecordingServer origin("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone");
    Start();
    const std::string reply = Send("POST " + origin.Url("/") + " HTTP/1.1\r\nContent-Length: 1\r\n\r\nx");
    EXPECT_EQ(reply, "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone");
}

TEST_F(ProxyTest, BadRequestsGet400AndReachNoServer)
{
    TRecordingServer origin("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    Start();
    const std::string url = origin.Url("/");
    std::string manyLines;
    for (int i = 0; i < 100; ++i)
        manyLines += "X-Line-" + std::to_string(i) + ": " + std::string(700, 'v') + "\r\n";
    struct Case
    {
        std::string name;
        std::string request;
    };
    const Case cases[] = {
        {"line over 8 KiB", "GET " + url + " HTTP/1.1\r\nX-Big: " + std::string(9000, 'x') + "\r\n\r\n"},
        {"head over 64 KiB", "GET " + url + " HTTP/1.1\r\n" + manyLines + "\r\n"},
        {"negative Content-Length", "POST " + url + " HTTP/1.1\r\nContent-Length: -1\r\n\r\n"},
        {"non-numeric Content-Length", "POST " + url + " HTTP/1.1\r\nContent-Length: 12a\r\n\r\n"},
        {"duplicated Content-Length", "POST " + url + " HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\nx"},
        {"malformed request line", "GET " + url + "\r\n\r\n"},
        {"path only without a remote proxy", "GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"},
        {"not http", "GET ftp://127.0.0.1/ HTTP/1.1\r\n\r\n"},
        {"CONNECT to port 0", "CONNECT 127.0.0.1:0 HTTP/1.1\r\n\r\n"},
    };
    for (const Case& c : cases) {
        bool closed = false;
        const std::string reply = Send(c.request, &closed);
        EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "HTTP/1.0 400 Bad Request") << "case: " << c.name;
        EXPECT_TRUE(closed) << "case: " << c.name;
    }
    EXPECT_TRUE(origin.Requests().empty());
}

TEST_F(ProxyTest, BadResponseHeadsGet502)
{
    Start();
    const std::string bigHeader = "X-Big: " + std::string(9000, 'x') + "\r\n";
    const std::string replies[] = {
        "HTTP/1.1 200 OK\r\n" + bigHeader + "\r\nbody",
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nbody",
        "<html>no head</html>\r\n\r\n",
    };
    for (const std::string& reply : replies) {
        TRecordingServer origin(reply);
        const std::string got = Send("GET " + origin.Url("/") + " HTTP/1.1\r\n\r\n");
        EXPECT_EQ(got.substr(0, got.find("\r\n")), "HTTP/1.0 502 Bad Gateway") << "case: " << reply.substr(0, 30);
    }
}

TEST_F(ProxyTest, AnUnknownCommandGetsAnEmptyReply)
{
    TRecordingServer origin("HTTP/1.0 200 OK\r\n\r\n");
    Start();
    bool closed = false;
    EXPECT_EQ(Send("PUT " + origin.Url("/") + " HTTP/1.1\r\nContent-Length: 0\r\n\r\n", &closed), "");
    EXPECT_TRUE(closed);
    EXPECT_TRUE(origin.Requests().empty());
}

TEST_F(ProxyTest, ASilentServerEndsTheExchangeAtTheReadTimeout)
{
    TFakeServer silent([](TTcpSocket& connection) { test::ReadToClose(connection); });
    server().SetReadTimeout(TMilliseconds(300));
    Start();
    bool closed = false;
    const std::string reply =
        Send("GET http://127.0.0.1:" + std::to_string(silent.Port()) + "/ HTTP/1.1\r\n\r\n", &closed);
    EXPECT_EQ(reply, "");
    EXPECT_TRUE(closed);
}

TEST_F(ProxyTest, EventsSeeTheExchangeAndMemoryModeHandsOverTheDocument)
{
    TRecordingServer origin("HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\nsmall document");
    std::vector<std::string> seen;
    std::mutex lock;
    server().OnBeforeCommand = [&](TIdHTTPProxyServerContext& context) {
        std::lock_guard guard(lock);
        seen.push_back("before " + context.Command + " " + context.Target + " " +
                       std::to_string(context.TransferSource));
        context.TransferMode = TIdHTTPProxyTransferMode::Memory;
    };
    server().OnHTTPResponse = [&](TIdHTTPProxyServerContext& context) {
        std::lock_guard guard(lock);
        seen.push_back("response " + context.Headers.front() + " " + std::to_string(context.TransferSource));
    };
    server().OnHTTPDocument = [&](TIdHTTPProxyServerContext&, std::string& document) {
        std::lock_guard guard(lock);
        seen.push_back("document " + document);
        document = "changed";
    };
    Start();
    const std::string reply = Send("GET " + origin.Url("/doc") + " HTTP/1.1\r\n\r\n");
    EXPECT_EQ(reply, "HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\nchanged");
    const std::vector<std::string> expected{
        "before GET " + origin.Url("/doc") + " 0", "response HTTP/1.0 200 OK 1", "document small document"};
    EXPECT_EQ(seen, expected);
}

} // namespace
} // namespace lumexa::identity
