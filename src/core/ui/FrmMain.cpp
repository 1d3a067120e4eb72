#include "core/ui/FrmMain.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/EraseSummary.h"
#include "core/Helpers.h"
#include "core/MessageTable.h"
#include "core/SettingsManager.h"
#include "core/ui/FrmPassword.h"
#include "core/ui/FrmTip.h"
#include "core/ui/GroupBar.h"
#include "core/ui/HomePage.h"
#include "core/ui/ShellCommands.h"
#include "core/ui/TipPool.h"
#include "core/ui/TitleBar.h"
#include "core/ui/TrayIcon.h"
#include "platform/Clock.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
constexpr std::uint8_t ShowTipsItem = 29;
constexpr int TipsDelayMs = 2500;

platform::Machine& CurrentMachine()
{
    return platform::Machine::Current();
}
} // namespace

TFrmMain::TFrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmMain"));
    // The frame paints the rounded corners (radius 20); what lies outside them stays clear.
    setAttribute(Qt::WA_TranslucentBackground);
    BuildWidgets();
    ConnectSignals();
    if (TSettingsManager::ReadBool(ShowTipsItem)) {
        m_tipsTimer = new QTimer(this);
        m_tipsTimer->setObjectName(QStringLiteral("tmrTips"));
        m_tipsTimer->setSingleShot(true);
        m_tipsTimer->setInterval(TipsDelayMs);
        connect(m_tipsTimer, &QTimer::timeout, this, &TFrmMain::ShowTipWindow);
        m_tipsTimer->start();
    }
    UpdateAvailability();
    UpdatePageCommands();
    Retranslate(); // shows the summary too
}

TFrmMain::~TFrmMain()
{
    // A floated page window has no parent; it goes with the main window all the same.
    for (int page = 1; page < PageCount; ++page)
        if (TFloatingForm* window = m_pages.Window(page); window && window->Floating())
            delete window;
}

void TFrmMain::BuildWidgets()
{
    resize(1000, 700);
    setMinimumSize(900, 640);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("pnlFrame"));
    frame->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(frame);

    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_title = new TTitleBar(frame);
    layout->addWidget(m_title);

    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    m_groupBar = new TGroupBar(frame);
    m_groupBar->setFixedWidth(250);
    body->addWidget(m_groupBar);
    m_pageArea = new QStackedWidget(frame);
    m_pageArea->setObjectName(QStringLiteral("pnlPages"));
    m_pageArea->setAttribute(Qt::WA_StyledBackground);
    for (int page = 0; page < PageCount; ++page) {
        auto* pageWidget = new QWidget(m_pageArea);
        pageWidget->setObjectName(QStringLiteral("page%1").arg(page));
        pageWidget->setProperty("pageNumber", page);
        auto* pageLayout = new QVBoxLayout(pageWidget);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        m_pageArea->addWidget(pageWidget);
    }
    m_home = new THomePage(PageWidget(HomePage));
    PageWidget(HomePage)->layout()->addWidget(m_home);
    body->addWidget(m_pageArea, 1);
    layout->addLayout(body, 1);

    m_tray = new TTrayIcon(this);
    m_tray->CanOpen = [this] {
        const TFloatingForm* wizard = m_pages.Window(1);
        return (!isVisible() || isMinimized()) && !(wizard && wizard->Floating());
    };
    m_tray->Show();
}

