#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

class QListWidget;
class QPushButton;

// "Select Report Time": the run times of one day, one to choose. "Display Report" without a
// choice says "You must select one report" and stays open; any key pressed in the dialog
// closes it as cancelled.
namespace lumexa::core::ui {

class TFrmSelectReportTime : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmSelectReportTime(const std::vector<std::string>& times, QWidget* parent = nullptr);

    // Shows the dialog modally; the chosen time ("hh:nn:ss"), or nullopt when cancelled.
    static std::optional<std::string> Choose(const std::vector<std::string>& times, QWidget* parent);
    std::optional<std::string> Chosen() const { return m_chosen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void DisplayReport();

    QListWidget* m_times = nullptr;
    QPushButton* m_display = nullptr;
    std::optional<std::string> m_chosen;
};

} // namespace lumexa::core::ui
