#pragma once

#include <span>
#include <string_view>

// The navigation bar: nine groups of items and what each item does. Every item passes the
// settings-password gate first unless it is marked ungated.
namespace lumexa::core::ui {

enum class TNavAction
{
    Page,               // ShowPage(page, mode)
    PerformanceMonitor, // "\system32\perfmon.exe" under the Windows folder
    SystemRestore,      // rstrui.exe, in the order the Windows versions keep it
    Help,               // "Help\lumexa.chm" of the program folder
    PluginsWizard,      // modal windows of their own
    ProfilesManager,
};

struct TNavItem
{
    std::string_view captionKey;
    std::string_view objectName;
    TNavAction action = TNavAction::Page;
    int page = 0;
    int mode = 0;
    bool gated = true;
};

struct TNavGroup
{
    std::string_view captionKey;
    std::string_view objectName;
    std::string_view icon;
    std::span<const TNavItem> items;
};

std::span<const TNavGroup> NavigationGroups();

} // namespace lumexa::core::ui
