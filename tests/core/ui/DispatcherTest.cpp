#include <atomic>
#include <thread>
#include <vector>

#include <QThread>

#include "UiTest.h"
#include "core/ui/QtDispatcher.h"

namespace lumexa::test {

class DispatcherTest : public UiTest
{
};

TEST_F(DispatcherTest, WorkFromAWorkerRunsOnTheUiThreadInOrder)
{
    core::ui::TQtDispatcher dispatcher;
    std::vector<int> order;
    std::vector<QThread*> threads;
    std::atomic<bool> returned{false};
    bool syncDoneBeforeReturn = false;
    std::thread worker([&] {
        dispatcher.Queue([&] {
            order.push_back(1);
            threads.push_back(QThread::currentThread());
        });
        dispatcher.Queue([&] { order.push_back(2); });
        dispatcher.Synchronize([&] {
            order.push_back(3);
            threads.push_back(QThread::currentThread());
        });
        // Synchronize returns only after the work ran.
        syncDoneBeforeReturn = order.size() == 3;
        returned = true;
    });
    EXPECT_TRUE(WaitFor([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(syncDoneBeforeReturn);
    for (QThread* thread : threads)
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
}

TEST_F(DispatcherTest, SynchronizeOnTheUiThreadRunsAtOnce)
{
    core::ui::TQtDispatcher dispatcher;
    int runs = 0;
    dispatcher.Synchronize([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    dispatcher.Queue([&] { ++runs; });
    EXPECT_EQ(runs, 1); // queued work waits for the event loop
    EXPECT_TRUE(WaitFor([&] { return runs == 2; }));
}

// A worker of the program's own kind, reporting through TThread::Synchronize.
class TReportingThread : public platform::TThread
{
public:
    ~TReportingThread() override { StopAndWait(); }
    QThread* reportedOn = nullptr;
    std::atomic<bool> done{false};

protected:
    void Execute() override
    {
        Synchronize([this] { reportedOn = QThread::currentThread(); });
        done = true;
    }
};

TEST_F(DispatcherTest, ThreadSynchronizeReachesTheUiThreadOnceInstalled)
{
    platform::SetDispatcher(std::make_shared<core::ui::TQtDispatcher>());
    {
        TReportingThread thread;
        thread.Resume();
        EXPECT_TRUE(WaitFor([&] { return thread.done.load(); }));
        thread.WaitFor();
        EXPECT_EQ(thread.reportedOn, QCoreApplication::instance()->thread());
    }
    platform::SetDispatcher(nullptr);
}

} // namespace lumexa::test
