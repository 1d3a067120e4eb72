#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "cleaners/CookieHosts.h"
#include "cleaners/KeepList.h"
#include "cleaners/ProfilesFinder.h"
#include "core/MessageTable.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Text.h"
#include "platform/UrlCache.h"

// The cookies and URL managers without their windows (the keep lists and the sites that hold
// cookies), and the machine's URL cache, which Internet Explorer's cleaner works on.
namespace lumexa::app {

namespace {

using nlohmann::ordered_json;
using platform::Machine;

// ---- keep lists

struct TKeepListKind
{
    const char* name;
    std::string_view file;
    bool hosts; // cookie lists hold host names, compared ignoring case; the URL list whole URLs
};

constexpr TKeepListKind kKeepLists[] = {
    {"ie-cookies", cleaners::SafeCookiesFile, true},
    {"netscape-cookies", cleaners::SafeNSCookiesFile, true},
    {"firefox-cookies", cleaners::SafeFFCookiesFile, true},
    {"urls", cleaners::SafeURLsFile, false},
};

const TKeepListKind& KeepListOf(const std::string& name)
{
    for (const TKeepListKind& kind : kKeepLists)
        if (name == kind.name)
            return kind;
    return kKeepLists[0]; // CLI11 has checked the name
}

std::vector<std::string> KeepListNames()
{
    std::vector<std::string> names;
    for (const TKeepListKind& kind : kKeepLists)
        names.emplace_back(kind.name);
    return names;
}

struct TKeepListArgs
{
    std::string list;
    std::vector<std::string> entries;
    bool json = false;
};

bool Holds(const TKeepListKind& kind, const std::vector<std::string>& lines, const std::string& entry)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return kind.hosts ? platform::EqualsNoCase(line, entry) : line == entry;
    });
}

bool SaveKeepList(TCliContext& context, const TKeepListKind& kind, const std::vector<std::string>& lines)
{
    if (cleaners::TKeepList::Save(kind.file, lines))
        return true;
    context.Fail("cannot write " + cleaners::TKeepList::PathOf(kind.file) + ": " +
                 platform::SystemMessage(platform::GetLastError()));
    return false;
}

int ShowKeepList(TCliContext& context, const TKeepListArgs& args)
{
    const TKeepListKind& kind = KeepListOf(args.list);
    const cleaners::TKeepList list = cleaners::TKeepList::Load(kind.file);
    if (args.json) {
        context.out << ordered_json(list.Lines()).dump(2) << "\n";
        return 0;
    }
    for (const std::string& line : list.Lines())
        context.out << line << "\n";
    if (list.Empty())
        context.err << "The list " << kind.name << " (Settings\\" << kind.file << ") is empty.\n";
    return 0;
}

int AddToKeepList(TCliContext& context, const TKeepListArgs& args)
{
    const TKeepListKind& kind = KeepListOf(args.list);
    std::vector<std::string> lines = cleaners::TKeepList::Load(kind.file).Lines();
    // Every entry is checked before anything is written.
    std::vector<std::string> added;
    for (const std::string& given : args.entries) {
        const std::string entry = platform::Trim(given);
        if (entry.empty())
            return context.Fail("an empty entry keeps nothing");
        if (entry.find_first_of("\r\n") != std::string::npos)
            return context.Fail("an entry is one line");
        if (Holds(kind, lines, entry) || Holds(kind, added, entry)) {
            context.out << "already kept\t" << entry << "\n";
            continue;
        }
        added.push_back(entry);
    }
    if (added.empty())
        return 0;
    lines.insert(lines.end(), added.begin(), added.end());
    if (!SaveKeepList(context, kind, lines))
        return 1;
    for (const std::string& entry : added)
        context.out << "kept\t" << entry << "\n";
    return 0;
}

int RemoveFromKeepList(TCliContext& context, const TKeepListArgs& args)
{
    const TKeepListKind& kind = KeepListOf(args.list);
    std::vector<std::string> lines = cleaners::TKeepList::Load(kind.file).Lines();
    for (const std::string& given : args.entries)
        if (!Holds(kind, lines, platform::Trim(given)))
            return context.Fail("\"" + given + "\" is not on the list " + kind.name +
                                " (see: lumexa-cli keeplist show " + kind.name + ")");
    std::vector<std::string> removed;
    std::erase_if(lines, [&](const std::string& line) {
        for (const std::string& given : args.entries) {
            const std::string entry = platform::Trim(given);
            if (kind.hosts ? platform::EqualsNoCase(line, entry) : line == entry) {
                removed.push_back(line);
                return true;
            }
        }
        return false;
    });
    if (!SaveKeepList(context, kind, lines))
        return 1;
    for (const std::string& line : removed)
        context.out << "removed\t" << line << "\n";
    return 0;
}

