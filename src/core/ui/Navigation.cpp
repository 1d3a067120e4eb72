#include "core/ui/Navigation.h"

#include <array>

namespace lumexa::core::ui {

namespace {
using enum TNavAction;

constexpr std::array TracksEraserItems{
    TNavItem{"strLX_CAPTION508", "navTracksEraser", Page, 6},
    TNavItem{"strLX_CAPTION517", "navPlugins", Page, 24},
    TNavItem{"strLX_CAPTION518", "navMail", Page, 27},
    TNavItem{"strLX_CAPTION519", "navFileShredder", Page, 19},
};
constexpr std::array DiskCleanerItems{
    TNavItem{"strLX_CAPTION520", "navObsoleteFilesCleaner", Page, 1},
    TNavItem{"strLX_CAPTION521", "navDuplicateFilesCleaner", Page, 2},
    TNavItem{"strLX_CAPTION522", "navBrokenShortcutsCleaner", Page, 3},
    TNavItem{"strLX_CAPTION523", "navDiskWiper", Page, 4},
};
constexpr std::array IdentityItems{
    TNavItem{"strLX_CAPTION524", "navIPConcealer", Page, 5, 0, false},
    TNavItem{"strLX_CAPTION525", "navIEProtector", Page, 20},
};
constexpr std::array FileSecurityItems{
    TNavItem{"strLX_CAPTION526", "navLockFiles", Page, 12},
    TNavItem{"strLX_CAPTION527", "navUnlockFiles", Page, 11},
    TNavItem{"strLX_CAPTION528", "navHideFiles", Page, 13},
    TNavItem{"strLX_CAPTION529", "navUnhideFiles", Page, 14},
};
constexpr std::array SystemItems{
    TNavItem{"strLX_CAPTION530", "navStartupManager", Page, 21},
    TNavItem{"strLX_CAPTION531", "navPerformanceMonitor", PerformanceMonitor, 0, 0, false},
};
constexpr std::array BackupItems{
    TNavItem{"strLX_CAPTION532", "navRestoreBackups", Page, 10},
    TNavItem{"strLX_CAPTION533", "navSystemRestore", SystemRestore, 0, 0, false},
};
constexpr std::array SettingsItems{
    TNavItem{"strLX_CAPTION534", "navBrowsers", Page, 17},
    TNavItem{"strLX_CAPTION535", "navWindows", Page, 26},
    TNavItem{"strLX_CAPTION520", "navObsoleteFilesSettings", Page, 7},
    TNavItem{"strLX_CAPTION521", "navDuplicateFilesSettings", Page, 8},
    TNavItem{"strLX_CAPTION522", "navBrokenShortcutsSettings", Page, 9},
    TNavItem{"strLX_CAPTION536", "navPluginsWizard", PluginsWizard},
    TNavItem{"strLX_CAPTION537", "navProfilesManager", ProfilesManager},
    TNavItem{"strLX_CAPTION538", "navIPConcealerSettings", Page, 25, 0, false},
    TNavItem{"strLX_CAPTION539", "navPreferences", Page, 18},
};
constexpr std::array ReportItems{
    TNavItem{"strLX_CAPTION540", "navErasedFiles", Page, 22, 0},
    TNavItem{"strLX_CAPTION541", "navProgramStatistics", Page, 23},
    TNavItem{"strLX_CAPTION542", "navSearchErasedFiles", Page, 22, 1},
};
constexpr std::array HelpItems{
    TNavItem{"strLX_CAPTION516", "navHelp", Help, 0, 0, false},
    TNavItem{"strLX_CAPTION543", "navAbout", Page, 15, 0, false},
};

constexpr std::array Groups{
    TNavGroup{"strLX_CAPTION508", "grpTracksEraser", "tracks", TracksEraserItems},
    TNavGroup{"strLX_CAPTION509", "grpDiskCleaner", "disk", DiskCleanerItems},
    TNavGroup{"strLX_CAPTION510", "grpIdentityProtection", "identity", IdentityItems},
    TNavGroup{"strLX_CAPTION511", "grpFileSecurity", "security", FileSecurityItems},
    TNavGroup{"strLX_CAPTION512", "grpSystem", "system", SystemItems},
    TNavGroup{"strLX_CAPTION513", "grpBackups", "backups", BackupItems},
    TNavGroup{"strLX_CAPTION514", "grpSettings", "settings", SettingsItems},
    TNavGroup{"strLX_CAPTION515", "grpReports", "reports", ReportItems},
    TNavGroup{"strLX_CAPTION516", "grpHelp", "help", HelpItems},
};
} // namespace

std::span<const TNavGroup> NavigationGroups()
{
    return Groups;
}

} // namespace lumexa::core::ui
