#include "filesecurity/ui/CustomModule.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/ui/FolderRule.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace lumexa::filesecurity::ui {

namespace {

enum TColumn : int
{
    ColumnName = 0,
    ColumnFolder = 1,
    ColumnType = 2,
};

// The run's own type text ("File", "Folder"), whatever the language shows.
constexpr int TypeRole = Qt::UserRole;

QString Text(const char* key)
{
    return QString::fromStdString(core::Msg(key));
}

void Box(const std::string& text, platform::MessageIcon icon)
{
    platform::Dialogs().MessageBox({text, core::Msg("strFL_MESSAGE_HEADER005"), icon, platform::MessageButtons::Ok});
}

} // namespace

TCustomModule::TCustomModule(TLockMode mode, const TModuleNames& names, QWidget* parent)
    : TFloatingForm(parent)
    , m_mode(mode)
    , m_names(names)
{
    setObjectName(QString::fromLatin1(names.window));
    BuildWidgets();
    // Every worker event takes this one queued hop, so rows change here, in the order raised.
    connect(this, &TCustomModule::WorkerProgress, this, &TCustomModule::OnWorkerProgress, Qt::QueuedConnection);
    connect(this, &TCustomModule::WorkerRowTicked, this, &TCustomModule::OnWorkerRowTicked, Qt::QueuedConnection);
    connect(this, &TCustomModule::WorkerFileDone, this, &TCustomModule::OnWorkerFileDone, Qt::QueuedConnection);
    connect(this, &TCustomModule::WorkerEnded, this, &TCustomModule::OnWorkerEnded, Qt::QueuedConnection);
    Retranslate();
    UpdateKeySize();
    UpdateButtons();
}

TCustomModule::~TCustomModule()
{
    StopJob();
}

void TCustomModule::StopJob()
{
    if (!m_job)
        return;
    // Events still on their way belong to no run any more.
    ++m_runNumber;
    m_job->Terminate();
    // The worker may be waiting for this thread (its open check and events go through
    // Synchronize), so this thread keeps handling events until the worker is done.
    while (!m_job->Finished()) {
        platform::ProcessMessages();
        QThread::yieldCurrentThread();
    }
    m_job.reset();
}

void TCustomModule::BuildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::fromLatin1(m_names.list));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setColumnCount(3);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setSectionResizeMode(ColumnFolder, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(ColumnName, 200);
    m_list->setColumnWidth(ColumnType, 80);
    m_list->setAcceptDrops(true);
    m_list->viewport()->setAcceptDrops(true);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_list, 1);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("mnuListPopup"));
    m_delete = m_popup->addAction(QString());
    m_delete->setObjectName(QStringLiteral("mnuDeleteSelected"));
    connect(m_delete, &QAction::triggered, this, &TCustomModule::DeleteSelected);
    connect(m_list, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        m_delete->setEnabled(!m_busy && !m_list->selectedItems().isEmpty());
        m_popup->popup(m_list->viewport()->mapToGlobal(at));
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        m_delete->setEnabled(!m_busy && !m_list->selectedItems().isEmpty());
    });

    m_options = new QGroupBox(this);
    m_options->setObjectName(QStringLiteral("grpOptions"));
    auto* grid = new QGridLayout(m_options);
    m_cipherLabel = new QLabel(m_options);
    m_hashLabel = new QLabel(m_options);
    m_keySizeCaption = new QLabel(m_options);
    m_passwordLabel = new QLabel(m_options);
    m_confirmLabel = new QLabel(m_options);
    m_cipher = new QComboBox(m_options);
    m_cipher->setObjectName(QString::fromLatin1(m_names.cipher));
    for (const TCipherInfo& cipher : CipherCatalogue())
        m_cipher->addItem(QString::fromUtf8(cipher.name.data(), static_cast<int>(cipher.name.size())));
    m_hash = new QComboBox(m_options);
    m_hash->setObjectName(QString::fromLatin1(m_names.hash));
    for (const THashInfo& hash : HashCatalogue())
        m_hash->addItem(QString::fromUtf8(hash.name.data(), static_cast<int>(hash.name.size())));
    m_keySize = new QLabel(m_options);
    m_keySize->setObjectName(QString::fromLatin1(m_names.keySize));
    m_password = new QLineEdit(m_options);
    m_password->setObjectName(QString::fromLatin1(m_names.password));
    m_password->setEchoMode(QLineEdit::Password);
    m_confirm = new QLineEdit(m_options);
    m_confirm->setObjectName(QString::fromLatin1(m_names.confirm));
    m_confirm->setEchoMode(QLineEdit::Password);
    grid->addWidget(m_cipherLabel, 0, 0);
    grid->addWidget(m_cipher, 0, 1);
    grid->addWidget(m_hashLabel, 1, 0);
    grid->addWidget(m_hash, 1, 1);
    grid->addWidget(m_keySizeCaption, 2, 0);
    grid->addWidget(m_keySize, 2, 1);
    grid->addWidget(m_passwordLabel, 0, 2);
    grid->addWidget(m_password, 0, 3);
    grid->addWidget(m_confirmLabel, 1, 2);
    grid->addWidget(m_confirm, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    layout->addWidget(m_options);
    connect(m_cipher, &QComboBox::currentIndexChanged, this, [this] {
        UpdateKeySize();
        UpdateButtons();
    });
    connect(m_hash, &QComboBox::currentIndexChanged, this, [this] {
        UpdateKeySize();
        UpdateButtons();
    });
    connect(m_password, &QLineEdit::textChanged, this, &TCustomModule::UpdateButtons);
    connect(m_confirm, &QLineEdit::textChanged, this, &TCustomModule::UpdateButtons);

    auto* bottom = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setVisible(false);
    bottom->addWidget(m_progress, 1);
    bottom->addStretch(0);
    m_browseMenu = new QMenu(this);
    m_browseMenu->setObjectName(QStringLiteral("mnuBrowse"));
    m_browseFiles = m_browseMenu->addAction(QString());
    m_browseFiles->setObjectName(QStringLiteral("mnuFiles"));
    m_browseFolders = m_browseMenu->addAction(QString());
    m_browseFolders->setObjectName(QStringLiteral("mnuFolders"));
    connect(m_browseFiles, &QAction::triggered, this, &TCustomModule::BrowseFiles);
    connect(m_browseFolders, &QAction::triggered, this, &TCustomModule::BrowseFolders);
    m_browse = new QToolButton(this);
    m_browse->setObjectName(QStringLiteral("btnBrowseFileFolder"));
    m_browse->setMenu(m_browseMenu);
    m_browse->setPopupMode(QToolButton::InstantPopup);
    m_action = new QPushButton(this);
    m_action->setObjectName(QString::fromLatin1(m_names.action));
    m_action->setProperty("accent", true);
    bottom->addWidget(m_browse);
    bottom->addWidget(m_action);
    layout->addLayout(bottom);
}

