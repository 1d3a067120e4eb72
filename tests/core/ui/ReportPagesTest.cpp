#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "UiTest.h"
#include "core/EraseSummary.h"
#include "core/MessageTable.h"
#include "core/ui/FrmErasedItemReport.h"
#include "core/ui/FrmMain.h"
#include "core/ui/FrmRepEraseSummary.h"
#include "core/ui/FrmRepErasedFilesFolders.h"
#include "core/ui/FrmSelectReportTime.h"
#include "core/ui/HomePage.h"
#include "core/ui/Program.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::test {

using core::Msg;
using core::ui::TFrmRepErasedFilesFolders;

namespace {
const std::string Reports = R"(C:\Program Files\Lumexa\Reports\)";

std::string LabelText(QWidget* parent, const char* name)
{
    auto* label = parent->findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text().toStdString() : std::string();
}

// The rows of a list as "caption|path|size".
std::vector<std::string> ListRows(QWidget* parent, const char* name)
{
    std::vector<std::string> rows;
    auto* list = parent->findChild<QTreeWidget*>(QString::fromLatin1(name));
    EXPECT_NE(list, nullptr) << name;
    for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list->topLevelItem(i);
        rows.push_back((row->text(0) + "|" + row->text(1) + "|" + row->text(2)).toStdString());
    }
    return rows;
}

std::string CountsText(int browser, int windows, int plugins, int mail)
{
    return std::to_string(browser) + Msg("strLX_MESSAGE512") + "\n" + std::to_string(windows) +
           Msg("strLX_MESSAGE513") + "\n" + std::to_string(plugins) + Msg("strLX_MESSAGE514") + "\n" +
           std::to_string(mail) + Msg("strLX_MESSAGE515") + "\n\n" +
           std::to_string(browser + windows + plugins + mail) + Msg("strLX_MESSAGE516");
}
} // namespace

// The program's windows, for the pages and the home page's summary.
class ReportPagesTest : public UiTest
{
protected:
    void StartProgram()
    {
        m_program = std::make_unique<core::ui::TProgram>();
        ASSERT_FALSE(m_program->Start({}).has_value());
    }
    void TearDown() override
    {
        m_program.reset();
        UiTest::TearDown();
    }
    core::ui::TFrmMain& main() { return *m_program->MainWindow(); }
    template <typename Window> Window& Page(int page)
    {
        EXPECT_TRUE(main().ShowPage(page));
        auto* window = main().findChild<Window*>();
        EXPECT_NE(window, nullptr);
        return *window;
    }
    std::vector<std::string> ShownTexts()
    {
        std::vector<std::string> texts;
        for (const auto& request : dialogs().Shown())
            texts.push_back(request.text);
        return texts;
    }
    void WriteStatistics()
    {
        // Counters as an older build wrote them; the date in the machine's short date format.
        WriteFile(Reports + "EraseSummary.ini",
                  "[LastEraseJob]\r\nInternet=2048\r\nWindows=99\r\nPlugins=5242880\r\nEMail=0\r\n"
                  "[TotalErased]\r\nInternet=1536\r\nWindows=2048\r\nPlugins=10\r\nEMail=1048576\r\n"
                  "[DiskCleaner]\r\nObsoleteCleaner=99\r\nDuplicateCleaner=2048\r\nBSCleaner=5242880\r\n"
                  "FShredder=0\r\n[FileLocker]\r\nFLock=7\r\n[LastEraseDate]\r\nEraseDate=10/30/2009\r\n");
    }

private:
    std::unique_ptr<core::ui::TProgram> m_program;
};

