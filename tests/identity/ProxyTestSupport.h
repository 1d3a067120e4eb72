#pragma once

#include <memory>
#include <string>
#include <vector>

#include "identity/IdHTTPProxyServer.h"
#include "identity/Peers.h"
#include "identity/Settings.h"
#include "support/MachineTest.h"

namespace lumexa::test {

// A throwaway machine with the IP concealer's settings (no remote proxy unless a test picks
// one) and a proxy server on a free loopback port.
class ProxyTest : public MachineTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    identity::TSettings& settings() { return *m_settings; }
    identity::TIdHTTPProxyServer& server() { return *m_server; }
    // Starts the server (after the test has set its hooks).
    void Start();
    std::uint16_t ProxyPort() const { return m_server->BoundPort(); }
    std::string ProxyUrl() const { return "http://127.0.0.1:" + std::to_string(ProxyPort()); }

    // curl through the proxy; `args` follow the proxy options.
    std::vector<std::string> CurlCommand(const std::vector<std::string>& args) const;
    TRunResult Curl(const std::vector<std::string>& args) const { return RunProgram(CurlCommand(args)); }
    // Raw bytes to the proxy; the whole reply up to the close.
    std::string Send(const std::string& bytes, bool* closed = nullptr) const
    {
        return Exchange(ProxyPort(), bytes, closed);
    }

private:
    std::unique_ptr<identity::TSettings> m_settings;
    std::unique_ptr<identity::TIdHTTPProxyServer> m_server;
};

} // namespace lumexa::test
