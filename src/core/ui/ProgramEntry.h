#pragma once

#include "core/ui/Program.h"

// The desktop program's main(): the machine from LUMEXA_MACHINE (or the default machine),
// created on first start and made current, the shipped files restored, the Qt services
// installed, then the start-up and the message loop.
namespace lumexa::core::ui {

// `options` carries what main() adds, such as the page windows of other libraries.
int RunLumexa(int& argc, char** argv, TProgramOptions options = {});

} // namespace lumexa::core::ui