TEST_F(ReportPagesTest, HomeSummaryShowsTheLastJobAndTheDiskCleanersTotals)
{
    WriteStatistics();
    StartProgram();
    // FormatByteCount("%d", n): 99 Byte, 2.0 KB, 5.0 MB (the examples of Helpers.h).
    const std::map<std::string, std::string> expected{
        {"lblBrowsers", "2.0 KB"},
        {"lblWindows", "99 Byte"},
        {"lblPlugins", "5.0 MB"},
        {"lblEmail", "0 Byte"},
        {"lblObsoleteFiles", "99 Byte"},
        {"lblDuplicateFiles", "2.0 KB"},
        {"lblBrokenShortcuts", "5.0 MB"},
        {"lblFilesShredder", "0 Byte"},
        {"lblLastEraseDate", "Friday, October 30, 2009"},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(LabelText(&main().Home(), name.c_str()), text) << "label: " << name;
}

TEST_F(ReportPagesTest, HomeSummaryWithoutStatisticsShowsZerosAndNoDate)
{
    StartProgram();
    for (const char* name : {"lblBrowsers",
                             "lblWindows",
                             "lblPlugins",
                             "lblEmail",
                             "lblObsoleteFiles",
                             "lblDuplicateFiles",
                             "lblBrokenShortcuts",
                             "lblFilesShredder"})
        EXPECT_EQ(LabelText(&main().Home(), name), "0 Byte") << "label: " << name;
    EXPECT_EQ(LabelText(&main().Home(), "lblLastEraseDate"), "");
}

TEST_F(ReportPagesTest, StatisticsPageShowsTheFileAndResetEmptiesPageAndHome)
{
    StartProgram();
    WriteStatistics();
    auto& page = Page<core::ui::TFrmRepEraseSummary>(core::ui::ProgramStatisticsPage);
    // FormatSize: "1.50 KB" for 1,536 bytes (SecureDeleteHelpers.h); the disk counters as above.
    const std::map<std::string, std::string> filled{
        {"lblStatBrowsers", "1.50 KB"},
        {"lblStatWindows", "2.00 KB"},
        {"lblStatPlugins", "10 B"},
        {"lblStatMailAndNews", "1.00 MB"},
        {"lblStatObsoleteFiles", "99 Byte"},
        {"lblStatDuplicateFiles", "2.0 KB"},
        {"lblStatBrokenShortcuts", "5.0 MB"},
        {"lblStatFilesShredder", "0 Byte"},
        {"lblStatFilesProtected", "7 Byte"},
        {"lblStatLastEraseDate", "Friday, October 30, 2009"},
    };
    for (const auto& [name, text] : filled)
        EXPECT_EQ(LabelText(&page, name.c_str()), text) << "label: " << name;

    Click(&page, "btnReset");
    EXPECT_FALSE(machine().Files().FileExists(core::TEraseSummary::GetFileName()));
    std::map<std::string, std::string> reset;
    for (const auto& [name, text] : filled)
        reset[name] = "0 Byte";
    for (const char* name : {"lblStatBrowsers", "lblStatWindows", "lblStatPlugins", "lblStatMailAndNews"})
        reset[name] = "0 B";
    reset["lblStatLastEraseDate"] = "-----";
    for (const auto& [name, text] : reset)
        EXPECT_EQ(LabelText(&page, name.c_str()), text) << "label: " << name;
    EXPECT_EQ(LabelText(&main().Home(), "lblBrowsers"), "0 Byte");
    EXPECT_EQ(LabelText(&main().Home(), "lblLastEraseDate"), "");
}

class ErasedFilesTest : public ReportPagesTest
{
protected:
    void SetUp() override
    {
        ReportPagesTest::SetUp();
        // Three runs on the machine's today (2009-10-30), one the day before, and names that
        // are no run reports.
        WriteFile(Reports + "2009_10_30_09_00_00.rep",
                  "0%C:\\Users\\me\\Cookies\\Report.DOC%1536\r\n1%C:\\Windows\\Temp\\readme.txt%10\r\n");
        WriteFile(Reports + "2009_10_30_12_30_15.rep",
                  "1%C:\\Windows\\Temp\\a.tmp%20\r\n2%Acme Chat%C:\\Acme\\Logs\\mydoc.txt%30\r\n"
                  "3%C:\\Mail\\inbox.dbx%40\r\n7%C:\\Other\\group7.txt%1\r\nnot a line\r\n");
        WriteFile(Reports + "2009_10_30_17_05_09.rep", "1%C:\\Windows\\Prefetch\\x.pf%2048\r\n");
        WriteFile(Reports + "2009_10_29_23_59_59.rep", "1%C:\\Windows\\Temp\\yesterday.doc%1\r\n");
        WriteFile(Reports + "notes.rep", "1%C:\\Windows\\Temp\\notes.doc%1\r\n");
        StartProgram();
    }
    TFrmRepErasedFilesFolders& Show(int mode)
    {
        EXPECT_TRUE(main().ShowPage(core::ui::ErasedFilesPage, mode));
        return *main().findChild<TFrmRepErasedFilesFolders*>();
    }
};

TEST_F(ErasedFilesTest, ModesSetButtonFieldAndCaptionAndTheDateStartsAsToday)
{
    struct Case
    {
        int mode;
        const char* button;
        bool fileNameShown;
        const char* caption;
    };
    const Case cases[] = {
        {0, "strLX_CAPTION590", false, "strLX_CAPTION591"},
        {1, "strLX_CAPTION592", true, "strLX_CAPTION542"},
    };
    for (const Case& c : cases) {
        auto& page = Show(c.mode);
        EXPECT_EQ(page.findChild<QPushButton*>(QStringLiteral("btnShowReports"))->text().toStdString(), Msg(c.button))
            << "mode = " << c.mode;
        EXPECT_EQ(page.findChild<QLineEdit*>(QStringLiteral("edtFileName"))->isVisible(), c.fileNameShown)
            << "mode = " << c.mode;
        EXPECT_EQ(page.windowTitle().toStdString(), Msg(c.caption)) << "mode = " << c.mode;
        EXPECT_EQ(page.findChild<QDateEdit*>(QStringLiteral("dtpReportDate"))->date(), QDate(2009, 10, 30))
            << "mode = " << c.mode;
        main().ShowPage(core::ui::HomePage);
    }
}

TEST_F(ErasedFilesTest, ViewListsTheDaysRunsAndShowsOnlyTheChosenOne)
{
    auto& page = Show(TFrmRepErasedFilesFolders::ViewReports);
    std::vector<std::string> times;
    std::size_t boxesWhileOpen = 0;
    OnNextModal([&](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("lstTimes"));
        for (int i = 0; list && i < list->count(); ++i)
            times.push_back(list->item(i)->text().toStdString());
        Click(dialog, "btnDisplayReport"); // nothing chosen: says so and stays open
        boxesWhileOpen = dialogs().Shown().size();
        EXPECT_TRUE(dialog->isVisible());
        list->setCurrentRow(1);
        Click(dialog, "btnDisplayReport");
    });
    Click(&page, "btnShowReports");
    EXPECT_EQ(times, (std::vector<std::string>{"09:00:00", "12:30:15", "17:05:09"}));
    EXPECT_EQ(boxesWhileOpen, 1u);
    // Group 7 and the line without fields are skipped; the plug-in line shows the object's name.
    EXPECT_EQ(ListRows(&page, "lstBrowser"), std::vector<std::string>{});
    EXPECT_EQ(ListRows(&page, "lstWindows"), std::vector<std::string>{R"(a.tmp|C:\Windows\Temp\|20 B)"});
    EXPECT_EQ(ListRows(&page, "lstPlugins"), std::vector<std::string>{R"(mydoc.txt|C:\Acme\Logs\|30 B)"});
    EXPECT_EQ(ListRows(&page, "lstEmail"), std::vector<std::string>{R"(inbox.dbx|C:\Mail\|40 B)"});
    EXPECT_EQ(ShownTexts(), (std::vector<std::string>{Msg("strLX_MESSAGE517"), CountsText(0, 1, 1, 1)}));
}

