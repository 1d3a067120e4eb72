#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/ui/FloatingForm.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;

// "Windows & MS Office Settings" (page 26): which Windows traces (items 92..109) and which
// Office most-recently-used lists (items 110..114) a cleaning run erases. The boxes are loaded
// when the page is shown and stored when it is left; "Select All" and "Remove All" act on the
// active tab only.
namespace lumexa::cleaners::ui {

inline constexpr int WindowsSettingsPage = 26;

class TFrmWindowsSettings : public core::ui::TFloatingForm
{
    Q_OBJECT

public:
    explicit TFrmWindowsSettings(QWidget* parent = nullptr);

    void PageShown() override;
    void PageLeft() override;

protected:
    void Retranslate() override;

private:
    QWidget* AddTab(std::uint8_t first, std::uint8_t last);
    void CheckActiveTab(bool checked);

    QTabWidget* m_tabs = nullptr;
    QLabel* m_officeVersions = nullptr;
    QPushButton* m_selectAll = nullptr;
    QPushButton* m_removeAll = nullptr;
    // Every box with the item it edits.
    std::vector<std::pair<QCheckBox*, std::uint8_t>> m_boxes;
};

} // namespace lumexa::cleaners::ui
