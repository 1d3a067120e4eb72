#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>

#include "UiTest.h"
#include "cleaners/ui/FrmBrowserSettings.h"
#include "core/SettingsManager.h"
#include "core/ui/FrmMain.h"
#include "core/ui/Program.h"
#include "platform/Registry.h"

namespace lumexa::test {

using cleaners::ui::TBrowserTools;
using cleaners::ui::TCookiesMode;
using cleaners::ui::TFrmBrowserSettings;
using core::TSettingsManager;
using platform::DialogResult;

namespace {
struct TBox
{
    int tab;
    std::uint8_t item;
    const char* objectName;
    const char* caption;
};

// Every box of the seven tabs, in tab order, as the browsers' item tables name them.
const TBox Boxes[] = {
    {0, 55, "chkIELocationBar", "Location Bar History"},
    {0, 56, "chkIECookies", "Cookies"},
    {0, 57, "chkIECache", "Cache (Temporary Internet Files)"},
    {0, 58, "chkIEHistory", "Browser History"},
    {0, 59, "chkIEAutoComplete", "Autocomplete Forms"},
    {0, 60, "chkIEFavorites", "Personal Favorites"},
    {0, 61, "chkIEIndexDat", "Index.dat Files"},
    {0, 62, "chkIEDownloadProgFiles", "Download Program Files"},
    {0, 121, "chkIEEraseOnClosing", "Erase Tracks on Closing"},
    {1, 76, "chkFireFoxLocationBar", "Location Bar History"},
    {1, 77, "chkFireFoxCookies", "Cookies"},
    {1, 78, "chkFireFoxCache", "Cache (Temporary Internet Files)"},
    {1, 79, "chkFireFoxForms", "Autocomplete Forms"},
    {1, 80, "chkFireFoxHistory", "History (Visited Sites)"},
    {1, 81, "chkFireFoxDownloadHistory", "Downloads History"},
    {1, 125, "chkFireFoxEraseOnClosing", "Erase Tracks on Closing"},
    {2, 82, "chkChromeHistory", "History"},
    {2, 83, "chkChromeCookies", "Cookies"},
    {2, 84, "chkChromeCache", "Cache (Temporary Internet Files)"},
    {2, 85, "chkChromeDownloadHistory", "Download History"},
    {2, 126, "chkChromeEraseOnClosing", "Erase Tracks on Closing"},
    {3, 86, "chkSafariHistory", "History"},
    {3, 87, "chkSafariCookies", "Cookies"},
    {3, 88, "chkSafariCache", "Cache (Temporary Internet Files)"},
    {3, 89, "chkSafariAutoCompleteForms", "Autocomplete Forms"},
    {3, 127, "chkSafariEraseOnClosing", "Erase Tracks on Closing"},
    {4, 63, "chkAOLLocationBar", "Location Bar History"},
    {4, 64, "chkAOLCookies", "Cookies"},
    {4, 65, "chkAOLCache", "Cache (Temporary Internet Files)"},
    {4, 66, "chkAOLAutoComplete", "Autocomplete Forms"},
    {4, 122, "chkAOLEraseOnClosing", "Erase Tracks on Closing"},
    {5, 67, "chkNetscapeLocationBar", "Location Bar History"},
    {5, 68, "chkNetscapeCookies", "Cookies"},
    {5, 69, "chkNetscapeCache", "Cache (Temporary Internet Files)"},
    {5, 70, "chkNetscapeAutoComplete", "Autocomplete Forms"},
    {5, 71, "chkNetscapeVisitedSites", "History (Visited Sites)"},
    {5, 123, "chkNSEraseOnClosing", "Erase Tracks on Closing"},
    {6, 72, "chkOperaLocationBar", "Location Bar History"},
    {6, 73, "chkOperaCookies", "Cookies"},
    {6, 74, "chkOperaCache", "Cache (Temporary Internet Files)"},
    {6, 75, "chkOperaAutoComplete", "Autocomplete Forms"},
    {6, 124, "chkOperaEraseOnClosing", "Erase Tracks on Closing"},
};
constexpr int FireFoxTab = 1;
constexpr int NetscapeTab = 5;

constexpr const char* FireFoxKey = "SOFTWARE\\Orvanta\\Lumexa\\Settings\\FireFox";
constexpr const char* NetscapeKey = "SOFTWARE\\Orvanta\\Lumexa\\Settings\\Netscape";
const std::string FavoritesQuestion = "Enabling this item permanently erases all of your Internet Explorer favorites.\n"
                                      "Are you sure you want to enable this item?";
const std::string FireFoxQuestion = "To erase your Firefox browser tracks, select one or more profiles using the "
                                    "Firefox profiles manager\nDo you want to start the Firefox profiles manager now?";
const std::string NetscapeQuestion = "To erase your Netscape browser tracks, select one or more profiles using the "
                                     "Netscape profiles manager\nDo you want to start the Netscape profiles manager "
                                     "now?";
} // namespace

class BrowserSettingsTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_page = std::make_unique<TFrmBrowserSettings>();
    }
    void TearDown() override
    {
        m_page.reset();
        UiTest::TearDown();
    }
    TFrmBrowserSettings& page() { return *m_page; }
    QCheckBox* Box(const char* name) { return m_page->findChild<QCheckBox*>(QString::fromLatin1(name)); }
    QPushButton* Button(const char* name) { return m_page->findChild<QPushButton*>(QString::fromLatin1(name)); }
    void StoreProfile(const char* key, const std::string& name, const std::string& data)
    {
        auto stored = machine().Registry().Create(platform::HKEY_LOCAL_MACHINE, key);
        ASSERT_TRUE(stored && stored->SetString(name, data));
    }
    void TickTab(int tab, bool checked)
    {
        for (const TBox& box : Boxes)
            if (box.tab == tab)
                Box(box.objectName)->setChecked(checked);
    }
    // The questions and boxes shown so far, as "caption|text".
    std::vector<std::string> Shown()
    {
        std::vector<std::string> shown;
        for (const platform::MessageBoxRequest& request : dialogs().Shown())
            shown.push_back(request.caption + "|" + request.text);
        return shown;
    }

