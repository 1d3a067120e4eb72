#include "core/GeneralCleanerThread.h"

#include <chrono>
#include <thread>

#include "core/RunReports.h"
#include "core/SecureCleaner.h"
#include "core/SettingsManager.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::core {

namespace {

using platform::Machine;
using namespace std::chrono_literals;

constexpr std::uint8_t DisableLoggingItem = 30;
constexpr std::uint8_t IndexDatItem = 61;
constexpr std::uint8_t PagingFileItem = 109;
constexpr std::uint8_t RunHistoryItem = 94;
// How often the run's thread looks at its cleaner.
constexpr auto PollInterval = 10ms;

struct TSlots
{
    std::mutex mutex;
    std::array<TCleanerFactory, CleanerCount> factories;
    std::function<std::vector<std::string>()> plugins;
};

TSlots& Slots()
{
    static TSlots slots;
    return slots;
}

// Held by a run for the whole of its Execute: runs started while another is active (from the
// page, the browser-exit watcher or the schedule) wait their turn, so the report files, the
// statistics and the cleaners' targets never have two writers.
std::timed_mutex& RunMutex()
{
    static std::timed_mutex mutex;
    return mutex;
}

void AddRows(std::vector<TEraseListRow>& rows, std::uint8_t first, std::uint8_t last)
{
    for (int item = first; item <= last; ++item)
        if (TSettingsManager::ReadBool(static_cast<std::uint8_t>(item)))
            rows.push_back(
                {TSettingsManager::GetItemName(static_cast<std::uint8_t>(item)), static_cast<std::uint8_t>(item)});
}

} // namespace

void SetCleanerFactory(int number, TCleanerFactory factory)
{
    if (number < 0 || number >= CleanerCount)
        return;
    std::lock_guard lock(Slots().mutex);
    Slots().factories[static_cast<std::size_t>(number)] = std::move(factory);
}

bool HasCleanerFactory(int number)
{
    if (number < 0 || number >= CleanerCount)
        return false;
    std::lock_guard lock(Slots().mutex);
    return static_cast<bool>(Slots().factories[static_cast<std::size_t>(number)]);
}

TItemRange CleanerItems(int number)
{
    static constexpr TItemRange Ranges[CleanerCount] = {{92, 109},
                                                        {110, 114},
                                                        {55, 62},
                                                        {63, 66},
                                                        {67, 71},
                                                        {72, 75},
                                                        {76, 81},
                                                        {82, 85},
                                                        {86, 89},
                                                        {120, 120},
                                                        {115, 119}};
    return number >= 0 && number < CleanerCount ? Ranges[number] : TItemRange{0, 0};
}

void SetSelectedPluginsSource(std::function<std::vector<std::string>()> source)
{
    std::lock_guard lock(Slots().mutex);
    Slots().plugins = std::move(source);
}

std::vector<std::string> SelectedPluginNames()
{
    std::function<std::vector<std::string>()> source;
    {
        std::lock_guard lock(Slots().mutex);
        source = Slots().plugins;
    }
    return source ? source() : std::vector<std::string>{};
}

std::vector<TEraseListRow> BuildEraseList()
{
    std::vector<TEraseListRow> rows;
    AddRows(rows, 92, 109);
    AddRows(rows, 110, 114);
    AddRows(rows, 55, 89);
    for (const std::string& name : SelectedPluginNames())
        rows.push_back({PluginRowCaption(name), PluginItem});
    AddRows(rows, 115, 119);
    return rows;
}

bool RestartWanted()
{
    return TSettingsManager::ReadBool(IndexDatItem) || TSettingsManager::ReadBool(PagingFileItem) ||
           TSettingsManager::ReadBool(RunHistoryItem);
}

void RestartWindows()
{
    Machine& machine = Machine::Current();
    if (machine.OsVersion().nt)
        machine.Journal("AdjustTokenPrivileges SeShutdownPrivilege");
    machine.Journal("ExitWindowsEx EWX_REBOOT");
    machine.Reboot();
}

TGeneralCleannerThread::TGeneralCleannerThread(bool createSuspended, bool analysis)
    : TThread(true)
    , m_analysis(analysis)
{
    CleanerSet.set();
    std::array<TCleanerFactory, CleanerCount> factories;
    {
        std::lock_guard lock(Slots().mutex);
        factories = Slots().factories;
    }
    for (std::size_t number = 0; number < factories.size(); ++number)
        if (factories[number])
            m_cleaners[number] = factories[number]();
    if (!createSuspended)
        Resume();
}

TGeneralCleannerThread::~TGeneralCleannerThread()
{
    StopAndWait();
}

TSecureCleaner* TGeneralCleannerThread::Cleaner(int number) const
{
    return number >= 0 && number < CleanerCount ? m_cleaners[static_cast<std::size_t>(number)].get() : nullptr;
}

std::string TGeneralCleannerThread::ReportPath() const
{
    std::lock_guard lock(m_pathsMutex);
    return m_reportPath;
}

std::string TGeneralCleannerThread::WindowCopyPath() const
{
    std::lock_guard lock(m_pathsMutex);
    return m_windowCopyPath;
}

TGroupCounters TGeneralCleannerThread::RunTotals() const
{
    std::lock_guard lock(m_pathsMutex);
    return m_runTotals;
}

