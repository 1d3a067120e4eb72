#include "core/ui/FrmPassword.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/ui/PasswordGate.h"
#include "platform/Dialogs.h"

namespace lumexa::core::ui {

TFrmPassword::TFrmPassword(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmPassword"));
    setMinimumWidth(380);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    m_prompt = new QLabel(this);
    m_prompt->setObjectName(QStringLiteral("lblPrompt"));
    m_prompt->setWordWrap(true);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("edtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_login = new QPushButton(this);
    m_login->setObjectName(QStringLiteral("btnLogin"));
    m_login->setDefault(true);
    layout->addWidget(m_prompt);
    layout->addWidget(m_password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_login);
    layout->addLayout(buttons);
    connect(m_login, &QPushButton::clicked, this, &TFrmPassword::Login);
    Retranslate();
}

void TFrmPassword::Login()
{
    if (TPasswordGate::Matches(m_password->text().toStdString())) {
        accept();
        return;
    }
    platform::Dialogs().MessageBox(
        {Msg("strLX_MESSAGE501"), Msg("strLX_CAPTION559"), platform::MessageIcon::Error, platform::MessageButtons::Ok});
    m_password->selectAll();
    m_password->setFocus();
}

void TFrmPassword::Retranslate()
{
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION559")));
    m_prompt->setText(QString::fromStdString(Msg("strLX_CAPTION560")));
    m_login->setText(QString::fromStdString(Msg("strLX_CAPTION561")));
}

void TFrmPassword::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

} // namespace lumexa::core::ui
