#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QDialog>

#include "cleaners/ProfilesFinder.h"
#include "core/DriveInfo.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

// "Firefox - Netscape Profiles Manager": searches the fixed drives (or one folder) for the
// profiles of Netscape or Firefox, or lists the ones already stored, and stores which of them
// the cleaners erase. Three pages without tabs: the choice of action, the drives to search
// and the profiles found or stored.
namespace lumexa::cleaners::ui {

enum class TProfilesAction
{
    SearchNetscape = 0,
    ManageNetscape = 1,
    SearchFireFox = 2,
    ManageFireFox = 3,
};

// The fixed drives of the machine, in the order of its drive letters.
class TNetscapeMozillaProfileHelper
{
public:
    TNetscapeMozillaProfileHelper();
    const std::vector<core::TDriveInfo>& Drives() const { return m_drives; }

private:
    std::vector<core::TDriveInfo> m_drives;
};

class TFrmProfilesFinder : public QDialog
{
    Q_OBJECT

public:
    enum TPage
    {
        WelcomePage = 0,
        DrivesPage = 1,
        ResultsPage = 2,
    };

    explicit TFrmProfilesFinder(QWidget* parent = nullptr);
    ~TFrmProfilesFinder() override;

    // Shows the window modally and frees it afterwards.
    static void Open(QWidget* parent = nullptr);

    TProfilesAction Action() const;
    int CurrentPage() const;
    // True while a search (drives or "Browse") runs; the window cannot be closed then.
    bool Searching() const { return m_searching; }
    const TFoundProfiles& FoundProfiles() const { return m_found; }

    void done(int result) override;

protected:
    // The finder of one search; tests replace it to hold a search open.
    virtual std::unique_ptr<TProfilesFinder> NewFinder(std::uint8_t kind);

    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWidgets();
    void Retranslate();
    void ShowPage(TPage page);
    bool IsNetscape() const;
    std::string_view ProfilesKey() const;

    void WelcomeNext();
    void FillDrives();
    bool ListStoredProfiles();
    void StartSearch();
    void DrivesNext();
    void Browse();
    void Save();

    // Runs a finder over the roots, keeping the window responsive until it ends.
    void RunFinder(const std::vector<std::string>& roots);
    void SetSearchingState(bool searching);
    void AddFound(const std::string& name, const std::string& path);
    void ShowSearchedFolder();
    // Adds the found profiles to the results list and ticks the stored selected ones.
    void CompleteResults();
    void SetResultsTexts();

    TNetscapeMozillaProfileHelper m_drives;
    TFoundProfiles m_found;
    std::unique_ptr<TProfilesFinder> m_finder;
    bool m_searching = false;
    // The finder's thread leaves the folder it enters here; the window shows the latest one,
    // asked for at most once until it has been shown.
    std::mutex m_folderLock;
    std::string m_searchedFolder;
    std::atomic<bool> m_folderPosted{false};

    QStackedWidget* m_pages = nullptr;
    QRadioButton* m_actions[4] = {};
    QLabel* m_welcomeTitle = nullptr;
    QTreeWidget* m_driveList = nullptr;
    QLabel* m_drivesTitle = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_folder = nullptr;
    QLabel* m_countCaption = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_startSearch = nullptr;
    QPushButton* m_stop = nullptr;
    QLabel* m_resultsTitle = nullptr;
    QLabel* m_instruction = nullptr;
    QTreeWidget* m_results = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
};

} // namespace lumexa::cleaners::ui