void TGeneralCleannerThread::Stop()
{
    // The order matters: RunCleaner publishes its cleaner before it looks at Terminated, and
    // Stop sets Terminated before it looks for the cleaner, so one of them always sees the other.
    m_stopped.store(true);
    Terminate();
    if (TSecureCleaner* running = m_running.load())
        running->Terminate();
}

void TGeneralCleannerThread::Execute()
{
    std::unique_lock runLock(RunMutex(), std::defer_lock);
    while (!runLock.try_lock_for(PollInterval))
        if (Terminated()) {
            SetTerminatedFlag();
            return;
        }

    Machine& machine = Machine::Current();
    m_summary = std::make_unique<TEraseSummary>();
    m_summary->ResetLastJob();
    const std::string name = ReportFileName(machine.Clock().Now());
    const std::string tempFolder = machine.Shell().TempPath();
    {
        std::lock_guard lock(m_pathsMutex);
        m_reportPath = ReportsFolder() + name;
        m_windowCopyPath = tempFolder.empty() ? std::string() : tempFolder + name;
    }
    if (!m_windowCopyPath.empty())
        machine.Files().AppendToFile(m_windowCopyPath, "");
    // The window copies lie in the temporary folder the Windows cleaner sweeps; they are the
    // program's reports and accumulate like the run reports, so no sweep takes them.
    m_keptFiles = WindowCopies();

    for (int number = 0; number < CleanerCount; ++number)
        if (CleanerSet.test(static_cast<std::size_t>(number)) && m_cleaners[static_cast<std::size_t>(number)])
            RunCleaner(*m_cleaners[static_cast<std::size_t>(number)]);

    if (!m_analysis && !m_stopped.load())
        m_summary->Save();
    {
        std::lock_guard lock(m_pathsMutex);
        m_runTotals = m_summary->LastJob;
    }
    m_summary.reset();
    runLock.unlock();
    SetTerminatedFlag();
}

void TGeneralCleannerThread::RunCleaner(TSecureCleaner& cleaner)
{
    if (Terminated())
        return;
    if (m_analysis)
        cleaner.Options.Method = MethodAnalysis;
    cleaner.KeptFiles.insert(cleaner.KeptFiles.end(), m_keptFiles.begin(), m_keptFiles.end());
    WireCleaner(cleaner);
    m_running.store(&cleaner);
    if (Terminated()) {
        m_running.store(nullptr);
        return;
    }
    cleaner.Resume();
    while (!cleaner.Terminated())
        std::this_thread::sleep_for(PollInterval);
    // Terminated is also how Stop asks the cleaner to end: wait until it has really returned,
    // so that nothing it still reports reaches a run that has gone.
    cleaner.WaitFor();
    m_running.store(nullptr);
}

void TGeneralCleannerThread::WireCleaner(TSecureCleaner& cleaner)
{
    cleaner.ReportErased = [this](const std::string& name, std::uint8_t item, bool success, std::uint64_t size) {
        LogErased(name, item, success, size);
    };
    cleaner.ReportDetail = [this](const std::string& name,
                                  const std::string&,
                                  const std::string&,
                                  std::uint8_t item,
                                  bool,
                                  std::int64_t size) {
        LogErased(name, item, true, size > 0 ? static_cast<std::uint64_t>(size) : 0);
    };
    cleaner.ItemStarted = [this](std::uint8_t item) {
        m_total = 0;
        if (OnItemStarted)
            OnItemStarted(item);
    };
    cleaner.ItemFinished = [this](std::uint8_t item) {
        if (OnItemFinished)
            OnItemFinished(item);
    };
    cleaner.PluginStarted = [this](const std::string& name) {
        m_total = 0;
        if (OnPluginStarted)
            OnPluginStarted(name);
    };
    cleaner.PluginFinished = [this](const std::string& name) {
        if (OnPluginFinished)
            OnPluginFinished(name);
    };
    cleaner.ReportErasing = nullptr;
}

void TGeneralCleannerThread::LogErased(const std::string& rawName, std::uint8_t item, bool success, std::uint64_t size)
{
    const std::string name = SanitizeLoggedName(rawName);
    if (name.empty())
        return;
    const std::string plugin = item == PluginItem ? SanitizeLoggedName(TSecureCleaner::CurrentPluginName()) : "";
    if (OnObject)
        OnObject(name, plugin, item, success, size);

    platform::FileSystem& files = Machine::Current().Files();
    if (success && !m_windowCopyPath.empty())
        files.AppendToFile(m_windowCopyPath, WindowCopyLine(item, plugin, name, size));
    m_total += size;
    if (!success)
        m_failed.fetch_add(1);
    // A failed object was not erased: neither the report of erased files nor the statistics may
    // claim it.
    else if (!m_analysis && !TSettingsManager::ReadBool(DisableLoggingItem)) {
        const int group = TSettingsManager::GetItemGroup(item);
        const std::string line = RunReportLine(group, plugin, name, size);
        if (!files.AppendToFile(m_reportPath, line) && platform::GetLastError() == platform::ERROR_PATH_NOT_FOUND &&
            files.ForceDirectories(ReportsFolder()))
            files.AppendToFile(m_reportPath, line);
        if (m_summary)
            m_summary->AddErased(group, size);
    }
    if (OnProgress)
        OnProgress(item, m_total);
}

} // namespace lumexa::core
