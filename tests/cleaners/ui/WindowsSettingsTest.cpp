#include <memory>
#include <span>
#include <string>
#include <utility>

#include <QCheckBox>
#include <QLabel>
#include <QTabWidget>

#include "UiTest.h"
#include "cleaners/ui/FrmWindowsSettings.h"
#include "core/SettingsManager.h"
#include "core/ui/FrmMain.h"
#include "core/ui/Program.h"

namespace lumexa::test {

using cleaners::ui::TFrmWindowsSettings;
using core::TSettingsManager;

namespace {
struct TBox
{
    std::uint8_t item;
    const char* objectName;
    const char* caption;
};

// The boxes of the Windows tab (items 92..109) and the MS Office tab (110..114), with the item
// names of the settings catalogue as captions ("Mirosoft Access" is the catalogue's spelling).
const TBox WindowsBoxes[] = {
    {92, "chkWindowsTemp", "Temp Folder"},
    {93, "chkWindowsRecentDocs", "Recent Documents History"},
    {94, "chkWindowsRunHistory", "Run History"},
    {95, "chkWindowsSearchFiles", "Find/ Search Files - Folders History"},
    {96, "chkWindowsSearchComputers", "Find/ Search Computer History"},
    {97, "chkWindowsRecycleBin", "Recycle Bin"},
    {98, "chkWindowsLastLogin", "Last Logon History"},
    {99, "chkWindowsRASHistory", "RAS Auto Dial History"},
    {100, "chkWindowsNetworkCacheHistory", "Network Cache"},
    {101, "chkWindowsTelnetHistory", "Telnet History"},
    {102, "chkWindowsClipboard", "Clipboard"},
    {103, "chkWindowsOpenSave", "Open/ Save History"},
    {104, "chkWindowsScanDisk", "Scandisk (*.chk) files"},
    {105, "chkWindowsAppLogs", "Application Logs"},
    {106, "chkWindowsRegBackup", "Registry Backup"},
    {107, "chkWindowsRegFragmentedFiles", "Registry Fragmented Files"},
    {108, "chkWindowsRegStreams", "Registry Streams"},
    {109, "chkWindowsSWAPFiles", "Paging (SWAP) File"},
};
const TBox OfficeBoxes[] = {
    {110, "chkMicrosoftAccess", "Mirosoft Access"},
    {111, "chkMicrosoftExcel", "Microsoft Excel"},
    {112, "chkMicrosoftPPoint", "Microsoft PowerPoint"},
    {113, "chkMicrosoftWord", "Microsoft Word"},
    {114, "chkMicrosoftFrontPage", "Microsoft FrontPage"},
};
} // namespace

class WindowsSettingsTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_page = std::make_unique<TFrmWindowsSettings>();
    }
    void TearDown() override
    {
        m_page.reset();
        UiTest::TearDown();
    }
    TFrmWindowsSettings& page() { return *m_page; }
    QCheckBox* Box(const TBox& box) { return m_page->findChild<QCheckBox*>(QString::fromLatin1(box.objectName)); }

private:
    std::unique_ptr<TFrmWindowsSettings> m_page;
};

