#include "platform/Thread.h"

#include <chrono>

namespace lumexa::platform {

namespace {
std::mutex g_dispatcherMutex;
std::shared_ptr<IDispatcher> g_dispatcher;
} // namespace

void TDirectDispatcher::Synchronize(const std::function<void()>& work)
{
    std::lock_guard lock(m_mutex);
    work();
}

void TDirectDispatcher::Queue(std::function<void()> work)
{
    std::lock_guard lock(m_mutex);
    work();
}

IDispatcher& Dispatcher()
{
    std::lock_guard lock(g_dispatcherMutex);
    if (!g_dispatcher)
        g_dispatcher = std::make_shared<TDirectDispatcher>();
    return *g_dispatcher;
}

void SetDispatcher(std::shared_ptr<IDispatcher> dispatcher)
{
    std::lock_guard lock(g_dispatcherMutex);
    g_dispatcher = std::move(dispatcher);
}

void ProcessMessages()
{
    Dispatcher().ProcessMessages();
}

TThread::TThread(bool createSuspended)
{
    if (!createSuspended)
        Resume();
}

TThread::~TThread()
{
    // Derived classes have called StopAndWait; this only keeps a forgotten call from
    // aborting the process with a joinable std::thread.
    if (m_thread.joinable()) {
        Terminate();
        m_thread.join();
    }
}

void TThread::Resume()
{
    if (m_started)
        return;
    m_started = true;
    // A free-on-terminate thread may finish and delete this object before std::thread's
    // constructor has even returned here, so it is detached through a local and no member is
    // touched after the start.
    const bool freeOnTerminate = m_freeOnTerminate;
    std::thread worker([this] { Run(); });
    if (freeOnTerminate)
        worker.detach();
    else
        m_thread = std::move(worker);
}

void TThread::Run()
{
    Execute();
    if (OnTerminate)
        Synchronize(OnTerminate);
    m_finished.store(true);
    if (m_freeOnTerminate)
        delete this;
}

void TThread::Terminate()
{
    {
        std::lock_guard lock(m_sleepMutex);
        m_terminated.store(true);
    }
    m_sleepWake.notify_all();
}

void TThread::WaitFor()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

bool TThread::SleepUnlessTerminated(int milliseconds)
{
    std::unique_lock lock(m_sleepMutex);
    return !m_sleepWake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_terminated.load(); });
}

void TThread::StopAndWait()
{
    if (!m_started) {
        Terminate();
        m_freeOnTerminate = false;
        Resume();
    } else {
        Terminate();
    }
    WaitFor();
}

} // namespace lumexa::platform
