#include "core/ui/FrmMain.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

#include "UiTest.h"
#include "core/MessageTable.h"
#include "core/SettingsManager.h"
#include "core/ui/GroupBar.h"
#include "core/ui/HomePage.h"
#include "core/ui/Navigation.h"
#include "core/ui/Program.h"
#include "core/ui/ShellCommands.h"
#include "core/ui/TrayIcon.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::test {

using core::TSettingsManager;
using core::ui::TFrmMain;

class FrmMainTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_program = std::make_unique<core::ui::TProgram>();
        ASSERT_FALSE(m_program->Start({}).has_value());
        m_main = m_program->MainWindow();
    }
    void TearDown() override
    {
        m_program.reset();
        UiTest::TearDown();
    }

    TFrmMain& main() { return *m_main; }
    TTestPage* AddPage(int page)
    {
        auto* window = new TTestPage(m_main);
        m_main->RegisterPage(page, window);
        return window;
    }
    QToolButton* Button(const char* name) { return m_main->findChild<QToolButton*>(QString::fromLatin1(name)); }

private:
    std::unique_ptr<core::ui::TProgram> m_program;
    TFrmMain* m_main = nullptr;
};

TEST_F(FrmMainTest, PageThatRefusesToBeLeftStaysActive)
{
    TTestPage* busy = AddPage(5);
    TTestPage* other = AddPage(6);
    ASSERT_TRUE(main().ShowPage(5));
    EXPECT_EQ(busy->shown, 1);
    EXPECT_EQ(busy->HostPage(), main().PageWidget(5));

    busy->canLeave = false;
    EXPECT_FALSE(main().ShowPage(6));
    Click(&main(), "btnHome");
    EXPECT_EQ(main().ActivePage(), 5);
    EXPECT_EQ(busy->left, 0);
    EXPECT_EQ(other->shown, 0);

    busy->canLeave = true;
    EXPECT_TRUE(main().ShowPage(6, 1));
    EXPECT_EQ(main().ActivePage(), 6);
    EXPECT_EQ(busy->left, 1);
    EXPECT_EQ(other->shown, 1);
    EXPECT_EQ(other->PageMode(), 1);
    // Showing the active page again is no switch.
    EXPECT_TRUE(main().ShowPage(6));
    EXPECT_EQ(other->shown, 1);
}

TEST_F(FrmMainTest, HomeAndPopupWindowAreDisabledOnTheHomePageOnly)
{
    AddPage(5);
    EXPECT_FALSE(Button("btnHome")->isEnabled());
    EXPECT_FALSE(Button("btnPopupWindow")->isEnabled());
    main().ShowPage(5);
    EXPECT_TRUE(Button("btnHome")->isEnabled());
    EXPECT_TRUE(Button("btnPopupWindow")->isEnabled());
    Click(&main(), "btnHome");
    EXPECT_EQ(main().ActivePage(), 0);
    EXPECT_FALSE(Button("btnPopupWindow")->isEnabled());
}

TEST_F(FrmMainTest, FloatedPageDocksAgainWhenClosed)
{
    TTestPage* page = AddPage(5);
    main().ShowPage(5);
    Click(&main(), "btnPopupWindow");
    EXPECT_TRUE(page->Floating());
    EXPECT_TRUE(page->isWindow());
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(main().isMinimized() || !main().isVisible());
    // The notification area cannot restore the program while a page floats.
    main().RestoreFromTray();
    EXPECT_TRUE(main().isMinimized() || !main().isVisible());

    EXPECT_FALSE(page->close());
    EXPECT_FALSE(page->Floating());
    EXPECT_FALSE(page->isWindow());
    EXPECT_EQ(page->parentWidget(), main().PageWidget(5));
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(main().isMinimized());
    EXPECT_EQ(main().ActivePage(), 5);
}

TEST_F(FrmMainTest, NavigationItemsOfToolsNotBuiltAreDisabled)
{
    const QString notAvailable = QStringLiteral("This tool is not available yet");
    for (const auto& group : core::ui::NavigationGroups()) {
        for (const auto& item : group.items) {
            QToolButton* button = Button(item.objectName.data());
            ASSERT_NE(button, nullptr) << item.objectName;
            // The pages built so far: the Tracks Eraser, About and the two report pages.
            const bool expected =
                item.action == core::ui::TNavAction::Page
                    ? (item.page == 6 || item.page == core::ui::AboutPage || item.page == 22 || item.page == 23)
                    : item.action != core::ui::TNavAction::PluginsWizard &&
                          item.action != core::ui::TNavAction::ProfilesManager;
            EXPECT_EQ(button->isEnabled(), expected) << "item: " << item.objectName;
            EXPECT_EQ(button->toolTip(), expected ? QString() : notAvailable) << "item: " << item.objectName;
        }
    }
    AddPage(19);
    EXPECT_TRUE(Button("navFileShredder")->isEnabled());
    EXPECT_TRUE(Button("navFileShredder")->toolTip().isEmpty());
    bool opened = false;
    main().SetModalWindow(core::ui::TNavAction::PluginsWizard, [&] { opened = true; });
    Click(&main(), "navPluginsWizard");
    EXPECT_TRUE(opened);
}

