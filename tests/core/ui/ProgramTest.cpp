#include "core/ui/Program.h"

#include <QApplication>
#include <QLocalSocket>
#include <QPlainTextEdit>

#include "UiTest.h"
#include "core/MessageTable.h"
#include "core/SettingsManager.h"
#include "core/ui/ErrorDialog.h"
#include "core/ui/FrmMain.h"
#include "core/ui/InstanceServer.h"
#include "platform/Machine.h"

namespace lumexa::test {

using core::TSettingsManager;
using core::ui::TFrmMain;
using core::ui::TProgram;

class ProgramTest : public UiTest
{
};

TEST_F(ProgramTest, ReinstallArgumentRecordsTheTimeAndShowsNothing)
{
    struct Case
    {
        const char* name;
        QStringList arguments;
        bool endsAtOnce;
    };
    const Case cases[] = {
        {"reinstall", {"reinstall"}, true},
        {"reinstall with more arguments", {"reinstall", "now"}, true},
        {"other case", {"Reinstall"}, false},
        {"second argument", {"x", "reinstall"}, false},
        {"no argument", {}, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(TSettingsManager::WriteDate(90, 0)) << "case: " << c.name;
        TProgram program;
        const std::optional<int> ended = program.Start(c.arguments);
        if (c.endsAtOnce) {
            EXPECT_EQ(ended, 0) << "case: " << c.name;
            EXPECT_EQ(program.MainWindow(), nullptr) << "case: " << c.name;
            EXPECT_EQ(TSettingsManager::ReadDate(90), machine().Clock().Now()) << "case: " << c.name;
        } else {
            EXPECT_FALSE(ended.has_value()) << "case: " << c.name;
            ASSERT_NE(program.MainWindow(), nullptr) << "case: " << c.name;
            EXPECT_TRUE(program.MainWindow()->isVisible()) << "case: " << c.name;
            EXPECT_EQ(program.MainWindow()->ActivePage(), 0) << "case: " << c.name;
            EXPECT_EQ(TSettingsManager::ReadDate(90), 0.0) << "case: " << c.name;
        }
        EXPECT_TRUE(dialogs().Shown().empty()) << "case: " << c.name;
    }
}

TEST_F(ProgramTest, SecondStartShowsTheBoxAndBringsTheFirstForward)
{
    TProgram first;
    ASSERT_FALSE(first.Start({}).has_value());
    TFrmMain* window = first.MainWindow();
    window->MinimizeApplication();
    ASSERT_TRUE(window->isMinimized() || !window->isVisible());

    TProgram second;
    EXPECT_EQ(second.Start({}), 0);
    EXPECT_EQ(second.MainWindow(), nullptr);
    ASSERT_EQ(dialogs().Shown().size(), 1u);
    EXPECT_EQ(dialogs().Shown()[0].text, "There is another instance of Lumexa already running and minimized");
    EXPECT_EQ(dialogs().Shown()[0].caption, "Lumexa");
    EXPECT_EQ(dialogs().Shown()[0].icon, platform::MessageIcon::Information);

    EXPECT_TRUE(WaitFor([&] { return window->isVisible() && !window->isMinimized(); }));
    // The first instance keeps running: still the owner of the name, still listening.
    TProgram third;
    EXPECT_EQ(third.Start({}), 0);
    EXPECT_EQ(dialogs().Shown().size(), 2u);
    EXPECT_EQ(first.MainWindow(), window);
}

TEST_F(ProgramTest, InstanceSocketNamesDifferPerMachine)
{
    const QString here = core::ui::TInstanceServer::SocketName(machine().Root());
    EXPECT_EQ(here, core::ui::TInstanceServer::SocketName(machine().Root()));
    EXPECT_NE(here, core::ui::TInstanceServer::SocketName(machine().Root() + "-other"));
    EXPECT_TRUE(here.startsWith(QStringLiteral("lumexa-")));
    EXPECT_FALSE(core::ui::TInstanceServer::NotifyRunningInstance(machine().Root() + "-nobody"));
}

TEST_F(ProgramTest, StartsInTheNotificationAreaWithItem25)
{
    for (const bool inTray : {false, true}) {
        ASSERT_TRUE(TSettingsManager::WriteBool(25, inTray));
        TProgram program;
        ASSERT_FALSE(program.Start({}).has_value()) << "item 25 = " << inTray;
        TFrmMain* window = program.MainWindow();
        // Without a notification area (offscreen) the program keeps a taskbar entry instead.
        const bool shownNormally = window->isVisible() && !window->isMinimized();
        EXPECT_EQ(shownNormally, !inTray) << "item 25 = " << inTray;
        EXPECT_EQ(window->ActivePage(), 0) << "item 25 = " << inTray;
    }
}

TEST_F(ProgramTest, AdministratorIsRequiredOnNtOnly)
{
    struct Case
    {
        const char* name;
        platform::WindowsVersion version;
        bool administrator;
        bool starts;
    };
    const Case cases[] = {
        {"XP administrator", platform::WindowsVersion::WinXP, true, true},
        {"XP user", platform::WindowsVersion::WinXP, false, false},
        {"Vista user", platform::WindowsVersion::Vista, false, false},
        {"98 user", platform::WindowsVersion::Win98, false, true},
    };
    for (const Case& c : cases) {
        platform::CreateOptions options;
        options.version = c.version;
        options.driveCapacity = 64ull << 20;
        RecreateMachine(options);
        if (!c.administrator)
            ReopenWithIni("administrator=1", "administrator=0");
        auto scripted = std::make_shared<platform::TScriptedDialogs>();
        platform::SetDialogs(scripted);

        TProgram program;
        const std::optional<int> ended = program.Start({});
        if (c.starts) {
            EXPECT_FALSE(ended.has_value()) << "case: " << c.name;
            EXPECT_TRUE(scripted->Shown().empty()) << "case: " << c.name;
            EXPECT_TRUE(program.MainWindow()->isVisible()) << "case: " << c.name;
        } else {
            EXPECT_EQ(ended, 1) << "case: " << c.name;
            ASSERT_EQ(scripted->Shown().size(), 1u) << "case: " << c.name;
            EXPECT_EQ(scripted->Shown()[0].text, "An administrator account is required to run Lumexa");
            EXPECT_EQ(scripted->Shown()[0].caption, "Lumexa");
            EXPECT_EQ(scripted->Shown()[0].icon, platform::MessageIcon::Error);
            EXPECT_FALSE(program.MainWindow() && program.MainWindow()->isVisible()) << "case: " << c.name;
        }
    }
}

// An object whose handler fails, as a bug in a window would.
class TThrowingObject : public QObject
{
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("Local proxy port not set");
        return QObject::event(event);
    }
};

TEST_F(ProgramTest, UnhandledErrorIsShownInTheErrorWindow)
{
    TProgram program;
    ASSERT_FALSE(program.Start({}).has_value());
    QString title, memo;
    bool stayedOpenAfterSend = false;
    OnNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        if (auto* text = modal->findChild<QPlainTextEdit*>(QStringLiteral("memError")))
            memo = text->toPlainText();
        Click(modal, "btnSendReport");
        stayedOpenAfterSend = modal->isVisible();
        Click(modal, "btnDontSend");
    });
    TThrowingObject thrower;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);

    EXPECT_EQ(title, QStringLiteral("Lumexa - Error occurred"));
    EXPECT_EQ(memo, QStringLiteral("Local proxy port not set"));
    EXPECT_TRUE(stayedOpenAfterSend);
    EXPECT_FALSE(program.ErrorDialog()->isVisible());
    // The program goes on.
    EXPECT_TRUE(program.MainWindow()->isVisible());
}

} // namespace lumexa::test