private:
    std::unique_ptr<TFrmBrowserSettings> m_page;
};

TEST_F(BrowserSettingsTest, SevenTabsInOrderOpeningOnInternetExplorerWithTheirCaptionedBoxes)
{
    auto* tabs = page().findChild<QTabWidget*>(QStringLiteral("tabSettings"));
    ASSERT_NE(tabs, nullptr);
    const char* titles[] = {"Internet Explorer", "FireFox", "Google Chrome", "Safari", "AOL", "Netscape", "Opera"};
    ASSERT_EQ(tabs->count(), 7);
    for (int tab = 0; tab < 7; ++tab)
        EXPECT_EQ(tabs->tabText(tab).toStdString(), titles[tab]) << "tab: " << tab;
    EXPECT_EQ(tabs->currentIndex(), 0);
    for (const TBox& box : Boxes) {
        QCheckBox* check = Box(box.objectName);
        ASSERT_NE(check, nullptr) << "box: " << box.objectName;
        EXPECT_EQ(check->text().toStdString(), box.caption) << "box: " << box.objectName;
        EXPECT_EQ(check->parentWidget(), tabs->widget(box.tab)) << "box: " << box.objectName;
    }
    EXPECT_EQ(page().findChildren<QCheckBox*>().size(), std::size(Boxes));
    EXPECT_EQ(page().windowTitle(), QStringLiteral("Browsers Settings"));
}

