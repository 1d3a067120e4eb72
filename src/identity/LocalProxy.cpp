#include "identity/LocalProxy.h"

#include "core/MessageTable.h"
#include "identity/IdHTTPProxyServer.h"
#include "identity/Settings.h"

namespace lumexa::identity {

TLocalProxy::TLocalProxy(TSettings& settings)
    : m_settings(settings)
    , m_server(std::make_unique<TIdHTTPProxyServer>(settings))
{}

TLocalProxy::~TLocalProxy() = default;

std::optional<ELocalProxyError> TLocalProxy::SetActive(bool value)
{
    if (value == m_server->Active())
        return std::nullopt;
    if (!value) {
        m_server->Stop();
        return std::nullopt;
    }
    const std::uint16_t port = m_settings.LocalProxyPort();
    if (port == 0)
        return ELocalProxyError{core::Msg("strVCS_MESSAGE_CONTENT500")}; // "Local proxy port not set"
    m_server->SetDefaultPort(port);
    if (auto error = m_server->Start())
        return ELocalProxyError{"Could not bind socket on port " + std::to_string(port) + ". " + *error};
    return std::nullopt;
}

bool TLocalProxy::Active() const
{
    return m_server->Active();
}

std::vector<std::string> TLocalProxy::Addresses() const
{
    return m_server->Addresses();
}

} // namespace lumexa::identity
