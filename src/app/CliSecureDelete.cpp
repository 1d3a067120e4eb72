#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "core/DriveInfo.h"
#include "core/SecureCleaner.h"
#include "core/SecureDeleteHelpers.h"
#include "core/SecureDeleteOptions.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/RecycleBin.h"
#include "platform/Text.h"

namespace lumexa::app {

namespace {

using nlohmann::ordered_json;
using platform::Machine;

// The erase options a command line gives.
struct TEraseArgs
{
    std::optional<int> method;
    std::optional<int> passes;
    std::string pattern;
    bool plain = false;
    std::vector<std::string> paths;
    std::string folder;
    std::string mask = "*.*";
    bool recursive = false;
};

// The command's job on a cleaner thread of its own, as the program runs every erase. Its
// events print on that thread while the command waits for it.
class TCliCleaner : public core::TSecureCleaner
{
public:
    TCliCleaner(const core::TSecureDeleteOptions& options, std::function<void(TCliCleaner&)> work)
        : core::TSecureCleaner(options)
        , m_work(std::move(work))
    {}
    ~TCliCleaner() override { StopAndWait(); }

protected:
    void Execute() override
    {
        if (!Terminated())
            m_work(*this);
        SetTerminatedFlag();
    }

private:
    std::function<void(TCliCleaner&)> m_work;
};

std::optional<std::uint8_t> ParsePattern(const std::string& text)
{
    const std::string lower = platform::LowerCase(text);
    if (lower == "random")
        return core::PatternRandom;
    if (lower == "zero")
        return core::PatternZeros;
    if (lower == "one")
        return core::PatternOnes;
    return std::nullopt;
}

// Without --method the tracks eraser's settings (items 33..37) decide; --passes and --pattern
// override the custom method's figures either way.
core::TSecureDeleteOptions EraseOptions(const TEraseArgs& args)
{
    core::TSecureDeleteOptions options(args.method ? std::uint8_t{2} : core::SecureDeleteSourceItems);
    options.Load();
    if (args.method) {
        options.Method = static_cast<std::uint8_t>(*args.method);
        options.OverwriteTimes = 1;
    }
    if (args.passes)
        options.OverwriteTimes = *args.passes;
    if (!args.pattern.empty())
        options.OverwritePattern = *ParsePattern(args.pattern);
    return options;
}

// Runs `work` on a cleaner and prints one line per reported object; the exit code.
int RunEraseJob(TCliContext& context, const TEraseArgs& args, const std::function<int(TCliCleaner&)>& work)
{
    int problems = 0;
    int failed = 0;
    TCliCleaner cleaner(EraseOptions(args), [&](TCliCleaner& self) { problems = work(self); });
    cleaner.ReportErased = [&](const std::string& name, std::uint8_t, bool success, std::uint64_t size) {
        const char* verb = !success ? "failed" : cleaner.Analysing() ? "found" : "erased";
        failed += success ? 0 : 1;
        context.out << verb << " " << size << " " << name << "\n" << std::flush;
    };
    cleaner.Resume();
    cleaner.WaitFor();
    if (failed + problems == 0)
        return 0;
    return context.Fail(std::to_string(failed + problems) + " object(s) could not be erased");
}

int SecureDelete(TCliContext& context, const TEraseArgs& args)
{
    platform::FileSystem& files = Machine::Current().Files();
    return RunEraseJob(context, args, [&](TCliCleaner& cleaner) {
        int problems = 0;
        for (const std::string& given : args.paths) {
            const std::string path = files.FullPath(files.FromUserPath(given));
            if (files.DirectoryExists(path)) {
                context.err << "lumexa-cli: " << path << " is a folder (erase it with: lumexa-cli sweep)\n";
                ++problems;
            } else if (!files.FileExists(path)) {
                context.err << "lumexa-cli: " << path << ": " << platform::SystemMessage(platform::GetLastError())
                            << "\n";
                ++problems;
            } else {
                cleaner.SecureDeleteFile(path, args.plain);
            }
            if (cleaner.Terminated())
                break;
        }
        return problems;
    });
}

int Sweep(TCliContext& context, const TEraseArgs& args)
{
    platform::FileSystem& files = Machine::Current().Files();
    const std::string folder = files.FullPath(files.FromUserPath(args.folder));
    if (!files.DirectoryExists(folder))
        return context.Fail(folder + " is not a folder");
    return RunEraseJob(context, args, [&](TCliCleaner& cleaner) {
        cleaner.SweepFolder(folder, args.mask, {}, {}, args.recursive);
        return 0;
    });
}

int Drives(TCliContext& context, bool json)
{
    ordered_json list = ordered_json::array();
    for (const std::string& root : Machine::Current().Files().GetLogicalDriveStrings()) {
        const core::TDriveInfo info(root);
        ordered_json row;
        row["root"] = root;
        row["name"] = info.GetDisplayName();
        row["type"] = platform::DriveTypeName(info.GetDriveType());
        row["bytes_per_sector"] = info.GetBytesPerSector();
        row["sectors_per_cluster"] = info.GetSectorsPerCluster();
        row["free"] = info.GetFreeBytes();
        row["total_free"] = info.GetTotalFreeBytes();
        row["total"] = info.GetTotalBytes();
        row["free_text"] = info.GetFreeBytesText();
        row["total_text"] = info.GetTotalBytesText();
        if (!json)
            context.out << root << "  " << row["name"].get<std::string>() << "  " << row["type"].get<std::string>()
                        << "  " << info.GetFreeBytesText() << " free of " << info.GetTotalBytesText() << "  ("
                        << info.GetBytesPerSector() << " bytes per sector, " << info.GetSectorsPerCluster()
                        << " sectors per cluster)\n";
        list.push_back(std::move(row));
    }
    if (json)
        context.out << list.dump(2) << "\n";
    return 0;
}

// The local time of a FILETIME, as "yyyy-mm-dd hh:nn:ss".
std::string LocalTimeText(platform::FileTime time)
{
    platform::Clock& clock = Machine::Current().Clock();
    const double local = platform::FileTimeToDateTime(time) + static_cast<double>(clock.UtcOffsetSeconds()) / 86400.0;
    return platform::FormatDateTime("yyyy-mm-dd hh:nn:ss", local, clock.UserLocale());
}

int RecycleBinShow(TCliContext& context, const std::string& root, bool json)
{
    platform::RecycleBin& bin = Machine::Current().RecycleBin();
    const auto total = bin.Query(root);
    if (!total)
        return context.Fail("\"" + root + "\" is on no drive of the machine");
    ordered_json items = ordered_json::array();
    for (const platform::RecycledItem& item : bin.Items(root)) {
        if (json)
            items.push_back({{"id", item.id},
                             {"original", item.originalPath},
                             {"deleted", LocalTimeText(item.deletionTime)},
                             {"size", item.size}});
        else
            context.out << item.id << "\t" << LocalTimeText(item.deletionTime) << "\t" << item.size << "\t"
                        << item.originalPath << "\n";
    }
    if (json) {
        const ordered_json doc{{"count", total->count}, {"size", total->size}, {"items", items}};
        context.out << doc.dump(2) << "\n";
    } else {
        context.out << total->count << " item(s), " << core::FormatSize(total->size) << "\n";
    }
    return 0;
}

int RecycleBinEmpty(TCliContext& context, const std::string& root)
{
    TEraseArgs args;
    args.method = core::MethodDoD;
    std::int32_t result = core::HResultOk;
    const int code = RunEraseJob(context, args, [&](TCliCleaner& cleaner) {
        result = cleaner.EmptyRecycleBin(0, root, platform::SHERB_NOCONFIRMATION);
        return 0;
    });
    if (result != core::HResultOk)
        return context.Fail("cannot empty the recycle bin of \"" + root +
                            "\": " + platform::SystemMessage(platform::GetLastError()));
    return code;
}

int RecycleBinRestore(TCliContext& context, const std::string& id)
{
    if (!Machine::Current().RecycleBin().Restore(id))
        return context.Fail("cannot restore " + id + ": " + platform::SystemMessage(platform::GetLastError()));
    context.out << "restored " << id << "\n";
    return 0;
}

void AddMethodOptions(CLI::App* command, TEraseArgs& args)
{
    command
        ->add_option("--method",
                     args.method,
                     "0 none, 1 DoD 3 passes, 2 Gutmann, 3 NSA 7 passes, 4 GOST, 5 custom, 6 analysis "
                     "(default: the tracks eraser's settings)")
        ->check(CLI::Range(0, 6));
    command->add_option("--passes", args.passes, "Passes of the custom method (0..99)")->check(CLI::Range(0, 99));
    command->add_option("--pattern", args.pattern, "Fill of the custom method: random, zero or one")
        ->check(CLI::IsMember({"random", "zero", "one"}, CLI::ignore_case));
}

} // namespace

void AddSecureDeleteCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    auto args = std::make_shared<TEraseArgs>();
    auto json = std::make_shared<bool>(false);
    auto root = std::make_shared<std::string>();

