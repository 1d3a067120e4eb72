#include "app/Cli.h"

#include <ostream>

#include "app/CliSupport.h"
#include "platform/Machine.h"

namespace lumexa::app {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in)
{
    CLI::App app{"Lumexa privacy and disk-hygiene suite, command-line front end", "lumexa-cli"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show every command");

    TCliContext context{out, err, in, {}, false, nullptr};
    app.add_option("--machine",
                   context.machineRoot,
                   "Machine folder to act on (default: $LUMEXA_MACHINE or ~/.local/share/lumexa/machine)");

    TCliDispatch dispatch;
    AddMachineCommands(app, context, dispatch);
    AddRegistryCommands(app, context, dispatch);
    AddSettingsCommands(app, context, dispatch);
    AddProxyCommands(app, context, dispatch);
    AddSecureDeleteCommands(app, context, dispatch);
    AddLockerCommands(app, context, dispatch);
    AddTracksCommands(app, context, dispatch);
    AddProfilesCommands(app, context, dispatch);
    AddBrowserCommands(app, context, dispatch);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return 0;
    } catch (const CLI::ParseError& e) {
        err << "lumexa-cli: " << e.what() << "\n";
        err << "Run 'lumexa-cli --help' for the commands.\n";
        return 2;
    }
    context.machineGiven = !context.machineRoot.empty();
    if (!dispatch.action) {
        err << app.help();
        return 2;
    }
    try {
        const int code = dispatch.action();
        if (context.machine)
            platform::Machine::SetCurrent(nullptr);
        return code;
    } catch (const std::exception& e) {
        platform::Machine::SetCurrent(nullptr);
        return context.Fail(std::string("unexpected error: ") + e.what());
    }
}

} // namespace lumexa::app
