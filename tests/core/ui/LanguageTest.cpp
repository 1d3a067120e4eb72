#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "UiTest.h"
#include "core/MessageTable.h"
#include "core/ui/FrmMain.h"
#include "core/ui/LanguageManager.h"
#include "core/ui/Program.h"
#include "core/ui/TrayIcon.h"
#include "platform/Machine.h"
#include "platform/Registry.h"

namespace lumexa::test {

using core::TLanguage;
using core::ui::TLanguageManager;

class LanguageTest : public UiTest
{
};

TEST_F(LanguageTest, ChangingTheLanguageRetranslatesShownTextsAndIsStored)
{
    core::ui::TProgram program;
    ASSERT_FALSE(program.Start({}).has_value());
    auto* home = program.MainWindow()->findChild<QToolButton*>(QStringLiteral("btnHome"));
    auto* item = program.MainWindow()->findChild<QToolButton*>(QStringLiteral("navAbout"));
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->text(), QStringLiteral("Home"));

    for (const TLanguage language : core::AllLanguages) {
        TLanguageManager::Instance().SetLanguage(language);
        const auto& table = core::TMessageTable::Instance();
        EXPECT_EQ(home->text().toStdString(), table.Text("strLX_CAPTION557", language))
            << "language: " << core::LanguageCode(language);
        EXPECT_EQ(item->text().toStdString(), table.Text("strLX_CAPTION543", language))
            << "language: " << core::LanguageCode(language);
        EXPECT_EQ(TLanguageManager::StoredLanguage(), language);
    }
    TLanguageManager::Instance().SetLanguage(TLanguage::German);
    EXPECT_NE(home->text(), QStringLiteral("Home"));
    std::string stored;
    const auto key = machine().Registry().Open(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Orvanta\\Lumexa");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->GetString("Language", stored), platform::RegRead::Ok);
    EXPECT_EQ(stored, "de");
}

TEST_F(LanguageTest, StoredLanguageIsAppliedAtStart)
{
    ASSERT_TRUE(TLanguageManager::StoreLanguage(TLanguage::Spanish));
    core::ui::TProgram program;
    ASSERT_FALSE(program.Start({}).has_value());
    EXPECT_EQ(TLanguageManager::Instance().Language(), TLanguage::Spanish);
    EXPECT_EQ(program.MainWindow()->findChild<QToolButton*>(QStringLiteral("grpHelp"))->text().toStdString(),
              core::TMessageTable::Instance().Text("strLX_CAPTION516", TLanguage::Spanish));
}

TEST_F(LanguageTest, UnknownStoredCodeMeansEnglish)
{
    const auto key = machine().Registry().Create(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Orvanta\\Lumexa");
    ASSERT_TRUE(key && key->SetString("Language", "xx"));
    EXPECT_EQ(TLanguageManager::StoredLanguage(), std::nullopt);
    core::TMessageTable::Instance().SetLanguage(TLanguage::French);
    TLanguageManager::Instance().ApplyStoredLanguage();
    EXPECT_EQ(TLanguageManager::Instance().Language(), TLanguage::English);
}

TEST_F(LanguageTest, TrayMenuOffersEveryLanguage)
{
    core::ui::TProgram program;
    ASSERT_FALSE(program.Start({}).has_value());
    QMenu* menu = program.MainWindow()->Tray().Menu()->findChild<QMenu*>(QStringLiteral("mnuLanguage"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), static_cast<qsizetype>(core::LanguageCount));
    menu->findChild<QAction*>(QStringLiteral("actLanguage_ja"))->trigger();
    EXPECT_EQ(TLanguageManager::Instance().Language(), TLanguage::Japanese);
    EXPECT_TRUE(menu->findChild<QAction*>(QStringLiteral("actLanguage_ja"))->isChecked());
    EXPECT_FALSE(menu->findChild<QAction*>(QStringLiteral("actLanguage_en"))->isChecked());
    EXPECT_EQ(program.MainWindow()->windowTitle().toStdString(),
              core::TMessageTable::Instance().Text("strLX_CAPTION500", TLanguage::Japanese));
}

} // namespace lumexa::test
