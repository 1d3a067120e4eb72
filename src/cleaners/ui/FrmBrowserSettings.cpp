#include "cleaners/ui/FrmBrowserSettings.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "cleaners/ProfilesFinder.h"
#include "core/MessageTable.h"
#include "core/SettingsManager.h"
#include "platform/Dialogs.h"

namespace lumexa::cleaners::ui {

namespace {

struct TBoxDef
{
    const char* name;
    const char* captionKey;
    std::uint8_t item;
};

// The tabs in their order, each with its boxes.
constexpr TBoxDef InternetExplorerBoxes[] = {
    {"chkIELocationBar", "strLX_CAPTION688", 55},
    {"chkIECookies", "strLX_CAPTION658", 56},
    {"chkIECache", "strLX_CAPTION689", 57},
    {"chkIEHistory", "strLX_CAPTION690", 58},
    {"chkIEAutoComplete", "strLX_CAPTION691", 59},
    {"chkIEFavorites", "strLX_CAPTION692", 60},
    {"chkIEIndexDat", "strLX_CAPTION693", 61},
    {"chkIEDownloadProgFiles", "strLX_CAPTION694", 62},
    {"chkIEEraseOnClosing", "strLX_CAPTION695", 121},
};
constexpr TBoxDef FireFoxBoxes[] = {
    {"chkFireFoxLocationBar", "strLX_CAPTION688", 76},
    {"chkFireFoxCookies", "strLX_CAPTION658", 77},
    {"chkFireFoxCache", "strLX_CAPTION689", 78},
    {"chkFireFoxForms", "strLX_CAPTION691", 79},
    {"chkFireFoxHistory", "strLX_CAPTION696", 80},
    {"chkFireFoxDownloadHistory", "strLX_CAPTION697", 81},
    {"chkFireFoxEraseOnClosing", "strLX_CAPTION695", 125},
};
constexpr TBoxDef ChromeBoxes[] = {
    {"chkChromeHistory", "strLX_CAPTION660", 82},
    {"chkChromeCookies", "strLX_CAPTION658", 83},
    {"chkChromeCache", "strLX_CAPTION689", 84},
    {"chkChromeDownloadHistory", "strLX_CAPTION698", 85},
    {"chkChromeEraseOnClosing", "strLX_CAPTION695", 126},
};
constexpr TBoxDef SafariBoxes[] = {
    {"chkSafariHistory", "strLX_CAPTION660", 86},
    {"chkSafariCookies", "strLX_CAPTION658", 87},
    {"chkSafariCache", "strLX_CAPTION689", 88},
    {"chkSafariAutoCompleteForms", "strLX_CAPTION691", 89},
    {"chkSafariEraseOnClosing", "strLX_CAPTION695", 127},
};
constexpr TBoxDef AolBoxes[] = {
    {"chkAOLLocationBar", "strLX_CAPTION688", 63},
    {"chkAOLCookies", "strLX_CAPTION658", 64},
    {"chkAOLCache", "strLX_CAPTION689", 65},
    {"chkAOLAutoComplete", "strLX_CAPTION691", 66},
    {"chkAOLEraseOnClosing", "strLX_CAPTION695", 122},
};
constexpr TBoxDef NetscapeBoxes[] = {
    {"chkNetscapeLocationBar", "strLX_CAPTION688", 67},
    {"chkNetscapeCookies", "strLX_CAPTION658", 68},
    {"chkNetscapeCache", "strLX_CAPTION689", 69},
    {"chkNetscapeAutoComplete", "strLX_CAPTION691", 70},
    {"chkNetscapeVisitedSites", "strLX_CAPTION696", 71},
    {"chkNSEraseOnClosing", "strLX_CAPTION695", 123},
};
constexpr TBoxDef OperaBoxes[] = {
    {"chkOperaLocationBar", "strLX_CAPTION688", 72},
    {"chkOperaCookies", "strLX_CAPTION658", 73},
    {"chkOperaCache", "strLX_CAPTION689", 74},
    {"chkOperaAutoComplete", "strLX_CAPTION691", 75},
    {"chkOperaEraseOnClosing", "strLX_CAPTION695", 124},
};

struct TTabDef
{
    const char* titleKey;
    std::span<const TBoxDef> boxes;
};
constexpr std::array<TTabDef, 7> Tabs{{
    {"strLX_CAPTION681", InternetExplorerBoxes},
    {"strLX_CAPTION682", FireFoxBoxes},
    {"strLX_CAPTION683", ChromeBoxes},
    {"strLX_CAPTION684", SafariBoxes},
    {"strLX_CAPTION685", AolBoxes},
    {"strLX_CAPTION686", NetscapeBoxes},
    {"strLX_CAPTION687", OperaBoxes},
}};
constexpr std::size_t FireFoxTab = 1;
constexpr std::size_t NetscapeTab = 5;
constexpr std::uint8_t FavoritesItem = 60;

QString Text(const char* key)
{
    return QString::fromStdString(core::Msg(key));
}

bool AskYesNo(const std::string& text, platform::MessageIcon icon)
{
    return platform::Dialogs().MessageBox(
               {text, core::Msg("strLX_MESSAGE_HEADER500"), icon, platform::MessageButtons::YesNo}) ==
           platform::DialogResult::Yes;
}

} // namespace

bool HasSelectedProfile(TCookiesMode browser)
{
    // The cleaners' own reading of the key, so the page and the cleaners agree on which stored
    // values select a profile.
    return !LoadSavedProfiles(browser == TCookiesMode::Netscape ? NetscapeProfilesKey : FireFoxProfilesKey).empty();
}

TFrmBrowserSettings::TFrmBrowserSettings(QWidget* parent)
    : TFloatingForm(parent)
{
    setObjectName(QStringLiteral("TFrmBrowserSettings"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabSettings"));
    for (std::size_t tab = 0; tab < Tabs.size(); ++tab)
        AddTab(tab);
    m_tabs->setCurrentIndex(0);
    layout->addWidget(m_tabs, 1);
    // Only a tick the user gives asks; loading the boxes does not.
    connect(BoxOf(FavoritesItem), &QCheckBox::clicked, this, &TFrmBrowserSettings::ConfirmFavorites);
    UpdateToolButtons();
    Retranslate();
}

void TFrmBrowserSettings::AddTab(std::size_t tab)
{
    auto* page = new QWidget(m_tabs);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(16, 14, 16, 14);
    column->setSpacing(6);
    for (const TBoxDef& def : Tabs[tab].boxes) {
        auto* box = new QCheckBox(page);
        box->setObjectName(QString::fromLatin1(def.name));
        column->addWidget(box);
        m_boxes.emplace_back(box, def.item);
    }
    column->addStretch(1);

    struct TButtonDef
    {
        std::size_t tab;
        const char* name;
        const char* captionKey;
        TTool tool;
    };
    static constexpr TButtonDef Buttons[] = {
        {0, "BtnIECookiesManager", "strLX_CAPTION699", TTool::IECookies},
        {0, "BtnIEUrlManager", "strLX_CAPTION700", TTool::UrlManager},
        {1, "BtnFireFoxProfilesManager", "strLX_CAPTION701", TTool::ProfilesManager},
        {1, "RzBitBtn1", "strLX_CAPTION699", TTool::FireFoxCookies},
        {4, "btnAOLCookiesManager", "strLX_CAPTION699", TTool::AOLCookies},
        {5, "BtnNetscapeProfileManager", "strLX_CAPTION701", TTool::ProfilesManager},
        {5, "btnNSCookiesManager", "strLX_CAPTION699", TTool::NetscapeCookies},
    };
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const TButtonDef& def : Buttons) {
        if (def.tab != tab)
            continue;
        auto* button = new QPushButton(page);
        button->setObjectName(QString::fromLatin1(def.name));
        row->addWidget(button);
        m_buttons.push_back({button, def.tool, def.captionKey});
        connect(button, &QPushButton::clicked, this, [this, tool = def.tool] { OpenTool(tool); });
    }
    column->addLayout(row);
    m_tabs->addTab(page, QString());
}

void TFrmBrowserSettings::SetTools(TBrowserTools tools)
{
    m_tools = std::move(tools);
    UpdateToolButtons();
}

void TFrmBrowserSettings::PageShown()
{
    for (const auto& [box, item] : m_boxes)
        box->setChecked(core::TSettingsManager::ReadBool(item));
}

void TFrmBrowserSettings::PageLeft()
{
    CheckProfiles(TCookiesMode::FireFox);
    CheckProfiles(TCookiesMode::Netscape);
    for (const auto& [box, item] : m_boxes)
        (void)core::TSettingsManager::WriteBool(item, box->isChecked());
}

void TFrmBrowserSettings::CheckProfiles(TCookiesMode browser)
{
    const bool fireFox = browser == TCookiesMode::FireFox;
    const std::span<const TBoxDef> boxes = Tabs[fireFox ? FireFoxTab : NetscapeTab].boxes;
    const bool ticked =
        std::any_of(boxes.begin(), boxes.end(), [this](const TBoxDef& def) { return BoxOf(def.item)->isChecked(); });
    if (!ticked || HasSelectedProfile(browser))
        return;
    const std::string question = core::Msg(fireFox ? "strLX_MESSAGE529" : "strLX_MESSAGE531") + "\n" +
                                 core::Msg(fireFox ? "strLX_MESSAGE530" : "strLX_MESSAGE532");
    if (AskYesNo(question, platform::MessageIcon::Question)) {
        // Yes keeps the boxes and lets the user pick the profiles now.
        if (m_tools.profilesManager)
            m_tools.profilesManager();
        return;
    }
    for (const TBoxDef& def : boxes)
        BoxOf(def.item)->setChecked(false);
}

void TFrmBrowserSettings::ConfirmFavorites(bool checked)
{
    if (!checked)
        return;
    const std::string question = core::Msg("strLX_MESSAGE525") + "\n" + core::Msg("strLX_MESSAGE526");
    if (!AskYesNo(question, platform::MessageIcon::Information))
        BoxOf(FavoritesItem)->setChecked(false);
}

void TFrmBrowserSettings::OpenTool(TTool tool)
{
    if (!Available(tool))
        return;
    switch (tool) {
    case TTool::IECookies:
        OpenCookiesManager(TCookiesMode::InternetExplorer);
        break;
    case TTool::AOLCookies:
        // AOL keeps its cookies in Internet Explorer's store.
        OpenCookiesManager(TCookiesMode::Aol);
        break;
    case TTool::NetscapeCookies:
        OpenProfileCookiesManager(TCookiesMode::Netscape);
        break;
    case TTool::FireFoxCookies:
        OpenProfileCookiesManager(TCookiesMode::FireFox);
        break;
    case TTool::UrlManager:
        setEnabled(false);
        m_tools.urlManager();
        setEnabled(true);
        break;
    case TTool::ProfilesManager:
        m_tools.profilesManager();
        break;
    }
}

void TFrmBrowserSettings::OpenCookiesManager(TCookiesMode mode)
{
    setEnabled(false);
    m_tools.cookiesManager(mode);
    setEnabled(true);
}

void TFrmBrowserSettings::OpenProfileCookiesManager(TCookiesMode mode)
{
    if (HasSelectedProfile(mode)) {
        OpenCookiesManager(mode);
        return;
    }
    const bool fireFox = mode == TCookiesMode::FireFox;
    platform::Dialogs().MessageBox({core::Msg(fireFox ? "strLX_MESSAGE528" : "strLX_MESSAGE527"),
                                    core::Msg(fireFox ? "strLX_MESSAGE_HEADER503" : "strLX_MESSAGE_HEADER502"),
                                    platform::MessageIcon::Error,
                                    platform::MessageButtons::Ok});
}

bool TFrmBrowserSettings::Available(TTool tool) const
{
    switch (tool) {
    case TTool::UrlManager:
        return static_cast<bool>(m_tools.urlManager);
    case TTool::ProfilesManager:
        return static_cast<bool>(m_tools.profilesManager);
    default:
        return static_cast<bool>(m_tools.cookiesManager);
    }
}

void TFrmBrowserSettings::UpdateToolButtons()
{
    const QString notAvailable = Text("strLX_CAPTION900");
    for (const TToolButton& b : m_buttons) {
        const bool available = Available(b.tool);
        b.button->setEnabled(available);
        b.button->setToolTip(available ? QString() : notAvailable);
    }
}

QCheckBox* TFrmBrowserSettings::BoxOf(std::uint8_t item) const
{
    const auto found =
        std::find_if(m_boxes.begin(), m_boxes.end(), [item](const auto& entry) { return entry.second == item; });
    return found->first;
}

void TFrmBrowserSettings::Retranslate()
{
    setWindowTitle(Text("strLX_CAPTION680"));
    std::size_t index = 0;
    for (std::size_t tab = 0; tab < Tabs.size(); ++tab) {
        m_tabs->setTabText(static_cast<int>(tab), Text(Tabs[tab].titleKey));
        for (const TBoxDef& def : Tabs[tab].boxes)
            m_boxes[index++].first->setText(Text(def.captionKey));
    }
    for (const TToolButton& b : m_buttons)
        b.button->setText(Text(b.captionKey));
    UpdateToolButtons();
}

} // namespace lumexa::cleaners::ui
