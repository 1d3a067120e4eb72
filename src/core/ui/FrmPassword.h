#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The "Password" dialog of the settings-password gate. "Login" accepts only the right
// password; a wrong one shows "Invalid password, Try again" and keeps the dialog open.
namespace lumexa::core::ui {

class TFrmPassword : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmPassword(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void Login();

    QLabel* m_prompt = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_login = nullptr;
};

} // namespace lumexa::core::ui
