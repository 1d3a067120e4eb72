#include "cleaners/ui/FrmWindowsSettings.h"

#include <array>
#include <string_view>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/SettingsManager.h"

namespace lumexa::cleaners::ui {

namespace {
constexpr std::uint8_t FirstWindowsItem = 92;
constexpr std::uint8_t LastWindowsItem = 109;
constexpr std::uint8_t FirstOfficeItem = 110;
constexpr std::uint8_t LastOfficeItem = 114;

// The object name of each item's box, items 92..114 in order.
constexpr std::array<std::string_view, LastOfficeItem - FirstWindowsItem + 1> BoxNames{
    "chkWindowsTemp",
    "chkWindowsRecentDocs",
    "chkWindowsRunHistory",
    "chkWindowsSearchFiles",
    "chkWindowsSearchComputers",
    "chkWindowsRecycleBin",
    "chkWindowsLastLogin",
    "chkWindowsRASHistory",
    "chkWindowsNetworkCacheHistory",
    "chkWindowsTelnetHistory",
    "chkWindowsClipboard",
    "chkWindowsOpenSave",
    "chkWindowsScanDisk",
    "chkWindowsAppLogs",
    "chkWindowsRegBackup",
    "chkWindowsRegFragmentedFiles",
    "chkWindowsRegStreams",
    "chkWindowsSWAPFiles",
    "chkMicrosoftAccess",
    "chkMicrosoftExcel",
    "chkMicrosoftPPoint",
    "chkMicrosoftWord",
    "chkMicrosoftFrontPage",
};
// Two columns of boxes on the Windows tab.
constexpr int RowsPerColumn = 9;

QString Text(const char* key)
{
    return QString::fromStdString(core::Msg(key));
}
} // namespace

TFrmWindowsSettings::TFrmWindowsSettings(QWidget* parent)
    : TFloatingForm(parent)
{
    setObjectName(QStringLiteral("TFrmWindowsSettings"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabSettings"));
    m_tabs->addTab(AddTab(FirstWindowsItem, LastWindowsItem), QString());
    QWidget* office = AddTab(FirstOfficeItem, LastOfficeItem);
    m_officeVersions = new QLabel(office);
    m_officeVersions->setObjectName(QStringLiteral("lblOfficeVersions"));
    static_cast<QGridLayout*>(office->layout())->addWidget(m_officeVersions, RowsPerColumn + 1, 0, 1, 2);
    m_tabs->addTab(office, QString());
    layout->addWidget(m_tabs, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_selectAll = new QPushButton(this);
    m_selectAll->setObjectName(QStringLiteral("btnSelectAll"));
    m_removeAll = new QPushButton(this);
    m_removeAll->setObjectName(QStringLiteral("BtnRemoveAll"));
    buttons->addWidget(m_selectAll);
    buttons->addWidget(m_removeAll);
    layout->addLayout(buttons);
    connect(m_selectAll, &QPushButton::clicked, this, [this] { CheckActiveTab(true); });
    connect(m_removeAll, &QPushButton::clicked, this, [this] { CheckActiveTab(false); });
    Retranslate();
}

QWidget* TFrmWindowsSettings::AddTab(std::uint8_t first, std::uint8_t last)
{
    auto* tab = new QWidget(m_tabs);
    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setVerticalSpacing(6);
    for (int item = first; item <= last; ++item) {
        auto* box = new QCheckBox(tab);
        box->setObjectName(QString::fromLatin1(BoxNames[static_cast<std::size_t>(item - FirstWindowsItem)].data()));
        const int index = item - first;
        grid->addWidget(box, index % RowsPerColumn, index / RowsPerColumn);
        m_boxes.emplace_back(box, static_cast<std::uint8_t>(item));
    }
    grid->setRowStretch(RowsPerColumn, 1);
    return tab;
}

void TFrmWindowsSettings::PageShown()
{
    for (const auto& [box, item] : m_boxes)
        box->setChecked(core::TSettingsManager::ReadBool(item));
}

void TFrmWindowsSettings::PageLeft()
{
    for (const auto& [box, item] : m_boxes)
        (void)core::TSettingsManager::WriteBool(item, box->isChecked());
}

void TFrmWindowsSettings::CheckActiveTab(bool checked)
{
    const QWidget* active = m_tabs->currentWidget();
    for (const auto& [box, item] : m_boxes)
        if (box->parentWidget() == active)
            box->setChecked(checked);
}

void TFrmWindowsSettings::Retranslate()
{
    setWindowTitle(Text("strLX_CAPTION702"));
    m_tabs->setTabText(0, Text("strLX_CAPTION535"));
    m_tabs->setTabText(1, Text("strLX_CAPTION703"));
    // The boxes are captioned with the catalogue's item names, as the run's list shows them.
    for (const auto& [box, item] : m_boxes)
        box->setText(QString::fromStdString(core::TSettingsManager::GetItemName(item)));
    m_officeVersions->setText(Text("strLX_CAPTION727"));
    m_selectAll->setText(Text("strLX_CAPTION728"));
    m_removeAll->setText(Text("strLX_CAPTION729"));
}

} // namespace lumexa::cleaners::ui