    CLI::App* erase = app.add_subcommand("secure-delete", "Overwrite, rename and delete files");
    AddMethodOptions(erase, *args);
    erase->add_flag("--plain",
                    args->plain,
                    "When the method fails or is 0 (none), delete the file plainly (a file in use is never deleted)");
    erase->add_option("PATH", args->paths, "Files: Windows paths or host paths")->required();
    dispatch.On(erase, [&context, args] { return context.OpenMachine() ? SecureDelete(context, *args) : 1; });

    CLI::App* sweep = app.add_subcommand("sweep", "Securely erase what a mask matches in a folder, then the folder");
    AddMethodOptions(sweep, *args);
    sweep->add_option("FOLDER", args->folder, "The folder: a Windows path or a host path")->required();
    sweep->add_option("--mask", args->mask, "Which names to erase (default *.*)");
    sweep->add_flag("--recursive", args->recursive, "Sweep the subfolders too");
    dispatch.On(sweep, [&context, args] { return context.OpenMachine() ? Sweep(context, *args) : 1; });

    CLI::App* drives = app.add_subcommand("drives", "List the drives with their names, sizes and free space");
    drives->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(drives, [&context, json] { return context.OpenMachine() ? Drives(context, *json) : 1; });

    CLI::App* bin = app.add_subcommand("recyclebin", "Show, empty or restore from the recycle bin");
    bin->require_subcommand(1);
    CLI::App* show = bin->add_subcommand("show", "List what the bin holds");
    show->add_option("--drive", *root, "Only this drive's bin (e.g. C:\\)");
    show->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(show,
                [&context, root, json] { return context.OpenMachine() ? RecycleBinShow(context, *root, *json) : 1; });
    CLI::App* empty = bin->add_subcommand("empty", "Delete everything in the bin for good");
    empty->add_option("--drive", *root, "Only this drive's bin (e.g. C:\\)");
    dispatch.On(empty, [&context, root] { return context.OpenMachine() ? RecycleBinEmpty(context, *root) : 1; });
    CLI::App* restore = bin->add_subcommand("restore", "Put an item back where it was deleted");
    restore->add_option("ID", *root, "The item's id, as show lists it (e.g. DC1.txt)")->required();
    dispatch.On(restore, [&context, root] { return context.OpenMachine() ? RecycleBinRestore(context, *root) : 1; });
}

} // namespace lumexa::app