TEST_F(FrmMainTest, OneGroupOpenAtATimeAndClosingOneShowsHome)
{
    const auto& bar = main().GroupBar();
    Click(&main(), "grpTracksEraser");
    EXPECT_EQ(bar.OpenGroup(), 0);
    Click(&main(), "grpHelp");
    EXPECT_EQ(bar.OpenGroup(), 8);
    EXPECT_FALSE(Button("grpTracksEraser")->isChecked());
    EXPECT_FALSE(Button("navTracksEraser")->isVisible());
    EXPECT_TRUE(Button("navAbout")->isVisible());

    Click(&main(), "navAbout");
    EXPECT_EQ(main().ActivePage(), core::ui::AboutPage);
    Click(&main(), "grpHelp");
    EXPECT_EQ(bar.OpenGroup(), -1);
    EXPECT_EQ(main().ActivePage(), 0);
}

TEST_F(FrmMainTest, ShellItemsAreJournalled)
{
    const std::string windows = machine().Shell().WindowsDirectory();
    Click(&main(), "navPerformanceMonitor");
    EXPECT_TRUE(JournalHas("SHELLEXEC open \"" + windows + "\\system32\\perfmon.exe\""));
    Click(&main(), "navHelp");
    EXPECT_TRUE(JournalHas("SHELLEXEC open \"C:\\Program Files\\Lumexa\\Help\\lumexa.chm\""));
    Click(&main(), "btnLiveUpdate");
    EXPECT_TRUE(JournalHas("SHELLEXEC Open \"C:\\Program Files\\Lumexa\\LiveUpdate.exe\""));
    Click(&main(), "lnkSupportHome");
    EXPECT_TRUE(JournalHas("SHELLEXEC open \"" + machine().Config().supportHomePage + "\""));
    Click(&main(), "lnkFaq");
    EXPECT_TRUE(JournalHas("SHELLEXEC open \"" + machine().Config().faqPage + "\""));
    Click(&main(), "lnkSupportTicket");
    EXPECT_TRUE(JournalHas("SHELLEXEC open \"" + machine().Config().supportTicketPage + "\""));
}

TEST_F(FrmMainTest, SystemRestoreFollowsTheWindowsVersionsOrder)
{
    const std::string windows = machine().Shell().WindowsDirectory();
    const std::string xp = windows + "\\system32\\restore\\rstrui.exe";
    const std::string vista = windows + "\\system32\\rstrui.exe";
    struct Case
    {
        const char* name;
        bool hasXp;
        bool hasVista;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"neither", false, false, std::nullopt},
        {"only system32", false, true, vista},
        {"both", true, true, xp},
        {"only restore folder", true, false, xp},
    };
    for (const Case& c : cases) {
        machine().Files().DeleteFile(xp);
        machine().Files().DeleteFile(vista);
        if (c.hasXp)
            WriteFile(xp, "MZ");
        if (c.hasVista)
            WriteFile(vista, "MZ");
        EXPECT_EQ(core::ui::SystemRestorePath(machine()), c.expected) << "case: " << c.name;
        const std::size_t before = machine().JournalLines().size();
        Click(&main(), "navSystemRestore");
        const auto lines = machine().JournalLines();
        if (c.expected) {
            ASSERT_EQ(lines.size(), before + 1) << "case: " << c.name;
            EXPECT_NE(lines.back().find("\"" + *c.expected + "\""), std::string::npos) << "case: " << c.name;
        } else {
            EXPECT_EQ(lines.size(), before) << "case: " << c.name;
        }
    }
}

TEST_F(FrmMainTest, ClosingRespectsThePageAndTheConcealer)
{
    TTestPage* page = AddPage(5);
    main().ShowPage(5);
    QSignalSpy closed(&main(), &TFrmMain::ProgramClosed);

    page->canLeave = false;
    Click(&main(), "imgClose");
    EXPECT_FALSE(main().TryClose());
    main().Tray().Menu()->findChild<QAction*>(QStringLiteral("actExit"))->trigger();
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(closed.count(), 0);

    page->canLeave = true;
    main().CanCloseProgram = [] { return false; };
    EXPECT_FALSE(main().TryClose());
    EXPECT_EQ(closed.count(), 0);

    main().CanCloseProgram = nullptr;
    Click(&main(), "imgClose");
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(page->left, 0); // closing asks the page but does not leave it
}

