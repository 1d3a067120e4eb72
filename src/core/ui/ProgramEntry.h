#pragma once

// The desktop program's main(): the machine from LUMEXA_MACHINE (or the default machine),
// created on first start and made current, the shipped files restored, the Qt services
// installed, then the start-up and the message loop.
namespace lumexa::core::ui {

int RunLumexa(int& argc, char** argv);

} // namespace lumexa::core::ui