TEST_F(WindowsSettingsTest, BoxesAreCaptionedWithTheItemNamesOnTheirTabs)
{
    auto* tabs = page().findChild<QTabWidget*>(QStringLiteral("tabSettings"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Windows"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("MS Office"));
    for (const auto& [boxes, tab] :
         {std::pair{std::span<const TBox>(WindowsBoxes), 0}, std::pair{std::span<const TBox>(OfficeBoxes), 1}})
        for (const TBox& box : boxes) {
            QCheckBox* check = Box(box);
            ASSERT_NE(check, nullptr) << "box: " << box.objectName;
            EXPECT_EQ(check->text().toStdString(), box.caption) << "box: " << box.objectName;
            EXPECT_EQ(check->parentWidget(), tabs->widget(tab)) << "box: " << box.objectName;
        }
    // Two blanks after "Office", as the product has always shown it.
    auto* label = tabs->widget(1)->findChild<QLabel*>(QStringLiteral("lblOfficeVersions"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Supports Microsoft Office  97, 2000, XP, 2003 and 2007"));
    EXPECT_EQ(page().windowTitle(), QStringLiteral("Windows & MS Office Settings"));
}

TEST_F(WindowsSettingsTest, ShowingLoadsEveryBoxAndLeavingStoresIt)
{
    for (const auto& boxes : {std::span<const TBox>(WindowsBoxes), std::span<const TBox>(OfficeBoxes)})
        for (const TBox& box : boxes)
            ASSERT_TRUE(TSettingsManager::WriteBool(box.item, box.item % 3 == 0)) << "box: " << box.objectName;
    page().PageShown();
    for (const auto& boxes : {std::span<const TBox>(WindowsBoxes), std::span<const TBox>(OfficeBoxes)})
        for (const TBox& box : boxes) {
            EXPECT_EQ(Box(box)->isChecked(), box.item % 3 == 0) << "box: " << box.objectName;
            Box(box)->setChecked(box.item % 2 == 0);
        }
    // Nothing is stored before the page is left.
    EXPECT_FALSE(TSettingsManager::ReadBool(92));
    page().PageLeft();
    for (const auto& boxes : {std::span<const TBox>(WindowsBoxes), std::span<const TBox>(OfficeBoxes)})
        for (const TBox& box : boxes)
            EXPECT_EQ(TSettingsManager::ReadBool(box.item), box.item % 2 == 0) << "box: " << box.objectName;
}

TEST_F(WindowsSettingsTest, SelectAllAndRemoveAllActOnTheActiveTabOnly)
{
    for (const TBox& box : OfficeBoxes)
        ASSERT_TRUE(TSettingsManager::WriteBool(box.item, true));
    page().PageShown();
    auto* tabs = page().findChild<QTabWidget*>(QStringLiteral("tabSettings"));
    tabs->setCurrentIndex(0);
    Click(&page(), "btnSelectAll");
    for (const TBox& box : WindowsBoxes)
        EXPECT_TRUE(Box(box)->isChecked()) << "box: " << box.objectName;
    tabs->setCurrentIndex(1);
    Click(&page(), "BtnRemoveAll");
    for (const TBox& box : OfficeBoxes)
        EXPECT_FALSE(Box(box)->isChecked()) << "box: " << box.objectName;
    for (const TBox& box : WindowsBoxes)
        EXPECT_TRUE(Box(box)->isChecked()) << "box: " << box.objectName;
    // The settings change only when the page is left.
    EXPECT_FALSE(TSettingsManager::ReadBool(92));
    EXPECT_TRUE(TSettingsManager::ReadBool(110));
    page().PageLeft();
    EXPECT_TRUE(TSettingsManager::ReadBool(92));
    EXPECT_FALSE(TSettingsManager::ReadBool(110));
}

TEST_F(WindowsSettingsTest, TheProgramRegistersThePageItIsHanded)
{
    core::ui::TProgramOptions options;
    options.extraPages.emplace_back(cleaners::ui::WindowsSettingsPage, [](QWidget* parent) {
        return static_cast<core::ui::TFloatingForm*>(new TFrmWindowsSettings(parent));
    });
    core::ui::TProgram program(std::move(options));
    ASSERT_FALSE(program.Start({}).has_value());
    core::ui::TFrmMain& main = *program.MainWindow();
    ASSERT_TRUE(TSettingsManager::WriteBool(94, true));
    Click(&main, "navWindows");
    ASSERT_EQ(main.ActivePage(), cleaners::ui::WindowsSettingsPage);
    auto* shown = main.findChild<TFrmWindowsSettings*>();
    ASSERT_NE(shown, nullptr);
    auto* runHistory = shown->findChild<QCheckBox*>(QStringLiteral("chkWindowsRunHistory"));
    EXPECT_TRUE(runHistory->isChecked());
    runHistory->setChecked(false);
    ASSERT_TRUE(main.ShowPage(core::ui::HomePage));
    EXPECT_FALSE(TSettingsManager::ReadBool(94));
}

} // namespace lumexa::test
