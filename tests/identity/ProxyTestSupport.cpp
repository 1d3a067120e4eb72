#include "identity/ProxyTestSupport.h"

namespace lumexa::test {

void ProxyTest::SetUp()
{
    MachineTest::SetUp();
    m_settings = std::make_unique<identity::TSettings>();
    m_settings->SetRemoteProxyType(identity::RemoteProxyNone);
    m_server = std::make_unique<identity::TIdHTTPProxyServer>(*m_settings);
    m_server->SetDefaultPort(0);
}

void ProxyTest::TearDown()
{
    m_server.reset();
    m_settings.reset();
    MachineTest::TearDown();
}

void ProxyTest::Start()
{
    const auto error = m_server->Start();
    ASSERT_FALSE(error) << *error;
}

std::vector<std::string> ProxyTest::CurlCommand(const std::vector<std::string>& args) const
{
    std::vector<std::string> command{"curl", "-sS", "--max-time", "30", "--noproxy", "", "-x", ProxyUrl()};
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

} // namespace lumexa::test