TEST_F(BrowserSettingsTest, ShowingLoadsEveryBoxAndLeavingStoresIt)
{
    // Profiles are selected, so leaving asks nothing.
    StoreProfile(FireFoxKey,
                 "abcd1234.default",
                 "C:\\Documents and Settings\\user\\Application Data\\Mozilla\\"
                 "Firefox\\Profiles\\abcd1234.default,1");
    StoreProfile(NetscapeKey, "default", "C:\\Documents and Settings\\user\\Application Data\\Netscape\\default,1");
    for (const TBox& box : Boxes)
        ASSERT_TRUE(TSettingsManager::WriteBool(box.item, box.item % 3 == 0)) << "box: " << box.objectName;

    page().PageShown();
    for (const TBox& box : Boxes) {
        EXPECT_EQ(Box(box.objectName)->isChecked(), box.item % 3 == 0) << "box: " << box.objectName;
        Box(box.objectName)->setChecked(box.item % 2 == 0);
    }
    EXPECT_TRUE(TSettingsManager::ReadBool(57)) << "nothing is stored before the page is left";
    page().PageLeft();

    for (const TBox& box : Boxes)
        EXPECT_EQ(TSettingsManager::ReadBool(box.item), box.item % 2 == 0) << "box: " << box.objectName;
    EXPECT_TRUE(dialogs().Shown().empty()) << "loading Personal Favorites asks nothing";
}

TEST_F(BrowserSettingsTest, TickingPersonalFavoritesAsksAndNoClearsTheTick)
{
    struct Case
    {
        const char* name;
        DialogResult answer;
        bool checkedAfter;
    };
    const Case cases[] = {{"No", DialogResult::No, false}, {"Yes", DialogResult::Yes, true}};
    QCheckBox* favorites = Box("chkIEFavorites");
    for (const Case& c : cases) {
        favorites->setChecked(false);
        const std::size_t before = dialogs().Shown().size();
        dialogs().QueueAnswer(c.answer);

        favorites->click();

        EXPECT_EQ(favorites->isChecked(), c.checkedAfter) << "case: " << c.name;
        ASSERT_EQ(dialogs().Shown().size(), before + 1) << "case: " << c.name;
        const platform::MessageBoxRequest& asked = dialogs().Shown().back();
        EXPECT_EQ(asked.text, FavoritesQuestion) << "case: " << c.name;
        EXPECT_EQ(asked.icon, platform::MessageIcon::Information) << "case: " << c.name;
        EXPECT_EQ(asked.buttons, platform::MessageButtons::YesNo) << "case: " << c.name;
    }
    // Clearing the tick asks nothing.
    const std::size_t before = dialogs().Shown().size();
    favorites->click();
    EXPECT_FALSE(favorites->isChecked());
    EXPECT_EQ(dialogs().Shown().size(), before);
}

