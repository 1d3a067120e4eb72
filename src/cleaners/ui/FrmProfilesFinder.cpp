#include "cleaners/ui/FrmProfilesFinder.h"

#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Helpers.h"
#include "core/MessageTable.h"
#include "core/ui/EventWait.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/Types.h"

namespace lumexa::cleaners::ui {

namespace {

// How often the window looks whether a running finder has ended; it handles its events between.
constexpr int FinderPollMs = 50;
constexpr int RootRole = Qt::UserRole;

QString Text(const char* key)
{
    return QString::fromStdString(core::Msg(key));
}

void Inform(const char* key)
{
    platform::Dialogs().MessageBox({core::Msg(key),
                                    core::Msg("strLX_CAPTION774"),
                                    platform::MessageIcon::Information,
                                    platform::MessageButtons::Ok});
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string S(const QString& text)
{
    return text.toStdString();
}

bool SamePath(const std::string& a, const std::string& b)
{
    return platform::EqualsNoCase(core::ExcludeTrailingSlash(a), core::ExcludeTrailingSlash(b));
}

QTreeWidgetItem* FindResult(const QTreeWidget& list, const std::string& name, const std::string& path)
{
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list.topLevelItem(row);
        if (platform::EqualsNoCase(S(item->text(0)), name) && SamePath(S(item->text(1)), path))
            return item;
    }
    return nullptr;
}

QTreeWidgetItem* AddResult(QTreeWidget& list, const std::string& name, const std::string& path, bool ticked)
{
    auto* item = new QTreeWidgetItem(&list, QStringList{Q(name), Q(path)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    return item;
}

// One value of a browser's stored profiles: "<path>,1" (selected) or "<path>,0".
struct TStoredEntry
{
    std::string name;
    std::string path;
    bool selected = false;
};

// The key is created as the window always has; values too short to hold a path are passed over.
std::vector<TStoredEntry> ReadStoredEntries(std::string_view keyPath)
{
    std::vector<TStoredEntry> entries;
    const auto key = platform::Machine::Current().Registry().Create(platform::HKEY_LOCAL_MACHINE, keyPath);
    if (!key)
        return entries;
    for (const std::string& name : key->ValueNames()) {
        std::string value;
        if (key->GetString(name, value) != platform::RegRead::Ok || value.size() < 3)
            continue;
        entries.push_back({name, value.substr(0, value.size() - 2), value.back() == '1'});
    }
    return entries;
}

} // namespace

// ---- TNetscapeMozillaProfileHelper

TNetscapeMozillaProfileHelper::TNetscapeMozillaProfileHelper()
{
    platform::FileSystem& files = platform::Machine::Current().Files();
    for (const std::string& root : files.GetLogicalDriveStrings()) {
        core::TDriveInfo drive(root);
        if (drive.GetDriveType() == platform::DriveType::Fixed)
            m_drives.push_back(std::move(drive));
    }
}

// ---- TFrmProfilesFinder

TFrmProfilesFinder::TFrmProfilesFinder(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProfilesFinder"));
    BuildWidgets();
    Retranslate();
    ShowPage(WelcomePage);
}

TFrmProfilesFinder::~TFrmProfilesFinder() = default;

void TFrmProfilesFinder::Open(QWidget* parent)
{
    TFrmProfilesFinder window(parent);
    window.exec();
}

std::unique_ptr<TProfilesFinder> TFrmProfilesFinder::NewFinder(std::uint8_t kind)
{
    return std::make_unique<TProfilesFinder>(kind);
}

void TFrmProfilesFinder::BuildWidgets()
{
    const auto makeButton = [this](const char* name) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    const auto makeLabel = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setWordWrap(true);
        return label;
    };

    m_pages = new QStackedWidget(this);

    // Welcome: the four actions.
    auto* welcome = new QWidget(m_pages);
    auto* welcomeLayout = new QVBoxLayout(welcome);
    m_welcomeTitle = makeLabel("lblWelcome");
    QFont headingFont = m_welcomeTitle->font();
    headingFont.setBold(true);
    m_welcomeTitle->setFont(headingFont);
    welcomeLayout->addWidget(m_welcomeTitle);
    const char* actionNames[4] = {"rbSearchNetscape", "rbManageNetscape", "rbSearchFireFox", "rbManageFireFox"};
    for (int action = 0; action < 4; ++action) {
        m_actions[action] = new QRadioButton(welcome);
        m_actions[action]->setObjectName(QString::fromLatin1(actionNames[action]));
        welcomeLayout->addWidget(m_actions[action]);
    }
    m_actions[static_cast<int>(TProfilesAction::SearchFireFox)]->setChecked(true);
    welcomeLayout->addStretch();
    m_pages->addWidget(welcome);

    // Drives: the fixed drives to search, and the search's progress.
    auto* drives = new QWidget(m_pages);
    auto* drivesLayout = new QGridLayout(drives);
    m_driveList = new QTreeWidget(drives);
    m_driveList->setObjectName(QStringLiteral("lvDrives"));
    m_driveList->setColumnCount(3);
    m_driveList->setRootIsDecorated(false);
    m_startSearch = makeButton("btnStartSearch");
    m_stop = makeButton("btnStop");
    m_stop->setEnabled(false);
    m_status = makeLabel("lblStatus");
    m_folder = makeLabel("lblFolder");
    m_folder->setWordWrap(false);
    m_folder->setMinimumWidth(1);
    m_countCaption = makeLabel("lblCountCaption");
    m_count = makeLabel("lblCount");
    m_count->setText(QStringLiteral("0"));
    drivesLayout->addWidget(m_driveList, 0, 0, 1, 3);
    drivesLayout->addWidget(m_status, 1, 0);
    drivesLayout->addWidget(m_countCaption, 1, 1, Qt::AlignRight);
    drivesLayout->addWidget(m_count, 1, 2);
    drivesLayout->addWidget(m_folder, 2, 0, 1, 3);
    auto* searchButtons = new QHBoxLayout;
    searchButtons->addStretch();
    searchButtons->addWidget(m_startSearch);
    searchButtons->addWidget(m_stop);
    drivesLayout->addLayout(searchButtons, 3, 0, 1, 3);
    drivesLayout->setColumnStretch(0, 1);
    m_pages->addWidget(drives);

    // Results: the profiles found or stored, ticked when the cleaners erase them.
    auto* results = new QWidget(m_pages);
    auto* resultsLayout = new QVBoxLayout(results);
    m_resultsTitle = makeLabel("lblTitle");
    m_resultsTitle->setFont(headingFont);
    m_instruction = makeLabel("lblInstruction");
    m_results = new QTreeWidget(results);
    m_results->setObjectName(QStringLiteral("lvProfiles"));
    m_results->setColumnCount(2);
    m_results->setRootIsDecorated(false);
    m_browse = makeButton("btnBrowse");
    resultsLayout->addWidget(m_resultsTitle);
    resultsLayout->addWidget(m_instruction);
    resultsLayout->addWidget(m_results);
    auto* browseRow = new QHBoxLayout;
    browseRow->addWidget(m_browse);
    browseRow->addStretch();
    resultsLayout->addLayout(browseRow);
    m_pages->addWidget(results);

    m_back = makeButton("btnBack");
    m_next = makeButton("btnNext");
    m_save = makeButton("btnSave");
    m_exit = makeButton("btnExit");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {m_back, m_next, m_save, m_exit})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);
    resize(560, 400);

