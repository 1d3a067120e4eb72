#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/EraseSummary.h"
#include "platform/Thread.h"

// The cleaning run: the eleven trace cleaners run one after the other on a worker thread, every
// object they report logged to the window copy (temporary folder) and the run report
// ("Reports"), and added to the statistics.
//
// The cleaners plug into numbered slots through factories, so the run does not change when a
// cleaner arrives: a slot without a factory takes part in nothing.
namespace lumexa::core {

class TSecureCleaner;

// Cleaner numbers, which are also the order of a run.
enum TCleanerNumber : int
{
    CleanerWindows = 0,
    CleanerOffice = 1,
    CleanerInternetExplorer = 2,
    CleanerAol = 3,
    CleanerNetscape = 4,
    CleanerOpera = 5,
    CleanerFireFox = 6,
    CleanerChrome = 7,
    CleanerSafari = 8,
    CleanerPlugin = 9,
    CleanerMail = 10,
};
inline constexpr int CleanerCount = 11;
using TCleanerSet = std::bitset<CleanerCount>;

// Creates one cleaner, suspended, with the tracks-eraser deletion settings (source 0).
using TCleanerFactory = std::function<std::unique_ptr<TSecureCleaner>()>;

// The process-wide cleaner slots. Installing an empty factory clears the slot.
void SetCleanerFactory(int number, TCleanerFactory factory);
bool HasCleanerFactory(int number);

// The item range of each cleaner slot.
struct TItemRange
{
    std::uint8_t first;
    std::uint8_t last;
};
TItemRange CleanerItems(int number);

// The selected plug-in definitions' names, in the order their files are listed. The plug-in
// reader installs the source; until then there are none.
void SetSelectedPluginsSource(std::function<std::vector<std::string>()> source);
std::vector<std::string> SelectedPluginNames();

// One row of the Tracks Eraser list: every enabled item in run order (92..109, 110..114,
// 55..89), one row per selected plug-in (item 120, "Pluggin: " + name), then 115..119.
struct TEraseListRow
{
    std::string caption;
    std::uint8_t item = 0;
};
std::vector<TEraseListRow> BuildEraseList();

// Items whose erasing asks for a restart of Windows afterwards: IE Index.dat files, the paging
// file and the run history.
bool RestartWanted();

class TGeneralCleannerThread : public platform::TThread
{
public:
    // Handlers, set before Resume; all run on the cleaner's thread.
    std::function<void(std::uint8_t item, std::uint64_t total)> OnProgress;
    std::function<void(std::uint8_t item)> OnItemStarted;
    std::function<void(std::uint8_t item)> OnItemFinished;
    std::function<void(const std::string& name)> OnPluginStarted;
    std::function<void(const std::string& name)> OnPluginFinished;
    // Every object reported, failed ones included, before it is logged (the command line's
    // --json listing). `pluginName` is empty outside plug-ins.
    std::function<void(
        const std::string& name, const std::string& pluginName, std::uint8_t item, bool success, std::uint64_t size)>
        OnObject;

    // Which cleaners take part; all eleven unless the creator narrows it before Resume.
    TCleanerSet CleanerSet;

    // Creates the cleaners of every installed slot.
    TGeneralCleannerThread(bool createSuspended, bool analysis);
    ~TGeneralCleannerThread() override;

    bool Analysis() const { return m_analysis; }
    // The cleaner of a slot (nullptr when none is installed), to preset its items.
    TSecureCleaner* Cleaner(int number) const;

    // The logger every cleaner's ReportErased and ReportDetail reach (see the file comment).
    // A failed object counts in the row's total but is written to neither report and is not
    // added to the statistics.
    void LogErased(const std::string& name, std::uint8_t item, bool success, std::uint64_t size);

    // Halts the run: no further cleaner starts, the running cleaner is asked to stop, and the
    // statistics are not saved. The object stays valid until Execute has returned, which it
    // does only once the running cleaner has finished reporting.
    void Stop();
    bool Stopped() const { return m_stopped.load(); }

    // The run's report files, known once Execute has begun.
    std::string ReportPath() const;
    std::string WindowCopyPath() const;
    // Objects reported with success false so far.
    std::uint64_t FailedObjects() const { return m_failed.load(); }
    // Statistics of this run (the last-job counters); valid after Execute.
    TGroupCounters RunTotals() const;

protected:
    void Execute() override;

private:
    void RunCleaner(TSecureCleaner& cleaner);
    void WireCleaner(TSecureCleaner& cleaner);

    bool m_analysis;
    std::atomic<bool> m_stopped{false};
    std::atomic<std::uint64_t> m_failed{0};
    std::array<std::unique_ptr<TSecureCleaner>, CleanerCount> m_cleaners;
    std::atomic<TSecureCleaner*> m_running{nullptr};
    // Bytes reported since the current item or plug-in started.
    std::uint64_t m_total = 0;
    std::unique_ptr<TEraseSummary> m_summary;
    TGroupCounters m_runTotals{};
    std::string m_reportPath;
    std::string m_windowCopyPath;
    // Every window copy, this run's included: no cleaner's sweep erases them.
    std::vector<std::string> m_keptFiles;
    mutable std::mutex m_pathsMutex;
};

// Restarts Windows on the machine (the user agreed): on NT-family systems the shutdown
// privilege is taken first; the restart is journalled and Machine::Reboot applies it.
void RestartWindows();

} // namespace lumexa::core
