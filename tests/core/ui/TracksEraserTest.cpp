#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include "UiTest.h"
#include "core/EraseSummary.h"
#include "core/GeneralCleanerThread.h"
#include "core/MessageTable.h"
#include "core/RunReports.h"
#include "core/SecureCleaner.h"
#include "core/SettingsManager.h"
#include "core/ui/FrmMain.h"
#include "core/ui/FrmTracksEraser.h"
#include "core/ui/Program.h"
#include "platform/Machine.h"

namespace lumexa::test {

using core::Msg;
using core::TSettingsManager;
using core::ui::TFrmTracksEraser;

namespace {

// Holds a cleaner at one point of its work until the test lets it go on.
class TGate
{
public:
    void Wait()
    {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    bool Entered()
    {
        std::lock_guard lock(m_mutex);
        return m_entered;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_open = false;
};

struct TObject
{
    std::string name;
    std::uint64_t size = 0;
};

// One item (or, with a plug-in name, one plug-in) of a test cleaner's work.
struct TStep
{
    TStep(std::uint8_t item_,
          std::vector<TObject> objects_ = {},
          std::string plugin_ = {},
          std::shared_ptr<TGate> gate_ = {},
          std::shared_ptr<TGate> inside_ = {})
        : item(item_)
        , objects(std::move(objects_))
        , plugin(std::move(plugin_))
        , gate(std::move(gate_))
        , inside(std::move(inside_))
    {}

    std::uint8_t item;
    std::vector<TObject> objects;
    std::string plugin;
    // Wait here, before the step starts, until the gate opens.
    std::shared_ptr<TGate> gate;
    // Wait here, once the step has started, until this gate opens.
    std::shared_ptr<TGate> inside;
};

// A cleaner that works through its steps as the cleaner contract says: ItemStarted, the objects,
// ItemFinished, and Terminated at the end. A step behind a gate is done even after a stop
// request: it stands for a cleaner that goes on reporting. A cleaner destroyed unstarted does
// nothing.
class TTestCleaner : public core::TSecureCleaner
{
public:
    explicit TTestCleaner(std::vector<TStep> steps)
        : TSecureCleaner(std::uint8_t{0})
        , m_steps(std::move(steps))
    {}
    ~TTestCleaner() override { StopAndWait(); }

protected:
    void Execute() override
    {
        if (Terminated()) {
            SetTerminatedFlag();
            return;
        }
        for (const TStep& step : m_steps) {
            if (step.gate)
                step.gate->Wait();
            else if (Terminated())
                break;
            CurrentItem = step.item;
            if (step.plugin.empty())
                DoItemStarted(step.item);
            else
                DoPluginStarted(step.plugin);
            if (step.inside)
                step.inside->Wait();
            for (const TObject& object : step.objects)
                DoReportErased(object.name, true, object.size);
            if (step.plugin.empty())
                DoItemFinished(step.item);
            else
                DoPluginFinished(step.plugin);
        }
        SetTerminatedFlag();
    }

private:
    std::vector<TStep> m_steps;
};

void InstallCleaner(int slot, std::vector<TStep> steps)
{
    core::SetCleanerFactory(slot, [steps] { return std::make_unique<TTestCleaner>(steps); });
}

struct TRow
{
    std::string caption;
    std::string size;
    std::string status;
    friend bool operator==(const TRow&, const TRow&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TRow& row)
    {
        return out << "{" << row.caption << ", " << row.size << ", " << row.status << "}";
    }
};

} // namespace

class TracksEraserTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_page = std::make_unique<TFrmTracksEraser>();
    }
    void TearDown() override
    {
        m_page.reset();
        for (int slot = 0; slot < core::CleanerCount; ++slot)
            core::SetCleanerFactory(slot, nullptr);
        core::SetSelectedPluginsSource(nullptr);
        UiTest::TearDown();
    }