    connect(m_next, &QPushButton::clicked, this, [this] {
        if (CurrentPage() == WelcomePage)
            WelcomeNext();
        else if (CurrentPage() == DrivesPage)
            DrivesNext();
    });
    connect(m_back, &QPushButton::clicked, this, [this] { ShowPage(WelcomePage); });
    connect(m_exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_startSearch, &QPushButton::clicked, this, &TFrmProfilesFinder::StartSearch);
    connect(m_stop, &QPushButton::clicked, this, [this] {
        if (m_finder)
            m_finder->Terminate();
    });
    connect(m_browse, &QPushButton::clicked, this, &TFrmProfilesFinder::Browse);
    connect(m_save, &QPushButton::clicked, this, &TFrmProfilesFinder::Save);
}

void TFrmProfilesFinder::Retranslate()
{
    setWindowTitle(Text("strLX_CAPTION774"));
    m_welcomeTitle->setText(Text("strLX_CAPTION774"));
    const char* actionKeys[4] = {"strLX_CAPTION775", "strLX_CAPTION776", "strLX_CAPTION777", "strLX_CAPTION778"};
    for (int action = 0; action < 4; ++action)
        m_actions[action]->setText(Text(actionKeys[action]));
    m_driveList->setHeaderLabels({Text("strLX_CAPTION779"), Text("strLX_CAPTION780"), Text("strLX_CAPTION781")});
    m_results->setHeaderLabels({Text("strFL_CAPTION502"), Text("strLX_CAPTION596")});
    m_startSearch->setText(Text("strLX_CAPTION785"));
    m_stop->setText(Text("strLX_CAPTION578"));
    m_countCaption->setText(Text("strLX_CAPTION933"));
    m_browse->setText(Text("strLX_CAPTION786"));
    m_back->setText(Text("strLX_CAPTION783"));
    m_next->setText(Text("strLX_CAPTION782"));
    m_save->setText(Text("strLX_CAPTION736"));
    m_exit->setText(Text("strLX_CAPTION784"));
    if (m_searching)
        m_status->setText(Text("strLX_CAPTION787"));
    if (CurrentPage() == ResultsPage)
        SetResultsTexts();
}

