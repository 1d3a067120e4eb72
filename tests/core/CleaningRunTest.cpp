#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/EraseSummary.h"
#include "core/GeneralCleanerThread.h"
#include "core/RunReports.h"
#include "core/SecureCleaner.h"
#include "core/SettingsManager.h"
#include "platform/Machine.h"
#include "platform/Shell.h"
#include "support/MachineTest.h"

namespace lumexa::core {
namespace {

using namespace std::chrono_literals;

const std::string Reports = R"(C:\Program Files\Lumexa\Reports\)";
const std::string RunName = "2009_10_30_17_05_09.rep";

// A cleaner whose work is the test's: it reports what the test scripts, as a real cleaner
// of the slot would.
class TScriptCleaner : public TSecureCleaner
{
public:
    using TWork = std::function<void(TScriptCleaner&)>;
    explicit TScriptCleaner(TWork work)
        : TSecureCleaner(TSecureDeleteOptions(2))
        , m_work(std::move(work))
    {}
    ~TScriptCleaner() override { StopAndWait(); }

    void Item(std::uint8_t item, const std::vector<std::pair<std::string, std::uint64_t>>& objects, bool success = true)
    {
        CurrentItem = item;
        DoItemStarted(item);
        for (const auto& [name, size] : objects)
            DoReportErased(name, success, size);
        DoItemFinished(item);
    }

protected:
    void Execute() override
    {
        if (!Terminated() && m_work)
            m_work(*this);
        SetTerminatedFlag();
    }

private:
    TWork m_work;
};

// A one-shot signal between threads.
class TLatch
{
public:
    void Set()
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
        m_changed.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return m_set; });
    }
    bool IsSet()
    {
        std::lock_guard lock(m_mutex);
        return m_set;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};

class CleaningRunTest : public test::MachineTest
{
protected:
    void TearDown() override
    {
        for (int number = 0; number < CleanerCount; ++number)
            SetCleanerFactory(number, nullptr);
        SetSelectedPluginsSource(nullptr);
        test::MachineTest::TearDown();
    }

    static void Install(int slot, TScriptCleaner::TWork work)
    {
        SetCleanerFactory(slot, [work] { return std::make_unique<TScriptCleaner>(work); });
    }

    // Runs to the end, recording the run's events in order.
    void Run(TGeneralCleannerThread& run)
    {
        run.OnItemStarted = [this](std::uint8_t item) { Record("started " + std::to_string(item)); };
        run.OnItemFinished = [this](std::uint8_t item) { Record("finished " + std::to_string(item)); };
        run.OnPluginStarted = [this](const std::string& name) { Record("plugin started " + name); };
        run.OnPluginFinished = [this](const std::string& name) { Record("plugin finished " + name); };
        run.OnProgress = [this](std::uint8_t item, std::uint64_t total) {
            Record("progress " + std::to_string(item) + " " + std::to_string(total));
        };
        run.Resume();
        run.WaitFor();
    }

    void Record(const std::string& event)
    {
        std::lock_guard lock(m_eventsMutex);
        m_events.push_back(event);
    }
    std::vector<std::string> Events()
    {
        std::lock_guard lock(m_eventsMutex);
        return m_events;
    }

    std::string WindowCopy() { return machine().Shell().TempPath() + RunName; }
    std::string Report() { return Reports + RunName; }
    std::string Summary() { return Reports + "EraseSummary.ini"; }

private:
    std::mutex m_eventsMutex;
    std::vector<std::string> m_events;
};

TEST_F(CleaningRunTest, TheListHoldsTheEnabledItemsInRunOrder)
{
    EXPECT_TRUE(BuildEraseList().empty());

    for (std::uint8_t item : {115, 55, 110, 92, 89, 109})
        TSettingsManager::WriteBool(item, true);
    SetSelectedPluginsSource([] { return std::vector<std::string>{"Acme", "Zeta"}; });
    std::vector<std::string> captions;
    std::vector<int> items;
    for (const TEraseListRow& row : BuildEraseList()) {
        captions.push_back(row.caption);
        items.push_back(row.item);
    }
    EXPECT_EQ(items, (std::vector<int>{92, 109, 110, 55, 89, 120, 120, 115}));
    EXPECT_EQ(captions.front(), "Temp Folder");
    EXPECT_EQ(captions[5], "Pluggin: Acme");
    EXPECT_EQ(captions[6], "Pluggin: Zeta");
}

