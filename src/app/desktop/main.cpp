#include <utility>

#include "cleaners/Cleaners.h"
#include "cleaners/ui/FrmWindowsSettings.h"
#include "core/ui/ProgramEntry.h"

int main(int argc, char** argv)
{
    lumexa::cleaners::InstallCleaners();
    lumexa::core::ui::TProgramOptions options;
    // The core windows do not link the cleaners' pages; the program hands them over.
    options.extraPages.emplace_back(lumexa::cleaners::ui::WindowsSettingsPage, [](QWidget* parent) {
        return static_cast<lumexa::core::ui::TFloatingForm*>(new lumexa::cleaners::ui::TFrmWindowsSettings(parent));
    });
    return lumexa::core::ui::RunLumexa(argc, argv, std::move(options));
}
