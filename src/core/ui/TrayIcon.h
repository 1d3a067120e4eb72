#pragma once

#include <functional>
#include <memory>

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The notification-area icon: hint "Lumexa 7", double-click or "Open" restores the program,
// and its menu "Open", "&Help" (contents, online support, FAQ, support ticket), the language
// choice and "Exit Lumexa".
namespace lumexa::core::ui {

class TTrayIcon : public QObject
{
    Q_OBJECT

public:
    explicit TTrayIcon(QObject* parent = nullptr);
    ~TTrayIcon() override;

    // Shows the icon where the desktop has a notification area.
    void Show();
    // False where the desktop has no notification area (offscreen, bare X servers).
    static bool Available();

    QMenu* Menu() const { return m_menu.get(); }
    // Asked each time the menu opens: "Open" is enabled only while it says yes.
    std::function<bool()> CanOpen;
    // Brings the menu's state up to date (what opening it does).
    void UpdateMenu();

signals:
    void OpenRequested();
    void HelpContentsRequested();
    void OnlineSupportRequested();
    void OnlineFaqRequested();
    void SupportTicketRequested();
    void ExitRequested();

private:
    void Retranslate();

    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_help = nullptr;
    QMenu* m_language = nullptr;
    QAction* m_open = nullptr;
    QAction* m_contents = nullptr;
    QAction* m_support = nullptr;
    QAction* m_faq = nullptr;
    QAction* m_ticket = nullptr;
    QAction* m_exit = nullptr;
};

} // namespace lumexa::core::ui
