#include "core/ui/FrmRepEraseSummary.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/EraseSummary.h"
#include "core/Helpers.h"
#include "core/MessageTable.h"
#include "core/SecureDeleteHelpers.h"
#include "platform/Clock.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
// Caption keys and object names of the values: four track totals, four disk-cleaner totals
// and the files protected.
constexpr std::array<std::pair<const char*, const char*>, 9> ValueFields{{
    {"strLX_CAPTION534", "lblStatBrowsers"},
    {"strLX_CAPTION535", "lblStatWindows"},
    {"strLX_CAPTION517", "lblStatPlugins"},
    {"strLX_CAPTION585", "lblStatMailAndNews"},
    {"strLX_CAPTION546", "lblStatObsoleteFiles"},
    {"strLX_CAPTION547", "lblStatDuplicateFiles"},
    {"strLX_CAPTION548", "lblStatBrokenShortcuts"},
    {"strLX_CAPTION549", "lblStatFilesShredder"},
    {"strLX_CAPTION588", "lblStatFilesProtected"},
}};
constexpr std::array<const char*, 4> GroupKeys{
    "strLX_CAPTION584", "strLX_CAPTION586", "strLX_CAPTION587", "strLX_CAPTION550"};

// A counter an older build let wrap past 2,147,483,647 is negative in the file; as a byte
// count it is the 32-bit total it wrapped from.
std::uint64_t ByteTotal(std::int64_t counter)
{
    if (counter < 0 && counter >= INT32_MIN)
        return static_cast<std::uint32_t>(counter);
    return counter < 0 ? 0 : static_cast<std::uint64_t>(counter);
}
} // namespace

TFrmRepEraseSummary::TFrmRepEraseSummary(QWidget* parent)
    : TFloatingForm(parent)
{
    setObjectName(QStringLiteral("TFrmRepEraseSummary"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 16, 22, 16);
    layout->setSpacing(12);
    m_groups[0] = AddGroup("grpTracksSummary", 0, 4);
    m_groups[1] = AddGroup("grpDiskSummary", 4, 4);
    m_groups[2] = AddGroup("grpProtectionSummary", 8, 1);
    m_groups[3] = new QGroupBox(this);
    m_groups[3]->setObjectName(QStringLiteral("grpStatLastErase"));
    auto* lastErase = new QVBoxLayout(m_groups[3]);
    m_lastEraseDate = new QLabel(m_groups[3]);
    m_lastEraseDate->setObjectName(QStringLiteral("lblStatLastEraseDate"));
    lastErase->addWidget(m_lastEraseDate);
    for (QGroupBox* group : m_groups)
        layout->addWidget(group);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_reset = new QPushButton(this);
    m_reset->setObjectName(QStringLiteral("btnReset"));
    buttons->addWidget(m_reset);
    layout->addLayout(buttons);
    connect(m_reset, &QPushButton::clicked, this, &TFrmRepEraseSummary::Reset);
    Retranslate();
}

QGroupBox* TFrmRepEraseSummary::AddGroup(const char* objectName, std::size_t first, std::size_t count)
{
    auto* group = new QGroupBox(this);
    group->setObjectName(QString::fromLatin1(objectName));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(18);
    grid->setColumnStretch(1, 1);
    for (std::size_t i = first; i < first + count; ++i) {
        m_captions[i] = new QLabel(group);
        m_captions[i]->setProperty("summaryCaption", true);
        m_values[i] = new QLabel(group);
        m_values[i]->setObjectName(QString::fromLatin1(ValueFields[i].second));
        m_values[i]->setProperty("summaryValue", true);
        const int row = static_cast<int>(i - first);
        grid->addWidget(m_captions[i], row, 0);
        grid->addWidget(m_values[i], row, 1);
    }
    return group;
}

void TFrmRepEraseSummary::PageShown()
{
    Refresh();
}

void TFrmRepEraseSummary::Refresh()
{
    const TEraseSummary summary;
    const std::array<std::int64_t, ValueCount> values{summary.Total[GroupInternet],
                                                      summary.Total[GroupWindows],
                                                      summary.Total[GroupPlugins],
                                                      summary.Total[GroupEMail],
                                                      summary.ObsoleteCleaner,
                                                      summary.DuplicateCleaner,
                                                      summary.BSCleaner,
                                                      summary.FShredder,
                                                      summary.FLock};
    for (std::size_t i = 0; i < ValueCount; ++i) {
        const std::string text = i < 4 ? FormatSize(ByteTotal(values[i])) : FormatByteCount("%d", values[i]);
        m_values[i]->setText(QString::fromStdString(text));
    }
    const std::string date = summary.LastEraseDate == 0
                                 ? std::string("-----")
                                 : platform::FormatDateTime("dddd, mmmm dd, yyyy",
                                                            summary.LastEraseDate,
                                                            platform::Machine::Current().Clock().UserLocale());
    m_lastEraseDate->setText(QString::fromStdString(date));
}

void TFrmRepEraseSummary::Reset()
{
    (void)TEraseSummary::Reset();
    Refresh();
    emit StatisticsChanged();
}

void TFrmRepEraseSummary::Retranslate()
{
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION541")));
    for (std::size_t i = 0; i < m_groups.size(); ++i)
        m_groups[i]->setTitle(QString::fromStdString(Msg(GroupKeys[i])));
    for (std::size_t i = 0; i < ValueCount; ++i)
        m_captions[i]->setText(QString::fromStdString(Msg(ValueFields[i].first)));
    m_reset->setText(QString::fromStdString(Msg("strLX_CAPTION589")));
    // The size units follow the language.
    Refresh();
}

} // namespace lumexa::core::ui
