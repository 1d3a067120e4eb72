#include "core/ui/Application.h"

#include <cstdlib>
#include <exception>

#include "core/Helpers.h"
#include "core/MessageTable.h"
#include "core/ui/ErrorDialog.h"

namespace lumexa::core::ui {

namespace {
std::function<void(const std::string&)>& ErrorHandler()
{
    static std::function<void(const std::string&)> handler;
    return handler;
}

// Set while the error window is up: an error raised meanwhile (by the window's own nested
// event loop) is logged instead of opening windows on top of each other.
bool g_showingError = false;

[[noreturn]] void OnTerminate()
{
    std::string text = "Unhandled error";
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            text += ": " + std::string(error.what());
        } catch (...) {
        }
    }
    LogError(text, false);
    std::abort();
}
} // namespace

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowUnhandledError(error.what());
    } catch (...) {
        ShowUnhandledError(Msg("strLX_CAPTION932"));
    }
    return false;
}

void TApplication::SetErrorHandler(std::function<void(const std::string&)> handler)
{
    ErrorHandler() = std::move(handler);
}

void TApplication::ShowUnhandledError(const std::string& text)
{
    if (g_showingError) {
        LogError(text, false);
        return;
    }
    g_showingError = true;
    try {
        if (ErrorHandler()) {
            ErrorHandler()(text);
        } else {
            TErrorDialog dialog;
            dialog.ShowError(QString::fromStdString(text));
        }
    } catch (...) {
        LogError(text, false);
    }
    g_showingError = false;
}

void TApplication::InstallTerminateHandler()
{
    std::set_terminate(OnTerminate);
}

} // namespace lumexa::core::ui
