#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/Machine.h"

// What the command groups of lumexa-cli share: the streams, the chosen machine, and failure
// reporting. Each group registers its subcommands on the root app and runs them when chosen.
namespace lumexa::app {

struct TCliContext
{
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    std::string machineRoot;   // --machine, or empty for the default machine
    bool machineGiven = false; // --machine was on the command line
    std::shared_ptr<platform::Machine> machine;

    // Opens the chosen machine and makes it current. The default machine is created on first
    // use; a folder named with --machine must hold one. Writes the reason to `err` on failure.
    bool OpenMachine();
    // "lumexa-cli: <message>" on err; returns 1 for `return Fail(...)`.
    int Fail(const std::string& message) const;
};

// A subcommand's action: returns the exit code.
using TCliAction = std::function<int()>;

// Stores the action of the subcommand that CLI11 selected.
struct TCliDispatch
{
    TCliAction action;
    void On(CLI::App* command, TCliAction run)
    {
        command->callback([this, run = std::move(run)] { action = run; });
    }
};

void AddMachineCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch);
void AddRegistryCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch);
void AddSettingsCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch);
void AddProxyCommands(CLI::App&, TCliContext&, TCliDispatch&);
void AddSecureDeleteCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch);
void AddLockerCommands(CLI::App&, TCliContext&, TCliDispatch&);
void AddTracksCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch);
void AddProfilesCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch);
void AddBrowserCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch);

} // namespace lumexa::app
