#include <set>

#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include "UiTest.h"
#include "core/SettingsManager.h"
#include "core/ui/FrmMain.h"
#include "core/ui/FrmTip.h"
#include "core/ui/Program.h"
#include "core/ui/ShippedFiles.h"
#include "core/ui/TipPool.h"
#include "platform/Machine.h"

namespace lumexa::test {

using core::TSettingsManager;

class TipsTest : public UiTest
{
protected:
    const std::string tipsPath = R"(C:\Program Files\Lumexa\Tips.dat)";
};

TEST_F(TipsTest, HomePageShowsTheOnlyTipOfAOneLineFile)
{
    WriteFile(tipsPath, "Run Analyze first.\r\n");
    core::ui::TProgram program;
    ASSERT_FALSE(program.Start({}).has_value());
    auto* tip = program.MainWindow()->findChild<QLabel*>(QStringLiteral("lblTip"));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->text(), QStringLiteral("Run Analyze first."));
    // Shown again: still the only line.
    program.MainWindow()->hide();
    program.MainWindow()->show();
    EXPECT_EQ(tip->text(), QStringLiteral("Run Analyze first."));
}

TEST_F(TipsTest, MissingTipsFileShowsNoTip)
{
    machine().Files().DeleteFile(tipsPath);
    core::ui::TProgram program;
    ASSERT_FALSE(program.Start({}).has_value());
    EXPECT_TRUE(program.MainWindow()->findChild<QLabel*>(QStringLiteral("lblTip"))->text().isEmpty());
}

TEST_F(TipsTest, ReadTipsSkipsBlankLinesAndAcceptsBothLineEnds)
{
    WriteFile(tipsPath, "one\r\n\r\ntwo\nthree");
    EXPECT_EQ(core::ui::ReadTips(machine()), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(TipsTest, TipWindowDrawsEachTipOnceBeforeRefilling)
{
    WriteFile(tipsPath, "a\r\nb\r\nc\r\n");
    core::ui::TTipPool pool;
    std::set<std::string> drawn;
    for (int i = 0; i < 3; ++i)
        drawn.insert(pool.NextTip(machine()).value_or(""));
    EXPECT_EQ(drawn, (std::set<std::string>{"a", "b", "c"}));
    EXPECT_EQ(pool.Remaining(), 0u);
    EXPECT_TRUE(pool.NextTip(machine()).has_value());
    EXPECT_EQ(pool.Remaining(), 2u);
}

TEST_F(TipsTest, TipWindowWithOneLineAndTheStartupCheckBox)
{
    WriteFile(tipsPath, "Only tip\r\n");
    core::ui::TFrmTip window;
    window.show();
    EXPECT_EQ(window.CurrentTip(), QStringLiteral("Only tip"));
    Click(&window, "btnNextTip");
    EXPECT_EQ(window.CurrentTip(), QStringLiteral("Only tip"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tip of the day"));

    auto* check = window.findChild<QCheckBox*>(QStringLiteral("chkShowTips"));
    ASSERT_NE(check, nullptr);
    check->setChecked(true);
    EXPECT_TRUE(TSettingsManager::ReadBool(29));
    check->setChecked(false);
    EXPECT_FALSE(TSettingsManager::ReadBool(29));

    Click(&window, "btnClose");
    EXPECT_FALSE(window.isVisible());
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TipsTest, TipsTimerRunsOnceWhenItem29IsSet)
{
    for (const bool showTips : {false, true}) {
        ASSERT_TRUE(TSettingsManager::WriteBool(29, showTips));
        core::ui::TProgram program;
        ASSERT_FALSE(program.Start({}).has_value());
        QTimer* timer = program.MainWindow()->TipsTimer();
        EXPECT_EQ(timer != nullptr, showTips) << "item 29 = " << showTips;
        if (timer) {
            EXPECT_TRUE(timer->isActive());
            EXPECT_TRUE(timer->isSingleShot());
            EXPECT_EQ(timer->interval(), 2500);
        }
    }
}

TEST_F(TipsTest, ShippedFilesAreRestoredWhenMissing)
{
    machine().Files().DeleteFile(tipsPath);
    machine().Files().RemoveDirectory(R"(C:\Program Files\Lumexa\Plugins)");
    ASSERT_TRUE(core::ui::InstallShippedFiles(machine()));
    EXPECT_TRUE(machine().Files().DirectoryExists(R"(C:\Program Files\Lumexa\Plugins)"));
    const std::string text = ReadFile(tipsPath);
    EXPECT_GE(core::ui::ReadTips(machine()).size(), 20u);
    EXPECT_EQ(text.find("\r\n\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_EQ(text[at - 1], '\r') << "line end at " << at;

    WriteFile(tipsPath, "my own tip\r\n");
    ASSERT_TRUE(core::ui::InstallShippedFiles(machine()));
    EXPECT_EQ(ReadFile(tipsPath), "my own tip\r\n");
}

} // namespace lumexa::test