void TFrmProfilesFinder::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

void TFrmProfilesFinder::closeEvent(QCloseEvent* event)
{
    // Closing is "Exit", which a running search disables.
    if (m_searching) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFrmProfilesFinder::done(int result)
{
    if (m_searching)
        return;
    QDialog::done(result);
}

TProfilesAction TFrmProfilesFinder::Action() const
{
    for (int action = 0; action < 4; ++action)
        if (m_actions[action]->isChecked())
            return static_cast<TProfilesAction>(action);
    return TProfilesAction::SearchFireFox;
}

int TFrmProfilesFinder::CurrentPage() const
{
    return m_pages->currentIndex();
}

bool TFrmProfilesFinder::IsNetscape() const
{
    const TProfilesAction action = Action();
    return action == TProfilesAction::SearchNetscape || action == TProfilesAction::ManageNetscape;
}

std::string_view TFrmProfilesFinder::ProfilesKey() const
{
    return IsNetscape() ? NetscapeProfilesKey : FireFoxProfilesKey;
}

void TFrmProfilesFinder::ShowPage(TPage page)
{
    m_pages->setCurrentIndex(page);
    const TProfilesAction action = Action();
    const bool manage = action == TProfilesAction::ManageNetscape || action == TProfilesAction::ManageFireFox;
    m_next->setVisible(page != ResultsPage);
    m_save->setVisible(page == ResultsPage);
    m_back->setVisible(page == DrivesPage || (page == ResultsPage && manage));
    if (page == ResultsPage)
        SetResultsTexts();
}

void TFrmProfilesFinder::WelcomeNext()
{
    const TProfilesAction action = Action();
    if (action == TProfilesAction::ManageNetscape || action == TProfilesAction::ManageFireFox) {
        if (!ListStoredProfiles()) {
            Inform(action == TProfilesAction::ManageNetscape ? "strLX_MESSAGE538" : "strLX_MESSAGE539");
            return;
        }
        ShowPage(ResultsPage);
        return;
    }
    // A list of another action (the other browser's stored profiles) must not be saved under
    // this browser's key.
    m_results->clear();
    m_found.clear();
    m_count->setText(QStringLiteral("0"));
    FillDrives();
    ShowPage(DrivesPage);
}

void TFrmProfilesFinder::FillDrives()
{
    m_driveList->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const core::TDriveInfo& drive : m_drives.Drives()) {
        auto* item = new QTreeWidgetItem(
            m_driveList,
            QStringList{Q(drive.GetDisplayName()), Q(drive.GetFreeBytesText()), Q(drive.GetTotalBytesText())});
        item->setIcon(0, icon);
        item->setData(0, RootRole, Q(drive.RootPath()));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    for (int column = 0; column < 3; ++column)
        m_driveList->resizeColumnToContents(column);
}

bool TFrmProfilesFinder::ListStoredProfiles()
{
    m_results->clear();
    for (const TStoredEntry& entry : ReadStoredEntries(ProfilesKey())) {
        const std::size_t dot = entry.name.find('.');
        AddResult(
            *m_results, dot == std::string::npos ? entry.name : entry.name.substr(dot + 1), entry.path, entry.selected);
    }
    return m_results->topLevelItemCount() > 0;
}

void TFrmProfilesFinder::SetSearchingState(bool searching)
{
    m_searching = searching;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             m_next, m_startSearch, m_back, m_exit, m_driveList, m_browse, m_save, m_results})
        widget->setEnabled(!searching);
    m_stop->setEnabled(searching);
}

