#pragma once

#include <array>

#include <QPointer>

#include "core/ui/FloatingForm.h"

// The page table of the main window: 28 pages, 0..27, each with its page window (none for the
// home page 0, the unused page 16 and the tools not built yet) and its docked flag, and the
// rules for switching the active page.
namespace lumexa::core::ui {

inline constexpr int PageCount = 28;
inline constexpr int HomePage = 0;
inline constexpr int AboutPage = 15;

class TPageTable
{
public:
    void Register(int page, TFloatingForm* window);
    TFloatingForm* Window(int page) const;
    bool HasWindow(int page) const { return Window(page) != nullptr; }
    bool Docked(int page) const;
    void SetDocked(int page);
    int ActivePage() const { return m_active; }

    // Switches the active page to `page`. The window of the page being left is asked
    // CanLeavePage first: if it says no, nothing changes (neither PageLeft nor PageShown is
    // called) and the result is false. Otherwise it gets PageLeft and the new page's window
    // PageShown. Switching to the active page itself changes nothing and succeeds.
    bool SwitchTo(int page);
    // May the active page be left now?
    bool CanLeaveActivePage() const;

    static bool Valid(int page) { return page >= 0 && page < PageCount; }

private:
    struct Entry
    {
        QPointer<TFloatingForm> window;
        bool docked = false;
    };
    std::array<Entry, PageCount> m_pages;
    int m_active = HomePage;
};

} // namespace lumexa::core::ui