TEST_F(ErasedFilesTest, AnyKeyInSelectReportTimeCancelsTheView)
{
    auto& page = Show(TFrmRepErasedFilesFolders::ViewReports);
    OnNextModal([](QWidget* dialog) {
        QTest::keyClick(dialog->findChild<QListWidget*>(QStringLiteral("lstTimes")), Qt::Key_Down);
    });
    Click(&page, "btnShowReports");
    for (const char* list : {"lstBrowser", "lstWindows", "lstPlugins", "lstEmail"})
        EXPECT_TRUE(ListRows(&page, list).empty()) << "list: " << list;
    EXPECT_TRUE(dialogs().Shown().empty());
}

TEST_F(ErasedFilesTest, SearchReadsEveryRunOfTheDayAndKeepsMatchingNames)
{
    auto& page = Show(TFrmRepErasedFilesFolders::SearchErasedFiles);
    page.findChild<QLineEdit*>(QStringLiteral("edtFileName"))->setText(QStringLiteral("doc"));
    Click(&page, "btnShowReports");
    EXPECT_EQ(ListRows(&page, "lstBrowser"), std::vector<std::string>{R"(Report.DOC|C:\Users\me\Cookies\|1.50 KB)"});
    EXPECT_EQ(ListRows(&page, "lstWindows"), std::vector<std::string>{});
    EXPECT_EQ(ListRows(&page, "lstPlugins"), std::vector<std::string>{R"(mydoc.txt|C:\Acme\Logs\|30 B)"});
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{CountsText(1, 0, 1, 0)});

    page.findChild<QLineEdit*>(QStringLiteral("edtFileName"))->clear();
    Click(&page, "btnShowReports");
    const std::vector<std::string> windows{R"(readme.txt|C:\Windows\Temp\|10 B)",
                                           R"(a.tmp|C:\Windows\Temp\|20 B)",
                                           R"(x.pf|C:\Windows\Prefetch\|2.00 KB)"};
    EXPECT_EQ(ListRows(&page, "lstWindows"), windows);
    EXPECT_EQ(ShownTexts().back(), CountsText(1, 3, 1, 1));
}

