#include "identity/Settings.h"

#include <charconv>

#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace lumexa::identity {

namespace {

using platform::HKEY_LOCAL_MACHINE;
using platform::RegKey;
using platform::RegRead;

constexpr std::string_view CustomSubKey = "Custom";
constexpr double SecondsPerDay = 86400.0;
constexpr double DownloadedWriteInterval = 5.0 / SecondsPerDay;

template <typename T> std::optional<T> ParseDecimal(std::string_view text)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string ReadText(const RegKey* key, std::string_view name, std::string_view fallback)
{
    std::string value;
    if (!key || key->GetString(name, value) != RegRead::Ok)
        return std::string(fallback);
    return value;
}

// A port is a number in 1..65535; anything else, 0 included, is the default rather than the
// low 16 bits of whatever was stored.
std::uint16_t ReadPort(const RegKey* key, std::string_view name, std::uint16_t fallback)
{
    const auto value = ParseDecimal<std::int64_t>(ReadText(key, name, {}));
    if (!value || *value < 1 || *value > 65535)
        return fallback;
    return static_cast<std::uint16_t>(*value);
}

int ReadInt(const RegKey* key, std::string_view name, int fallback)
{
    return ParseDecimal<int>(ReadText(key, name, {})).value_or(fallback);
}

// The lines of a text joined with CR LF; a final line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

bool IsBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string WithoutTrailingSlash(std::string text)
{
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    return text;
}

} // namespace

TSettings::TSettings()
    : m_machine(platform::Machine::Current())
{
    Load();
}

TSettings::~TSettings()
{
    Save();
}

void TSettings::Load()
{
    const auto key = m_machine.Registry().Open(HKEY_LOCAL_MACHINE, SettingsKeyPath);
    const RegKey* k = key.get();
    std::vector<std::pair<std::string, std::string>> custom;
    if (key) {
        if (const auto sub = key->OpenSubKey(CustomSubKey)) {
            for (const std::string& name : sub->ValueNames()) {
                std::string value;
                if (sub->GetString(name, value) == RegRead::Ok)
                    custom.emplace_back(name, value);
            }
        }
    }
    const auto downloaded = ParseDecimal<std::uint64_t>(ReadText(k, "Downloaded", "0"));
    const auto& vendor = m_machine.Config();
    {
        std::lock_guard lock(m_lock);
        m_localProxyPort = ReadPort(k, "LocalProxyPort", DefaultLocalProxyPort);
        m_remoteProxy.Host = ReadText(k, "RemoteProxyHost", {});
        m_remoteProxy.Port = ReadPort(k, "RemoteProxyPort", DefaultRemoteProxyPort);
        m_remoteProxy.Type = ReadInt(k, "RemoteProxyType", RemoteProxyPremium);
        m_remoteProxyID = ReadInt(k, "RemoteProxyID", 0);
        m_blackList = SplitLines(ReadText(k, "BlackList", {}));
        m_ipConcealStatus = platform::EqualsNoCase(ReadText(k, "IPConcealStatus", "False"), "True");
        m_custom = std::move(custom);
        m_updateServer = WithoutTrailingSlash(vendor.updateServer) + "/downloads/vcs";
        m_homePage = vendor.supportHomePage;
    }
    std::lock_guard lock(m_downloadedLock);
    m_downloaded = downloaded.value_or(0);
}

bool TSettings::Save()
{
    const auto key = m_machine.Registry().Create(HKEY_LOCAL_MACHINE, SettingsKeyPath);
    if (!key)
        return false;
    std::unique_lock lock(m_lock);
    const std::uint16_t localPort = m_localProxyPort;
    const TRemoteProxy remote = m_remoteProxy;
    const int id = m_remoteProxyID;
    const std::string blackList = JoinLines(m_blackList);
    const bool status = m_ipConcealStatus;
    const auto custom = m_custom;
    lock.unlock();

    bool ok = key->SetString("LocalProxyPort", std::to_string(localPort));
    ok = key->SetString("RemoteProxyHost", remote.Host) && ok;
    ok = key->SetString("RemoteProxyPort", std::to_string(remote.Port)) && ok;
    ok = key->SetString("RemoteProxyType", std::to_string(remote.Type)) && ok;
    ok = key->SetString("RemoteProxyID", std::to_string(id)) && ok;
    ok = key->SetString("BlackList", blackList) && ok;
    ok = key->SetString("IPConcealStatus", status ? "True" : "False") && ok;
    ok = SaveDownloaded() && ok;
    const auto sub = key->CreateSubKey(CustomSubKey);
    if (!sub)
        return false;
    for (const auto& [name, value] : custom)
        ok = sub->SetString(name, value) && ok;
    return ok;
}

bool TSettings::SaveDownloaded()
{
    std::uint64_t value = 0;
    std::uint64_t number = 0;
    {
        std::lock_guard lock(m_downloadedLock);
        value = m_downloaded;
        number = ++m_copyNumber;
    }
    return WriteDownloaded(value, number);
}

void TSettings::AddDownloaded(std::uint64_t bytes)
{
    // The total is copied inside the critical section and written outside it, so connection
    // threads never wait for the registry.
    std::optional<std::uint64_t> copy;
    std::uint64_t number = 0;
    {
        std::lock_guard lock(m_downloadedLock);
        m_downloaded += bytes;
        const platform::TDateTime now = m_machine.Clock().Now();
        if (!m_lastWritten || now - *m_lastWritten > DownloadedWriteInterval) {
            m_lastWritten = now;
            copy = m_downloaded;
            number = ++m_copyNumber;
        }
    }
    if (copy)
        WriteDownloaded(*copy, number);
}