    TFrmTracksEraser& page() { return *m_page; }
    QTreeWidget* List() { return m_page->findChild<QTreeWidget*>(QStringLiteral("lstErase")); }
    std::vector<TRow> Rows()
    {
        std::vector<TRow> rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = List()->topLevelItem(i);
            rows.push_back({row->text(0).toStdString(), row->text(1).toStdString(), row->text(2).toStdString()});
        }
        return rows;
    }
    void Trigger(const char* action)
    {
        auto* found = m_page->findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(found, nullptr) << action;
        found->trigger();
    }
    bool StartEnabled() { return m_page->findChild<QPushButton*>(QStringLiteral("btnStart"))->isEnabled(); }
    bool StopEnabled() { return m_page->findChild<QPushButton*>(QStringLiteral("btnStop"))->isEnabled(); }
    std::vector<std::string> ShownTexts()
    {
        std::vector<std::string> texts;
        for (const auto& request : dialogs().Shown())
            texts.push_back(request.text);
        return texts;
    }
    static std::string StartNotice() { return Msg("strLX_MESSAGE505") + "\n" + Msg("strLX_MESSAGE506"); }
    // Runs to the end: the page is idle again and every stopped run has gone.
    bool WaitUntilIdle()
    {
        return WaitFor([this] { return !m_page->Running() && m_page->RetiredRuns() == 0; });
    }
    bool StatisticsFileExists() { return machine().Files().FileExists(core::TEraseSummary::GetFileName()); }

private:
    std::unique_ptr<TFrmTracksEraser> m_page;
};

TEST_F(TracksEraserTest, NothingEnabledShowsTheSettingsHintAndStartOnlyAsksForASelection)
{
    page().PageShown();
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{Msg("strLX_MESSAGE502")});

    Trigger("mnuErase");
    Trigger("mnuAnalyze");
    const std::vector<std::string> expected{Msg("strLX_MESSAGE502"), Msg("strLX_MESSAGE503"), Msg("strLX_MESSAGE504")};
    EXPECT_EQ(ShownTexts(), expected);
    EXPECT_FALSE(page().Running());
    EXPECT_TRUE(StartEnabled());
    EXPECT_FALSE(StopEnabled());
    EXPECT_EQ(TSettingsManager::ReadDate(21), 0.0);
}

TEST_F(TracksEraserTest, RowsGoFromPendingThroughRunningToDoneWithTheirSizes)
{
    for (const std::uint8_t item : {92, 93, 110})
        ASSERT_TRUE(TSettingsManager::WriteBool(item, true));
    auto gate = std::make_shared<TGate>();
    // Items 92 and 93 belong to the Windows cleaner; 110 (Office) has no cleaner and never starts.
    InstallCleaner(core::CleanerWindows,
                   {{92, {{R"(C:\Temp\a.tmp)", 1000}, {R"(C:\Temp\b.tmp)", 536}}},
                    {93, {{R"(C:\Recent\doc.lnk)", 10}}, "", nullptr, gate}});
    page().PageShown();
    const std::vector<TRow> pending{{"Temp Folder", "N/A", "Pending"},
                                    {"Recent Documents History", "N/A", "Pending"},
                                    {"Mirosoft Access", "N/A", "Pending"}};
    EXPECT_EQ(Rows(), pending);
    EXPECT_TRUE(dialogs().Shown().empty());

    Trigger("mnuErase");
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{StartNotice()});
    EXPECT_TRUE(page().Running());
    EXPECT_FALSE(StartEnabled());
    EXPECT_TRUE(StopEnabled());
    ASSERT_TRUE(WaitFor([&] { return gate->Entered() && Rows()[1].status == "Running..."; }));
    // FormatSize: 1,536 bytes are "1.50 KB" (the unit examples of SecureDeleteHelpers.h).
    EXPECT_EQ(Rows()[0], (TRow{"Temp Folder", "1.50 KB", "Done..."}));
    EXPECT_EQ(Rows()[1], (TRow{"Recent Documents History", "0 B", "Running..."}));
    EXPECT_EQ(Rows()[2], pending[2]);

    gate->Open();
    ASSERT_TRUE(WaitUntilIdle());
    const std::vector<TRow> done{{"Temp Folder", "1.50 KB", "Done..."},
                                 {"Recent Documents History", "10 B", "Done..."},
                                 {"Mirosoft Access", "N/A", "Pending"}};
    EXPECT_EQ(Rows(), done);
    EXPECT_TRUE(StartEnabled());
    EXPECT_FALSE(StopEnabled());
    EXPECT_TRUE(StatisticsFileExists());
}