TEST_F(CleaningRunTest, ErasedObjectsReachBothLogsTheStatisticsAndTheRows)
{
    Install(CleanerWindows, [](TScriptCleaner& c) {
        c.Item(92, {{R"(C:\Temp\a.tmp)", 10}, {R"(C:\Temp\b.tmp)", 20}});
        c.Item(93, {{R"(C:\Recent\r.lnk)", 5}});
    });
    Install(CleanerInternetExplorer, [](TScriptCleaner& c) { c.Item(55, {{"http://a.example/", 7}}); });
    Install(CleanerMail, [](TScriptCleaner& c) { c.Item(115, {{R"(C:\Mail\x.dbx)", 3'000'000'000ULL}}); });

    TGeneralCleannerThread run(true, false);
    Run(run);

    EXPECT_EQ(ReadFile(WindowCopy()),
              "92%C:\\Temp\\a.tmp%10\r\n92%C:\\Temp\\b.tmp%20\r\n93%C:\\Recent\\r.lnk%5\r\n"
              "55%http://a.example/%7\r\n115%C:\\Mail\\x.dbx%3000000000\r\n");
    EXPECT_EQ(ReadFile(Report()),
              "1%C:\\Temp\\a.tmp%10\r\n1%C:\\Temp\\b.tmp%20\r\n1%C:\\Recent\\r.lnk%5\r\n"
              "0%http://a.example/%7\r\n3%C:\\Mail\\x.dbx%3000000000\r\n");
    EXPECT_EQ(run.ReportPath(), Report());
    EXPECT_EQ(run.WindowCopyPath(), WindowCopy());

    const TEraseSummary summary;
    EXPECT_EQ(summary.LastJob, (TGroupCounters{7, 35, 0, 3'000'000'000LL}));
    EXPECT_EQ(summary.Total, (TGroupCounters{7, 35, 0, 3'000'000'000LL}));
    EXPECT_EQ(summary.LastEraseDate, *platform::EncodeDateTime(2009, 10, 30));
    EXPECT_EQ(run.RunTotals(), summary.LastJob);

    EXPECT_EQ(Events(),
              (std::vector<std::string>{"started 92",
                                        "progress 92 10",
                                        "progress 92 30",
                                        "finished 92",
                                        "started 93",
                                        "progress 93 5",
                                        "finished 93",
                                        "started 55",
                                        "progress 55 7",
                                        "finished 55",
                                        "started 115",
                                        "progress 115 3000000000",
                                        "finished 115"}));
    EXPECT_EQ(run.FailedObjects(), 0u);
}

TEST_F(CleaningRunTest, AFailedObjectCountsInTheRowOnly)
{
    Install(CleanerWindows, [](TScriptCleaner& c) {
        c.CurrentItem = 92;
        c.DoItemStarted(92);
        c.DoReportErased(R"(C:\Temp\kept.tmp)", false, 40);
        c.DoReportErased(R"(C:\Temp\gone.tmp)", true, 2);
        c.DoItemFinished(92);
    });
    TGeneralCleannerThread run(true, false);
    Run(run);

    EXPECT_EQ(ReadFile(WindowCopy()), "92%C:\\Temp\\gone.tmp%2\r\n");
    EXPECT_EQ(ReadFile(Report()), "1%C:\\Temp\\gone.tmp%2\r\n");
    EXPECT_EQ(TEraseSummary().Total[GroupWindows], 2);
    EXPECT_EQ(Events(), (std::vector<std::string>{"started 92", "progress 92 40", "progress 92 42", "finished 92"}));
    EXPECT_EQ(run.FailedObjects(), 1u);
}

TEST_F(CleaningRunTest, AnalysisWritesOnlyTheWindowCopy)
{
    std::uint8_t method = 0;
    Install(CleanerWindows, [&method](TScriptCleaner& c) {
        method = c.Options.Method;
        c.Item(92, {{R"(C:\Temp\a.tmp)", 10}});
    });
    TGeneralCleannerThread run(true, true);
    Run(run);

    EXPECT_EQ(method, MethodAnalysis);
    EXPECT_EQ(ReadFile(WindowCopy()), "92%C:\\Temp\\a.tmp%10\r\n");
    EXPECT_FALSE(Exists(Report()));
    EXPECT_FALSE(Exists(Summary()));
}

TEST_F(CleaningRunTest, WithLoggingDisabledTheStatisticsAreSavedEmpty)
{
    TSettingsManager::WriteBool(30, true);
    Install(CleanerWindows, [](TScriptCleaner& c) { c.Item(92, {{R"(C:\Temp\a.tmp)", 10}}); });
    TGeneralCleannerThread run(true, false);
    Run(run);

    EXPECT_FALSE(Exists(Report()));
    EXPECT_EQ(ReadFile(WindowCopy()), "92%C:\\Temp\\a.tmp%10\r\n");
    const TEraseSummary summary;
    EXPECT_EQ(summary.LastJob, TGroupCounters{});
    EXPECT_EQ(summary.LastEraseDate, *platform::EncodeDateTime(2009, 10, 30));
}

TEST_F(CleaningRunTest, NamesNeverBreakTheLineFormat)
{
    Install(CleanerWindows, [](TScriptCleaner& c) { c.Item(92, {{"C:\\Temp\\50%off\r\nnow.txt", 1}, {"", 99}}); });
    TGeneralCleannerThread run(true, false);
    Run(run);

    EXPECT_EQ(ReadFile(WindowCopy()), "92%C:\\Temp\\50-off--now.txt%1\r\n");
    EXPECT_EQ(ReadFile(Report()), "1%C:\\Temp\\50-off--now.txt%1\r\n");
    // The empty name changed nothing, not even the row's total.
    EXPECT_EQ(Events(), (std::vector<std::string>{"started 92", "progress 92 1", "finished 92"}));
}

TEST_F(CleaningRunTest, PluginObjectsCarryThePluginName)
{
    Install(CleanerPlugin, [](TScriptCleaner& c) {
        c.CurrentItem = PluginItem;
        c.DoPluginStarted("Acme%Co");
        c.DoReportErased(R"(C:\Acme\trace.log)", true, 4);
        c.DoPluginFinished("Acme%Co");
        c.DoPluginStarted("Zeta");
        c.DoReportErased(R"(C:\Zeta\z.log)", true, 6);
        c.DoPluginFinished("Zeta");
    });
    TGeneralCleannerThread run(true, false);
    Run(run);

    EXPECT_EQ(ReadFile(WindowCopy()), "120%Acme-Co%C:\\Acme\\trace.log%4\r\n120%Zeta%C:\\Zeta\\z.log%6\r\n");
    EXPECT_EQ(ReadFile(Report()), "2%Acme-Co%C:\\Acme\\trace.log%4\r\n2%Zeta%C:\\Zeta\\z.log%6\r\n");
    EXPECT_EQ(TEraseSummary().Total[GroupPlugins], 10);
    EXPECT_EQ(Events(),
              (std::vector<std::string>{"plugin started Acme%Co",
                                        "progress 120 4",
                                        "plugin finished Acme%Co",
                                        "plugin started Zeta",
                                        "progress 120 6",
                                        "plugin finished Zeta"}));
}

TEST_F(CleaningRunTest, DetailsAreLoggedAsErased)
{
    Install(CleanerInternetExplorer, [](TScriptCleaner& c) {
        c.CurrentItem = 57;
        c.DoItemStarted(57);
        c.DoReportDetail("Cookie:user@example.com/", "second", "third", 57, false, 300);
        c.DoItemFinished(57);
    });
    TGeneralCleannerThread run(true, false);
    Run(run);
    EXPECT_EQ(ReadFile(Report()), "0%Cookie:user@example.com/%300\r\n");
}

TEST_F(CleaningRunTest, OnlyChosenAndInstalledCleanersRun)
{
    std::vector<std::string> ran;
    std::vector<std::string> kept;
    Install(CleanerWindows, [&ran](TScriptCleaner&) { ran.push_back("windows"); });
    Install(CleanerOpera, [&ran, &kept](TScriptCleaner& c) {
        ran.push_back("opera");
        kept = c.KeptFiles;
    });
    Install(CleanerMail, [&ran](TScriptCleaner&) { ran.push_back("mail"); });

    const std::string earlier = machine().Shell().TempPath() + "2009_10_29_09_00_00.rep";
    WriteFile(earlier, "92%C:\\old.tmp%1\r\n");
    TGeneralCleannerThread run(true, false);
    run.CleanerSet.reset(CleanerWindows);
    EXPECT_EQ(run.Cleaner(CleanerOffice), nullptr) << "no cleaner is installed in that slot";
    ASSERT_NE(run.Cleaner(CleanerOpera), nullptr);
    Run(run);

    EXPECT_EQ(ran, (std::vector<std::string>{"opera", "mail"}));
    EXPECT_EQ(kept, (std::vector<std::string>{earlier, WindowCopy()})) << "sweeps never erase the window copies";
    EXPECT_EQ(ReadFile(WindowCopy()), "") << "the window copy exists from the start";
}

TEST_F(CleaningRunTest, StopHaltsTheRunButKeepsItAliveWhileItsCleanerReports)
{
    TLatch started;
    bool officeRan = false;
    Install(CleanerWindows, [&started](TScriptCleaner& c) {
        c.CurrentItem = 92;
        c.DoItemStarted(92);
        c.DoReportErased(R"(C:\Temp\first.tmp)", true, 1);
        started.Set();
        while (!c.Terminated())
            std::this_thread::sleep_for(1ms);
        // A cleaner may still be in the middle of a file when it sees the request.
        c.DoReportErased(R"(C:\Temp\last.tmp)", true, 2);
    });
    Install(CleanerOffice, [&officeRan](TScriptCleaner&) { officeRan = true; });

    auto run = std::make_unique<TGeneralCleannerThread>(true, false);
    run->Resume();
    ASSERT_TRUE(started.WaitFor(10s));
    run->Stop();
    EXPECT_TRUE(run->Stopped());
    run.reset(); // waits for the cleaner: under the address sanitizer a late report would be caught

    EXPECT_FALSE(officeRan);
    EXPECT_FALSE(Exists(Summary())) << "a stopped run saves no statistics";
    EXPECT_EQ(ReadFile(Report()), "1%C:\\Temp\\first.tmp%1\r\n1%C:\\Temp\\last.tmp%2\r\n");
}

TEST_F(CleaningRunTest, ARunWaitsForTheActiveOneAndBothTotalsCount)
{
    TLatch firstStarted;
    TLatch releaseFirst;
    TLatch firstDone;
    TLatch secondStarted;
    bool overlapped = false;
    Install(CleanerWindows, [&](TScriptCleaner& c) {
        if (!firstStarted.IsSet()) {
            firstStarted.Set();
            releaseFirst.WaitFor(10s);
            c.Item(92, {{R"(C:\Temp\one.tmp)", 100}});
            firstDone.Set();
        } else {
            overlapped = !firstDone.IsSet();
            secondStarted.Set();
            c.Item(92, {{R"(C:\Temp\two.tmp)", 23}});
        }
    });

    TGeneralCleannerThread first(true, false);
    first.Resume();
    ASSERT_TRUE(firstStarted.WaitFor(10s));
    TGeneralCleannerThread second(true, false);
    second.Resume();
    EXPECT_FALSE(secondStarted.WaitFor(200ms)) << "the second run started while the first was active";
    releaseFirst.Set();
    first.WaitFor();
    second.WaitFor();

    EXPECT_FALSE(overlapped);
    const TEraseSummary summary;
    EXPECT_EQ(summary.Total[GroupWindows], 123);
    EXPECT_EQ(summary.LastJob[GroupWindows], 23);
}

TEST_F(CleaningRunTest, AStoppedWaitingRunNeverStarts)
{
    TLatch firstStarted;
    TLatch releaseFirst;
    int runs = 0;
    Install(CleanerWindows, [&](TScriptCleaner&) {
        ++runs;
        firstStarted.Set();
        releaseFirst.WaitFor(10s);
    });
    TGeneralCleannerThread first(true, false);
    first.Resume();
    ASSERT_TRUE(firstStarted.WaitFor(10s));
    {
        TGeneralCleannerThread waiting(true, false);
        waiting.Resume();
        waiting.Stop();
        waiting.WaitFor();
        EXPECT_TRUE(waiting.Terminated());
    }
    releaseFirst.Set();
    first.WaitFor();
    EXPECT_EQ(runs, 1);
}

TEST_F(CleaningRunTest, RestartIsWantedForIndexDatPagingFileOrRunHistory)
{
    EXPECT_FALSE(RestartWanted());
    for (std::uint8_t item : {61, 109, 94}) {
        TSettingsManager::WriteBool(item, true);
        EXPECT_TRUE(RestartWanted()) << "item " << int(item);
        TSettingsManager::WriteBool(item, false);
    }
    TSettingsManager::WriteBool(92, true);
    EXPECT_FALSE(RestartWanted());
}

TEST_F(CleaningRunTest, RestartingWindowsGoesThroughTheMachine)
{
    RestartWindows();
    const auto journal = machine().JournalLines();
    ASSERT_GE(journal.size(), 2u);
    EXPECT_NE(journal.back().find("RESTART"), std::string::npos);
}

} // namespace
} // namespace lumexa::core
