#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "core/ui/FloatingForm.h"
#include "filesecurity/FileLocker/EncDec.h"
#include "filesecurity/FileLocker/LockTargets.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// What the lock and unlock pages share: the list of rows (caption, folder, type) with the
// file and folder rules, "Browse" with "Files" and "Folders", drops from the shell,
// "Delete Selected", the cipher, hash and password fields with the effective key size, the
// button states, and one worker run at a time. A run's events arrive on the worker's thread
// (or inside its Synchronize calls) and take one queued hop to this window, tagged with the
// run's number, so only the run on show changes rows.
namespace lumexa::filesecurity::ui {

// Object names of a page's own controls (the two pages name them differently).
struct TModuleNames
{
    const char* window;
    const char* list;
    const char* cipher;
    const char* hash;
    const char* keySize;
    const char* password;
    const char* confirm;
    const char* action;
    const char* folderColumnKey; // caption key of the second column
    const char* actionKey;       // caption key of the action button
    const char* titleKey;
    const char* fileDialogKey; // title of the "Files" dialog
};

class TCustomModule : public core::ui::TFloatingForm
{
    Q_OBJECT

public:
    TCustomModule(TLockMode mode, const TModuleNames& names, QWidget* parent = nullptr);
    // A run still going is stopped and waited for: no worker outlives the window.
    ~TCustomModule() override;

    // The file rule; false when the file is not taken (no message).
    bool AddFile(const std::string& path);
    // The folder rule; a refused folder is explained in an information box.
    bool AddFolder(const std::string& folder);
    // Dropped paths (Windows paths): folders through the folder rule, the rest as files.
    void AddPaths(const std::vector<std::string>& paths);
    // "Browse" > "Files" and "Folders".
    void BrowseFiles();
    void BrowseFolders();
    // "Delete Selected" and the Delete key: after "Delete selected?" the selected rows go.
    void DeleteSelected();

    // A run (backup, file run, folder run) is in progress.
    bool Busy() const { return m_busy; }
    std::vector<TLockRow> Rows() const;

signals:
    // The page went back to idle after a run, its message shown.
    void RunEnded();
    // The hops of a worker's events; `run` tags the run.
    void WorkerProgress(int run, int percent);
    void WorkerRowTicked(int run, int row, bool ticked);
    void WorkerFileDone(int run, const QString& path, int outcome);
    void WorkerEnded(int run);

protected:
    void Retranslate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Starts the file run (folders false) or the folder run over the current rows.
    void StartPhase(bool folders, int total, int startCount);
    // A phase has ended; its counters, read after the worker ended.
    virtual void PhaseEnded(bool folders, const TLockRunState& state) = 0;
    // A file of the running phase was processed; `row` is its row.
    virtual void FileDone(QTreeWidgetItem* row, TLockOutcome outcome);

    void SetBusy(bool busy);
    void UpdateButtons();
    // Both combo boxes to index 0, both password fields empty.
    void ResetOptions();
    void ShowProgress(bool visible);
    // Information, warning or error box under the locker's caption.
    static void Inform(const std::string& text);
    static void Warn(const std::string& text);
    static void ShowError(const std::string& text);

    int FileRowCount() const;
    bool HasFolderRows() const;
    // The files the folder rows hold for this page's mode.
    int CollectedFileCount() const;
    TLockRow RowOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemForFile(const QString& path, bool folders) const;

    TLockMode Mode() const { return m_mode; }
    std::string Password() const;
    QTreeWidget* List() const { return m_list; }
    QProgressBar* Progress() const { return m_progress; }
    QAction* DeleteAction() const { return m_delete; }

private:
    void BuildWidgets();
    void AddRow(const TLockRow& row);
    void UpdateKeySize();
    void OnWorkerProgress(int run, int percent);
    void OnWorkerRowTicked(int run, int row, bool ticked);
    void OnWorkerFileDone(int run, const QString& path, int outcome);
    void OnWorkerEnded(int run);
    void StopJob();

    TLockMode m_mode;
    TModuleNames m_names;
    bool m_busy = false;

    QTreeWidget* m_list = nullptr;
    QGroupBox* m_options = nullptr;
    QLabel* m_cipherLabel = nullptr;
    QLabel* m_hashLabel = nullptr;
    QLabel* m_keySizeCaption = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QLabel* m_confirmLabel = nullptr;
    QComboBox* m_cipher = nullptr;
    QComboBox* m_hash = nullptr;
    QLabel* m_keySize = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_confirm = nullptr;
    QToolButton* m_browse = nullptr;
    QMenu* m_browseMenu = nullptr;
    QAction* m_browseFiles = nullptr;
    QAction* m_browseFolders = nullptr;
    QMenu* m_popup = nullptr;
    QAction* m_delete = nullptr;
    QPushButton* m_action = nullptr;
    QProgressBar* m_progress = nullptr;

    std::unique_ptr<TEncDec> m_job;
    bool m_jobFolders = false;
    int m_runNumber = 0;
    // The list's items in the order the running phase numbers its rows.
    std::vector<QTreeWidgetItem*> m_runItems;
};

} // namespace lumexa::filesecurity::ui
