#include <charconv>
#include <cstdio>
#include <ostream>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "core/SettingsManager.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace lumexa::app {

namespace {

using core::TItemType;
using core::TSettingsManager;
using core::TStartUpProgram;
using nlohmann::ordered_json;

const char* TypeName(TItemType type)
{
    switch (type) {
    case TItemType::Boolean:
        return "boolean";
    case TItemType::Integer:
        return "integer";
    case TItemType::Text:
        return "text";
    case TItemType::Date:
        return "date";
    case TItemType::Time:
        return "time";
    case TItemType::PseudoItem:
        return "pseudo-item";
    default:
        return "unused";
    }
}

bool IsStored(TItemType type)
{
    return type != TItemType::Unused && type != TItemType::PseudoItem;
}

std::string FormatDateValue(platform::TDateTime value)
{
    const platform::DateTimeParts p = platform::DecodeDateTime(value);
    char buffer[32];
    std::snprintf(
        buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    return buffer;
}

std::optional<platform::TDateTime> ParseDateValue(const std::string& text)
{
    int y = 1899, mo = 12, d = 30, h = 0, mi = 0, s = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) == 6 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &tail) == 3 ||
        std::sscanf(text.c_str(), "%2d:%2d:%2d%c", &h, &mi, &s, &tail) == 3)
        return platform::EncodeDateTime(y, mo, d, h, mi, s);
    return std::nullopt;
}

// The item's current value in its command-line form, and as JSON.
std::pair<std::string, ordered_json> ItemValue(std::uint8_t item)
{
    switch (core::ItemInfo(item).type) {
    case TItemType::Boolean: {
        const bool value = TSettingsManager::ReadBool(item);
        return {value ? "true" : "false", value};
    }
    case TItemType::Integer: {
        const int value = TSettingsManager::ReadInteger(item, 0);
        return {std::to_string(value), value};
    }
    case TItemType::Text: {
        const std::string value = TSettingsManager::ReadString(item);
        return {value, value};
    }
    case TItemType::Date:
    case TItemType::Time: {
        const platform::TDateTime value = core::ItemInfo(item).type == TItemType::Date
                                              ? TSettingsManager::ReadDate(item, 0)
                                              : TSettingsManager::ReadTime(item);
        const std::string text = FormatDateValue(value);
        return {text, text};
    }
    default:
        return {"", nullptr};
    }
}

bool HasStoredValue(std::uint8_t item)
{
    const auto key = platform::Machine::Current().Registry().Open(TSettingsManager::GetItemRootKey(item),
                                                                  TSettingsManager::GetItemKeyPath(item));
    return key && key->HasValue(TSettingsManager::GetItemValueName(item));
}

int SettingsGet(TCliContext& context, int item)
{
    const auto number = static_cast<std::uint8_t>(item);
    if (!IsStored(core::ItemInfo(number).type))
        return context.Fail("item " + std::to_string(item) + " holds no setting");
    context.out << ItemValue(number).first << "\n";
    return 0;
}

int SettingsSet(TCliContext& context, int item, const std::string& text)
{
    const auto number = static_cast<std::uint8_t>(item);
    const TItemType type = core::ItemInfo(number).type;
    bool ok = false;
    switch (type) {
    case TItemType::Boolean: {
        const std::string lower = platform::LowerCase(text);
        if (lower != "true" && lower != "false" && lower != "1" && lower != "0")
            return context.Fail("item " + std::to_string(item) + " is a boolean: give true or false");
        ok = TSettingsManager::WriteBool(number, lower == "true" || lower == "1");
        break;
    }
    case TItemType::Integer: {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || text.empty())
            return context.Fail("item " + std::to_string(item) + " is an integer: \"" + text + "\" is not one");
        ok = TSettingsManager::WriteInteger(number, value);
        break;
    }
    case TItemType::Text:
        ok = TSettingsManager::WriteString(number, text);
        break;
    case TItemType::Date:
    case TItemType::Time: {
        const auto value = ParseDateValue(text);
        if (!value)
            return context.Fail("item " + std::to_string(item) + " is a date and time: give YYYY-MM-DD HH:MM:SS");
        ok = type == TItemType::Date ? TSettingsManager::WriteDate(number, *value)
                                     : TSettingsManager::WriteTime(number, *value);
        break;
    }
    default:
        return context.Fail("item " + std::to_string(item) + " holds no setting");
    }
    if (!ok)
        return context.Fail("cannot store item " + std::to_string(item) + ": " +
                            platform::SystemMessage(platform::GetLastError()));
    return 0;
}

