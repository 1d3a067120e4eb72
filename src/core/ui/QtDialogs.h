#pragma once

#include "platform/Dialogs.h"

// The dialogs service of the desktop program: Qt message boxes with the caption, icon and
// buttons asked for, and the machine's own file and folder dialogs. Callable from any thread:
// a call from a worker thread runs on the user-interface thread and waits for the answer.
namespace lumexa::core::ui {

class TQtDialogs : public platform::IDialogs
{
public:
    platform::DialogResult MessageBox(const platform::MessageBoxRequest& request) override;
    std::vector<std::string> OpenFiles(const platform::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override;
    std::optional<std::string> SelectFolder(const std::string& title, const std::string& initialFolder) override;
};

} // namespace lumexa::core::ui
