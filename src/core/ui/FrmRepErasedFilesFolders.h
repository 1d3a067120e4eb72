#pragma once

#include <array>

#include "core/ui/FloatingForm.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

// "Erased Files/ Folders" (page 22): the run reports of one day in four lists (Browser,
// Windows, Plugins, Email and News). Mode 0 views one run chosen in "Select Report Time";
// mode 1 searches every run of the day for a file name.
namespace lumexa::core::ui {

inline constexpr int ErasedFilesPage = 22;

class TFrmRepErasedFilesFolders : public TFloatingForm
{
    Q_OBJECT

public:
    enum TReportType : int
    {
        ViewReports = 0,
        SearchErasedFiles = 1,
    };

    explicit TFrmRepErasedFilesFolders(QWidget* parent = nullptr);

    // Sets the report type, clears the lists and starts the report date as today.
    void SetPageMode(int mode) override;
    // "View Reports" / "Search For File".
    void ShowReports();

protected:
    void Retranslate() override;

private:
    void BuildWidgets();
    void ClearLists();
    void ShowCounts();

    QLabel* m_caption = nullptr;
    QDateEdit* m_date = nullptr;
    QLabel* m_fileNameLabel = nullptr;
    QLineEdit* m_fileName = nullptr;
    QPushButton* m_show = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::array<QTreeWidget*, 4> m_lists{};
};

} // namespace lumexa::core::ui
