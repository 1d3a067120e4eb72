#pragma once

// The trace cleaners of the program, plugged into the cleaning run's slots.
namespace lumexa::cleaners {

// Installs the factory of every cleaner built so far into the run's slots (the desktop
// program and lumexa-cli call it once at start).
void InstallCleaners();

} // namespace lumexa::cleaners
