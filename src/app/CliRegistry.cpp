#include <charconv>
#include <ostream>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace lumexa::app {

namespace {

using nlohmann::ordered_json;
using platform::RegType;

struct TypeName
{
    RegType type;
    const char* name;
};
const TypeName kTypeNames[] = {
    {RegType::None, "REG_NONE"},
    {RegType::Sz, "REG_SZ"},
    {RegType::ExpandSz, "REG_EXPAND_SZ"},
    {RegType::Binary, "REG_BINARY"},
    {RegType::Dword, "REG_DWORD"},
    {RegType::MultiSz, "REG_MULTI_SZ"},
    {RegType::Qword, "REG_QWORD"},
    {RegType::Link, "REG_LINK"},
    {RegType::DwordBigEndian, "REG_DWORD_BIG_ENDIAN"},
};

std::string TypeText(RegType type)
{
    for (const auto& row : kTypeNames)
        if (row.type == type)
            return row.name;
    return "REG_" + std::to_string(static_cast<std::uint32_t>(type));
}

std::optional<RegType> ParseType(const std::string& text)
{
    const std::string upper = platform::UpperCase(text);
    for (const auto& row : kTypeNames)
        if (upper == row.name || "REG_" + upper == row.name)
            return row.type;
    return std::nullopt;
}

std::string Hex(const std::vector<std::uint8_t>& data)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : data) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string text)
{
    std::string digits;
    for (const char c : text)
        if (c != ',' && c != ' ' && c != ':')
            digits += c;
    if (digits.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(digits.data() + i, digits.data() + i + 2, value, 16);
        if (error != std::errc() || end != digits.data() + i + 2)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

std::optional<std::uint64_t> ParseNumber(const std::string& text, std::uint64_t max)
{
    std::uint64_t value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] | 0x20) == 'x';
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (error != std::errc() || end != last || first == last || value > max)
        return std::nullopt;
    return value;
}

std::string DisplayData(const platform::RegValue& value)
{
    std::string text;
    switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz: {
        const auto nul = std::find(value.data.begin(), value.data.end(), 0);
        return std::string(value.data.begin(), nul);
    }
    case RegType::Dword:
        if (value.data.size() == 4) {
            const std::uint32_t v = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                    static_cast<std::uint32_t>(value.data[3]) << 24;
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "0x%x", v);
            return buffer;
        }
        break;
    case RegType::Qword:
        if (value.data.size() == 8) {
            std::uint64_t v = 0;
            for (int i = 7; i >= 0; --i)
                v = v << 8 | value.data[static_cast<std::size_t>(i)];
            char buffer[24];
            std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(v));
            return buffer;
        }
        break;
    case RegType::MultiSz: {
        std::string current;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            if (value.data[i] == 0) {
                if (current.empty())
                    break;
                text += (text.empty() ? "" : "\\0") + current;
                current.clear();
            } else
                current += static_cast<char>(value.data[i]);
        }
        return text;
    }
    default:
        break;
    }
    return Hex(value.data);
}

ordered_json JsonData(const platform::RegValue& value)
{
    if (value.type == RegType::Dword && value.data.size() == 4)
        return value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
               static_cast<std::uint32_t>(value.data[3]) << 24;
    if (value.type == RegType::Qword && value.data.size() == 8) {
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | value.data[static_cast<std::size_t>(i)];
        return v;
    }
    if (value.type == RegType::MultiSz) {
        ordered_json list = ordered_json::array();
        std::string current;
        for (const std::uint8_t byte : value.data) {
            if (byte == 0) {
                if (current.empty())
                    break;
                list.push_back(current);
                current.clear();
            } else
                current += static_cast<char>(byte);
        }
        return list;
    }
    if (value.type == RegType::Sz || value.type == RegType::ExpandSz)
        return DisplayData(value);
    return Hex(value.data);
}

struct RegArgs
{
    std::string file;
    std::string key;
    std::string name;
    std::string type;
    std::string data;
    bool hasValue = false;
    bool json = false;
};

std::optional<std::pair<platform::HKEY, std::string>> SplitKey(TCliContext& context, const std::string& key)
{
    auto split = platform::Registry::SplitKeyName(key);
    if (!split)
        context.Fail("\"" + key + "\" does not begin with a registry root (HKEY_LOCAL_MACHINE, HKLM, HKCU, ...)");
    return split;
}

