#pragma once

#include <QDialog>

#include "core/ui/TipPool.h"

class QCheckBox;
class QLabel;
class QPushButton;

// "Tip of the day": a tip from the pool, "Next Tip", "Show tips on startup" (item 29, written
// at once) and "&Close"; Esc closes it too.
namespace lumexa::core::ui {

class TFrmTip : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmTip(QWidget* parent = nullptr);
    void NextTip();
    QString CurrentTip() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    TTipPool m_pool;
    QLabel* m_header = nullptr;
    QLabel* m_tip = nullptr;
    QCheckBox* m_showOnStartup = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace lumexa::core::ui
