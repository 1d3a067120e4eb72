#include "core/ui/ErrorDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/MessageTable.h"

namespace lumexa::core::ui {

TErrorDialog::TErrorDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TErrorDialog"));
    setMinimumSize(480, 320);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(40, 40));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* texts = new QVBoxLayout;
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("lblErrorHeader"));
    m_header->setWordWrap(true);
    m_please = new QLabel(this);
    m_please->setObjectName(QStringLiteral("lblPleaseTell"));
    m_report = new QLabel(this);
    m_report->setObjectName(QStringLiteral("lblReport"));
    m_report->setWordWrap(true);
    texts->addWidget(m_header);
    texts->addWidget(m_please);
    texts->addWidget(m_report);
    top->addLayout(texts, 1);
    layout->addLayout(top);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("memError"));
    m_memo->setReadOnly(true);
    layout->addWidget(m_memo, 1);
    auto* buttons = new QHBoxLayout;
    m_send = new QPushButton(this);
    m_send->setObjectName(QStringLiteral("btnSendReport"));
    m_dontSend = new QPushButton(this);
    m_dontSend->setObjectName(QStringLiteral("btnDontSend"));
    m_dontSend->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(m_send);
    buttons->addWidget(m_dontSend);
    layout->addLayout(buttons);
    // "Send Error Report" is deliberately not connected: the program sends no reports.
    connect(m_dontSend, &QPushButton::clicked, this, &QDialog::reject);
    Retranslate();
}

void TErrorDialog::ShowError(const QString& text)
{
    m_memo->setPlainText(text);
    exec();
}

void TErrorDialog::Retranslate()
{
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION566")));
    m_header->setText(QString::fromStdString(Msg("strLX_CAPTION567")));
    m_please->setText(QString::fromStdString(Msg("strLX_CAPTION568")));
    m_report->setText(QString::fromStdString(Msg("strLX_CAPTION569")).trimmed());
    m_send->setText(QString::fromStdString(Msg("strLX_CAPTION570")));
    m_dontSend->setText(QString::fromStdString(Msg("strLX_CAPTION571")));
}

void TErrorDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

} // namespace lumexa::core::ui
