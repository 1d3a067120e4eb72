#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QStringList>

#include "core/ui/Navigation.h"

class QWidget;

namespace lumexa::platform {
class NamedMutex;
}

// The program's start-up on the current machine, up to the message loop: the "reinstall"
// argument, the splash window, the single instance, the windows, the administrator check,
// the start in the notification area and the first page.
namespace lumexa::core::ui {

class TErrorDialog;
class TFloatingForm;
class TFrmAboutUs;
class TFrmMain;
class TInstanceServer;

// Creates a page window with the main window as its parent.
using TPageFactory = std::function<TFloatingForm*(QWidget* parent)>;

struct TProgramOptions
{
    int splashMilliseconds = 5000;
    // Page windows of libraries the core windows do not link (the trace cleaners' settings
    // pages), each with its page number; created in this order after the core's own tools.
    std::vector<std::pair<int, TPageFactory>> extraPages;
    // Modal windows of those libraries opened from the navigation (the profiles manager), each
    // shown with the main window as its parent.
    std::vector<std::pair<TNavAction, std::function<void(QWidget* parent)>>> modalWindows;
};

class TProgram
{
public:
    explicit TProgram(TProgramOptions options = {});
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Runs the start-up with the command-line arguments (without the program's name). Returns
    // the exit code when the program ends here (reinstall, another instance running, no
    // administrator), or nullopt when the main window is up and the message loop should run.
    std::optional<int> Start(const QStringList& arguments);

    TFrmMain* MainWindow() const { return m_main.get(); }
    TErrorDialog* ErrorDialog() const { return m_errorDialog.get(); }

    // True for a first argument of exactly "reinstall".
    static bool IsReinstall(const QStringList& arguments);
    // Records the reinstall time (item 90).
    static void RecordReinstall();

private:
    void CreateWindows();

    TProgramOptions m_options;
    std::unique_ptr<platform::NamedMutex> m_mutex;
    std::unique_ptr<TInstanceServer> m_server;
    std::unique_ptr<TFrmMain> m_main;
    std::unique_ptr<TErrorDialog> m_errorDialog;
};

} // namespace lumexa::core::ui
