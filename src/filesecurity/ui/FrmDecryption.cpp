#include "filesecurity/ui/FrmDecryption.h"

#include <string>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QProgressBar>
#include <QTreeWidget>

#include "core/MessageTable.h"
#include "platform/Dialogs.h"

namespace lumexa::filesecurity::ui {

namespace {
const TModuleNames kNames{"TfrmDecryption",
                          "ffd_lstFolder",
                          "ffd_cbxCipherFolder",
                          "ffd_cbxHashFolder",
                          "ffd_dblKeySizeFolder",
                          "ffd_boxPassphraseFolder",
                          "ffd_boxPassphraseConfirm",
                          "ffd_btnDecryptFolder",
                          "strFL_CAPTION504",
                          "strFL_CAPTION509",
                          "strFL_CAPTION501",
                          "strFL_CAPTION515"};

// n directly followed by the first text, a line break, m directly followed by the second
// ("%d" + text + CR LF + "%d" + text, formatted with n and m).
std::string Summary(int removed, int left, const char* removedKey, const char* leftKey)
{
    return std::to_string(removed) + core::Msg(removedKey) + "\r\n" + std::to_string(left) + core::Msg(leftKey);
}
} // namespace

TfrmDecryption::TfrmDecryption(QWidget* parent)
    : TCustomModule(TLockMode::Unlock, kNames, parent)
{
    connect(findChild<QAbstractButton*>(QString::fromLatin1(kNames.action)),
            &QAbstractButton::clicked,
            this,
            &TfrmDecryption::Unlock);
}

void TfrmDecryption::PageShown()
{
    ShowProgress(false);
    DeleteAction()->setEnabled(false);
    UpdateButtons();
}

void TfrmDecryption::PageLeft()
{
    List()->clear();
    ResetOptions();
    UpdateButtons();
}

bool TfrmDecryption::CanLeavePage()
{
    if (!Busy())
        return true;
    Inform(core::Msg("strFL_MESSAGE003"));
    return false;
}

void TfrmDecryption::Unlock()
{
    if (Busy())
        return;
    const char* refusal = nullptr;
    if (List()->topLevelItemCount() == 0)
        refusal = "strFL_MESSAGE017";
    else if (findChild<QComboBox*>(QString::fromLatin1(kNames.cipher))->currentIndex() < 0)
        refusal = "strFL_MESSAGE018";
    else if (findChild<QComboBox*>(QString::fromLatin1(kNames.hash))->currentIndex() < 0)
        refusal = "strFL_MESSAGE019";
    else if (Password().empty())
        refusal = "strFL_MESSAGE020";
    if (refusal) {
        Warn(core::Msg(refusal));
        return;
    }
    const int fileRows = FileRowCount();
    m_total = CollectedFileCount() + fileRows;
    Progress()->setValue(0);
    ShowProgress(m_total > 1);
    SetBusy(true);
    StartPhase(fileRows == 0, m_total, 0);
}

void TfrmDecryption::PhaseEnded(bool folders, const TLockRunState& state)
{
    if (!folders && HasFolderRows()) {
        StartPhase(true, m_total, FileRowCount());
        return;
    }
    Finish(folders, state);
}

void TfrmDecryption::Finish(bool folders, const TLockRunState& state)
{
    ShowProgress(false);
    SetBusy(false);
    int removed = 0;
    for (int i = List()->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = List()->topLevelItem(i);
        // Rows the run unticked refused the parameters; every other row counts as processed.
        if (item->checkState(0) == Qt::Checked) {
            delete item;
            ++removed;
        }
    }
    const int left = List()->topLevelItemCount();
    ResetOptions();
    UpdateButtons();
    // The counters of the run that just ended decide the message.
    if (state.filesAttempted == state.filesDone)
        Inform(core::Msg(folders ? "strFL_MESSAGE025" : "strFL_MESSAGE021"));
    else if (state.filesDone > 0)
        Inform(folders ? Summary(removed, left, "strFL_MESSAGE027", "strFL_MESSAGE028")
                       : Summary(removed, left, "strFL_MESSAGE023", "strFL_MESSAGE024"));
    else
        Inform(core::Msg(folders ? "strFL_MESSAGE026" : "strFL_MESSAGE022"));
    emit RunEnded();
}

} // namespace lumexa::filesecurity::ui