TEST_F(TracksEraserTest, PluginRowIsFoundByItsCaptionIgnoringCase)
{
    core::SetSelectedPluginsSource([] { return std::vector<std::string>{"Acme Chat", "Other"}; });
    // Two objects: the row shows their sum. "Other" is selected but its plug-in never runs.
    InstallCleaner(core::CleanerPlugin,
                   {{core::PluginItem, {{R"(C:\Acme\log.txt)", 2000}, {R"(C:\Acme\old.log)", 48}}, "ACME chat"}});
    page().PageShown();
    Trigger("mnuAnalyze");
    ASSERT_TRUE(WaitUntilIdle());
    const std::vector<TRow> expected{{"Pluggin: Acme Chat", "2.00 KB", "Done..."},
                                     {"Pluggin: Other", "N/A", "Pending"}};
    EXPECT_EQ(Rows(), expected);
}

TEST_F(TracksEraserTest, DoubleClickOpensTheItemReportOnlyForRowsWithASize)
{
    ASSERT_TRUE(TSettingsManager::WriteBool(92, true));
    ASSERT_TRUE(TSettingsManager::WriteBool(93, true));
    InstallCleaner(core::CleanerWindows, {{92, {{R"(C:\Temp\a.tmp)", 12}}}});
    page().PageShown();
    Trigger("mnuAnalyze");
    ASSERT_TRUE(WaitUntilIdle());

    QTreeWidget* list = List();
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    EXPECT_EQ(ShownTexts().back(), Msg("strLX_MESSAGE509"));

    std::vector<std::string> shown;
    OnNextModal([&](QWidget* report) {
        auto* rows = report->findChild<QTreeWidget*>(QStringLiteral("lstReport"));
        for (int i = 0; rows && i < rows->topLevelItemCount(); ++i)
            for (int column = 0; column < 3; ++column)
                shown.push_back(rows->topLevelItem(i)->text(column).toStdString());
        report->close();
    });
    const std::size_t boxes = dialogs().Shown().size();
    emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"a.tmp", R"(C:\Temp\)", "12 B"}));
    EXPECT_EQ(dialogs().Shown().size(), boxes);
}

TEST_F(TracksEraserTest, StopKeepsAStillReportingRunAliveAndIgnoresItsLateEvents)
{
    for (const std::uint8_t item : {92, 93})
        ASSERT_TRUE(TSettingsManager::WriteBool(item, true));
    auto gate = std::make_shared<TGate>();
    std::atomic<int> created{0};
    // The first run's cleaner finishes 92, then is held and, once let go, still reports 93
    // although it was asked to stop. Every later cleaner erases only 92.
    core::SetCleanerFactory(core::CleanerWindows, [&created, gate]() -> std::unique_ptr<core::TSecureCleaner> {
        if (created.fetch_add(1) == 0)
            return std::make_unique<TTestCleaner>(std::vector<TStep>{
                {92, {{R"(C:\Temp\a.tmp)", 1000}}}, {93, {{R"(C:\Recent\late.lnk)", 7000}}, "", gate}});
        return std::make_unique<TTestCleaner>(std::vector<TStep>{{92, {{R"(C:\Temp\b.tmp)", 100}}}});
    });
    page().PageShown();
    Trigger("mnuErase");
    ASSERT_TRUE(WaitFor([&] { return gate->Entered() && Rows()[0].status == "Done..."; }));

    page().findChild<QPushButton*>(QStringLiteral("btnStop"))->click();
    // Idle at once, while the stopped run waits for its cleaner.
    EXPECT_FALSE(page().Running());
    EXPECT_EQ(page().RetiredRuns(), 1u);
    EXPECT_TRUE(StartEnabled());
    EXPECT_FALSE(StopEnabled());
    EXPECT_EQ(TSettingsManager::ReadDate(21), machine().Clock().Now());

    // A new run starts (it waits for the stopped one), then the held cleaner reports 93.
    Trigger("mnuAnalyze");
    EXPECT_TRUE(page().Running());
    gate->Open();
    ASSERT_TRUE(WaitUntilIdle());
    const std::vector<TRow> expected{{"Temp Folder", "100 B", "Done..."},
                                     {"Recent Documents History", "N/A", "Pending"}};
    EXPECT_EQ(Rows(), expected);
    // Neither the stopped erase nor the analysis saved the statistics.
    EXPECT_FALSE(StatisticsFileExists());
}

