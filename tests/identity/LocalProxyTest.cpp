#include "identity/LocalProxy.h"

#include <cstring>

#include <gtest/gtest.h>

#include "identity/IdHTTPProxyServer.h"
#include "identity/Peers.h"
#include "identity/Settings.h"
#include "support/MachineTest.h"

namespace lumexa::identity {
namespace {

class LocalProxyTest : public test::MachineTest
{
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        m_settings = std::make_unique<TSettings>();
        m_settings->SetRemoteProxyType(RemoteProxyNone);
    }
    void TearDown() override
    {
        m_proxy.reset();
        m_settings.reset();
        MachineTest::TearDown();
    }
    TSettings& settings() { return *m_settings; }
    TLocalProxy& proxy()
    {
        if (!m_proxy)
            m_proxy = std::make_unique<TLocalProxy>(*m_settings);
        return *m_proxy;
    }

private:
    std::unique_ptr<TSettings> m_settings;
    std::unique_ptr<TLocalProxy> m_proxy;
};

TEST_F(LocalProxyTest, PortZeroIsRefusedWithItsMessage)
{
    settings().SetLocalProxyPort(0);
    const auto error = proxy().SetActive(true);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Message, "Local proxy port not set");
    EXPECT_FALSE(proxy().Active());
}

TEST_F(LocalProxyTest, APortInUseIsReportedWithTheSystemsText)
{
    TTcpListener other;
    ASSERT_TRUE(other.Listen(0, nullptr));
    settings().SetLocalProxyPort(other.Port());
    const auto error = proxy().SetActive(true);
    ASSERT_TRUE(error);
    EXPECT_NE(error->Message.find(std::strerror(EADDRINUSE)), std::string::npos) << error->Message;
    EXPECT_NE(error->Message.find(std::to_string(other.Port())), std::string::npos) << error->Message;
    EXPECT_FALSE(proxy().Active());
}

TEST_F(LocalProxyTest, ItListensOnTheLoopbackAddressesOnly)
{
    const std::uint16_t port = test::FreePort();
    settings().SetLocalProxyPort(port);
    ASSERT_FALSE(proxy().SetActive(true));
    const std::string p = std::to_string(port);
    EXPECT_EQ(proxy().Addresses(), (std::vector<std::string>{"127.0.0.1:" + p, "[::1]:" + p}));
    EXPECT_TRUE(TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(5000), nullptr));
    EXPECT_TRUE(TTcpSocket::Connect("::1", port, TMilliseconds(5000), nullptr));

    const std::string outside = test::NonLoopbackAddress();
    if (outside.empty())
        GTEST_SKIP() << "this machine has no address but the loopback ones to try from";
    std::string error;
    EXPECT_FALSE(TTcpSocket::Connect(outside, port, TMilliseconds(5000), &error)) << outside;
    EXPECT_NE(error.find(std::strerror(ECONNREFUSED)), std::string::npos) << error;
}

TEST_F(LocalProxyTest, SettingTheStateItHasDoesNothing)
{
    settings().SetLocalProxyPort(test::FreePort());
    EXPECT_FALSE(proxy().SetActive(false));
    ASSERT_FALSE(proxy().SetActive(true));
    const auto addresses = proxy().Addresses();
    EXPECT_FALSE(proxy().SetActive(true)) << "a second start does not try to bind again";
    EXPECT_EQ(proxy().Addresses(), addresses);
    EXPECT_FALSE(proxy().SetActive(false));
    EXPECT_FALSE(proxy().Active());
    EXPECT_FALSE(proxy().SetActive(false));
}

TEST_F(LocalProxyTest, StoppingClosesTheListenerAndEveryConnection)
{
    // A tunnel to a server that never speaks, and a request whose server never answers: both
    // connections are blocked on their peers when the proxy stops.
    test::TFakeServer silent([](TTcpSocket& connection) { test::ReadToClose(connection); });
    const std::uint16_t port = test::FreePort();
    settings().SetLocalProxyPort(port);
    ASSERT_FALSE(proxy().SetActive(true));
    auto tunnel = TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(5000), nullptr);
    auto request = TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(5000), nullptr);
    ASSERT_TRUE(tunnel && request);
    const std::string target = "127.0.0.1:" + std::to_string(silent.Port());
    ASSERT_TRUE(tunnel->WriteAll("CONNECT " + target + " HTTP/1.1\r\n\r\n", TMilliseconds(5000)));
    EXPECT_EQ(test::ReadHead(*tunnel), "HTTP/1.0 200 Connection established\r\nProxy-agent: Proxifier/1.1\r\n\r\n");
    ASSERT_TRUE(request->WriteAll("GET http://" + target + "/ HTTP/1.1\r\n\r\n", TMilliseconds(5000)));
    ASSERT_TRUE(test::WaitUntil([&] { return silent.Connections() == 2; })) << "both exchanges reach the server";

    ASSERT_FALSE(proxy().SetActive(false)); // returns only when every connection thread has ended
    bool closed = false;
    EXPECT_EQ(test::ReadToClose(*tunnel, &closed), "");
    EXPECT_TRUE(closed);
    EXPECT_EQ(test::ReadToClose(*request, &closed), "");
    EXPECT_TRUE(closed);
    EXPECT_FALSE(TTcpSocket::Connect("127.0.0.1", port, TMilliseconds(5000), nullptr));
}

} // namespace
} // namespace lumexa::identity