int SettingsList(TCliContext& context, bool json)
{
    ordered_json list = ordered_json::array();
    for (int item = 0; item < 128; ++item) {
        const auto number = static_cast<std::uint8_t>(item);
        const core::TItemInfo& info = core::ItemInfo(number);
        if (!IsStored(info.type))
            continue;
        const auto [text, value] = ItemValue(number);
        const bool stored = HasStoredValue(number);
        if (json)
            list.push_back({{"item", item},
                            {"name", std::string(info.name)},
                            {"type", TypeName(info.type)},
                            {"value", value},
                            {"stored", stored}});
        else
            context.out << item << "\t" << TypeName(info.type) << "\t" << text << (stored ? "" : "\t(default)") << "\t"
                        << info.name << "\n";
    }
    if (json)
        context.out << list.dump(2) << "\n";
    return 0;
}

int Catalogue(TCliContext& context, bool json)
{
    static constexpr const char* kGroups[] = {"Internet", "Windows", "Plugins", "E-mail"};
    ordered_json list = ordered_json::array();
    for (int item = 0; item < 128; ++item) {
        const auto number = static_cast<std::uint8_t>(item);
        const core::TItemInfo& info = core::ItemInfo(number);
        const int group = TSettingsManager::GetItemGroup(number);
        if (json)
            list.push_back({{"item", item},
                            {"name", std::string(info.name)},
                            {"type", TypeName(info.type)},
                            {"trace", core::IsTraceItem(number)},
                            {"group", group},
                            {"group_name", kGroups[group]}});
        else
            context.out << item << "\t" << TypeName(info.type) << "\t" << group << " " << kGroups[group] << "\t"
                        << info.name << "\n";
    }
    if (json)
        context.out << list.dump(2) << "\n";
    return 0;
}

std::vector<TStartUpProgram> AllStartupPrograms()
{
    core::TStartUpProgramArr list;
    TSettingsManager::ReadStartupPrograms(list);
    TSettingsManager::ReadDisabledStartupPrograms(list);
    return list;
}

std::string Location(const TStartUpProgram& program)
{
    return program.RootName + program.KeyPath;
}

int StartupList(TCliContext& context, bool json)
{
    const auto list = AllStartupPrograms();
    if (json) {
        ordered_json doc = ordered_json::array();
        for (const auto& program : list)
            doc.push_back({{"name", program.Name},
                           {"state", program.State},
                           {"root", program.RootName},
                           {"key", program.KeyPath},
                           {"command_line", program.CommandLine}});
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    for (const auto& program : list)
        context.out << program.State << "\t" << Location(program) << "\t" << program.Name << "\t" << program.CommandLine
                    << "\n";
    return 0;
}

struct StartupArgs
{
    std::string name;
    std::string key;
};

// The one record named `name` in the wanted state (and run key, when given).
std::optional<TStartUpProgram>
FindProgram(TCliContext& context, const StartupArgs& args, std::optional<std::string_view> state)
{
    std::optional<std::pair<platform::HKEY, std::string>> where;
    if (!args.key.empty()) {
        where = platform::Registry::SplitKeyName(args.key);
        if (!where) {
            context.Fail("\"" + args.key + "\" does not begin with HKCU or HKLM");
            return std::nullopt;
        }
    }
    std::vector<TStartUpProgram> found;
    for (const auto& program : AllStartupPrograms()) {
        if (!platform::EqualsNoCase(program.Name, args.name) || (state && program.State != *state))
            continue;
        if (where && (program.RootKey != where->first || !platform::EqualsNoCase(program.KeyPath, where->second)))
            continue;
        found.push_back(program);
    }
    if (found.empty()) {
        context.Fail("no " + std::string(state ? platform::LowerCase(*state) + " " : "") + "start-up program named \"" +
                     args.name + "\"" + (args.key.empty() ? "" : " in " + args.key) +
                     " (see: lumexa-cli startup list)");
        return std::nullopt;
    }
    if (found.size() > 1) {
        std::string places;
        for (const auto& program : found)
            places += "\n  " + program.State + " " + Location(program);
        context.Fail("\"" + args.name + "\" stands in several places; choose one with --key:" + places);
        return std::nullopt;
    }
    return found.front();
}

int StartupChange(TCliContext& context, const StartupArgs& args, std::string_view from, std::string_view to)
{
    auto program = FindProgram(context, args, from);
    if (!program)
        return 1;
    program->State = std::string(to);
    const auto result = TSettingsManager::SaveStartupProgram(*program);
    if (!result)
        return context.Fail(result.message);
    context.out << (to == core::StartUpStateDisabled ? "Disabled " : "Enabled ") << program->Name << " ("
                << Location(*program) << ")\n";
    return 0;
}

int StartupRemove(TCliContext& context, const StartupArgs& args)
{
    const auto program = FindProgram(context, args, std::nullopt);
    if (!program)
        return 1;
    const auto result = TSettingsManager::DeleteStartupProgram(*program);
    if (!result)
        return context.Fail(result.message);
    context.out << "Removed " << program->Name << " (" << Location(*program) << ")\n";
    return 0;
}

} // namespace

void AddSettingsCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    auto json = std::make_shared<bool>(false);

    CLI::App* catalogue = app.add_subcommand("catalogue", "List every item number with its name and group");
    catalogue->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(catalogue, [&context, json] { return Catalogue(context, *json); });

    CLI::App* settings = app.add_subcommand("settings", "Read and write the settings store");
    settings->require_subcommand(1);
    auto item = std::make_shared<int>(0);
    auto value = std::make_shared<std::string>();

    CLI::App* get = settings->add_subcommand("get", "Print one item's value");
    get->add_option("ITEM", *item, "Item number 0..127")->required()->check(CLI::Range(0, 127));
    dispatch.On(get, [&context, item] { return context.OpenMachine() ? SettingsGet(context, *item) : 1; });

    CLI::App* set = settings->add_subcommand("set", "Store one item's value");
    set->add_option("ITEM", *item, "Item number 0..127")->required()->check(CLI::Range(0, 127));
    set->add_option("VALUE", *value, "true/false, an integer, a text, or YYYY-MM-DD HH:MM:SS")->required();
    dispatch.On(set,
                [&context, item, value] { return context.OpenMachine() ? SettingsSet(context, *item, *value) : 1; });

    CLI::App* list = settings->add_subcommand("list", "Print every setting with its value");
    list->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(list, [&context, json] { return context.OpenMachine() ? SettingsList(context, *json) : 1; });

    CLI::App* startup = app.add_subcommand("startup", "List, disable, enable and remove Windows start-up programs");
    startup->require_subcommand(1);
    auto args = std::make_shared<StartupArgs>();

    CLI::App* startupList = startup->add_subcommand("list", "Active and disabled start-up programs");
    startupList->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(startupList, [&context, json] { return context.OpenMachine() ? StartupList(context, *json) : 1; });

    CLI::App* disable = startup->add_subcommand("disable", "Keep a program from starting with Windows");
    disable->add_option("NAME", args->name, "The program's name in its run key")->required();
    disable->add_option("--key", args->key, "Its run key, when the name is in several (e.g. HKCU\\...\\Run)");
    dispatch.On(disable, [&context, args] {
        return context.OpenMachine()
                   ? StartupChange(context, *args, core::StartUpStateActive, core::StartUpStateDisabled)
                   : 1;
    });

    CLI::App* enable = startup->add_subcommand("enable", "Let a disabled program start with Windows again");
    enable->add_option("NAME", args->name, "The disabled program's name")->required();
    dispatch.On(enable, [&context, args] {
        return context.OpenMachine()
                   ? StartupChange(context, *args, core::StartUpStateDisabled, core::StartUpStateActive)
                   : 1;
    });

    CLI::App* remove = startup->add_subcommand("remove", "Remove a start-up program for good");
    remove->add_option("NAME", args->name, "The program's name")->required();
    remove->add_option("--key", args->key, "Its run key, when the name is in several");
    dispatch.On(remove, [&context, args] { return context.OpenMachine() ? StartupRemove(context, *args) : 1; });
}

} // namespace lumexa::app