TEST_F(TracksEraserTest, AnalysisRecordsTheRunDateButNeitherStatisticsNorRestart)
{
    ASSERT_TRUE(TSettingsManager::WriteBool(94, true)); // "Run History" asks for a restart after an erase
    ASSERT_TRUE(TSettingsManager::WriteBool(28, true)); // "Close Lumexa after erasing"
    machine().Clock().SetFixed(*platform::EncodeDateTime(2010, 2, 3, 4, 5, 6));
    QSignalSpy close(&page(), &TFrmTracksEraser::CloseProgramRequested);
    page().PageShown();
    Trigger("mnuAnalyze");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(TSettingsManager::ReadDate(21), *platform::EncodeDateTime(2010, 2, 3, 4, 5, 6));
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{StartNotice()});
    EXPECT_EQ(close.count(), 0);
    EXPECT_FALSE(StatisticsFileExists());
}

TEST_F(TracksEraserTest, EraseAsksTheProgramToCloseWhenItem28IsSet)
{
    ASSERT_TRUE(TSettingsManager::WriteBool(92, true));
    QSignalSpy close(&page(), &TFrmTracksEraser::CloseProgramRequested);
    page().PageShown();
    Trigger("mnuErase");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(close.count(), 0);
    EXPECT_TRUE(StatisticsFileExists());

    ASSERT_TRUE(TSettingsManager::WriteBool(28, true));
    Trigger("mnuErase");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(close.count(), 1);
}

TEST_F(TracksEraserTest, RestartIsOfferedOnlyForIndexDatPagingFileAndRunHistory)
{
    struct Case
    {
        const char* name;
        std::uint8_t item;
        platform::DialogResult answer;
        bool asked;
        bool restarted;
    };
    const Case cases[] = {
        {"IE Index.dat Files", 61, platform::DialogResult::Yes, true, true},
        {"Paging (SWAP) File", 109, platform::DialogResult::Yes, true, true},
        {"Run History", 94, platform::DialogResult::Yes, true, true},
        {"Run History, refused", 94, platform::DialogResult::No, true, false},
        {"Recent Documents History", 93, platform::DialogResult::Yes, false, false},
    };
    const auto reboots = [this] {
        const std::vector<std::string> lines = machine().JournalLines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("ExitWindowsEx EWX_REBOOT") != std::string::npos;
        });
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(TSettingsManager::WriteBool(c.item, true)) << "case: " << c.name;
        page().PageShown();
        const std::size_t before = dialogs().Shown().size();
        const auto rebootsBefore = reboots();
        dialogs().QueueAnswer(platform::DialogResult::Ok); // the start notice
        dialogs().QueueAnswer(c.answer);
        Trigger("mnuErase");
        ASSERT_TRUE(WaitUntilIdle()) << "case: " << c.name;
        std::vector<std::string> expected{StartNotice()};
        if (c.asked)
            expected.push_back(Msg("strLX_MESSAGE507"));
        if (c.restarted)
            expected.push_back(Msg("strLX_MESSAGE508"));
        const std::vector<std::string> all = ShownTexts();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), expected)
            << "case: " << c.name;
        EXPECT_EQ(reboots() - rebootsBefore, c.restarted ? 1 : 0) << "case: " << c.name;
        ASSERT_TRUE(TSettingsManager::WriteBool(c.item, false)) << "case: " << c.name;
    }
}