// ---- cookies

struct TCookiesArgs
{
    std::string browser = "ie";
    bool json = false;
};

int Cookies(TCliContext& context, const TCookiesArgs& args)
{
    const bool netscape = args.browser == "netscape";
    const bool fireFox = args.browser == "firefox";
    std::vector<std::string> held;
    std::string_view keepFile = cleaners::SafeCookiesFile;
    if (netscape || fireFox) {
        const cleaners::TSavedProfiles profiles =
            cleaners::LoadSavedProfiles(fireFox ? cleaners::FireFoxProfilesKey : cleaners::NetscapeProfilesKey);
        if (profiles.empty())
            return context.Fail(core::Msg(fireFox ? "strLX_MESSAGE528" : "strLX_MESSAGE527") +
                                " (lumexa-cli profiles select --" + args.browser + " PATH)");
        held = cleaners::ProfileCookieHosts(profiles, fireFox);
        keepFile = fireFox ? cleaners::SafeFFCookiesFile : cleaners::SafeNSCookiesFile;
    } else {
        // Internet Explorer and AOL share one cookie store and one keep list.
        held = cleaners::IECookieHosts();
    }
    // The "Current Cookies List": each site once, those on the keep list left out.
    const cleaners::TKeepList kept = cleaners::TKeepList::Load(keepFile);
    std::vector<std::string> hosts;
    for (const std::string& host : held) {
        if (host.empty() || kept.ContainsHost(host))
            continue;
        const bool listed = std::any_of(
            hosts.begin(), hosts.end(), [&](const std::string& known) { return platform::EqualsNoCase(known, host); });
        if (!listed)
            hosts.push_back(host);
    }
    std::stable_sort(hosts.begin(), hosts.end(), [](const std::string& a, const std::string& b) {
        return platform::UpperCase(a) < platform::UpperCase(b);
    });
    if (args.json) {
        context.out << ordered_json(hosts).dump(2) << "\n";
        return 0;
    }
    for (const std::string& host : hosts)
        context.out << host << "\n";
    if (hosts.empty())
        context.err << core::Msg("strLX_MESSAGE536") << "\n";
    return 0;
}

// ---- cache

struct TCacheArgs
{
    std::string url;
    std::string localFile;
    bool cookie = false;
    bool json = false;
};

int CacheAdd(TCliContext& context, const TCacheArgs& args)
{
    if (args.cookie && !platform::StartsWithNoCase(args.url, "Cookie:"))
        return context.Fail("a cookie's URL begins with \"Cookie:\" (Cookie:ann@example.com/)");
    platform::UrlCacheEntry entry;
    entry.sourceUrl = args.url;
    entry.localFileName = context.machine->Files().FromUserPath(args.localFile);
    entry.cacheEntryType = platform::NORMAL_CACHE_ENTRY | (args.cookie ? platform::COOKIE_CACHE_ENTRY : 0);
    if (!context.machine->Files().FileExists(entry.localFileName))
        return context.Fail("no file " + args.localFile + " on the machine");
    if (!context.machine->UrlCache().CommitUrlCacheEntry(entry))
        return context.Fail("cannot add " + args.url + ": " + platform::SystemMessage(platform::GetLastError()));
    context.out << "added\t" << args.url << "\t" << entry.localFileName << "\n";
    return 0;
}

std::string EntryKind(std::uint32_t type)
{
    if (type & platform::COOKIE_CACHE_ENTRY)
        return "cookie";
    if (type & platform::URLHISTORY_CACHE_ENTRY)
        return "visited";
    return "content";
}