void TFrmProfilesFinder::StartSearch()
{
    std::vector<std::string> roots;
    for (int row = 0; row < m_driveList->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_driveList->topLevelItem(row);
        if (item->checkState(0) == Qt::Checked)
            roots.push_back(S(item->data(0, RootRole).toString()));
    }
    if (roots.empty()) {
        Inform("strLX_MESSAGE540");
        return;
    }
    m_found.clear();
    m_count->setText(QStringLiteral("0"));
    m_status->setText(Text("strLX_CAPTION787"));
    RunFinder(roots);
    m_status->clear();
    m_folder->clear();
    m_folder->setToolTip({});
}

void TFrmProfilesFinder::RunFinder(const std::vector<std::string>& roots)
{
    m_finder.reset();
    m_finder = NewFinder(IsNetscape() ? ProfilesNetscape : ProfilesFireFox);
    for (const std::string& root : roots)
        m_finder->AddRoot(root);
    // The events arrive on the finder's thread: they only post to this window, whose own
    // thread updates the labels and the list. Folders come by the thousand, so only the latest
    // is kept and at most one showing of it is pending.
    m_finder->OnSearchFolder = [this](const std::string& folder) {
        {
            std::lock_guard lock(m_folderLock);
            m_searchedFolder = folder;
        }
        if (!m_folderPosted.exchange(true))
            QMetaObject::invokeMethod(this, &TFrmProfilesFinder::ShowSearchedFolder, Qt::QueuedConnection);
    };
    m_finder->OnProfileFound = [this](const std::string& name, const std::string& path, const std::string&) {
        QMetaObject::invokeMethod(
            this, [this, name, path] { AddFound(name, path); }, Qt::QueuedConnection);
    };

    SetSearchingState(true);
    m_finder->Resume();
    core::ui::WaitHandlingEvents([this] { return m_finder->Finished(); }, FinderPollMs);
    // What the finder posted before it ended and that has not been handled yet.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    SetSearchingState(false);
}

void TFrmProfilesFinder::ShowSearchedFolder()
{
    m_folderPosted = false;
    std::string folder;
    {
        std::lock_guard lock(m_folderLock);
        folder = m_searchedFolder;
    }
    m_folder->setToolTip(Q(folder));
    m_folder->setText(fontMetrics().elidedText(Q(folder), Qt::ElideMiddle, std::max(m_folder->width(), 100)));
}

void TFrmProfilesFinder::AddFound(const std::string& name, const std::string& path)
{
    for (const TFoundProfile& known : m_found)
        if (platform::EqualsNoCase(known.name, name) && SamePath(known.path, path))
            return;
    m_found.push_back({name, path, {}});
    m_count->setText(QString::number(m_found.size()));
}

