#include "platform/Thread.h"

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

#include <gtest/gtest.h>

namespace lumexa::platform {
namespace {

class TRecorder : public TThread
{
public:
    explicit TRecorder(std::vector<int>& log)
        : m_log(log)
    {}
    ~TRecorder() override { StopAndWait(); }

    std::atomic<int> runs{0};
    std::atomic<bool> sawTerminated{false};

protected:
    void Execute() override
    {
        ++runs;
        sawTerminated = Terminated();
        while (!Terminated() && SleepUnlessTerminated(10000)) {
        }
        Synchronize([this] { m_log.push_back(1); });
    }

private:
    std::vector<int>& m_log;
};

TEST(ThreadTest, DoesNotRunUntilResumed)
{
    std::vector<int> log;
    TRecorder thread(log);
    EXPECT_EQ(thread.runs, 0);
    EXPECT_FALSE(thread.Finished());
}

TEST(ThreadTest, TerminateWakesASleepingThreadAndOnTerminateRuns)
{
    std::vector<int> log;
    TRecorder thread(log);
    thread.OnTerminate = [&] { log.push_back(2); };
    thread.Resume();
    thread.Terminate();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
}

TEST(ThreadTest, AThreadNeverStartedRunsOnceWithTerminatedSet)
{
    std::vector<int> log;
    {
        TRecorder thread(log);
    }
    EXPECT_EQ(log, (std::vector<int>{1}));
}

class TSelfFreeing : public TThread
{
public:
    explicit TSelfFreeing(std::promise<void>& done)
        : m_done(done)
    {}

protected:
    void Execute() override {}

private:
    std::promise<void>& m_done;

public:
    ~TSelfFreeing() override { m_done.set_value(); }
};

TEST(ThreadTest, FreeOnTerminateDeletesItself)
{
    std::promise<void> done;
    auto future = done.get_future();
    auto* thread = new TSelfFreeing(done);
    thread->SetFreeOnTerminate(true);
    thread->Resume();
    EXPECT_EQ(future.wait_for(std::chrono::seconds(30)), std::future_status::ready);
}

} // namespace
} // namespace lumexa::platform