int CacheList(TCliContext& context, const TCacheArgs& args)
{
    std::vector<platform::UrlCacheEntry> entries;
    if (auto find = context.machine->UrlCache().FindFirstUrlCacheEntry()) {
        do
            entries.push_back(find->Data());
        while (find->Next());
    }
    if (args.json) {
        ordered_json doc = ordered_json::array();
        for (const platform::UrlCacheEntry& entry : entries)
            doc.push_back({{"kind", EntryKind(entry.cacheEntryType)},
                           {"url", entry.sourceUrl},
                           {"file", entry.localFileName},
                           {"size", entry.size}});
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    for (const platform::UrlCacheEntry& entry : entries)
        context.out << EntryKind(entry.cacheEntryType) << "\t" << entry.sourceUrl << "\t" << entry.localFileName << "\t"
                    << entry.size << "\n";
    if (entries.empty())
        context.err << "The URL cache is empty.\n";
    return 0;
}

} // namespace

void AddBrowserCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    CLI::App* keeplist =
        app.add_subcommand("keeplist", "The sites whose cookies, and the typed URLs, the browser cleaners keep");
    keeplist->require_subcommand(1);
    const auto addList = [](CLI::App* command, const std::shared_ptr<TKeepListArgs>& args) {
        command->add_option("LIST", args->list, "ie-cookies, netscape-cookies, firefox-cookies or urls")
            ->required()
            ->check(CLI::IsMember(KeepListNames()));
    };
    auto showArgs = std::make_shared<TKeepListArgs>();
    CLI::App* show = keeplist->add_subcommand("show", "Print the list, one entry per line");
    addList(show, showArgs);
    show->add_flag("--json", showArgs->json, "Print one JSON document");
    dispatch.On(show, [&context, showArgs] { return context.OpenMachine() ? ShowKeepList(context, *showArgs) : 1; });
    auto addArgs = std::make_shared<TKeepListArgs>();
    CLI::App* add = keeplist->add_subcommand("add", "Keep these sites' cookies (or these typed URLs)");
    addList(add, addArgs);
    add->add_option("ENTRY", addArgs->entries, "Host names (cookie lists) or URLs as typed")->required();
    dispatch.On(add, [&context, addArgs] { return context.OpenMachine() ? AddToKeepList(context, *addArgs) : 1; });
    auto removeArgs = std::make_shared<TKeepListArgs>();
    CLI::App* remove = keeplist->add_subcommand("remove", "No longer keep these entries");
    addList(remove, removeArgs);
    remove->add_option("ENTRY", removeArgs->entries, "Entries of the list")->required();
    dispatch.On(remove, [&context, removeArgs] {
        return context.OpenMachine() ? RemoveFromKeepList(context, *removeArgs) : 1;
    });

    auto cookiesArgs = std::make_shared<TCookiesArgs>();
    CLI::App* cookies = app.add_subcommand("cookies", "The sites holding cookies that the cleaners would erase");
    cookies->add_option("--browser", cookiesArgs->browser, "ie, aol, netscape or firefox (default: ie)")
        ->check(CLI::IsMember({"ie", "aol", "netscape", "firefox"}));
    cookies->add_flag("--json", cookiesArgs->json, "Print one JSON document");
    dispatch.On(cookies,
                [&context, cookiesArgs] { return context.OpenMachine() ? Cookies(context, *cookiesArgs) : 1; });

    CLI::App* cache = app.add_subcommand("cache", "The machine's URL cache (Internet Explorer's pages and cookies)");
    cache->require_subcommand(1);
    auto cacheAddArgs = std::make_shared<TCacheArgs>();
    CLI::App* cacheAdd = cache->add_subcommand("add", "Add or replace the entry of a URL");
    cacheAdd->add_option("URL", cacheAddArgs->url, "Source URL (Cookie:ann@example.com/ for a cookie)")->required();
    cacheAdd->add_option("LOCALFILE", cacheAddArgs->localFile, "The entry's file on the machine (Windows or host path)")
        ->required();
    cacheAdd->add_flag("--cookie", cacheAddArgs->cookie, "The entry is a cookie");
    dispatch.On(cacheAdd,
                [&context, cacheAddArgs] { return context.OpenMachine() ? CacheAdd(context, *cacheAddArgs) : 1; });
    auto cacheListArgs = std::make_shared<TCacheArgs>();
    CLI::App* cacheList = cache->add_subcommand("list", "KIND<TAB>URL<TAB>FILE<TAB>SIZE of every entry");
    cacheList->add_flag("--json", cacheListArgs->json, "Print one JSON document");
    dispatch.On(cacheList,
                [&context, cacheListArgs] { return context.OpenMachine() ? CacheList(context, *cacheListArgs) : 1; });
}

} // namespace lumexa::app