void TFrmProfilesFinder::CompleteResults()
{
    for (const TFoundProfile& profile : m_found)
        if (!FindResult(*m_results, profile.name, profile.path))
            AddResult(*m_results, profile.name, profile.path, false);
    // A profile stored as selected stays ticked. It is recognised by its folder: the stored
    // name is the folder's name, which for Firefox ("abc.default") is not the profile's name.
    for (const TStoredEntry& entry : ReadStoredEntries(ProfilesKey())) {
        if (!entry.selected)
            continue;
        for (int row = 0; row < m_results->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = m_results->topLevelItem(row);
            if (SamePath(S(item->text(1)), entry.path))
                item->setCheckState(0, Qt::Checked);
        }
    }
}

void TFrmProfilesFinder::DrivesNext()
{
    CompleteResults();
    ShowPage(ResultsPage);
}

void TFrmProfilesFinder::SetResultsTexts()
{
    const TProfilesAction action = Action();
    const bool netscape = IsNetscape();
    m_instruction->setText(Text(netscape ? "strLX_CAPTION788" : "strLX_CAPTION789"));
    switch (action) {
    case TProfilesAction::ManageNetscape:
        m_resultsTitle->setText(Text("strLX_CAPTION791"));
        break;
    case TProfilesAction::ManageFireFox:
        m_resultsTitle->setText(Text("strLX_CAPTION792"));
        break;
    default:
        m_resultsTitle->setText(Text("strLX_CAPTION790"));
        break;
    }
    for (int column = 0; column < 2; ++column)
        m_results->resizeColumnToContents(column);
}

void TFrmProfilesFinder::Browse()
{
    const auto folder = platform::Dialogs().SelectFolder(core::Msg("strLX_CAPTION793"), {});
    if (!folder || folder->empty())
        return;
    // Only what this folder holds is reported on.
    m_found.clear();
    RunFinder({*folder});
    CompleteResults();
    SetResultsTexts();
    if (m_found.empty())
        Inform("strLX_MESSAGE541");
}

void TFrmProfilesFinder::Save()
{
    const int rows = m_results->topLevelItemCount();
    if (rows == 0) {
        Inform("strLX_MESSAGE542");
        return;
    }
    bool anyTicked = false;
    for (int row = 0; row < rows; ++row)
        anyTicked = anyTicked || m_results->topLevelItem(row)->checkState(0) == Qt::Checked;
    if (!anyTicked && platform::Dialogs().MessageBox({core::Msg("strLX_MESSAGE543"),
                                                      core::Msg("strLX_CAPTION774"),
                                                      platform::MessageIcon::Question,
                                                      platform::MessageButtons::YesNo}) != platform::DialogResult::Yes)
        return;

    const std::string key(ProfilesKey());
    const auto stored = platform::Machine::Current().Registry().Create(platform::HKEY_LOCAL_MACHINE, key);
    bool written = static_cast<bool>(stored);
    for (int row = 0; written && row < rows; ++row) {
        const QTreeWidgetItem* item = m_results->topLevelItem(row);
        const std::string path = core::ExcludeTrailingSlash(S(item->text(1)));
        const bool ticked = item->checkState(0) == Qt::Checked;
        written = stored->SetString(StoredProfileName(path), path + (ticked ? ",1" : ",0"));
    }
    if (!written) {
        // Saying "saved" here would leave the user believing the cleaners know the choice.
        platform::Dialogs().MessageBox(
            {core::Msg("strLX_CAPTION934",
                       {"HKEY_LOCAL_MACHINE\\" + key, platform::SystemMessage(platform::GetLastError())}),
             core::Msg("strLX_CAPTION774"),
             platform::MessageIcon::Error,
             platform::MessageButtons::Ok});
        return;
    }
    if (anyTicked)
        Inform("strLX_MESSAGE544");
    accept();
}

} // namespace lumexa::cleaners::ui