TEST_F(BrowserSettingsTest, LeavingWithFirefoxOrNetscapeBoxesButNoSelectedProfileAsks)
{
    struct Case
    {
        const char* name;
        int tab;
        std::optional<std::string> storedProfile; // the data of one stored value
        std::vector<DialogResult> answers;
        bool asked;
        bool keptTicked;
        int managerOpened;
    };
    const std::string profile = "C:\\Documents and Settings\\user\\Application Data\\Mozilla\\Firefox\\Profiles\\"
                                "abcd1234.default";
    const Case cases[] = {
        {"Firefox, no key, No clears the tab", FireFoxTab, std::nullopt, {DialogResult::No}, true, false, 0},
        {"Firefox, no key, Yes opens the manager", FireFoxTab, std::nullopt, {DialogResult::Yes}, true, true, 1},
        {"Firefox, a selected profile", FireFoxTab, profile + ",1", {}, false, true, 0},
        {"Firefox, only an unselected profile", FireFoxTab, profile + ",0", {DialogResult::No}, true, false, 0},
        {"Firefox, a relative folder selects nothing", FireFoxTab, "Profiles\\x,1", {DialogResult::No}, true, false, 0},
        {"Firefox, a value shorter than x,1", FireFoxTab, ",1", {DialogResult::No}, true, false, 0},
        {"Netscape, no key, No clears the tab", NetscapeTab, std::nullopt, {DialogResult::No}, true, false, 0},
        {"Netscape, a selected profile", NetscapeTab, "C:\\Netscape\\Users\\default,1", {}, false, true, 0},
    };
    for (const Case& c : cases) {
        machine().Registry().DeleteKey(platform::HKEY_LOCAL_MACHINE, FireFoxKey);
        machine().Registry().DeleteKey(platform::HKEY_LOCAL_MACHINE, NetscapeKey);
        if (c.storedProfile)
            StoreProfile(c.tab == FireFoxTab ? FireFoxKey : NetscapeKey, "default", *c.storedProfile);
        int opened = 0;
        page().SetTools({{}, {}, [&] { ++opened; }});
        page().PageShown();
        TickTab(c.tab, true);
        const std::size_t before = dialogs().Shown().size();
        for (const DialogResult answer : c.answers)
            dialogs().QueueAnswer(answer);

        page().PageLeft();

        const std::vector<std::string> all = Shown();
        const std::vector<std::string> shown(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        const std::string question = c.tab == FireFoxTab ? FireFoxQuestion : NetscapeQuestion;
        EXPECT_EQ(shown, c.asked ? std::vector<std::string>{"Lumexa|" + question} : std::vector<std::string>{})
            << "case: " << c.name;
        EXPECT_EQ(opened, c.managerOpened) << "case: " << c.name;
        for (const TBox& box : Boxes)
            if (box.tab == c.tab) {
                EXPECT_EQ(Box(box.objectName)->isChecked(), c.keptTicked)
                    << "case: " << c.name << ": " << box.objectName;
                EXPECT_EQ(TSettingsManager::ReadBool(box.item), c.keptTicked)
                    << "case: " << c.name << ": " << box.objectName;
            }
        EXPECT_FALSE(machine().Registry().KeyExists(platform::HKEY_LOCAL_MACHINE, FireFoxKey) && !c.storedProfile)
            << "case: " << c.name << ": the check creates no key";
        TickTab(c.tab, false);
    }
}

TEST_F(BrowserSettingsTest, LeavingAsksForFirefoxThenNetscapeAndNothingWhenNoneOfTheirBoxesIsTicked)
{
    page().PageShown();
    Box("chkOperaCookies")->setChecked(true);
    page().PageLeft();
    EXPECT_TRUE(dialogs().Shown().empty()) << "other browsers' boxes need no profile";

    Box("chkNSEraseOnClosing")->setChecked(true);
    Box("chkFireFoxEraseOnClosing")->setChecked(true);
    dialogs().QueueAnswer(DialogResult::No);
    dialogs().QueueAnswer(DialogResult::No);
    page().PageLeft();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Lumexa|" + FireFoxQuestion, "Lumexa|" + NetscapeQuestion}));
    EXPECT_FALSE(TSettingsManager::ReadBool(123));
    EXPECT_FALSE(TSettingsManager::ReadBool(125));
    EXPECT_TRUE(TSettingsManager::ReadBool(73));
}

TEST_F(BrowserSettingsTest, ToolsNotBuiltYetHaveTheirButtonsDisabledWithATooltip)
{
    const char* buttons[] = {"BtnIECookiesManager",
                             "BtnIEUrlManager",
                             "btnAOLCookiesManager",
                             "BtnNetscapeProfileManager",
                             "btnNSCookiesManager",
                             "BtnFireFoxProfilesManager",
                             "RzBitBtn1"};
    for (const char* name : buttons) {
        QPushButton* button = Button(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->isEnabled()) << name;
        EXPECT_EQ(button->toolTip(), QStringLiteral("This tool is not available yet")) << name;
    }
    EXPECT_EQ(Button("BtnIECookiesManager")->text(), QStringLiteral("Cookies Manager"));
    EXPECT_EQ(Button("BtnIEUrlManager")->text(), QStringLiteral("URL Manager"));
    EXPECT_EQ(Button("BtnFireFoxProfilesManager")->text(), QStringLiteral("Profile(s) Manager"));

    page().SetTools({[](TCookiesMode) {}, [] {}, [] {}});
    for (const char* name : buttons) {
        EXPECT_TRUE(Button(name)->isEnabled()) << name;
        EXPECT_TRUE(Button(name)->toolTip().isEmpty()) << name;
    }
}

TEST_F(BrowserSettingsTest, ButtonsOpenTheirWindowsWithThePageDisabledMeanwhile)
{
    std::vector<std::string> opened;
    page().SetTools({[&](TCookiesMode mode) {
                         opened.push_back("cookies " + std::to_string(static_cast<int>(mode)) +
                                          (page().isEnabled() ? " enabled" : " disabled"));
                     },
                     [&] { opened.push_back(std::string("urls") + (page().isEnabled() ? " enabled" : " disabled")); },
                     [&] { opened.push_back("profiles"); }});
    StoreProfile(FireFoxKey, "abcd1234.default", "C:\\Firefox\\Profiles\\abcd1234.default,1");
    StoreProfile(NetscapeKey, "default", "C:\\Netscape\\Users\\default,1");

    for (const char* name : {"BtnIECookiesManager",
                             "btnAOLCookiesManager",
                             "btnNSCookiesManager",
                             "RzBitBtn1",
                             "BtnIEUrlManager",
                             "BtnFireFoxProfilesManager",
                             "BtnNetscapeProfileManager"})
        Click(&page(), name);

    EXPECT_EQ(opened,
              (std::vector<std::string>{"cookies 0 disabled",
                                        "cookies 1 disabled",
                                        "cookies 2 disabled",
                                        "cookies 3 disabled",
                                        "urls disabled",
                                        "profiles",
                                        "profiles"}));
    EXPECT_TRUE(page().isEnabled());
    EXPECT_TRUE(dialogs().Shown().empty());
}

TEST_F(BrowserSettingsTest, ProfileCookiesManagersNeedASelectedProfileFirst)
{
    std::vector<TCookiesMode> opened;
    page().SetTools({[&](TCookiesMode mode) { opened.push_back(mode); }, {}, {}});
    // A key with only an unselected profile counts as none.
    StoreProfile(NetscapeKey, "default", "C:\\Netscape\\Users\\default,0");

    Click(&page(), "btnNSCookiesManager");
    Click(&page(), "RzBitBtn1");

    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{
                  "Netscape Cookies Manager|You must select one or more Netscape profiles first. Please use Lumexa - "
                  "Netscape profiles manager to select your Netscape profiles",
                  "Firefox Cookies Manager|You must select one or more Firefox profiles first. Please use Lumexa - "
                  "Firefox profiles manager to select your Firefox profiles"}));
    EXPECT_EQ(dialogs().Shown().front().icon, platform::MessageIcon::Error);
}

