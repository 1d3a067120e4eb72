#pragma once

#include <functional>
#include <string>

#include <QApplication>

// The application object of the desktop program. Errors that reach it unhandled (an exception
// thrown by an event handler) are caught here and shown in the error window instead of ending
// the program.
namespace lumexa::core::ui {

class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error that reached the application unhandled. By default it opens a
    // TErrorDialog; the program replaces the handler with its own window's.
    static void SetErrorHandler(std::function<void(const std::string&)> handler);
    static void ShowUnhandledError(const std::string& text);

    // std::terminate handler: the error goes to the error log before the process ends,
    // because no window can be shown safely at that point.
    static void InstallTerminateHandler();
};

} // namespace lumexa::core::ui
