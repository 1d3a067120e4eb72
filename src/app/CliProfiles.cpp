#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "cleaners/ProfilesFinder.h"
#include "core/Helpers.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/Types.h"

// The profiles manager without its window: search folders or the fixed drives for the
// profiles of Netscape, Firefox or Thunderbird (find), and review or change which stored
// Netscape and Firefox profiles the cleaners erase (list, select, unselect).
namespace lumexa::app {

namespace {

using nlohmann::ordered_json;
using platform::Machine;

struct TProfilesArgs
{
    std::string kind = "firefox";
    bool json = false;
    bool add = false;
    bool all = false;
    std::vector<std::string> items;
};

std::uint8_t KindOf(const std::string& kind)
{
    if (platform::EqualsNoCase(kind, "netscape"))
        return cleaners::ProfilesNetscape;
    if (platform::EqualsNoCase(kind, "thunderbird"))
        return cleaners::ProfilesThunderbird;
    return cleaners::ProfilesFireFox;
}

std::string_view KeyOf(const std::string& kind)
{
    return KindOf(kind) == cleaners::ProfilesNetscape ? cleaners::NetscapeProfilesKey : cleaners::FireFoxProfilesKey;
}

// --kind, or one of its two shortcuts; the three exclude each other.
void AddKindOptions(CLI::App* command, const std::shared_ptr<TProfilesArgs>& args, bool withThunderbird)
{
    std::vector<std::string> kinds{"netscape", "firefox"};
    if (withThunderbird)
        kinds.emplace_back("thunderbird");
    CLI::Option* kind = command->add_option("--kind", args->kind, "Whose profiles (default: firefox)")
                            ->check(CLI::IsMember(kinds, CLI::ignore_case));
    CLI::Option* firefox = command->add_flag_callback(
        "--firefox", [args] { args->kind = "firefox"; }, "Same as --kind firefox");
    CLI::Option* netscape = command->add_flag_callback(
        "--netscape", [args] { args->kind = "netscape"; }, "Same as --kind netscape");
    kind->excludes(firefox)->excludes(netscape);
    firefox->excludes(netscape);
}

// ---- find

int Find(TCliContext& context, const TProfilesArgs& args)
{
    platform::FileSystem& files = context.machine->Files();
    cleaners::TProfilesFinder finder(KindOf(args.kind));
    if (args.items.empty()) {
        // Every fixed drive, as the profiles manager offers them.
        for (const std::string& root : files.GetLogicalDriveStrings())
            if (files.GetDriveType(root) == platform::DriveType::Fixed)
                finder.AddRoot(root);
    }
    for (const std::string& item : args.items) {
        const std::string folder = files.FromUserPath(item);
        if (!files.DirectoryExists(folder))
            return context.Fail("no folder " + item);
        finder.AddRoot(folder);
    }
    // The events come from the finder's thread; the list is read only after WaitFor.
    cleaners::TFoundProfiles found;
    finder.OnProfileFound = [&found](const std::string& name, const std::string& path, const std::string& third) {
        // The same profile reached from two roots (a folder and its drive) is listed once.
        for (const cleaners::TFoundProfile& known : found)
            if (platform::EqualsNoCase(known.name, name) && platform::EqualsNoCase(known.path, path))
                return;
        found.push_back({name, path, third});
    };
    finder.Resume();
    finder.WaitFor();

    if (args.json) {
        ordered_json doc = ordered_json::array();
        for (const cleaners::TFoundProfile& profile : found)
            doc.push_back({{"name", profile.name}, {"path", profile.path}});
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    for (const cleaners::TFoundProfile& profile : found)
        context.out << profile.name << "\t" << profile.path << "\n";
    if (found.empty())
        context.err << "No profile found.\n";
    return 0;
}

// ---- list

struct TStoredValue
{
    std::string name;
    std::string data;
    std::optional<cleaners::TStoredProfileData> parsed;
};

std::vector<TStoredValue> ReadStored(const std::string& kind)
{
    std::vector<TStoredValue> stored;
    const auto key = Machine::Current().Registry().Open(platform::HKEY_LOCAL_MACHINE, KeyOf(kind));
    if (!key)
        return stored;
    for (const std::string& name : key->ValueNames()) {
        TStoredValue value{name, {}, std::nullopt};
        if (key->GetString(name, value.data) == platform::RegRead::Ok)
            value.parsed = cleaners::ParseStoredProfile(value.data);
        stored.push_back(std::move(value));
    }
    return stored;
}

int List(TCliContext& context, const TProfilesArgs& args)
{
    const std::vector<TStoredValue> stored = ReadStored(args.kind);
    if (args.json) {
        ordered_json doc = ordered_json::array();
        for (const TStoredValue& value : stored) {
            ordered_json row{{"name", value.name}};
            if (value.parsed) {
                row["path"] = value.parsed->path;
                row["selected"] = value.parsed->selected;
            } else {
                row["data"] = value.data;
                row["ignored"] = true;
            }
            doc.push_back(row);
        }
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    for (const TStoredValue& value : stored) {
        if (value.parsed)
            context.out << value.name << "\t" << value.parsed->path << "\t"
                        << (value.parsed->selected ? "selected" : "not selected") << "\n";
        else
            context.out << value.name << "\t" << value.data
                        << "\tignored (not an absolute path with \",1\" or \",0\")\n";
    }
    if (stored.empty())
        context.err << "No " << (KindOf(args.kind) == cleaners::ProfilesNetscape ? "Netscape" : "Firefox")
                    << " profile is stored.\n";
    return 0;
}

// ---- select, unselect

std::unique_ptr<platform::RegKey> CreateKey(TCliContext& context, const std::string& kind)
{
    auto key = Machine::Current().Registry().Create(platform::HKEY_LOCAL_MACHINE, KeyOf(kind));
    if (!key)
        context.Fail("cannot open HKEY_LOCAL_MACHINE\\" + std::string(KeyOf(kind)));
    return key;
}

int Select(TCliContext& context, const TProfilesArgs& args)
{
    platform::FileSystem& files = context.machine->Files();
    // Every folder is checked before anything is written, so a mistyped path changes nothing.
    std::vector<std::string> paths;
    for (const std::string& item : args.items) {
        const std::string path = core::ExcludeTrailingSlash(files.FromUserPath(item));
        if (!cleaners::ParseStoredProfile(path + ",1") || !files.DirectoryExists(path))
            return context.Fail("no profile folder " + item);
        for (const std::string& other : paths)
            if (platform::EqualsNoCase(cleaners::StoredProfileName(other), cleaners::StoredProfileName(path)))
                return context.Fail("two profiles named " + cleaners::StoredProfileName(path) +
                                    ": select them one at a time");
        paths.push_back(path);
    }
    const auto key = CreateKey(context, args.kind);
    if (!key)
        return 1;
    if (!args.add) {
        // The window's "Save": every listed profile not given is stored as not selected.
        for (const TStoredValue& value : ReadStored(args.kind)) {
            if (!value.parsed || !value.parsed->selected)
                continue;
            bool given = false;
            for (const std::string& path : paths)
                given = given || platform::EqualsNoCase(cleaners::StoredProfileName(path), value.name);
            if (!given && key->SetString(value.name, value.parsed->path + ",0"))
                context.out << "unselected " << value.name << "\t" << value.parsed->path << "\n";
        }
    }
    for (const std::string& path : paths) {
        if (!key->SetString(cleaners::StoredProfileName(path), path + ",1"))
            return context.Fail("cannot store " + path);
        context.out << "selected " << cleaners::StoredProfileName(path) << "\t" << path << "\n";
    }
    return 0;
}

int Unselect(TCliContext& context, const TProfilesArgs& args)
{
    if (args.all == !args.items.empty())
        return context.Fail("give the profiles to unselect (name or path), or --all");
    platform::FileSystem& files = context.machine->Files();
    const std::vector<TStoredValue> stored = ReadStored(args.kind);
    std::vector<const TStoredValue*> chosen;
    for (const TStoredValue& value : stored)
        if (args.all && value.parsed)
            chosen.push_back(&value);
    for (const std::string& item : args.items) {
        const std::string path = core::ExcludeTrailingSlash(files.FromUserPath(item));
        const TStoredValue* match = nullptr;
        for (const TStoredValue& value : stored)
            if (value.parsed &&
                (platform::EqualsNoCase(value.name, item) || platform::EqualsNoCase(value.parsed->path, path)))
                match = &value;
        if (!match)
            return context.Fail("no stored profile " + item + " (see: lumexa-cli profiles list)");
        if (std::find(chosen.begin(), chosen.end(), match) == chosen.end())
            chosen.push_back(match);
    }
    const auto key = CreateKey(context, args.kind);
    if (!key)
        return 1;
    for (const TStoredValue* value : chosen) {
        if (!key->SetString(value->name, value->parsed->path + ",0"))
            return context.Fail("cannot store " + value->parsed->path);
        context.out << "unselected " << value->name << "\t" << value->parsed->path << "\n";
    }
    return 0;
}

} // namespace

void AddProfilesCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    CLI::App* profiles =
        app.add_subcommand("profiles", "Find Netscape, Firefox and Thunderbird profiles; choose which are cleaned");
    profiles->require_subcommand(1);

    auto findArgs = std::make_shared<TProfilesArgs>();
    CLI::App* find = profiles->add_subcommand("find", "Search folders (default: every fixed drive) for profiles.ini");
    AddKindOptions(find, findArgs, true);
    find->add_option("ROOT", findArgs->items, "Folders to search (Windows or host paths)");
    find->add_flag("--json", findArgs->json, "Print one JSON document");
    dispatch.On(find, [&context, findArgs] { return context.OpenMachine() ? Find(context, *findArgs) : 1; });

    auto listArgs = std::make_shared<TProfilesArgs>();
    CLI::App* list = profiles->add_subcommand("list", "The stored profiles and whether the cleaners erase them");
    AddKindOptions(list, listArgs, false);
    list->add_flag("--json", listArgs->json, "Print one JSON document");
    dispatch.On(list, [&context, listArgs] { return context.OpenMachine() ? List(context, *listArgs) : 1; });

    auto selectArgs = std::make_shared<TProfilesArgs>();
    CLI::App* select =
        profiles->add_subcommand("select", "Store profiles as selected for cleaning; the other stored ones are not");
    AddKindOptions(select, selectArgs, false);
    select->add_option("PATH", selectArgs->items, "Profile folders (Windows or host paths)")->required();
    select->add_flag("--add", selectArgs->add, "Leave the other stored profiles as they are");
    dispatch.On(select, [&context, selectArgs] { return context.OpenMachine() ? Select(context, *selectArgs) : 1; });

    auto unselectArgs = std::make_shared<TProfilesArgs>();
    CLI::App* unselect = profiles->add_subcommand("unselect", "Keep stored profiles but no longer clean them");
    AddKindOptions(unselect, unselectArgs, false);
    unselect->add_option("PROFILE", unselectArgs->items, "Stored profile names or folders");
    unselect->add_flag("--all", unselectArgs->all, "Every stored profile");
    dispatch.On(unselect,
                [&context, unselectArgs] { return context.OpenMachine() ? Unselect(context, *unselectArgs) : 1; });
}

} // namespace lumexa::app
