#pragma once

#include <cstdint>
#include <string>

#include <QDialog>

class QPushButton;
class QTreeWidget;

// The erased item report: the objects the newest run logged for one row of the Tracks Eraser
// list (its caption and item), read from the run's window copy in the temporary folder.
// Modal; for a plug-in row only the lines of that plug-in are shown.
namespace lumexa::core::ui {

class TFrmErasedItemReport : public QDialog
{
    Q_OBJECT

public:
    TFrmErasedItemReport(const std::string& caption, std::uint8_t item, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    QTreeWidget* m_list = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace lumexa::core::ui
