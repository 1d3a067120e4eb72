#pragma once

#include <functional>
#include <vector>

#include <QWidget>

#include "core/ui/Navigation.h"

class QToolButton;

// The navigation bar: the nine groups of NavigationGroups(), at most one open at a time. An
// item of a tool that is not available is disabled and says so in its tooltip.
namespace lumexa::core::ui {

class TGroupBar : public QWidget
{
    Q_OBJECT

public:
    explicit TGroupBar(QWidget* parent = nullptr);

    // The open group, or -1 when all are closed.
    int OpenGroup() const { return m_open; }
    void SetOpenGroup(int group);
    // Enables each item for which `available` says yes.
    void UpdateAvailability(const std::function<bool(const TNavItem&)>& available);

signals:
    void ItemTriggered(int group, int item);
    // The user closed the open group.
    void GroupClosed();

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Group
    {
        QToolButton* header = nullptr;
        QWidget* body = nullptr;
        std::vector<QToolButton*> items;
    };

    void Retranslate();
    void OnHeaderClicked(int group);

    std::vector<Group> m_groups;
    int m_open = -1;
};

} // namespace lumexa::core::ui