void TFrmMain::ConnectSignals()
{
    connect(m_title, &TTitleBar::HomeClicked, this, [this] { ShowPage(HomePage); });
    connect(m_title, &TTitleBar::PopupClicked, this, &TFrmMain::PopupWindow);
    connect(m_title, &TTitleBar::MinimizeClicked, this, &TFrmMain::MinimizeApplication);
    connect(m_title, &TTitleBar::CloseClicked, this, &TFrmMain::TryClose);
    connect(m_groupBar, &TGroupBar::ItemTriggered, this, &TFrmMain::TriggerItem);
    connect(m_groupBar, &TGroupBar::GroupClosed, this, [this] { ShowPage(HomePage); });

    connect(m_home, &THomePage::SupportHomeClicked, this, [] { OpenSupportHome(CurrentMachine()); });
    connect(m_home, &THomePage::FaqClicked, this, [] { OpenFaq(CurrentMachine()); });
    connect(m_home, &THomePage::SupportTicketClicked, this, [] { OpenSupportTicket(CurrentMachine()); });
    connect(m_home, &THomePage::LiveUpdateClicked, this, [] { RunLiveUpdate(CurrentMachine()); });

    connect(m_tray, &TTrayIcon::OpenRequested, this, &TFrmMain::RestoreFromTray);
    connect(m_tray, &TTrayIcon::HelpContentsRequested, this, [] { OpenHelpFile(CurrentMachine()); });
    connect(m_tray, &TTrayIcon::OnlineSupportRequested, this, [] { OpenSupportHome(CurrentMachine()); });
    connect(m_tray, &TTrayIcon::OnlineFaqRequested, this, [] { OpenFaq(CurrentMachine()); });
    connect(m_tray, &TTrayIcon::SupportTicketRequested, this, [] { OpenSupportTicket(CurrentMachine()); });
    connect(m_tray, &TTrayIcon::ExitRequested, this, &TFrmMain::TryClose);
}

QWidget* TFrmMain::PageWidget(int page) const
{
    return TPageTable::Valid(page) ? m_pageArea->widget(page) : nullptr;
}

void TFrmMain::RegisterPage(int page, TFloatingForm* window)
{
    m_pages.Register(page, window);
    if (window) {
        window->hide();
        window->OnDockedAgain = [this] { RestoreApplication(); };
    }
    UpdateAvailability();
}

void TFrmMain::SetModalWindow(TNavAction action, std::function<void()> open)
{
    m_modals[action] = std::move(open);
    UpdateAvailability();
}

bool TFrmMain::ItemAvailable(const TNavItem& item) const
{
    switch (item.action) {
    case TNavAction::Page:
        return m_pages.HasWindow(item.page);
    case TNavAction::PluginsWizard:
    case TNavAction::ProfilesManager:
        return m_modals.contains(item.action);
    case TNavAction::PerformanceMonitor:
    case TNavAction::SystemRestore:
    case TNavAction::Help:
        break;
    }
    return true;
}

void TFrmMain::UpdateAvailability()
{
    m_groupBar->UpdateAvailability([this](const TNavItem& item) { return ItemAvailable(item); });
}

void TFrmMain::UpdatePageCommands()
{
    m_title->SetPageCommandsEnabled(ActivePage() != HomePage);
}

bool TFrmMain::ShowPage(int page, int mode)
{
    if (!TPageTable::Valid(page))
        return false;
    if (TFloatingForm* window = m_pages.Window(page)) {
        if (!m_pages.Docked(page)) {
            window->DockInto(PageWidget(page), this);
            m_pages.SetDocked(page);
        }
        window->SetPageMode(mode);
        window->show();
    }
    if (!m_pages.SwitchTo(page))
        return false;
    m_pageArea->setCurrentIndex(page);
    UpdatePageCommands();
    return true;
}

void TFrmMain::TriggerItem(int group, int item)
{
    const auto groups = NavigationGroups();
    if (group < 0 || group >= static_cast<int>(groups.size()))
        return;
    const auto items = groups[static_cast<std::size_t>(group)].items;
    if (item < 0 || item >= static_cast<int>(items.size()))
        return;
    const TNavItem& chosen = items[static_cast<std::size_t>(item)];
    if (!ItemAvailable(chosen))
        return;
    if (chosen.gated && !CheckSettingsPassword())
        return;
    switch (chosen.action) {
    case TNavAction::Page:
        ShowPage(chosen.page, chosen.mode);
        break;
    case TNavAction::PerformanceMonitor:
        OpenPerformanceMonitor(CurrentMachine());
        break;
    case TNavAction::SystemRestore:
        OpenSystemRestore(CurrentMachine());
        break;
    case TNavAction::Help:
        OpenHelpFile(CurrentMachine());
        break;
    case TNavAction::PluginsWizard:
    case TNavAction::ProfilesManager:
        m_modals[chosen.action]();
        break;
    }
}

bool TFrmMain::CheckSettingsPassword()
{
    if (m_gate.Open())
        return true;
    TFrmPassword dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_gate.Unlock();
    return true;
}

