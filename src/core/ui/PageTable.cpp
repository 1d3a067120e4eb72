#include "core/ui/PageTable.h"

namespace lumexa::core::ui {

void TPageTable::Register(int page, TFloatingForm* window)
{
    if (Valid(page) && page != HomePage)
        m_pages[static_cast<std::size_t>(page)] = {window, false};
}

TFloatingForm* TPageTable::Window(int page) const
{
    return Valid(page) ? m_pages[static_cast<std::size_t>(page)].window.data() : nullptr;
}

bool TPageTable::Docked(int page) const
{
    return Valid(page) && m_pages[static_cast<std::size_t>(page)].docked;
}

void TPageTable::SetDocked(int page)
{
    if (Valid(page))
        m_pages[static_cast<std::size_t>(page)].docked = true;
}

bool TPageTable::CanLeaveActivePage() const
{
    TFloatingForm* window = Window(m_active);
    return !window || window->CanLeavePage();
}

bool TPageTable::SwitchTo(int page)
{
    if (!Valid(page))
        return false;
    if (page == m_active)
        return true;
    if (TFloatingForm* leaving = Window(m_active)) {
        if (!leaving->CanLeavePage())
            return false;
        leaving->PageLeft();
    }
    m_active = page;
    if (TFloatingForm* shown = Window(page))
        shown->PageShown();
    return true;
}

} // namespace lumexa::core::ui
