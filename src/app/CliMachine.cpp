#include <ostream>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace lumexa::app {

namespace {

using nlohmann::ordered_json;
using platform::Csidl;

struct CsidlName
{
    Csidl csidl;
    const char* name;
};

const CsidlName kCsidlNames[] = {
    {Csidl::DesktopDirectory, "CSIDL_DESKTOPDIRECTORY"},
    {Csidl::Programs, "CSIDL_PROGRAMS"},
    {Csidl::Personal, "CSIDL_PERSONAL"},
    {Csidl::Favorites, "CSIDL_FAVORITES"},
    {Csidl::Startup, "CSIDL_STARTUP"},
    {Csidl::Recent, "CSIDL_RECENT"},
    {Csidl::SendTo, "CSIDL_SENDTO"},
    {Csidl::StartMenu, "CSIDL_STARTMENU"},
    {Csidl::NetHood, "CSIDL_NETHOOD"},
    {Csidl::Templates, "CSIDL_TEMPLATES"},
    {Csidl::CommonStartMenu, "CSIDL_COMMON_STARTMENU"},
    {Csidl::CommonPrograms, "CSIDL_COMMON_PROGRAMS"},
    {Csidl::CommonDesktopDirectory, "CSIDL_COMMON_DESKTOPDIRECTORY"},
    {Csidl::AppData, "CSIDL_APPDATA"},
    {Csidl::PrintHood, "CSIDL_PRINTHOOD"},
    {Csidl::LocalAppData, "CSIDL_LOCAL_APPDATA"},
    {Csidl::InternetCache, "CSIDL_INTERNET_CACHE"},
    {Csidl::Cookies, "CSIDL_COOKIES"},
    {Csidl::History, "CSIDL_HISTORY"},
    {Csidl::CommonAppData, "CSIDL_COMMON_APPDATA"},
    {Csidl::Windows, "CSIDL_WINDOWS"},
    {Csidl::System, "CSIDL_SYSTEM"},
    {Csidl::ProgramFiles, "CSIDL_PROGRAM_FILES"},
    {Csidl::Profile, "CSIDL_PROFILE"},
    {Csidl::ProgramFilesCommon, "CSIDL_PROGRAM_FILES_COMMON"},
};

ordered_json MachineInfo(platform::Machine& machine)
{
    auto& files = machine.Files();
    auto& shell = machine.Shell();
    const auto os = machine.OsVersion();
    ordered_json info;
    info["root"] = machine.Root();
    info["version"] = platform::WindowsVersionName(machine.Config().version);
    info["windows"] = std::string(os.nt ? "NT " : "9x ") + std::to_string(os.major) + "." + std::to_string(os.minor) +
                      "." + std::to_string(os.build);
    info["user"] = machine.Config().user;
    info["computer"] = machine.Config().computer;
    info["administrator"] = machine.Config().administrator;
    ordered_json drives = ordered_json::array();
    for (const auto& drive : files.Drives()) {
        const std::string root = std::string(1, drive.letter) + ":\\";
        ordered_json row;
        row["letter"] = std::string(1, drive.letter) + ":";
        row["type"] = platform::DriveTypeName(drive.type);
        row["host"] = drive.hostPath;
        if (const auto space = files.GetDiskFreeSpaceEx(root)) {
            row["total"] = space->totalBytes;
            row["free"] = space->totalFreeBytes;
        }
        drives.push_back(row);
    }
    info["drives"] = drives;
    ordered_json folders = ordered_json::object();
    for (const auto& [csidl, name] : kCsidlNames)
        if (const auto path = shell.SpecialFolder(csidl))
            folders[name] = *path;
    info["special_folders"] = folders;
    info["temp"] = shell.TempPath();
    info["windows_folder"] = shell.WindowsDirectory();
    info["system_folder"] = shell.SystemDirectory();
    info["program_folder"] = machine.ProgramFolder();
    return info;
}

void PrintInfo(const ordered_json& info, std::ostream& out)
{
    out << "Machine:        " << info["root"].get<std::string>() << "\n";
    out << "Windows:        " << info["version"].get<std::string>() << " (" << info["windows"].get<std::string>()
        << ")\n";
    out << "User:           " << info["user"].get<std::string>() << " on " << info["computer"].get<std::string>()
        << (info["administrator"].get<bool>() ? " (administrator)" : "") << "\n";
    out << "Program folder: " << info["program_folder"].get<std::string>() << "\n";
    out << "Windows folder: " << info["windows_folder"].get<std::string>() << "\n";
    out << "Temp folder:    " << info["temp"].get<std::string>() << "\n";
    out << "Drives:\n";
    for (const auto& drive : info["drives"]) {
        out << "  " << drive["letter"].get<std::string>() << "  " << drive["type"].get<std::string>() << "  "
            << drive["host"].get<std::string>();
        if (drive.contains("total"))
            out << "  total " << drive["total"].get<std::uint64_t>() << " bytes, free "
                << drive["free"].get<std::uint64_t>() << " bytes";
        out << "\n";
    }
    out << "Special folders:\n";
    for (const auto& [name, path] : info["special_folders"].items())
        out << "  " << name << " = " << path.get<std::string>() << "\n";
}

} // namespace

void AddMachineCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    CLI::App* machine = app.add_subcommand("machine", "Create and inspect the Windows machine Lumexa acts on");
    machine->require_subcommand(1);

    struct CreateArgs
    {
        std::string os = "xp";
        std::string user = "user";
    };
    auto create = std::make_shared<CreateArgs>();
    CLI::App* createCommand = machine->add_subcommand("create", "Create a machine with a fresh install's layout");
    createCommand->add_option("--os", create->os, "Windows version: 98, 2000, xp, 2003, vista or 7")
        ->check(CLI::IsMember({"98", "2000", "xp", "2003", "vista", "7"}, CLI::ignore_case));
    createCommand->add_option("--user", create->user, "Windows user name");
    dispatch.On(createCommand, [&context, create] {
        const std::string root = context.machineGiven ? context.machineRoot : platform::Machine::DefaultRoot();
        platform::CreateOptions options;
        options.version = *platform::ParseWindowsVersion(create->os);
        options.user = create->user;
        std::string error;
        auto created = platform::Machine::Create(root, options, &error);
        if (!created)
            return context.Fail(error);
        context.out << "Created a Windows " << platform::WindowsVersionName(options.version) << " machine for user "
                    << options.user << " in " << root << "\n";
        return 0;
    });

    auto json = std::make_shared<bool>(false);
    CLI::App* infoCommand = machine->add_subcommand("info", "Show the machine's version, drives and folders");
    infoCommand->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(infoCommand, [&context, json] {
        if (!context.OpenMachine())
            return 1;
        const ordered_json info = MachineInfo(*context.machine);
        if (*json)
            context.out << info.dump(2) << "\n";
        else
            PrintInfo(info, context.out);
        return 0;
    });

    CLI::App* rebootCommand =
        machine->add_subcommand("reboot", "Restart the machine's Windows: apply pending operations");
    dispatch.On(rebootCommand, [&context] {
        if (!context.OpenMachine())
            return 1;
        const auto done = context.machine->Reboot();
        for (const std::string& line : done)
            context.out << line << "\n";
        if (done.empty())
            context.out << "Restarted; nothing was pending.\n";
        return 0;
    });

    auto winPath = std::make_shared<std::string>();
    CLI::App* hostPathCommand = machine->add_subcommand("hostpath", "Print the host path a Windows path maps to");
    hostPathCommand->add_option("WINPATH", *winPath, "Windows path, e.g. C:\\WINDOWS")->required();
    dispatch.On(hostPathCommand, [&context, winPath] {
        if (!context.OpenMachine())
            return 1;
        const auto host = context.machine->Files().HostPath(*winPath);
        if (!host)
            return context.Fail("\"" + *winPath + "\" is on no drive of this machine");
        context.out << *host << "\n";
        return 0;
    });
}

} // namespace lumexa::app