bool TSettings::WriteDownloaded(std::uint64_t value, std::uint64_t copyNumber)
{
    std::lock_guard lock(m_writeLock);
    if (copyNumber < m_writtenNumber)
        return true; // a newer total is already stored
    const auto key = m_machine.Registry().Create(HKEY_LOCAL_MACHINE, SettingsKeyPath);
    if (!key || !key->SetString("Downloaded", std::to_string(value)))
        return false;
    m_writtenNumber = copyNumber;
    return true;
}

std::uint64_t TSettings::Downloaded() const
{
    std::lock_guard lock(m_downloadedLock);
    return m_downloaded;
}

void TSettings::SetDownloaded(std::uint64_t value)
{
    std::lock_guard lock(m_downloadedLock);
    m_downloaded = value;
}

bool TSettings::IsBlacklisted(std::string_view target) const
{
    if (target.empty())
        return false;
    std::lock_guard lock(m_lock);
    for (const std::string& line : m_blackList)
        if (!IsBlank(line) && target.find(line) != std::string_view::npos)
            return true;
    return false;
}

std::uint16_t TSettings::LocalProxyPort() const
{
    std::lock_guard lock(m_lock);
    return m_localProxyPort;
}

void TSettings::SetLocalProxyPort(std::uint16_t value)
{
    std::lock_guard lock(m_lock);
    m_localProxyPort = value;
}

std::string TSettings::RemoteProxyHost() const
{
    std::lock_guard lock(m_lock);
    return m_remoteProxy.Host;
}

void TSettings::SetRemoteProxyHost(const std::string& value)
{
    std::lock_guard lock(m_lock);
    m_remoteProxy.Host = value;
}

std::uint16_t TSettings::RemoteProxyPort() const
{
    std::lock_guard lock(m_lock);
    return m_remoteProxy.Port;
}

void TSettings::SetRemoteProxyPort(std::uint16_t value)
{
    std::lock_guard lock(m_lock);
    m_remoteProxy.Port = value;
}

int TSettings::RemoteProxyType() const
{
    std::lock_guard lock(m_lock);
    return m_remoteProxy.Type;
}

void TSettings::SetRemoteProxyType(int value)
{
    std::lock_guard lock(m_lock);
    m_remoteProxy.Type = value;
}

int TSettings::RemoteProxyID() const
{
    std::lock_guard lock(m_lock);
    return m_remoteProxyID;
}

void TSettings::SetRemoteProxyID(int value)
{
    std::lock_guard lock(m_lock);
    m_remoteProxyID = value;
}

std::string TSettings::ProxyUsername() const
{
    std::lock_guard lock(m_lock);
    return m_remoteProxy.Username;
}

void TSettings::SetProxyUsername(const std::string& value)
{
    std::lock_guard lock(m_lock);
    m_remoteProxy.Username = value;
}

std::string TSettings::ProxyPassword() const
{
    std::lock_guard lock(m_lock);
    return m_remoteProxy.Password;
}

void TSettings::SetProxyPassword(const std::string& value)
{
    std::lock_guard lock(m_lock);
    m_remoteProxy.Password = value;
}

TRemoteProxy TSettings::RemoteProxy() const
{
    std::lock_guard lock(m_lock);
    return m_remoteProxy;
}

void TSettings::SetRemoteProxy(const TRemoteProxy& value)
{
    std::lock_guard lock(m_lock);
    m_remoteProxy = value;
}

std::vector<std::string> TSettings::BlackList() const
{
    std::lock_guard lock(m_lock);
    return m_blackList;
}

void TSettings::SetBlackList(std::vector<std::string> lines)
{
    std::lock_guard lock(m_lock);
    m_blackList = std::move(lines);
}

bool TSettings::IPConcealStatus() const
{
    std::lock_guard lock(m_lock);
    return m_ipConcealStatus;
}

void TSettings::SetIPConcealStatus(bool value)
{
    std::lock_guard lock(m_lock);
    m_ipConcealStatus = value;
}

std::vector<std::pair<std::string, std::string>> TSettings::Custom() const
{
    std::lock_guard lock(m_lock);
    return m_custom;
}

std::string TSettings::CustomValue(std::string_view name) const
{
    std::lock_guard lock(m_lock);
    for (const auto& [entry, value] : m_custom)
        if (platform::EqualsNoCase(entry, name))
            return value;
    return {};
}

void TSettings::SetCustomValue(std::string_view name, std::string_view value)
{
    std::lock_guard lock(m_lock);
    for (auto& [entry, stored] : m_custom) {
        if (platform::EqualsNoCase(entry, name)) {
            stored = value;
            return;
        }
    }
    m_custom.emplace_back(name, value);
}

std::string TSettings::UpdateServer() const
{
    std::lock_guard lock(m_lock);
    return m_updateServer;
}

std::string TSettings::HomePage() const
{
    std::lock_guard lock(m_lock);
    return m_homePage;
}

void TSettings::SetHomePage(const std::string& value)
{
    std::lock_guard lock(m_lock);
    m_homePage = value;
}

} // namespace lumexa::identity
