#include "core/ui/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "core/MessageTable.h"
#include "core/ui/LanguageManager.h"
#include "core/ui/Style.h"

namespace lumexa::core::ui {

TTrayIcon::TTrayIcon(QObject* parent)
    : QObject(parent)
    , m_menu(std::make_unique<QMenu>())
{
    setObjectName(QStringLiteral("TrayIcon"));
    m_menu->setObjectName(QStringLiteral("mnuTray"));
    m_open = m_menu->addAction(QString());
    m_open->setObjectName(QStringLiteral("actOpen"));
    m_menu->addSeparator();
    m_help = m_menu->addMenu(QString());
    m_help->setObjectName(QStringLiteral("mnuHelp"));
    m_contents = m_help->addAction(QString());
    m_contents->setObjectName(QStringLiteral("actContents"));
    m_support = m_help->addAction(QString());
    m_support->setObjectName(QStringLiteral("actOnlineSupport"));
    m_faq = m_help->addAction(QString());
    m_faq->setObjectName(QStringLiteral("actOnlineFaq"));
    m_ticket = m_help->addAction(QString());
    m_ticket->setObjectName(QStringLiteral("actSupportTicket"));
    m_language = TLanguageManager::Instance().CreateMenu(m_menu.get());
    m_menu->addMenu(m_language);
    m_menu->addSeparator();
    m_exit = m_menu->addAction(QString());
    m_exit->setObjectName(QStringLiteral("actExit"));

    m_icon = new QSystemTrayIcon(SvgIcon(QStringLiteral("logo"), 32), this);
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setContextMenu(m_menu.get());

    connect(m_menu.get(), &QMenu::aboutToShow, this, &TTrayIcon::UpdateMenu);
    connect(m_open, &QAction::triggered, this, &TTrayIcon::OpenRequested);
    connect(m_contents, &QAction::triggered, this, &TTrayIcon::HelpContentsRequested);
    connect(m_support, &QAction::triggered, this, &TTrayIcon::OnlineSupportRequested);
    connect(m_faq, &QAction::triggered, this, &TTrayIcon::OnlineFaqRequested);
    connect(m_ticket, &QAction::triggered, this, &TTrayIcon::SupportTicketRequested);
    connect(m_exit, &QAction::triggered, this, &TTrayIcon::ExitRequested);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            emit OpenRequested();
    });
    connect(&TLanguageManager::Instance(), &TLanguageManager::LanguageChanged, this, &TTrayIcon::Retranslate);
    Retranslate();
}

TTrayIcon::~TTrayIcon()
{
    delete m_icon; // before the menu it shows goes
}

bool TTrayIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::Show()
{
    if (Available())
        m_icon->show();
}

void TTrayIcon::UpdateMenu()
{
    m_open->setEnabled(!CanOpen || CanOpen());
}

void TTrayIcon::Retranslate()
{
    m_icon->setToolTip(QString::fromStdString(Msg("strLX_CAPTION500")));
    m_open->setText(QString::fromStdString(Msg("strLX_CAPTION501")));
    m_help->setTitle(QString::fromStdString(Msg("strLX_CAPTION502")));
    m_contents->setText(QString::fromStdString(Msg("strLX_CAPTION503")));
    m_support->setText(QString::fromStdString(Msg("strLX_CAPTION504")));
    m_faq->setText(QString::fromStdString(Msg("strLX_CAPTION505")));
    m_ticket->setText(QString::fromStdString(Msg("strLX_CAPTION506")));
    m_exit->setText(QString::fromStdString(Msg("strLX_CAPTION507")));
}

} // namespace lumexa::core::ui
