#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "core/ui/FloatingForm.h"

class QAction;
class QMenu;
class QTimer;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lumexa::core {
class TGeneralCleannerThread;
}

// "Tracks Eraser" (page 6): the enabled trace items in run order with their size and state,
// "Start" with "Erase" and "Analyze", and "Stop". A run's events arrive on its cleaners'
// threads; each takes one queued hop to this window, tagged with the run's number, so only
// the run the page is showing changes rows.
namespace lumexa::core::ui {

inline constexpr int TracksEraserPage = 6;

class TFrmTracksEraser : public TFloatingForm
{
    Q_OBJECT

public:
    explicit TFrmTracksEraser(QWidget* parent = nullptr);
    // Waits for every run still alive, the stopped ones included: none outlives the window.
    ~TFrmTracksEraser() override;

    void PageShown() override;
    void PageLeft() override;
    bool CanLeavePage() override;

    // "Erase" and "Analyze" of the "Start" menu.
    void Erase();
    void Analyze();
    // "Stop": halts the run and returns to idle at once.
    void Stop();
    bool Running() const { return m_run != nullptr; }
    // Stopped runs whose cleaner has not finished reporting yet.
    std::size_t RetiredRuns() const { return m_retired.size(); }

signals:
    // The statistics may have changed (the page was left): the main window refreshes its
    // summary.
    void StatisticsChanged();
    // Item 28 ("Close Lumexa after erasing") after an erase run.
    void CloseProgramRequested();
    // The hop of every run event from the cleaner's thread; `run` tags the run.
    void RunEvent(int run, int kind, int item, const QString& name, quint64 total);
    // The page went back to idle (run finished or stopped).
    void RunEnded();

protected:
    void Retranslate() override;

private:
    enum TEventKind : int
    {
        EventItemStarted,
        EventItemFinished,
        EventPluginStarted,
        EventPluginFinished,
        EventProgress,
    };

    void BuildWidgets();
    void RebuildList();
    void StartRun(bool analysis);
    void WireRun(TGeneralCleannerThread& run, int number);
    void OnRunEvent(int run, int kind, int item, const QString& name, quint64 total);
    void Poll();
    void FinishRun(int run);
    void ReturnToIdle(bool analysis);
    void SetIdle(bool idle);
    void StartRow(QTreeWidgetItem* row);
    QTreeWidgetItem* FirstRowOf(std::uint8_t item) const;
    QTreeWidgetItem* PluginRow(const QString& name) const;
    void OpenItemReport(QTreeWidgetItem* row);

    QTreeWidget* m_list = nullptr;
    QPushButton* m_start = nullptr;
    QMenu* m_startMenu = nullptr;
    QAction* m_erase = nullptr;
    QAction* m_analyze = nullptr;
    QPushButton* m_stop = nullptr;
    QTimer* m_poll = nullptr;
    QTreeWidgetItem* m_currentRow = nullptr;

    std::unique_ptr<TGeneralCleannerThread> m_run;
    int m_runNumber = 0;
    // Stopped runs, kept until their cleaner has finished reporting.
    std::vector<std::unique_ptr<TGeneralCleannerThread>> m_retired;
};

} // namespace lumexa::core::ui