std::string Reason()
{
    const std::string text = platform::SystemMessage(platform::GetLastError());
    return text.empty() ? "error " + std::to_string(platform::GetLastError()) : text;
}

int Import(TCliContext& context, const RegArgs& args)
{
    auto& files = context.machine->Files();
    const auto text = files.ReadWholeFile(files.FromUserPath(args.file));
    if (!text)
        return context.Fail("cannot read " + args.file + ": " + Reason());
    const auto result = context.machine->Registry().ImportReg(*text);
    if (!result.ok)
        return context.Fail(args.file + ", line " + std::to_string(result.line) + ": " + result.error +
                            " (nothing was imported)");
    context.out << "Imported " << args.file << "\n";
    return 0;
}

int Export(TCliContext& context, const RegArgs& args)
{
    platform::HKEY root = 0;
    std::string path;
    if (!args.key.empty()) {
        const auto split = SplitKey(context, args.key);
        if (!split)
            return 1;
        std::tie(root, path) = *split;
        if (!context.machine->Registry().KeyExists(root, path))
            return context.Fail("the key " + args.key + " does not exist");
    }
    const auto text = context.machine->Registry().ExportReg(root, path);
    if (!text)
        return context.Fail("cannot export the registry: " + Reason());
    auto& files = context.machine->Files();
    if (!files.WriteWholeFileAtomic(files.FromUserPath(args.file), *text))
        return context.Fail("cannot write " + args.file + ": " + Reason());
    context.out << "Exported " << (args.key.empty() ? std::string("the registry") : args.key) << " to " << args.file
                << "\n";
    return 0;
}

int Query(TCliContext& context, const RegArgs& args)
{
    const auto split = SplitKey(context, args.key);
    if (!split)
        return 1;
    const auto key = context.machine->Registry().Open(split->first, split->second);
    if (!key)
        return context.Fail("the key " + args.key + " does not exist");
    const std::string fullName =
        platform::Registry::RootName(split->first) + (split->second.empty() ? "" : "\\" + key->Path());
    std::vector<platform::RegValue> values;
    if (args.hasValue) {
        auto value = key->QueryValue(args.name);
        if (!value)
            return context.Fail("the value \"" + args.name + "\" does not exist in " + args.key);
        values.push_back(std::move(*value));
    } else
        values = key->Values();

    if (args.json) {
        ordered_json doc;
        doc["key"] = fullName;
        ordered_json list = ordered_json::array();
        for (const auto& value : values)
            list.push_back({{"name", value.name}, {"type", TypeText(value.type)}, {"data", JsonData(value)}});
        doc["values"] = list;
        if (!args.hasValue)
            doc["subkeys"] = key->SubKeyNames();
        context.out << doc.dump(2) << "\n";
        return 0;
    }
    context.out << fullName << "\n";
    for (const auto& value : values)
        context.out << "    " << (value.name.empty() ? "(Default)" : value.name) << "    " << TypeText(value.type)
                    << "    " << DisplayData(value) << "\n";
    if (!args.hasValue)
        for (const std::string& sub : key->SubKeyNames())
            context.out << fullName << "\\" << sub << "\n";
    return 0;
}

