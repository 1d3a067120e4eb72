#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/FileLocker/LockTargets.h"
#include "platform/Thread.h"

// The worker threads of the lock and unlock windows, over rows of the windows' list without
// any user interface: they report progress, tick and untick rows and report each file
// through events, which run on the user-interface thread (TThread::Synchronize).
namespace lumexa::filesecurity {

// One row of the list: a file (folder column ends with a backslash) or a folder (it does not).
struct TLockRow
{
    std::string caption;
    std::string folder;
    std::string type; // "File" or "Folder"
    bool ticked = true;
};

class TEncDec : public platform::TThread
{
public:
    // `total` is the number of files the progress counts up to, `startCount` the count it
    // starts from (a folder run following a file run starts from the file rows' count).
    TEncDec(std::vector<TLockRow> rows,
            int total,
            int startCount,
            std::size_t cipherIndex,
            std::size_t hashIndex,
            TLockMode mode,
            std::string password);
    ~TEncDec() override;

    // The run's counters; read them once the thread has ended.
    const TLockRunState& State() const { return m_locker.State(); }
    const std::vector<TLockRow>& Rows() const { return m_rows; }

    std::function<void(int percent)> OnProgress;
    std::function<void(std::size_t row, bool ticked)> OnRowTicked;
    std::function<void(const std::string& path, const TLockResult& result)> OnFileDone;

protected:
    // Locks or unlocks one file on behalf of row `row`; false when the run must end.
    bool ProcessFile(const std::string& path, std::size_t row);
    void Tick(std::size_t row, bool ticked);
    TLockMode Mode() const { return m_mode; }

    std::vector<TLockRow> m_rows;
    TFileLocker m_locker;

private:
    int m_total;
    int m_count;
    TLockMode m_mode;
};

// Every "File" row: its path is the folder column followed by the caption.
class TFilesEncDec : public TEncDec
{
public:
    using TEncDec::TEncDec;
    ~TFilesEncDec() override { StopAndWait(); }

protected:
    void Execute() override;
};

// Every "Folder" row: the files CollectLockTargets finds under it.
class TFolderEncDec : public TEncDec
{
public:
    using TEncDec::TEncDec;
    ~TFolderEncDec() override { StopAndWait(); }

protected:
    void Execute() override;
};

} // namespace lumexa::filesecurity
