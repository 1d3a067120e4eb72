#include "core/ui/ProgramEntry.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include <QTimer>

#include "core/Helpers.h"
#include "core/ui/Application.h"
#include "core/ui/FrmMain.h"
#include "core/ui/Program.h"
#include "core/ui/QtDialogs.h"
#include "core/ui/QtDispatcher.h"
#include "core/ui/ShippedFiles.h"
#include "core/ui/Style.h"
#include "platform/Dialogs.h"
#include "platform/Machine.h"
#include "platform/Thread.h"

namespace lumexa::core::ui {

namespace {
QStringList ProgramArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// LUMEXA_SCREENSHOT=<file>: saves a picture of the main window once it is shown, then ends;
// LUMEXA_SCREENSHOT_PAGE=<n> shows that page first. Used to keep the documentation's pictures
// current.
void ScheduleScreenshot(TFrmMain& window)
{
    const QString target = qEnvironmentVariable("LUMEXA_SCREENSHOT");
    if (target.isEmpty())
        return;
    bool hasPage = false;
    const int page = qEnvironmentVariableIntValue("LUMEXA_SCREENSHOT_PAGE", &hasPage);
    if (hasPage)
        QTimer::singleShot(300, &window, [&window, page] { window.ShowPage(page, 0); });
    QTimer::singleShot(hasPage ? 900 : 500, &window, [&window, target] {
        const bool saved = window.grab().save(target, "PNG");
        if (!saved)
            std::fprintf(stderr, "lumexa: cannot write %s\n", target.toLocal8Bit().constData());
        QCoreApplication::exit(saved ? 0 : 1);
    });
}
} // namespace

int RunLumexa(int& argc, char** argv, TProgramOptions options)
{
    const std::string root = platform::Machine::DefaultRoot();
    std::string error;
    std::shared_ptr<platform::Machine> machine = platform::Machine::OpenOrCreate(root, &error);
    if (!machine) {
        std::fprintf(stderr, "lumexa: %s\n", error.c_str());
        return 1;
    }
    platform::Machine::SetCurrent(machine);
    if (!InstallShippedFiles(*machine))
        LogError("The shipped files could not be restored in " + machine->ProgramFolder(), false);

    const QStringList arguments = ProgramArguments(argc, argv);
    // "reinstall" needs no display: the installer may run it where none is.
    if (TProgram::IsReinstall(arguments)) {
        TProgram::RecordReinstall();
        return 0;
    }

    TApplication application(argc, argv);
    TApplication::InstallTerminateHandler();
    application.setQuitOnLastWindowClosed(false);
    ApplyStyle(application);
    platform::SetDispatcher(std::make_shared<TQtDispatcher>());
    platform::SetDialogs(std::make_shared<TQtDialogs>());

    int result = 0;
    {
        TProgram program(std::move(options));
        if (const std::optional<int> ended = program.Start(arguments)) {
            result = *ended;
        } else {
            QObject::connect(program.MainWindow(),
                             &TFrmMain::ProgramClosed,
                             &application,
                             &QCoreApplication::quit,
                             Qt::QueuedConnection);
            ScheduleScreenshot(*program.MainWindow());
            result = TApplication::exec();
        }
    }
    // Worker threads finishing after this point run their events directly.
    platform::SetDialogs(nullptr);
    platform::SetDispatcher(nullptr);
    platform::Machine::SetCurrent(nullptr);
    return result;
}

} // namespace lumexa::core::ui
