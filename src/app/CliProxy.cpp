#include <cerrno>
#include <charconv>
#include <cstring>
#include <ostream>

#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include "app/CliSupport.h"
#include "identity/LocalProxy.h"
#include "identity/Settings.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Text.h"

namespace lumexa::app {

namespace {

using identity::TSettings;
using nlohmann::ordered_json;

std::optional<int> ParseInt(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::uint16_t> ParsePort(const std::string& text)
{
    const auto value = ParseInt(text);
    if (!value || *value < 1 || *value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

const char* TypeName(int type)
{
    return type < 0 ? "none" : type == identity::RemoteProxyPremium ? "premium" : "public";
}

// A file's text, read through the machine (host paths are reached through Z:).
std::optional<std::string> ReadFileText(TCliContext& context, const std::string& path)
{
    auto& files = context.machine->Files();
    const auto text = files.ReadWholeFile(files.FromUserPath(path));
    if (!text)
        context.Fail("cannot read " + path + ": " + platform::SystemMessage(platform::GetLastError()));
    return text;
}

int ShowSettings(TCliContext& context, bool json)
{
    const TSettings settings;
    if (json) {
        ordered_json custom = ordered_json::object();
        for (const auto& [name, value] : settings.Custom())
            custom[name] = value;
        const ordered_json doc{{"LocalProxyPort", settings.LocalProxyPort()},
                               {"RemoteProxyHost", settings.RemoteProxyHost()},
                               {"RemoteProxyPort", settings.RemoteProxyPort()},
                               {"RemoteProxyType", settings.RemoteProxyType()},
                               {"RemoteProxyID", settings.RemoteProxyID()},
                               {"Downloaded", settings.Downloaded()},
                               {"BlackList", settings.BlackList()},
                               {"IPConcealStatus", settings.IPConcealStatus()},
                               {"Custom", custom}};
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    context.out << "LocalProxyPort:  " << settings.LocalProxyPort() << "\n"
                << "RemoteProxyHost: " << settings.RemoteProxyHost() << "\n"
                << "RemoteProxyPort: " << settings.RemoteProxyPort() << "\n"
                << "RemoteProxyType: " << settings.RemoteProxyType() << " (" << TypeName(settings.RemoteProxyType())
                << ")\n"
                << "RemoteProxyID:   " << settings.RemoteProxyID() << "\n"
                << "Downloaded:      " << settings.Downloaded() << "\n"
                << "IPConcealStatus: " << (settings.IPConcealStatus() ? "True" : "False") << "\n"
                << "BlackList:       " << settings.BlackList().size() << " lines\n";
    for (const std::string& line : settings.BlackList())
        context.out << "  " << line << "\n";
    context.out << "Custom:          " << settings.Custom().size() << " entries\n";
    for (const auto& [name, value] : settings.Custom())
        context.out << "  " << name << "=" << value << "\n";
    return 0;
}

struct SetArgs
{
    std::string key;
    std::string value;
    std::string blacklist;
};

// Applies KEY VALUE to the settings; the message of a refused value, or empty.
std::string ApplyValue(TSettings& settings, const std::string& key, const std::string& value)
{
    const std::string keyText = "\"" + value + "\" is not ";
    if (platform::EqualsNoCase(key, "LocalProxyPort") || platform::EqualsNoCase(key, "RemoteProxyPort")) {
        const auto port = ParsePort(value);
        if (!port)
            return keyText + "a port number (1..65535)";
        platform::EqualsNoCase(key, "LocalProxyPort") ? settings.SetLocalProxyPort(*port)
                                                      : settings.SetRemoteProxyPort(*port);
    } else if (platform::EqualsNoCase(key, "RemoteProxyHost")) {
        settings.SetRemoteProxyHost(value);
    } else if (platform::EqualsNoCase(key, "RemoteProxyType")) {
        const auto type = ParseInt(value);
        if (!type || *type < -1 || *type > 1)
            return keyText + "a proxy type (-1 none, 0 premium, 1 public)";
        settings.SetRemoteProxyType(*type);
    } else if (platform::EqualsNoCase(key, "BlackList")) {
        return "give the blacklist as a file: proxy set --blacklist FILE";
    } else {
        return "unknown setting \"" + key +
               "\" (LocalProxyPort, RemoteProxyHost, RemoteProxyPort, RemoteProxyType, or --blacklist FILE)";
    }
    return {};
}

int SetValue(TCliContext& context, const SetArgs& args)
{
    if (args.key.empty() && args.blacklist.empty())
        return context.Fail("give KEY VALUE or --blacklist FILE");
    if (!args.key.empty() && args.value.empty() && !platform::EqualsNoCase(args.key, "RemoteProxyHost"))
        return context.Fail("give a value for " + args.key);
    TSettings settings;
    if (!args.key.empty()) {
        const std::string refused = ApplyValue(settings, args.key, args.value);
        if (!refused.empty()) {
            settings.Load(); // the destructor saves: put back what is stored
            return context.Fail(refused);
        }
    }
    if (!args.blacklist.empty()) {
        const auto text = ReadFileText(context, args.blacklist);
        if (!text) {
            settings.Load();
            return 1;
        }
        std::vector<std::string> lines;
        for (std::string& line : platform::SplitAt(*text, '\n')) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(std::move(line));
        }
        if (!lines.empty() && lines.back().empty())
            lines.pop_back(); // the final line break
        settings.SetBlackList(lines);
        context.out << "BlackList = " << lines.size() << " lines from " << args.blacklist << "\n";
    }
    if (!settings.Save())
        return context.Fail("cannot store the settings: " + platform::SystemMessage(platform::GetLastError()));
    if (!args.key.empty())
        context.out << args.key << " = " << args.value << "\n";
    return 0;
}

// SIGINT and SIGTERM end `proxy serve`: the handler only writes to a pipe that the serving
// thread waits on.
int g_stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &byte, 1);
    errno = saved;
}

class TStopSignals
{
public:
    TStopSignals()
    {
        m_ok = ::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) == 0;
        struct sigaction action = {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~TStopSignals()
    {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        for (int& fd : g_stopPipe) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    }
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;
    bool Ok() const { return m_ok; }
    void Wait() const
    {
        pollfd p{g_stopPipe[0], POLLIN, 0};
        while (::poll(&p, 1, -1) <= 0 || !(p.revents & POLLIN))
            ;
    }

private:
    bool m_ok = false;
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};

struct ServeArgs
{
    int port = 0;
    std::string username;
    std::string passwordFile;
};

int Serve(TCliContext& context, const ServeArgs& args)
{
    std::string password;
    if (!args.passwordFile.empty()) {
        const auto text = ReadFileText(context, args.passwordFile);
        if (!text)
            return 1;
        password = text->substr(0, text->find_first_of("\r\n"));
    }
    const TStopSignals signals; // before listening: a stop request is never lost
    if (!signals.Ok())
        return context.Fail("cannot wait for signals: " + std::string(std::strerror(errno)));
    TSettings settings;
    if (args.port != 0)
        settings.SetLocalProxyPort(static_cast<std::uint16_t>(args.port));
    if (!args.username.empty() || !args.passwordFile.empty()) {
        settings.SetProxyUsername(args.username);
        settings.SetProxyPassword(password);
    }
    identity::TLocalProxy proxy(settings);
    if (const auto error = proxy.SetActive(true)) {
        settings.Load();
        return context.Fail(error->Message);
    }
    const identity::TRemoteProxy remote = settings.RemoteProxy();
    context.out << "Listening on";
    for (const std::string& address : proxy.Addresses())
        context.out << " " << address;
    context.out << "\n";
    if (remote.Type < 0)
        context.out << "Forwarding directly to the web servers\n";
    else
        context.out << "Forwarding through the " << TypeName(remote.Type) << " proxy " << remote.Host << ":"
                    << remote.Port << "\n";
    context.out.flush();

    signals.Wait();
    [[maybe_unused]] const auto stopped = proxy.SetActive(false); // stopping reports nothing
    // The counter is written now; then the stored values are read back, so that the port given
    // here and changes made meanwhile by `proxy set` survive the save on destruction.
    const bool saved = settings.SaveDownloaded();
    settings.Load();
    context.out << "Stopped. Downloaded: " << settings.Downloaded() << " bytes\n";
    if (!saved)
        return context.Fail("cannot store the byte counter: " + platform::SystemMessage(platform::GetLastError()));
    return 0;
}

} // namespace

void AddProxyCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    CLI::App* proxy = app.add_subcommand("proxy", "The IP concealer's local HTTP proxy and its settings");
    proxy->require_subcommand(1);

    auto serveArgs = std::make_shared<ServeArgs>();
    CLI::App* serve = proxy->add_subcommand("serve", "Run the local proxy until SIGINT or SIGTERM");
    serve->add_option("--port", serveArgs->port, "Listen on this port instead of LocalProxyPort")
        ->check(CLI::Range(1, 65535));
    serve->add_option("--username", serveArgs->username, "Login of the premium remote proxy");
    serve->add_option("--password-file", serveArgs->passwordFile, "File whose first line is the login's password");
    dispatch.On(serve, [&context, serveArgs] { return context.OpenMachine() ? Serve(context, *serveArgs) : 1; });

    auto json = std::make_shared<bool>(false);
    CLI::App* settings = proxy->add_subcommand("settings", "Print the IP concealer's settings");
    settings->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(settings, [&context, json] { return context.OpenMachine() ? ShowSettings(context, *json) : 1; });

    auto setArgs = std::make_shared<SetArgs>();
    CLI::App* set = proxy->add_subcommand("set", "Store one of the IP concealer's settings");
    set->add_option("KEY", setArgs->key, "LocalProxyPort, RemoteProxyHost, RemoteProxyPort or RemoteProxyType");
    set->add_option("VALUE", setArgs->value, "The new value");
    set->add_option("--blacklist", setArgs->blacklist, "Replace the blacklist with the lines of this file");
    dispatch.On(set, [&context, setArgs] { return context.OpenMachine() ? SetValue(context, *setArgs) : 1; });
}

} // namespace lumexa::app