bool TFrmMain::AnyPageFloating() const
{
    for (int page = 1; page < PageCount; ++page)
        if (const TFloatingForm* window = m_pages.Window(page); window && window->Floating())
            return true;
    return false;
}

void TFrmMain::PopupWindow()
{
    TFloatingForm* window = m_pages.Window(ActivePage());
    if (ActivePage() == HomePage || !window || window->Floating())
        return;
    window->FloatOut();
    MinimizeApplication();
}

void TFrmMain::MinimizeApplication()
{
    if (TTrayIcon::Available())
        hide(); // only the notification-area icon remains
    else
        showMinimized(); // no notification area: keep a taskbar entry to come back by
}

void TFrmMain::RestoreApplication()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
}

void TFrmMain::RestoreFromTray()
{
    if (AnyPageFloating())
        return;
    RestoreApplication();
}

void TFrmMain::BringToFront()
{
    for (int page = 1; page < PageCount; ++page)
        if (TFloatingForm* window = m_pages.Window(page); window && window->Floating()) {
            window->showNormal();
            window->raise();
            window->activateWindow();
            return;
        }
    RestoreApplication();
}

void TFrmMain::StartInTray()
{
    MinimizeApplication();
}

bool TFrmMain::TryClose()
{
    return close();
}

void TFrmMain::closeEvent(QCloseEvent* event)
{
    if (!m_closing) {
        const bool programMayClose = !CanCloseProgram || CanCloseProgram();
        if (!programMayClose || !m_pages.CanLeaveActivePage()) {
            event->ignore();
            return;
        }
        m_closing = true;
        for (int page = 1; page < PageCount; ++page)
            if (TFloatingForm* window = m_pages.Window(page))
                window->hide();
        if (m_tip)
            m_tip->close();
        if (m_tipsTimer)
            m_tipsTimer->stop();
    }
    event->accept();
    QWidget::closeEvent(event);
    emit ProgramClosed();
}

void TFrmMain::showEvent(QShowEvent* event)
{
    ShowRandomTip();
    QWidget::showEvent(event);
}

void TFrmMain::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
    } else if (event->type() == QEvent::WindowStateChange && isMinimized() && TTrayIcon::Available()) {
        // Minimised by the window manager: go to the notification area as the image does.
        QTimer::singleShot(0, this, &QWidget::hide);
    }
    QWidget::changeEvent(event);
}

void TFrmMain::Retranslate()
{
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION500")));
    // The size units follow the language.
    RefreshSummary();
}

void TFrmMain::ShowRandomTip()
{
    const auto tip = RandomTip(CurrentMachine());
    m_home->SetTip(tip ? QString::fromStdString(*tip) : QString());
}

void TFrmMain::RefreshSummary()
{
    const TEraseSummary summary;
    const std::array<std::int64_t, SummaryValueCount> values{summary.LastJob[GroupInternet],
                                                             summary.LastJob[GroupWindows],
                                                             summary.LastJob[GroupPlugins],
                                                             summary.LastJob[GroupEMail],
                                                             summary.ObsoleteCleaner,
                                                             summary.DuplicateCleaner,
                                                             summary.BSCleaner,
                                                             summary.FShredder};
    for (std::size_t i = 0; i < values.size(); ++i)
        m_home->SetSummaryValue(i, QString::fromStdString(FormatByteCount("%d", values[i])));
    const std::string date = summary.LastEraseDate == 0
                                 ? std::string()
                                 : platform::FormatDateTime("dddd, mmmm dd, yyyy",
                                                            summary.LastEraseDate,
                                                            CurrentMachine().Clock().UserLocale());
    m_home->SetLastEraseDate(QString::fromStdString(date));
}

TFrmTip& TFrmMain::TipWindow()
{
    if (!m_tip)
        m_tip = new TFrmTip(this);
    return *m_tip;
}

void TFrmMain::ShowTipWindow()
{
    if (m_tipsTimer)
        m_tipsTimer->stop();
    TFrmTip& tip = TipWindow();
    tip.show();
    tip.raise();
}

} // namespace lumexa::core::ui
