#include "core/ui/ShellCommands.h"

#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::core::ui {

std::optional<std::string> SystemRestorePath(platform::Machine& machine)
{
    const std::string windows = machine.Shell().WindowsDirectory();
    for (const char* relative : {"\\system32\\restore\\rstrui.exe", "\\system32\\rstrui.exe"}) {
        std::string path = windows + relative;
        if (machine.Files().FileExists(path))
            return path;
    }
    return std::nullopt;
}

void OpenPerformanceMonitor(platform::Machine& machine)
{
    (void)machine.Shell().ShellExecute("open", machine.Shell().WindowsDirectory() + "\\system32\\perfmon.exe");
}

void OpenSystemRestore(platform::Machine& machine)
{
    if (const auto path = SystemRestorePath(machine))
        (void)machine.Shell().ShellExecute("open", *path);
}

void OpenHelpFile(platform::Machine& machine)
{
    (void)machine.Shell().ShellExecute("open", machine.ProgramFolder() + "Help\\lumexa.chm");
}

void RunLiveUpdate(platform::Machine& machine)
{
    (void)machine.Shell().ShellExecute("Open", machine.ProgramFolder() + "LiveUpdate.exe");
}

void OpenSupportHome(platform::Machine& machine)
{
    (void)machine.Shell().ShellExecute("open", machine.Config().supportHomePage);
}

void OpenFaq(platform::Machine& machine)
{
    (void)machine.Shell().ShellExecute("open", machine.Config().faqPage);
}

void OpenSupportTicket(platform::Machine& machine)
{
    (void)machine.Shell().ShellExecute("open", machine.Config().supportTicketPage);
}

} // namespace lumexa::core::ui
