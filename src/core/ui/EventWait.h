#pragma once

#include <functional>

// Waiting for a worker from a window without freezing it: the window's events (painting, a
// "Stop" button) are handled while it waits.
namespace lumexa::core::ui {

// Runs a nested event loop until `finished` holds, asking every `pollMs` milliseconds.
void WaitHandlingEvents(const std::function<bool()>& finished, int pollMs);

} // namespace lumexa::core::ui
