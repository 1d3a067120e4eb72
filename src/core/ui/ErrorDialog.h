#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Lumexa - Error occurred": shows an error that reached the application unhandled.
// "Send Error Report" does nothing (there is nowhere to send it); "Don't Send" closes.
namespace lumexa::core::ui {

class TErrorDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TErrorDialog(QWidget* parent = nullptr);
    // Shows the error text modally and returns when the window is closed.
    void ShowError(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    QLabel* m_header = nullptr;
    QLabel* m_please = nullptr;
    QLabel* m_report = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_dontSend = nullptr;
};

} // namespace lumexa::core::ui