TEST_F(FrmMainTest, TrayOpenIsEnabledOnlyWhileTheWindowIsAway)
{
    QAction* open = main().Tray().Menu()->findChild<QAction*>(QStringLiteral("actOpen"));
    ASSERT_NE(open, nullptr);
    main().Tray().UpdateMenu();
    EXPECT_FALSE(open->isEnabled());
    main().MinimizeApplication();
    main().Tray().UpdateMenu();
    EXPECT_TRUE(open->isEnabled());
    open->trigger();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(main().isMinimized());

    const QStringList expected{"Open", "", "&Help", "&Language", "", "Exit Lumexa"};
    QStringList shown;
    for (const QAction* action : main().Tray().Menu()->actions())
        shown << action->text();
    EXPECT_EQ(shown, expected);
    QStringList help;
    for (const QAction* action : main().Tray().Menu()->findChild<QMenu*>(QStringLiteral("mnuHelp"))->actions())
        help << action->text();
    EXPECT_EQ(help, (QStringList{"&Contents and Topics", "&Online Support", "Online &FAQ", "Submit Support Ticket"}));
}

class PasswordGateTest : public FrmMainTest
{
protected:
    void SetUp() override
    {
        FrmMainTest::SetUp();
        ASSERT_TRUE(TSettingsManager::WriteBool(31, true));
    }
    // Answers the "Password" dialog with each text in turn; a null text closes it.
    std::vector<bool> Answer(const std::vector<const char*>& texts)
    {
        std::vector<bool> stillOpen;
        OnNextModal([&stillOpen, texts](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Password"));
            for (const char* text : texts) {
                if (!text) {
                    dialog->close();
                    return;
                }
                dialog->findChild<QLineEdit*>(QStringLiteral("edtPassword"))->setText(QString::fromUtf8(text));
                Click(dialog, "btnLogin");
                stillOpen.push_back(dialog->isVisible());
            }
        });
        m_result = main().CheckSettingsPassword();
        return stillOpen;
    }
    bool m_result = false;
};

TEST_F(PasswordGateTest, WrongPasswordKeepsTheDialogOpen)
{
    ASSERT_TRUE(TSettingsManager::WriteString(32, "Secret"));
    const std::vector<bool> open = Answer({"secret", nullptr});
    EXPECT_EQ(open, std::vector<bool>{true});
    EXPECT_FALSE(m_result);
    ASSERT_EQ(dialogs().Shown().size(), 1u);
    EXPECT_EQ(dialogs().Shown()[0].text, "Invalid password, Try again");
}

TEST_F(PasswordGateTest, RightPasswordUnlocksForTheRestOfTheRun)
{
    ASSERT_TRUE(TSettingsManager::WriteString(32, "Secret"));
    const std::vector<bool> open = Answer({"wrong", " Secret "});
    EXPECT_EQ(open, (std::vector<bool>{true, false}));
    EXPECT_TRUE(m_result);
    // No dialog any more: a dialog here would never be answered and the call would hang.
    EXPECT_TRUE(main().CheckSettingsPassword());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(PasswordGateTest, PasswordStoredWithBlanksCanBeMatched)
{
    struct Case
    {
        const char* name;
        const char* stored;
        const char* typed;
    };
    const Case cases[] = {
        {"leading blank", " Secret", "Secret"},
        {"trailing blank", "Secret ", "Secret"},
        {"both typed", "Secret", "  Secret  "},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(TSettingsManager::WriteString(32, c.stored));
        EXPECT_TRUE(core::ui::TPasswordGate::Matches(c.typed)) << "case: " << c.name;
    }
    ASSERT_TRUE(TSettingsManager::WriteString(32, " Secret"));
    EXPECT_FALSE(core::ui::TPasswordGate::Matches("secret")) << "case-sensitive";
    Answer({"Secret"});
    EXPECT_TRUE(m_result);
}

TEST_F(PasswordGateTest, GuardedItemDoesNothingWhenTheGateRefuses)
{
    ASSERT_TRUE(TSettingsManager::WriteString(32, "Secret"));
    AddPage(6);
    OnNextModal([](QWidget* dialog) { dialog->close(); });
    Click(&main(), "navTracksEraser");
    EXPECT_EQ(main().ActivePage(), 0);
    // Ungated items need no password.
    Click(&main(), "navAbout");
    EXPECT_EQ(main().ActivePage(), core::ui::AboutPage);
}

TEST_F(FrmMainTest, NoPasswordIsAskedWhenItem31IsOff)
{
    ASSERT_TRUE(TSettingsManager::WriteString(32, "Secret"));
    EXPECT_TRUE(main().CheckSettingsPassword());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace lumexa::test