int Set(TCliContext& context, const RegArgs& args)
{
    const auto split = SplitKey(context, args.key);
    if (!split)
        return 1;
    const auto type = ParseType(args.type);
    if (!type)
        return context.Fail("unknown value type \"" + args.type +
                            "\" (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE)");
    auto key = context.machine->Registry().Create(split->first, split->second);
    if (!key)
        return context.Fail("cannot open " + args.key + " for writing: " + Reason());
    bool ok = false;
    switch (*type) {
    case RegType::Sz:
    case RegType::ExpandSz:
        ok = key->SetString(args.name, args.data, *type);
        break;
    case RegType::MultiSz: {
        std::vector<std::string> items;
        std::string rest = args.data;
        for (std::size_t at; (at = rest.find("\\0")) != std::string::npos; rest = rest.substr(at + 2))
            items.push_back(rest.substr(0, at));
        if (!rest.empty())
            items.push_back(rest);
        ok = key->SetMultiString(args.name, items);
        break;
    }
    case RegType::Dword: {
        const auto number = ParseNumber(args.data, 0xFFFFFFFFu);
        if (!number)
            return context.Fail("\"" + args.data + "\" is not a 32-bit number (decimal or 0x hex)");
        ok = key->SetDword(args.name, static_cast<std::uint32_t>(*number));
        break;
    }
    case RegType::Qword: {
        const auto number = ParseNumber(args.data, ~0ull);
        if (!number)
            return context.Fail("\"" + args.data + "\" is not a 64-bit number (decimal or 0x hex)");
        ok = key->SetQword(args.name, *number);
        break;
    }
    default: {
        const auto bytes = ParseHex(args.data);
        if (!bytes)
            return context.Fail("\"" + args.data + "\" is not hex bytes (e.g. 01,ff,20 or 01ff20)");
        ok = key->SetValue(args.name, *type, *bytes);
        break;
    }
    }
    if (!ok)
        return context.Fail("cannot write \"" + args.name + "\" in " + args.key + ": " + Reason());
    return 0;
}

int Delete(TCliContext& context, const RegArgs& args)
{
    const auto split = SplitKey(context, args.key);
    if (!split)
        return 1;
    auto& registry = context.machine->Registry();
    if (args.hasValue) {
        if (!registry.DeleteValue(split->first, split->second, args.name))
            return context.Fail("cannot delete \"" + args.name + "\" in " + args.key + ": " + Reason());
        return 0;
    }
    if (platform::Trim(split->second).empty())
        return context.Fail("refusing to delete a whole root: name a key below " +
                            platform::Registry::RootName(split->first));
    if (!registry.DeleteKey(split->first, split->second))
        return context.Fail("cannot delete " + args.key + ": " + Reason());
    return 0;
}

} // namespace

void AddRegistryCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    CLI::App* reg = app.add_subcommand("reg", "Read and change the machine's registry");
    reg->require_subcommand(1);
    auto args = std::make_shared<RegArgs>();
    auto withMachine = [&context, args](int (*run)(TCliContext&, const RegArgs&)) {
        return [&context, args, run] { return context.OpenMachine() ? run(context, *args) : 1; };
    };

    CLI::App* import = reg->add_subcommand("import", "Import a REGEDIT4 .reg file (all or nothing)");
    import->add_option("FILE", args->file, "The .reg file (host or Windows path)")->required();
    dispatch.On(import, withMachine(Import));

    CLI::App* exportCommand = reg->add_subcommand("export", "Export the registry, or one key, as a REGEDIT4 file");
    exportCommand->add_option("FILE", args->file, "The .reg file to write (host or Windows path)")->required();
    exportCommand->add_option("KEY", args->key, "Key to export, e.g. HKCU\\Software");
    dispatch.On(exportCommand, withMachine(Export));

    CLI::App* query = reg->add_subcommand("query", "Show a key's values and subkeys");
    query->add_option("KEY", args->key, "Key, e.g. HKLM\\SOFTWARE\\Orvanta\\Lumexa\\Settings")->required();
    query->add_option("--value", args->name, "Show only this value")->each([args](const std::string&) {
        args->hasValue = true;
    });
    query->add_flag("--json", args->json, "Print one JSON document");
    dispatch.On(query, withMachine(Query));

    CLI::App* set = reg->add_subcommand("set", "Write a value, creating the key");
    set->add_option("KEY", args->key, "Key")->required();
    set->add_option("NAME", args->name, "Value name (\"\" for the default value)")->required();
    set->add_option("TYPE", args->type, "REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY")
        ->required();
    set->add_option("DATA", args->data, "Text; number; \\0-separated strings; hex bytes")->required();
    dispatch.On(set, withMachine(Set));

    CLI::App* del = reg->add_subcommand("delete", "Delete a key with its subkeys, or one value");
    del->add_option("KEY", args->key, "Key")->required();
    del->add_option("--value", args->name, "Delete only this value")->each([args](const std::string&) {
        args->hasValue = true;
    });
    dispatch.On(del, withMachine(Delete));
}

} // namespace lumexa::app