TEST_F(BrowserSettingsTest, TheProgramRegistersThePageItIsHanded)
{
    core::ui::TProgramOptions options;
    options.extraPages.emplace_back(cleaners::ui::BrowserSettingsPage, [](QWidget* parent) {
        return static_cast<core::ui::TFloatingForm*>(new TFrmBrowserSettings(parent));
    });
    core::ui::TProgram program(std::move(options));
    ASSERT_FALSE(program.Start({}).has_value());
    core::ui::TFrmMain& main = *program.MainWindow();
    ASSERT_TRUE(TSettingsManager::WriteBool(83, true));
    Click(&main, "navBrowsers");
    ASSERT_EQ(main.ActivePage(), cleaners::ui::BrowserSettingsPage);
    auto* shown = main.findChild<TFrmBrowserSettings*>();
    ASSERT_NE(shown, nullptr);
    auto* chromeCookies = shown->findChild<QCheckBox*>(QStringLiteral("chkChromeCookies"));
    EXPECT_TRUE(chromeCookies->isChecked());
    chromeCookies->setChecked(false);
    shown->findChild<QCheckBox*>(QStringLiteral("chkSafariCache"))->setChecked(true);
    ASSERT_TRUE(main.ShowPage(core::ui::HomePage));
    EXPECT_FALSE(TSettingsManager::ReadBool(83));
    EXPECT_TRUE(TSettingsManager::ReadBool(88));
}

} // namespace lumexa::test