void TCustomModule::Retranslate()
{
    setWindowTitle(Text(m_names.titleKey));
    m_list->setHeaderLabels({Text("strFL_CAPTION502"), Text(m_names.folderColumnKey), Text("strFL_CAPTION505")});
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        const bool file = item->data(ColumnType, TypeRole).toString() == QStringLiteral("File");
        item->setText(ColumnType, Text(file ? "strFL_CAPTION506" : "strFL_CAPTION503"));
    }
    m_options->setTitle(Text("strQRZ_CAPTION518"));
    m_cipherLabel->setText(Text("strFH_CAPTION529"));
    m_hashLabel->setText(Text("strFH_CAPTION530"));
    m_keySizeCaption->setText(Text("strFL_CAPTION507"));
    m_passwordLabel->setText(Text("strFH_CAPTION531"));
    m_confirmLabel->setText(Text("strFH_CAPTION532"));
    m_browse->setText(Text("strFL_CAPTION510"));
    m_browseFiles->setText(Text("strFL_CAPTION511"));
    m_browseFolders->setText(Text("strFL_CAPTION512"));
    m_delete->setText(Text("strFL_CAPTION513"));
    m_action->setText(Text(m_names.actionKey));
    UpdateKeySize();
}

void TCustomModule::UpdateKeySize()
{
    const unsigned bits = EffectiveKeyBits(static_cast<std::size_t>(std::max(0, m_cipher->currentIndex())),
                                           static_cast<std::size_t>(std::max(0, m_hash->currentIndex())));
    m_keySize->setText(QString::number(bits) + Text("strFL_MESSAGE034"));
}

void TCustomModule::UpdateButtons()
{
    const QString password = m_password->text();
    m_action->setEnabled(!m_busy && !password.isEmpty() && password == m_confirm->text() &&
                         m_cipher->currentIndex() >= 0 && m_hash->currentIndex() >= 0 &&
                         m_list->topLevelItemCount() > 0);
}

void TCustomModule::SetBusy(bool busy)
{
    m_busy = busy;
    m_list->setEnabled(!busy);
    m_browse->setEnabled(!busy);
    m_options->setEnabled(!busy);
    m_delete->setEnabled(!busy && !m_list->selectedItems().isEmpty());
    UpdateButtons();
}

void TCustomModule::ResetOptions()
{
    m_cipher->setCurrentIndex(0);
    m_hash->setCurrentIndex(0);
    m_password->clear();
    m_confirm->clear();
}

