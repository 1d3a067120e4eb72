#include "core/ui/MachineFileDialog.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/ui/Style.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace lumexa::core::ui {

namespace {
constexpr int PathRole = Qt::UserRole;
constexpr int FolderRole = Qt::UserRole + 1;

QString ToQ(const std::string& text)
{
    return QString::fromStdString(text);
}

platform::FileSystem& Files()
{
    return platform::Machine::Current().Files();
}
} // namespace

TMachineFileDialog::TMachineFileDialog(TFileDialogMode mode,
                                       const platform::FileDialogRequest& request,
                                       QWidget* parent)
    : QDialog(parent)
    , m_mode(mode)
    , m_request(request)
    , m_filters(ParseFileFilter(request.filter))
{
    setObjectName(QStringLiteral("TFormFileDialog"));
    BuildWidgets();
    Retranslate();
    FillDrives();
    std::string start = request.initialFolder;
    if (start.empty() || !Files().DirectoryExists(start))
        start = Files().CurrentDirectory();
    if (!SetCurrentFolder(start) && m_tree->topLevelItemCount() > 0)
        OnFolderChosen(m_tree->topLevelItem(0));
    if (!request.proposedName.empty())
        m_name->setText(ToQ(request.proposedName));
}

void TMachineFileDialog::BuildWidgets()
{
    resize(720, 460);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    m_folderLabel = new QLabel(this);
    m_folderLabel->setObjectName(QStringLiteral("lblFolder"));
    m_up = new QPushButton(this);
    m_up->setObjectName(QStringLiteral("btnUp"));
    m_up->setIcon(SvgIcon(QStringLiteral("up"), 16));
    top->addWidget(m_folderLabel, 1);
    top->addWidget(m_up);
    layout->addLayout(top);

    auto* splitter = new QSplitter(this);
    m_tree = new QTreeWidget(splitter);
    m_tree->setObjectName(QStringLiteral("tvFolders"));
    m_tree->setColumnCount(1);
    m_list = new QListWidget(splitter);
    m_list->setObjectName(QStringLiteral("lstFiles"));
    m_list->setSelectionMode(m_request.multiSelect ? QAbstractItemView::ExtendedSelection
                                                   : QAbstractItemView::SingleSelection);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    auto* grid = new QHBoxLayout;
    m_nameLabel = new QLabel(this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edtFileName"));
    m_filterLabel = new QLabel(this);
    m_filter = new QComboBox(this);
    m_filter->setObjectName(QStringLiteral("cbxFilter"));
    for (const TFileFilter& filter : m_filters)
        m_filter->addItem(ToQ(filter.description.empty() ? "*.*" : filter.description));
    grid->addWidget(m_nameLabel);
    grid->addWidget(m_name, 2);
    grid->addWidget(m_filterLabel);
    grid->addWidget(m_filter, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("btnOk"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    const bool folderMode = m_mode == TFileDialogMode::Folder;
    m_list->setVisible(!folderMode);
    m_nameLabel->setVisible(!folderMode);
    m_name->setVisible(!folderMode);
    m_filterLabel->setVisible(!folderMode);
    m_filter->setVisible(!folderMode);

    connect(m_tree, &QTreeWidget::itemExpanded, this, &TMachineFileDialog::FillChildren);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            OnFolderChosen(item);
    });
    connect(m_list, &QListWidget::itemActivated, this, &TMachineFileDialog::OnFileActivated);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &TMachineFileDialog::OnSelectionChanged);
    connect(m_filter, &QComboBox::currentIndexChanged, this, [this] { ListFiles(); });
    connect(m_up, &QPushButton::clicked, this, &TMachineFileDialog::GoUp);
    connect(m_ok, &QPushButton::clicked, this, &TMachineFileDialog::TryAccept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TMachineFileDialog::Retranslate()
{
    QString title = ToQ(m_request.title);
    if (title.isEmpty()) {
        switch (m_mode) {
        case TFileDialogMode::Open:
            title = ToQ(Msg("strLX_CAPTION501"));
            break;
        case TFileDialogMode::Save:
            title = ToQ(Msg("strLX_CAPTION923"));
            break;
        case TFileDialogMode::Folder:
            title = ToQ(Msg("strLX_CAPTION926"));
            break;
        }
    }
    setWindowTitle(title);
    m_tree->setHeaderLabels({ToQ(Msg("strLX_CAPTION927"))});
    m_nameLabel->setText(ToQ(Msg("strLX_CAPTION924")));
    m_filterLabel->setText(ToQ(Msg("strLX_CAPTION925")));
    m_up->setToolTip(ToQ(Msg("strLX_CAPTION926")));
    m_ok->setText(ToQ(Msg(m_mode == TFileDialogMode::Save ? "strLX_CAPTION923" : "strLX_CAPTION919")));
    m_cancel->setText(ToQ(Msg("strLX_CAPTION920")));
}

void TMachineFileDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

void TMachineFileDialog::FillDrives()
{
    for (const std::string& root : Files().GetLogicalDriveStrings()) {
        auto* item = new QTreeWidgetItem(m_tree, {ToQ(root)});
        item->setIcon(0, SvgIcon(QStringLiteral("drive"), 16));
        item->setData(0, PathRole, ToQ(root));
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
}

void TMachineFileDialog::FillChildren(QTreeWidgetItem* item)
{
    if (item->data(0, FolderRole).toBool())
        return; // filled already
    item->setData(0, FolderRole, true);
    const std::string path = item->data(0, PathRole).toString().toStdString();
    for (const TFolderEntry& entry : ListFolder(Files(), path, {}, false)) {
        auto* child = new QTreeWidgetItem(item, {ToQ(entry.name)});
        child->setIcon(0, SvgIcon(QStringLiteral("folder"), 16));
        child->setData(0, PathRole, ToQ(JoinPath(path, entry.name)));
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

bool TMachineFileDialog::SetCurrentFolder(const std::string& folder)
{
    const std::string full = Files().FullPath(folder);
    if (!Files().DirectoryExists(full))
        return false;
    std::vector<std::string> parts = platform::SplitAt(full, '\\');
    if (parts.empty())
        return false;
    QTreeWidgetItem* item = nullptr;
    const std::string root = parts.front() + "\\";
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        if (platform::EqualsNoCase(m_tree->topLevelItem(i)->data(0, PathRole).toString().toStdString(), root))
            item = m_tree->topLevelItem(i);
    for (std::size_t p = 1; item && p < parts.size(); ++p) {
        if (parts[p].empty())
            continue;
        FillChildren(item);
        item->setExpanded(true);
        QTreeWidgetItem* next = nullptr;
        for (int c = 0; c < item->childCount() && !next; ++c)
            if (platform::EqualsNoCase(item->child(c)->text(0).toStdString(), parts[p]))
                next = item->child(c);
        item = next;
    }
    if (!item)
        return false;
    m_tree->setCurrentItem(item);
    OnFolderChosen(item);
    return true;
}

void TMachineFileDialog::OnFolderChosen(QTreeWidgetItem* item)
{
    m_folder = item->data(0, PathRole).toString().toStdString();
    m_folderLabel->setText(ToQ(m_folder));
    ListFiles();
}

std::vector<std::string> TMachineFileDialog::CurrentMasks() const
{
    const int index = m_filter->currentIndex();
    if (index < 0 || index >= static_cast<int>(m_filters.size()))
        return {"*.*"};
    return m_filters[static_cast<std::size_t>(index)].masks;
}

void TMachineFileDialog::ListFiles()
{
    m_list->clear();
    if (m_mode == TFileDialogMode::Folder || m_folder.empty())
        return;
    for (const TFolderEntry& entry : ListFolder(Files(), m_folder, CurrentMasks(), true)) {
        auto* item = new QListWidgetItem(
            SvgIcon(entry.folder ? QStringLiteral("folder") : QStringLiteral("file"), 16), ToQ(entry.name), m_list);
        item->setData(PathRole, ToQ(JoinPath(m_folder, entry.name)));
        item->setData(FolderRole, entry.folder);
    }
}

void TMachineFileDialog::OnFileActivated(QListWidgetItem* item)
{
    if (item->data(FolderRole).toBool()) {
        SetCurrentFolder(item->data(PathRole).toString().toStdString());
        return;
    }
    m_list->setCurrentItem(item);
    TryAccept();
}

void TMachineFileDialog::OnSelectionChanged()
{
    QStringList names;
    for (const QListWidgetItem* item : m_list->selectedItems())
        if (!item->data(FolderRole).toBool())
            names << item->text();
    if (names.size() == 1)
        m_name->setText(names.front());
    else if (names.size() > 1)
        m_name->setText(QStringLiteral("\"") + names.join(QStringLiteral("\" \"")) + QStringLiteral("\""));
}

void TMachineFileDialog::GoUp()
{
    std::string folder = m_folder;
    if (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    const std::size_t slash = folder.rfind('\\');
    if (folder.size() <= 3 || slash == std::string::npos)
        return; // a drive root has no parent
    SetCurrentFolder(slash <= 2 ? folder.substr(0, 3) : folder.substr(0, slash));
}

std::string TMachineFileDialog::ResolveTypedName(const std::string& typed) const
{
    if (typed.size() >= 2 && typed[1] == ':')
        return Files().FullPath(typed);
    if (!typed.empty() && typed.front() == '/')
        return Files().FromUserPath(typed);
    return Files().FullPath(JoinPath(m_folder, typed));
}

void TMachineFileDialog::TryAccept()
{
    m_selected.clear();
    if (m_mode == TFileDialogMode::Folder) {
        if (!m_folder.empty()) {
            m_selected.push_back(m_folder);
            accept();
        }
        return;
    }
    std::vector<std::string> chosen;
    for (const QListWidgetItem* item : m_list->selectedItems())
        if (!item->data(FolderRole).toBool())
            chosen.push_back(item->data(PathRole).toString().toStdString());
    const std::string typed = platform::Trim(m_name->text().toStdString());
    if (chosen.size() <= 1 && !typed.empty() && typed.front() != '"') {
        std::string path = ResolveTypedName(typed);
        if (Files().DirectoryExists(path)) {
            SetCurrentFolder(path);
            m_name->clear();
            return;
        }
        if (m_mode == TFileDialogMode::Save && typed.find('.') == std::string::npos) {
            const std::vector<std::string> masks = CurrentMasks();
            if (!masks.empty() && masks.front().rfind("*.", 0) == 0 &&
                masks.front().find_first_of("*?", 2) == std::string::npos)
                path += masks.front().substr(1);
        }
        chosen = {path};
    }
    if (chosen.empty())
        return;
    if (m_mode == TFileDialogMode::Open && m_request.mustExist)
        for (const std::string& path : chosen)
            if (!Files().FileExists(path))
                return;
    m_selected = std::move(chosen);
    accept();
}

} // namespace lumexa::core::ui
