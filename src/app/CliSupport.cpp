#include "app/CliSupport.h"

#include <ostream>

namespace lumexa::app {

bool TCliContext::OpenMachine()
{
    if (machine)
        return true;
    std::string error;
    const std::string root = machineGiven ? machineRoot : platform::Machine::DefaultRoot();
    machine = machineGiven ? platform::Machine::Open(root, &error) : platform::Machine::OpenOrCreate(root, &error);
    if (!machine) {
        Fail(error);
        return false;
    }
    platform::Machine::SetCurrent(machine);
    return true;
}

int TCliContext::Fail(const std::string& message) const
{
    err << "lumexa-cli: " << message << "\n";
    return 1;
}

} // namespace lumexa::app
