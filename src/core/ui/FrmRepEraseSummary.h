#pragma once

#include <array>

#include "core/ui/FloatingForm.h"

class QGroupBox;
class QLabel;
class QPushButton;

// "Program Statistics" (page 23): the totals of the statistics file per item group, the disk
// cleaners' last totals, the files protected and the date of the last erase run. Refreshed
// when created and whenever shown; "Reset" deletes the statistics file.
namespace lumexa::core::ui {

inline constexpr int ProgramStatisticsPage = 23;

class TFrmRepEraseSummary : public TFloatingForm
{
    Q_OBJECT

public:
    explicit TFrmRepEraseSummary(QWidget* parent = nullptr);

    void PageShown() override;
    // Reads a fresh copy of the statistics file into the labels.
    void Refresh();
    // "Reset".
    void Reset();

signals:
    // The statistics file was reset: the main window refreshes its summary.
    void StatisticsChanged();

protected:
    void Retranslate() override;

private:
    static constexpr std::size_t ValueCount = 9;

    QGroupBox* AddGroup(const char* objectName, std::size_t first, std::size_t count);

    std::array<QGroupBox*, 4> m_groups{};
    std::array<QLabel*, ValueCount> m_captions{};
    std::array<QLabel*, ValueCount> m_values{};
    QLabel* m_lastEraseDate = nullptr;
    QPushButton* m_reset = nullptr;
};

} // namespace lumexa::core::ui
