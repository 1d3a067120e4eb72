#pragma once

#include <map>

#include "filesecurity/ui/CustomModule.h"

// "Lock Files and Folders" (page 12): files and folders to lock, the cipher, hash and
// password, an optional zip backup of what is about to be locked, then a file run and a
// folder run. The run reports success only when every file was locked; rows of files that
// were not locked stay in the list.
namespace lumexa::filesecurity::ui {

inline constexpr int EncryptionPage = 12;

class TfrmEncryption : public TCustomModule
{
    Q_OBJECT

public:
    explicit TfrmEncryption(QWidget* parent = nullptr);

    void PageShown() override;
    bool CanLeavePage() override;

    // "Lock".
    void Lock();

protected:
    void PhaseEnded(bool folders, const TLockRunState& state) override;
    void FileDone(QTreeWidgetItem* row, TLockOutcome outcome) override;

private:
    // False (after saying why) when the backup could not be made: nothing is enciphered then.
    bool MakeBackup();
    void Finish();

    int m_total = 0;
    int m_filesDone = 0;
    bool m_runEnded = false;
    // Files each row holds and how many of them were locked.
    std::map<QTreeWidgetItem*, int> m_expected;
    std::map<QTreeWidgetItem*, int> m_locked;
};

} // namespace lumexa::filesecurity::ui