TEST_F(ErasedFilesTest, DayWithoutReportsSaysSoAndListsNothing)
{
    for (const int mode : {0, 1}) {
        auto& page = Show(mode);
        page.findChild<QDateEdit*>(QStringLiteral("dtpReportDate"))->setDate(QDate(2009, 10, 31));
        const std::size_t before = dialogs().Shown().size();
        Click(&page, "btnShowReports");
        ASSERT_EQ(dialogs().Shown().size(), before + 1) << "mode = " << mode;
        EXPECT_EQ(dialogs().Shown().back().text, Msg("strLX_MESSAGE511")) << "mode = " << mode;
        for (const char* list : {"lstBrowser", "lstWindows", "lstPlugins", "lstEmail"})
            EXPECT_TRUE(ListRows(&page, list).empty()) << "mode = " << mode << ", list: " << list;
        main().ShowPage(core::ui::HomePage);
    }
}

TEST_F(ReportPagesTest, ItemReportShowsTheNewestWindowCopysLinesOfTheRow)
{
    const std::string temp = machine().Shell().TempPath();
    WriteFile(temp + "2009_10_30_09_00_00.rep", "92%C:\\Old\\old.tmp%1\r\n");
    WriteFile(temp + "2009_10_30_17_05_09.rep",
              "92%C:\\Temp\\x.tmp%5\r\n120%Acme Chat%C:\\Acme\\one.dat%10\r\n120%Other%C:\\Other\\two.dat%20\r\n"
              "120%Acme Chat%C:\\Acme\\three.dat%2048\r\n93%C:\\Recent\\r.lnk%7\r\n");
    struct Case
    {
        const char* caption;
        std::uint8_t item;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"Temp Folder", 92, {R"(x.tmp|C:\Temp\|5 B)"}},
        {"PLUGGIN: acme chat", 120, {R"(one.dat|C:\Acme\|10 B)", R"(three.dat|C:\Acme\|2.00 KB)"}},
        {"Pluggin: Other", 120, {R"(two.dat|C:\Other\|20 B)"}},
        {"Pluggin: Nobody", 120, {}},
    };
    for (const Case& c : cases) {
        core::ui::TFrmErasedItemReport report(c.caption, c.item);
        EXPECT_EQ(ListRows(&report, "lstReport"), c.rows) << "case: " << c.caption;
    }
}

} // namespace lumexa::test
