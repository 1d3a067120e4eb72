#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Worker threads with the life cycle the program is designed around: created suspended,
// wired, then resumed once; Terminated() is both the stop request and, for cleaners, the
// completion signal. Events reach the user-interface thread only through the dispatcher
// (Synchronize blocks, Queue does not), which the desktop program installs; tests and the CLI
// run them directly on the calling thread, serialised.
namespace lumexa::platform {

class IDispatcher
{
public:
    virtual ~IDispatcher() = default;
    // Runs `work` on the user-interface thread and waits for it.
    virtual void Synchronize(const std::function<void()>& work) = 0;
    // Posts `work` to the user-interface thread and returns at once; posted work runs in order.
    virtual void Queue(std::function<void()> work) = 0;
    // Handles pending user-interface events (the "keep the message loop running" waits).
    virtual void ProcessMessages() = 0;
};

// The dispatcher of tests and the CLI: work runs on the calling thread under one lock, so
// handlers never run concurrently, as on a single user-interface thread.
class TDirectDispatcher : public IDispatcher
{
public:
    void Synchronize(const std::function<void()>& work) override;
    void Queue(std::function<void()> work) override;
    void ProcessMessages() override {}

private:
    std::recursive_mutex m_mutex;
};

IDispatcher& Dispatcher();
void SetDispatcher(std::shared_ptr<IDispatcher> dispatcher);
void ProcessMessages();

class TThread
{
public:
    explicit TThread(bool createSuspended = true);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts a suspended thread (once; later calls do nothing).
    void Resume();
    // Asks the thread to stop; Execute polls Terminated() and wakes from SleepUnlessTerminated.
    void Terminate();
    bool Terminated() const { return m_terminated.load(); }
    // True once Execute and OnTerminate have returned.
    bool Finished() const { return m_finished.load(); }
    // Waits until Execute has returned. Never call it for a free-on-terminate thread.
    void WaitFor();

    // The thread deletes itself when Execute and OnTerminate are done; the creator gives up
    // ownership (release the unique_ptr) before Resume.
    void SetFreeOnTerminate(bool value) { m_freeOnTerminate = value; }

    // Runs on the user-interface thread (through Synchronize) after Execute returns.
    std::function<void()> OnTerminate;

    static void Synchronize(const std::function<void()>& work) { Dispatcher().Synchronize(work); }
    static void Queue(std::function<void()> work) { Dispatcher().Queue(std::move(work)); }

protected:
    virtual void Execute() = 0;
    // Sleeps up to `milliseconds`; returns false at once when the thread is terminated.
    bool SleepUnlessTerminated(int milliseconds);
    // Derived destructors call this first: a thread never started is run once with
    // Terminated() already set (so its clean-up in Execute happens), a running one is asked to
    // stop, and both are waited for while the derived object is still whole.
    void StopAndWait();
    // Marks the thread terminated without waking sleepers; for cleaners that signal completion.
    void SetTerminatedFlag() { m_terminated.store(true); }

private:
    void Run();

    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_finished{false};
    bool m_started = false;
    bool m_freeOnTerminate = false;
    std::thread m_thread;
    std::mutex m_sleepMutex;
    std::condition_variable m_sleepWake;
};

} // namespace lumexa::platform