void TCustomModule::ShowProgress(bool visible)
{
    m_progress->setVisible(visible);
}

void TCustomModule::Inform(const std::string& text)
{
    Box(text, platform::MessageIcon::Information);
}

void TCustomModule::Warn(const std::string& text)
{
    Box(text, platform::MessageIcon::Warning);
}

void TCustomModule::ShowError(const std::string& text)
{
    Box(text, platform::MessageIcon::Error);
}

std::string TCustomModule::Password() const
{
    return m_password->text().toStdString();
}

TLockRow TCustomModule::RowOf(const QTreeWidgetItem* item) const
{
    return {item->text(ColumnName).toStdString(),
            item->text(ColumnFolder).toStdString(),
            item->data(ColumnType, TypeRole).toString().toStdString(),
            item->checkState(ColumnName) == Qt::Checked};
}

std::vector<TLockRow> TCustomModule::Rows() const
{
    std::vector<TLockRow> rows;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        rows.push_back(RowOf(m_list->topLevelItem(i)));
    return rows;
}

int TCustomModule::FileRowCount() const
{
    int count = 0;
    for (const TLockRow& row : Rows())
        count += row.type == "File" ? 1 : 0;
    return count;
}

bool TCustomModule::HasFolderRows() const
{
    for (const TLockRow& row : Rows())
        if (row.type == "Folder")
            return true;
    return false;
}

int TCustomModule::CollectedFileCount() const
{
    std::vector<std::string> targets;
    for (const TLockRow& row : Rows())
        if (row.type == "Folder")
            CollectLockTargets(RowPath(row), m_mode, targets);
    return static_cast<int>(targets.size());
}

void TCustomModule::AddRow(const TLockRow& row)
{
    const bool file = row.type == "File";
    auto* item = new QTreeWidgetItem(m_list,
                                     {QString::fromStdString(row.caption),
                                      QString::fromStdString(row.folder),
                                      Text(file ? "strFL_CAPTION506" : "strFL_CAPTION503")});
    item->setData(ColumnType, TypeRole, QString::fromStdString(row.type));
    item->setCheckState(ColumnName, Qt::Checked);
    UpdateButtons();
}

bool TCustomModule::AddFile(const std::string& path)
{
    TLockRow row;
    if (!AcceptsFile(path, Rows(), m_mode, row))
        return false;
    AddRow(row);
    return true;
}

bool TCustomModule::AddFolder(const std::string& folder)
{
    const std::string path = folder.ends_with('\\') ? folder.substr(0, folder.size() - 1) : folder;
    if (path.find('\\') == std::string::npos)
        return false; // a drive root has no parent folder to list it under
    const bool lock = m_mode == TLockMode::Lock;
    const TFolderCheck check = CheckFolder(path, Rows(), m_mode);
    switch (check.verdict) {
    case TFolderVerdict::SameName:
        Inform(core::Msg(lock ? "strFL_MESSAGE004" : "strFL_MESSAGE005"));
        return false;
    case TFolderVerdict::InsideRow:
        Inform(core::Msg("strFL_MESSAGE006") + path + core::Msg("strFL_MESSAGE007") + check.row +
               core::Msg("strFL_MESSAGE008"));
        return false;
    case TFolderVerdict::ContainsRow:
        Inform(core::Msg("strFL_MESSAGE009") + path + core::Msg("strFL_MESSAGE010") + check.row +
               core::Msg("strFL_MESSAGE011"));
        return false;
    case TFolderVerdict::NothingToFind:
        Inform(core::Msg(lock ? "strFL_MESSAGE012" : "strFL_MESSAGE013"));
        return false;
    case TFolderVerdict::Add:
        break;
    }
    AddRow(FolderRow(path));
    return true;
}

void TCustomModule::AddPaths(const std::vector<std::string>& paths)
{
    platform::FileSystem& files = platform::Machine::Current().Files();
    for (const std::string& path : paths) {
        if (files.DirectoryExists(path))
            AddFolder(path);
        else
            AddFile(path);
    }
}

void TCustomModule::BrowseFiles()
{
    platform::FileDialogRequest request;
    request.title = core::Msg(m_names.fileDialogKey);
    request.filter = "*.*|*.*";
    request.multiSelect = true;
    for (const std::string& path : platform::Dialogs().OpenFiles(request))
        AddFile(path);
}

void TCustomModule::BrowseFolders()
{
    if (const auto folder = platform::Dialogs().SelectFolder(core::Msg("strFL_CAPTION512"), {}))
        AddFolder(*folder);
}

