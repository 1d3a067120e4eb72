#include "filesecurity/FileLocker/EncDec.h"

#include <utility>

namespace lumexa::filesecurity {

TEncDec::TEncDec(std::vector<TLockRow> rows,
                 int total,
                 int startCount,
                 std::size_t cipherIndex,
                 std::size_t hashIndex,
                 TLockMode mode,
                 std::string password)
    : m_rows(std::move(rows))
    , m_locker(cipherIndex, hashIndex, std::move(password))
    , m_total(total)
    , m_count(startCount)
    , m_mode(mode)
{}

TEncDec::~TEncDec() = default;

void TEncDec::Tick(std::size_t row, bool ticked)
{
    m_rows[row].ticked = ticked;
    Synchronize([&] {
        if (OnRowTicked)
            OnRowTicked(row, ticked);
    });
}

bool TEncDec::ProcessFile(const std::string& path, std::size_t row)
{
    const TLockResult result = m_mode == TLockMode::Lock ? m_locker.LockFile(path) : m_locker.UnlockFile(path);
    if (result.outcome == TLockOutcome::WrongParameters)
        Tick(row, false);
    ++m_count;
    // Truncated, not rounded.
    const int percent = m_total > 0 ? static_cast<int>(static_cast<long long>(m_count) * 100 / m_total) : 100;
    Synchronize([&] {
        if (OnProgress)
            OnProgress(percent);
        if (OnFileDone)
            OnFileDone(path, result);
    });
    return result.outcome != TLockOutcome::RunEnded;
}

void TFilesEncDec::Execute()
{
    m_locker.ResetState();
    for (std::size_t row = 0; row < m_rows.size() && !Terminated(); ++row) {
        if (m_rows[row].type != "File")
            continue;
        if (Mode() == TLockMode::Unlock)
            Tick(row, true);
        if (!ProcessFile(m_rows[row].folder + m_rows[row].caption, row))
            return;
    }
}

void TFolderEncDec::Execute()
{
    m_locker.ResetState();
    for (std::size_t row = 0; row < m_rows.size() && !Terminated(); ++row) {
        if (m_rows[row].type != "Folder")
            continue;
        if (Mode() == TLockMode::Unlock)
            Tick(row, true);
        const std::string& folder = m_rows[row].folder;
        const std::string path =
            folder.ends_with('\\') ? folder + m_rows[row].caption : folder + "\\" + m_rows[row].caption;
        std::vector<std::string> targets;
        CollectLockTargets(path, Mode(), targets);
        for (const std::string& target : targets) {
            if (Terminated() || !ProcessFile(target, row))
                return;
        }
    }
}

} // namespace lumexa::filesecurity
