#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "core/ui/FileFilter.h"
#include "platform/Dialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Open, save and folder dialogs over the machine's drives. QFileDialog would show the host's
// paths; this one shows the machine's drive list and folder tree and returns Windows paths.
namespace lumexa::core::ui {

enum class TFileDialogMode
{
    Open,
    Save,
    Folder,
};

class TMachineFileDialog : public QDialog
{
    Q_OBJECT

public:
    TMachineFileDialog(TFileDialogMode mode, const platform::FileDialogRequest& request, QWidget* parent = nullptr);

    // The chosen Windows paths once the dialog was accepted.
    const std::vector<std::string>& SelectedPaths() const { return m_selected; }
    const std::string& CurrentFolder() const { return m_folder; }
    // Opens the folder in the tree (expanding every level) and lists it; false when it does not exist.
    bool SetCurrentFolder(const std::string& folder);

protected:
    void changeEvent(QEvent* event) override;

private:
    void BuildWidgets();
    void Retranslate();
    void FillDrives();
    void FillChildren(QTreeWidgetItem* item);
    void ListFiles();
    void OnFolderChosen(QTreeWidgetItem* item);
    void OnFileActivated(QListWidgetItem* item);
    void OnSelectionChanged();
    void GoUp();
    void TryAccept();
    std::vector<std::string> CurrentMasks() const;
    std::string ResolveTypedName(const std::string& typed) const;

    TFileDialogMode m_mode;
    platform::FileDialogRequest m_request;
    std::vector<TFileFilter> m_filters;
    std::string m_folder;
    std::vector<std::string> m_selected;

    QTreeWidget* m_tree = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_filterLabel = nullptr;
    QLabel* m_folderLabel = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_filter = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace lumexa::core::ui
