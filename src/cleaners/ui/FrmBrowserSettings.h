#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "core/ui/FloatingForm.h"

class QCheckBox;
class QPushButton;
class QTabWidget;

// "Browsers Settings" (page 17): which browser traces a cleaning run erases (items 55..89)
// and the per-browser "Erase Tracks on Closing" flags (121..127), on seven tabs. The boxes are
// loaded when the page is shown and stored when it is left. The page also opens the windows
// that choose what is kept (cookies manager, URL manager) and which Firefox and Netscape
// profiles are cleaned (profiles manager).
namespace lumexa::cleaners::ui {

inline constexpr int BrowserSettingsPage = 17;

// The cookies manager's modes: whose cookies it lists.
enum class TCookiesMode : std::uint8_t
{
    InternetExplorer = 0,
    Aol = 1,
    Netscape = 2,
    FireFox = 3,
};

// The windows the page opens, each shown modally by its function. A window that is not set
// has its buttons disabled, with a tooltip saying the tool is not available yet.
struct TBrowserTools
{
    std::function<void(TCookiesMode mode)> cookiesManager;
    std::function<void()> urlManager;
    std::function<void()> profilesManager;
};

class TFrmBrowserSettings : public core::ui::TFloatingForm
{
    Q_OBJECT

public:
    explicit TFrmBrowserSettings(QWidget* parent = nullptr);

    void SetTools(TBrowserTools tools);

    void PageShown() override;
    // Before storing: when Firefox (then Netscape) boxes are ticked but no profile of that
    // browser is selected, asks whether to open the profiles manager; No clears that
    // browser's boxes. The page may always be left.
    void PageLeft() override;

protected:
    void Retranslate() override;

private:
    enum class TTool
    {
        IECookies,
        AOLCookies,
        NetscapeCookies,
        FireFoxCookies,
        UrlManager,
        ProfilesManager,
    };
    struct TToolButton
    {
        QPushButton* button;
        TTool tool;
        const char* captionKey;
    };

    void AddTab(std::size_t tab);
    void OpenTool(TTool tool);
    void OpenCookiesManager(TCookiesMode mode);
    // Netscape and Firefox: only with a selected profile, else the error box of that browser.
    void OpenProfileCookiesManager(TCookiesMode mode);
    void ConfirmFavorites(bool checked);
    void CheckProfiles(TCookiesMode browser);
    bool Available(TTool tool) const;
    void UpdateToolButtons();
    QCheckBox* BoxOf(std::uint8_t item) const;

    QTabWidget* m_tabs = nullptr;
    TBrowserTools m_tools;
    // Every box with the item it edits, and every tool button.
    std::vector<std::pair<QCheckBox*, std::uint8_t>> m_boxes;
    std::vector<TToolButton> m_buttons;
};

// True when the profiles stored for the browser (Netscape or Firefox) under HKEY_LOCAL_MACHINE
// "SOFTWARE\Orvanta\Lumexa\Settings\<browser>" include one that a cleaner would work on: a
// value "<absolute folder>,1" (LoadSavedProfiles). The key is not created.
bool HasSelectedProfile(TCookiesMode browser);

} // namespace lumexa::cleaners::ui
