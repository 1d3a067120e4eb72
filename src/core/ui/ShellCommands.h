#pragma once

#include <optional>
#include <string>

namespace lumexa::platform {
class Machine;
}

// What the main window starts with the machine's shell: system tools, the help file, the
// update tool and the vendor's web pages. A target that is missing is the shell's to report
// (its result is not checked), as on Windows.
namespace lumexa::core::ui {

// "\system32\restore\rstrui.exe" under the Windows folder if it exists (Windows XP keeps it
// there), else "\system32\rstrui.exe" if that exists (Vista and later), else nothing.
std::optional<std::string> SystemRestorePath(platform::Machine& machine);

void OpenPerformanceMonitor(platform::Machine& machine);
void OpenSystemRestore(platform::Machine& machine);
void OpenHelpFile(platform::Machine& machine);  // "Help\lumexa.chm" of the program folder
void RunLiveUpdate(platform::Machine& machine); // "LiveUpdate.exe" of the program folder, verb "Open"
void OpenSupportHome(platform::Machine& machine);
void OpenFaq(platform::Machine& machine);
void OpenSupportTicket(platform::Machine& machine);

} // namespace lumexa::core::ui