// The page inside the program: navigation, the leave rule and the summary refresh.
class TracksEraserPageTest : public TracksEraserTest
{
protected:
    void SetUp() override
    {
        TracksEraserTest::SetUp();
        m_program = std::make_unique<core::ui::TProgram>();
        ASSERT_FALSE(m_program->Start({}).has_value());
    }
    void TearDown() override
    {
        m_program.reset();
        TracksEraserTest::TearDown();
    }
    core::ui::TFrmMain& main() { return *m_program->MainWindow(); }
    TFrmTracksEraser& shown()
    {
        auto* window = main().findChild<TFrmTracksEraser*>();
        EXPECT_NE(window, nullptr);
        return *window;
    }

private:
    std::unique_ptr<core::ui::TProgram> m_program;
};

TEST_F(TracksEraserPageTest, LeavingDuringARunAsksAndRefusesOnceEvenAfterYes)
{
    ASSERT_TRUE(TSettingsManager::WriteBool(92, true));
    auto gate = std::make_shared<TGate>();
    InstallCleaner(core::CleanerWindows, {{92, {}, "", gate}});
    Click(&main(), "navTracksEraser");
    ASSERT_EQ(main().ActivePage(), core::ui::TracksEraserPage);
    shown().findChild<QAction*>(QStringLiteral("mnuErase"))->trigger();
    ASSERT_TRUE(WaitFor([&] { return gate->Entered(); }));

    dialogs().QueueAnswer(platform::DialogResult::No);
    EXPECT_FALSE(main().ShowPage(core::ui::HomePage));
    EXPECT_TRUE(shown().Running());
    dialogs().QueueAnswer(platform::DialogResult::Yes);
    EXPECT_FALSE(main().ShowPage(core::ui::HomePage));
    EXPECT_EQ(main().ActivePage(), core::ui::TracksEraserPage);
    EXPECT_FALSE(shown().Running());
    const std::vector<std::string> expected{StartNotice(), Msg("strLX_MESSAGE510"), Msg("strLX_MESSAGE510")};
    EXPECT_EQ(ShownTexts(), expected);

    EXPECT_TRUE(main().ShowPage(core::ui::HomePage));
    EXPECT_EQ(ShownTexts().size(), expected.size());
    gate->Open();
    ASSERT_TRUE(WaitFor([&] { return shown().RetiredRuns() == 0; }));
}

TEST_F(TracksEraserPageTest, LeavingThePageRefreshesTheHomeSummary)
{
    auto* browsers = main().findChild<QWidget*>(QStringLiteral("lblBrowsers"));
    ASSERT_NE(browsers, nullptr);
    EXPECT_EQ(browsers->property("text").toString(), QStringLiteral("0 Byte"));
    core::TEraseSummary summary;
    summary.AddErased(core::GroupInternet, 2048);
    ASSERT_TRUE(summary.Save());
    Click(&main(), "navTracksEraser");
    EXPECT_EQ(browsers->property("text").toString(), QStringLiteral("0 Byte"));
    ASSERT_TRUE(main().ShowPage(core::ui::HomePage));
    // FormatByteCount("%d", 2048) is "2.0 KB" (the example of Helpers.h).
    EXPECT_EQ(browsers->property("text").toString(), QStringLiteral("2.0 KB"));
    EXPECT_EQ(main().findChild<QWidget*>(QStringLiteral("lblLastEraseDate"))->property("text").toString(),
              QStringLiteral("Friday, October 30, 2009"));
}

} // namespace lumexa::test
