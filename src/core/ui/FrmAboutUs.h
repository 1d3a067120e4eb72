#pragma once

#include "core/ui/FloatingForm.h"

class QLabel;

// "About" (page 15): the product's name, version and what it does.
namespace lumexa::core::ui {

class TFrmAboutUs : public TFloatingForm
{
    Q_OBJECT

public:
    explicit TFrmAboutUs(QWidget* parent = nullptr);

protected:
    void Retranslate() override;

private:
    QLabel* m_name = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_description = nullptr;
};

} // namespace lumexa::core::ui
