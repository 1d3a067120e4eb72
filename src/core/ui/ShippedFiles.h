#pragma once

#include <string_view>

namespace lumexa::platform {
class Machine;
}

// The files Lumexa ships in its program folder, restored at start-up when missing: the
// program folder's subfolders and "Tips.dat".
namespace lumexa::core::ui {

// The shipped "Tips.dat", as compiled into the program (LF line ends).
std::string_view ShippedTipsText();

// Restores what is missing; existing files are left as they are (the user may have edited
// them). Returns false when a missing file could not be written.
bool InstallShippedFiles(platform::Machine& machine);

} // namespace lumexa::core::ui