void TCustomModule::DeleteSelected()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (m_busy || selected.isEmpty())
        return;
    if (platform::Dialogs().MessageBox({core::Msg("strFL_MESSAGE029"),
                                        core::Msg("strFL_MESSAGE_HEADER005"),
                                        platform::MessageIcon::Question,
                                        platform::MessageButtons::YesNo}) != platform::DialogResult::Yes)
        return;
    qDeleteAll(selected);
    UpdateButtons();
}

bool TCustomModule::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && m_list->topLevelItemCount() > 0) {
        DeleteSelected();
        return true;
    }
    if (watched == m_list->viewport() && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!m_busy && (drag->mimeData()->hasUrls() || drag->mimeData()->hasText())) {
            drag->acceptProposedAction();
            return true;
        }
    }
    if (watched == m_list->viewport() && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        platform::FileSystem& files = platform::Machine::Current().Files();
        std::vector<std::string> paths;
        // Shell drops carry host files (converted to the machine's drive Z:), text drops a
        // path per line in either form.
        if (drop->mimeData()->hasUrls()) {
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile())
                    paths.push_back(files.FromUserPath(url.toLocalFile().toStdString()));
        } else {
            for (const QString& line : drop->mimeData()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                if (const QString trimmed = line.trimmed(); !trimmed.isEmpty())
                    paths.push_back(files.FromUserPath(trimmed.toStdString()));
        }
        AddPaths(paths);
        drop->acceptProposedAction();
        return true;
    }
    return TFloatingForm::eventFilter(watched, event);
}

void TCustomModule::StartPhase(bool folders, int total, int startCount)
{
    m_runItems.clear();
    std::vector<TLockRow> rows;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        m_runItems.push_back(m_list->topLevelItem(i));
        rows.push_back(RowOf(m_list->topLevelItem(i)));
    }
    const std::size_t cipher = static_cast<std::size_t>(m_cipher->currentIndex());
    const std::size_t hash = static_cast<std::size_t>(m_hash->currentIndex());
    if (folders)
        m_job = std::make_unique<TFolderEncDec>(std::move(rows), total, startCount, cipher, hash, m_mode, Password());
    else
        m_job = std::make_unique<TFilesEncDec>(std::move(rows), total, startCount, cipher, hash, m_mode, Password());
    m_jobFolders = folders;
    const int run = ++m_runNumber;
    // These run on the worker's thread or inside its Synchronize calls: they copy the values
    // into the queued signals and touch nothing else.
    m_job->OnProgress = [this, run](int percent) { emit WorkerProgress(run, percent); };
    m_job->OnRowTicked = [this, run](std::size_t row, bool ticked) {
        emit WorkerRowTicked(run, static_cast<int>(row), ticked);
    };
    m_job->OnFileDone = [this, run](const std::string& path, const TLockResult& result) {
        emit WorkerFileDone(run, QString::fromStdString(path), static_cast<int>(result.outcome));
    };
    m_job->OnTerminate = [this, run] { emit WorkerEnded(run); };
    m_job->Resume();
}

void TCustomModule::OnWorkerProgress(int run, int percent)
{
    if (run == m_runNumber && m_job)
        m_progress->setValue(percent);
}

void TCustomModule::OnWorkerRowTicked(int run, int row, bool ticked)
{
    if (run != m_runNumber || !m_job || row < 0 || row >= static_cast<int>(m_runItems.size()))
        return;
    m_runItems[static_cast<std::size_t>(row)]->setCheckState(ColumnName, ticked ? Qt::Checked : Qt::Unchecked);
}

QTreeWidgetItem* TCustomModule::ItemForFile(const QString& path, bool folders) const
{
    const std::string file = path.toStdString();
    for (QTreeWidgetItem* item : m_runItems) {
        const TLockRow row = RowOf(item);
        if (folders && row.type == "Folder" && platform::StartsWithNoCase(file, RowPath(row) + "\\"))
            return item;
        if (!folders && row.type == "File" && platform::EqualsNoCase(file, RowPath(row)))
            return item;
    }
    return nullptr;
}

void TCustomModule::FileDone(QTreeWidgetItem*, TLockOutcome) {}

void TCustomModule::OnWorkerFileDone(int run, const QString& path, int outcome)
{
    if (run == m_runNumber && m_job)
        FileDone(ItemForFile(path, m_jobFolders), static_cast<TLockOutcome>(outcome));
}

void TCustomModule::OnWorkerEnded(int run)
{
    if (run != m_runNumber || !m_job)
        return;
    // The worker has returned from Execute: its counters are final.
    m_job->WaitFor();
    const TLockRunState state = m_job->State();
    const bool folders = m_jobFolders;
    m_job.reset();
    PhaseEnded(folders, state);
}

} // namespace lumexa::filesecurity::ui
