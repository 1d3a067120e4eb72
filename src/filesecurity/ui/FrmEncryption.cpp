#include "filesecurity/ui/FrmEncryption.h"

#include <QAbstractButton>
#include <QAction>
#include <QProgressBar>
#include <QTreeWidget>

#include "core/MessageTable.h"
#include "filesecurity/FileLocker/LockerBackup.h"
#include "filesecurity/ui/FolderRule.h"
#include "platform/Dialogs.h"
#include "platform/Thread.h"

namespace lumexa::filesecurity::ui {

namespace {
const TModuleNames kNames{"TfrmEncryption",
                          "lstFileFolder",
                          "cbxCipherbx",
                          "cbxHashbx",
                          "dblKSize",
                          "boxPass",
                          "boxPassConfirm",
                          "btnEncryptFileFolder",
                          "strFL_CAPTION503",
                          "strFL_CAPTION508",
                          "strFL_CAPTION500",
                          "strFL_CAPTION514"};
} // namespace

TfrmEncryption::TfrmEncryption(QWidget* parent)
    : TCustomModule(TLockMode::Lock, kNames, parent)
{
    connect(findChild<QAbstractButton*>(QString::fromLatin1(kNames.action)),
            &QAbstractButton::clicked,
            this,
            &TfrmEncryption::Lock);
}

void TfrmEncryption::PageShown()
{
    ShowProgress(false);
    ResetOptions();
    DeleteAction()->setEnabled(false);
    UpdateButtons();
}

bool TfrmEncryption::CanLeavePage()
{
    if (!Busy())
        return true;
    Inform(core::Msg("strFL_MESSAGE002"));
    return false;
}

void TfrmEncryption::Lock()
{
    if (Busy())
        return;
    if (List()->topLevelItemCount() == 0) {
        Warn(core::Msg("strFL_MESSAGE032"));
        return;
    }
    SetBusy(true);
    const int fileRows = FileRowCount();
    const bool backup =
        platform::Dialogs().MessageBox({core::Msg("strFL_MESSAGE033"),
                                        core::Msg("strFL_MESSAGE_HEADER005"),
                                        platform::MessageIcon::Question,
                                        platform::MessageButtons::YesNo}) == platform::DialogResult::Yes;
    m_expected.clear();
    m_locked.clear();
    int collected = 0;
    for (int i = 0; i < List()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = List()->topLevelItem(i);
        const TLockRow row = RowOf(item);
        std::vector<std::string> targets;
        if (row.type == "Folder")
            CollectLockTargets(RowPath(row), TLockMode::Lock, targets);
        m_expected[item] = row.type == "Folder" ? static_cast<int>(targets.size()) : 1;
        collected += row.type == "Folder" ? static_cast<int>(targets.size()) : 0;
    }
    Progress()->setValue(0);
    ShowProgress(true);
    if (backup && !MakeBackup()) {
        ShowProgress(false);
        SetBusy(false);
        return;
    }
    m_total = collected + fileRows;
    m_filesDone = 0;
    m_runEnded = false;
    ShowProgress(m_total >= 2);
    StartPhase(fileRows == 0, m_total, 0);
}

bool TfrmEncryption::MakeBackup()
{
    TLockerBackup archiver;
    // The backup runs here, on the user-interface thread; the window stays responsive
    // because pending events are handled after every step.
    archiver.OnProgress = [this](std::size_t, int percent) {
        Progress()->setValue(percent);
        platform::ProcessMessages();
    };
    const TBackupResult result = archiver.Create(BackupFileList(Rows()));
    if (result.ok)
        return true;
    ShowError(core::Msg("strFL_MESSAGE001") + "\n\n" + result.error);
    return false;
}

void TfrmEncryption::FileDone(QTreeWidgetItem* row, TLockOutcome outcome)
{
    if (outcome == TLockOutcome::RunEnded)
        m_runEnded = true;
    if (row && outcome == TLockOutcome::Done)
        ++m_locked[row];
}

void TfrmEncryption::PhaseEnded(bool folders, const TLockRunState& state)
{
    m_filesDone += state.filesDone;
    // A file that cannot be opened for reading and writing ends the whole run.
    if (!folders && !m_runEnded && HasFolderRows()) {
        StartPhase(true, m_total, FileRowCount());
        return;
    }
    Finish();
}

void TfrmEncryption::Finish()
{
    ShowProgress(false);
    SetBusy(false);
    ResetOptions();
    // A row goes once every file it holds was locked; the others stay to be tried again.
    for (int i = List()->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = List()->topLevelItem(i);
        if (m_locked[item] >= m_expected[item])
            delete item;
    }
    m_expected.clear();
    m_locked.clear();
    UpdateButtons();
    if (m_filesDone >= m_total)
        Inform(core::Msg("strFL_MESSAGE031"));
    else
        ShowError(core::Msg("strFL_MESSAGE001"));
    emit RunEnded();
}

} // namespace lumexa::filesecurity::ui
