#include "core/ui/FrmRepErasedFilesFolders.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/RunReports.h"
#include "core/SecureDeleteHelpers.h"
#include "core/ui/FrmSelectReportTime.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
// Caption keys and object names of the four lists, in the order of the item groups.
constexpr std::array<std::pair<const char*, const char*>, 4> ListFields{{
    {"strLX_CAPTION594", "lstBrowser"},
    {"strLX_CAPTION535", "lstWindows"},
    {"strLX_CAPTION517", "lstPlugins"},
    {"strLX_CAPTION595", "lstEmail"},
}};
// The record-count lines of the box shown after each report, in the same order.
constexpr std::array<const char*, 4> CountKeys{
    "strLX_MESSAGE512", "strLX_MESSAGE513", "strLX_MESSAGE514", "strLX_MESSAGE515"};

QDate ToQDate(platform::TDateTime value)
{
    const platform::DateTimeParts parts = platform::DecodeDateTime(value);
    return QDate(parts.year, parts.month, parts.day);
}

void Inform(const std::string& text)
{
    platform::Dialogs().MessageBox(
        {text, Msg("strLX_MESSAGE_HEADER500"), platform::MessageIcon::Information, platform::MessageButtons::Ok});
}
} // namespace

TFrmRepErasedFilesFolders::TFrmRepErasedFilesFolders(QWidget* parent)
    : TFloatingForm(parent)
{
    setObjectName(QStringLiteral("TFrmRepErasedFilesFolders"));
    BuildWidgets();
    SetPageMode(ViewReports);
}

void TFrmRepErasedFilesFolders::BuildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("lblCaption"));
    layout->addWidget(m_caption);

    auto* controls = new QHBoxLayout;
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("dtpReportDate"));
    m_date->setCalendarPopup(true);
    controls->addWidget(m_date);
    m_fileNameLabel = new QLabel(this);
    m_fileNameLabel->setObjectName(QStringLiteral("lblFileName"));
    m_fileName = new QLineEdit(this);
    m_fileName->setObjectName(QStringLiteral("edtFileName"));
    m_fileNameLabel->setBuddy(m_fileName);
    controls->addSpacing(12);
    controls->addWidget(m_fileNameLabel);
    controls->addWidget(m_fileName, 1);
    controls->addStretch(0);
    m_show = new QPushButton(this);
    m_show->setObjectName(QStringLiteral("btnShowReports"));
    m_show->setProperty("accent", true);
    controls->addWidget(m_show);
    layout->addLayout(controls);
    connect(m_show, &QPushButton::clicked, this, &TFrmRepErasedFilesFolders::ShowReports);
    connect(m_fileName, &QLineEdit::returnPressed, this, &TFrmRepErasedFilesFolders::ShowReports);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabReports"));
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        m_lists[i] = new QTreeWidget(m_tabs);
        m_lists[i]->setObjectName(QString::fromLatin1(ListFields[i].second));
        m_lists[i]->setRootIsDecorated(false);
        m_lists[i]->setUniformRowHeights(true);
        m_lists[i]->setColumnCount(3);
        m_lists[i]->header()->setStretchLastSection(false);
        m_lists[i]->header()->setSectionResizeMode(1, QHeaderView::Stretch);
        m_tabs->addTab(m_lists[i], QString());
    }
    layout->addWidget(m_tabs, 1);
}

void TFrmRepErasedFilesFolders::SetPageMode(int mode)
{
    TFloatingForm::SetPageMode(mode == SearchErasedFiles ? SearchErasedFiles : ViewReports);
    ClearLists();
    m_date->setDate(ToQDate(platform::Machine::Current().Clock().Now()));
    const bool search = PageMode() == SearchErasedFiles;
    m_fileNameLabel->setVisible(search);
    m_fileName->setVisible(search);
    Retranslate();
}

void TFrmRepErasedFilesFolders::ClearLists()
{
    for (QTreeWidget* list : m_lists)
        list->clear();
}

void TFrmRepErasedFilesFolders::ShowReports()
{
    ClearLists();
    const QDate chosen = m_date->date();
    const platform::TDateTime date = platform::EncodeDateTime(chosen.year(), chosen.month(), chosen.day()).value_or(0);
    const std::vector<std::string> times = ListReportTimes(date);
    if (times.empty()) {
        Inform(Msg("strLX_MESSAGE511"));
        return;
    }
    std::vector<std::string> used;
    if (PageMode() == ViewReports) {
        const std::optional<std::string> time = TFrmSelectReportTime::Choose(times, this);
        if (!time)
            return;
        used.push_back(*time);
    } else {
        used = times;
    }
    const std::string search = PageMode() == SearchErasedFiles ? m_fileName->text().toStdString() : std::string();
    TReportLists lists;
    for (const std::string& time : used)
        (void)ReadRunReport(RunReportPath(date, time), search, lists);
    for (std::size_t i = 0; i < lists.size(); ++i)
        for (const TReportRow& row : lists[i])
            new QTreeWidgetItem(m_lists[i],
                                {QString::fromStdString(row.caption),
                                 QString::fromStdString(row.path),
                                 QString::fromStdString(FormatSize(row.size))});
    ShowCounts();
}

void TFrmRepErasedFilesFolders::ShowCounts()
{
    std::string text;
    int total = 0;
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        const int count = m_lists[i]->topLevelItemCount();
        total += count;
        text += std::to_string(count) + Msg(CountKeys[i]) + "\n";
    }
    text += "\n" + std::to_string(total) + Msg("strLX_MESSAGE516");
    Inform(text);
}

void TFrmRepErasedFilesFolders::Retranslate()
{
    const bool search = PageMode() == SearchErasedFiles;
    const QString caption = QString::fromStdString(Msg(search ? "strLX_CAPTION542" : "strLX_CAPTION591"));
    setWindowTitle(caption);
    m_caption->setText(caption);
    m_show->setText(QString::fromStdString(Msg(search ? "strLX_CAPTION592" : "strLX_CAPTION590")));
    m_fileNameLabel->setText(QString::fromStdString(Msg("strLX_CAPTION593")));
    const QStringList headers{QString::fromStdString(Msg("strLX_CAPTION593")),
                              QString::fromStdString(Msg("strLX_CAPTION596")),
                              QString::fromStdString(Msg("strLX_CAPTION573"))};
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        m_lists[i]->setHeaderLabels(headers);
        m_tabs->setTabText(static_cast<int>(i), QString::fromStdString(Msg(ListFields[i].first)));
    }
}

} // namespace lumexa::core::ui
