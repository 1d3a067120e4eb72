#pragma once

#include <functional>
#include <map>

#include <QWidget>

#include "core/ui/Navigation.h"
#include "core/ui/PageTable.h"
#include "core/ui/PasswordGate.h"

class QStackedWidget;
class QTimer;

// The main window: borderless with rounded corners, the title area, the navigation bar, the
// page area with its 28 pages, and the notification-area icon. It hosts every page window
// (see TFloatingForm for the page protocol).
namespace lumexa::core::ui {

class TFrmTip;
class TGroupBar;
class THomePage;
class TTitleBar;
class TTrayIcon;

class TFrmMain : public QWidget
{
    Q_OBJECT

public:
    explicit TFrmMain(QWidget* parent = nullptr);
    ~TFrmMain() override;

    // Docks the page's window on first use, gives it the mode, shows it and makes the page
    // the active page; false when the active page refused to be left (nothing changed then).
    bool ShowPage(int page, int mode = 0);
    int ActivePage() const { return m_pages.ActivePage(); }
    QWidget* PageWidget(int page) const;
    // Adds a page window to the page table; its navigation items become available.
    void RegisterPage(int page, TFloatingForm* window);
    // Opens a modal tool (plug-ins wizard, profiles manager); its item becomes available.
    void SetModalWindow(TNavAction action, std::function<void()> open);

    // The settings-password gate, asked before every guarded navigation item.
    bool CheckSettingsPassword();
    // What clicking navigation item `item` of group `group` does.
    void TriggerItem(int group, int item);

    // "Popup Window": floats the active page's window out.
    void PopupWindow();
    // Minimises to the notification area, or to the taskbar where the desktop has none.
    void MinimizeApplication();
    // Shows the main window normally and brings it to the foreground.
    void RestoreApplication();
    // The notification area's "Open": nothing while a page window is floating.
    void RestoreFromTray();
    // A second start asked this instance to come forward.
    void BringToFront();
    // Start-up with item 25: only the notification-area icon (or a taskbar entry) remains.
    void StartInTray();
    // Closes the program when the IP concealer and the active page agree; false otherwise.
    bool TryClose();
    bool AnyPageFloating() const;
    // Reloads the home page's summary from a fresh read of the statistics file: the last run's
    // totals per group, the disk cleaners' totals and the date of the last erase.
    void RefreshSummary();

    // Asked first when the program is to close; the IP concealer refuses while its proxy list
    // is being updated. Unset: the program may close.
    std::function<bool()> CanCloseProgram;

    THomePage& Home() const { return *m_home; }
    TTrayIcon& Tray() const { return *m_tray; }
    TGroupBar& GroupBar() const { return *m_groupBar; }
    // The "Tip of the day" window (created on first use).
    TFrmTip& TipWindow();
    // The one-shot tips timer; null when item 29 is not set.
    QTimer* TipsTimer() const { return m_tipsTimer; }

signals:
    // The main window closed for good: the program ends.
    void ProgramClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildWidgets();
    void ConnectSignals();
    void Retranslate();
    void UpdateAvailability();
    void UpdatePageCommands();
    bool ItemAvailable(const TNavItem& item) const;
    void ShowRandomTip();
    void ShowTipWindow();

    TPageTable m_pages;
    TPasswordGate m_gate;
    std::map<TNavAction, std::function<void()>> m_modals;
    TTitleBar* m_title = nullptr;
    TGroupBar* m_groupBar = nullptr;
    QStackedWidget* m_pageArea = nullptr;
    THomePage* m_home = nullptr;
    TTrayIcon* m_tray = nullptr;
    TFrmTip* m_tip = nullptr;
    QTimer* m_tipsTimer = nullptr;
    bool m_closing = false;
};

} // namespace lumexa::core::ui
