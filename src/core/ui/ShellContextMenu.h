#pragma once

#include <memory>
#include <string>

class QMenu;
class QWidget;

// The context menu of a file on the machine, as the disk-cleaner wizards show it: "Open",
// "Open With...", "Copy Path" and "Properties".
namespace lumexa::core::ui {

// The menu with its actions wired ("actOpen", "actOpenWith", "actCopyPath", "actProperties").
std::unique_ptr<QMenu> CreateShellContextMenu(QWidget* window, const std::string& path);

// Shows the menu at the client point (x, y) of the window and carries out the chosen command.
void ShowShellContextMenu(QWidget* window, int x, int y, const std::string& path);

} // namespace lumexa::core::ui
