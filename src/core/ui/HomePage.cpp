#include "core/ui/HomePage.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/MessageTable.h"

namespace lumexa::core::ui {

namespace {
// Caption keys and object names of the summary values, in the order of SetSummaryValue.
constexpr std::array<std::pair<const char*, const char*>, SummaryValueCount> SummaryFields{{
    {"strLX_CAPTION534", "lblBrowsers"},
    {"strLX_CAPTION535", "lblWindows"},
    {"strLX_CAPTION517", "lblPlugins"},
    {"strLX_CAPTION545", "lblEmail"},
    {"strLX_CAPTION546", "lblObsoleteFiles"},
    {"strLX_CAPTION547", "lblDuplicateFiles"},
    {"strLX_CAPTION548", "lblBrokenShortcuts"},
    {"strLX_CAPTION549", "lblFilesShredder"},
}};
} // namespace

THomePage::THomePage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageHome"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(22, 16, 22, 20);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(10);

    m_summary = new QGroupBox(this);
    m_summary->setObjectName(QStringLiteral("grpSummary"));
    auto* summary = new QGridLayout(m_summary);
    summary->setHorizontalSpacing(18);
    summary->setVerticalSpacing(6);
    for (std::size_t i = 0; i < SummaryValueCount; ++i) {
        m_captions[i] = new QLabel(m_summary);
        m_captions[i]->setProperty("summaryCaption", true);
        m_values[i] = new QLabel(QStringLiteral("000000"), m_summary);
        m_values[i]->setObjectName(QString::fromLatin1(SummaryFields[i].second));
        m_values[i]->setProperty("summaryValue", true);
        const int row = static_cast<int>(i % 4) * 2;
        const int column = static_cast<int>(i / 4);
        summary->addWidget(m_captions[i], row, column);
        summary->addWidget(m_values[i], row + 1, column);
    }
    layout->addWidget(m_summary, 0, 0, 2, 1);

    m_lastErase = new QGroupBox(this);
    m_lastErase->setObjectName(QStringLiteral("grpLastErase"));
    auto* lastErase = new QVBoxLayout(m_lastErase);
    m_lastEraseDate = new QLabel(m_lastErase);
    m_lastEraseDate->setObjectName(QStringLiteral("lblLastEraseDate"));
    lastErase->addWidget(m_lastEraseDate);
    layout->addWidget(m_lastErase, 0, 1);

    m_liveUpdate = new QGroupBox(this);
    m_liveUpdate->setObjectName(QStringLiteral("grpLiveUpdate"));
    auto* liveUpdate = new QVBoxLayout(m_liveUpdate);
    m_runLiveUpdate = new QPushButton(m_liveUpdate);
    m_runLiveUpdate->setObjectName(QStringLiteral("btnLiveUpdate"));
    m_runLiveUpdate->setProperty("accent", true);
    m_runLiveUpdate->setCursor(Qt::PointingHandCursor);
    liveUpdate->addWidget(m_runLiveUpdate, 0, Qt::AlignLeft);
    layout->addWidget(m_liveUpdate, 1, 1);

    m_tipBox = new QGroupBox(this);
    m_tipBox->setObjectName(QStringLiteral("grpTip"));
    auto* tip = new QVBoxLayout(m_tipBox);
    m_tip = new QLabel(m_tipBox);
    m_tip->setObjectName(QStringLiteral("lblTip"));
    m_tip->setWordWrap(true);
    m_tip->setMinimumHeight(48);
    m_tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tip->addWidget(m_tip);
    layout->addWidget(m_tipBox, 2, 0);

    m_links = new QGroupBox(this);
    m_links->setObjectName(QStringLiteral("grpSupportLinks"));
    auto* links = new QVBoxLayout(m_links);
    links->setSpacing(0);
    m_supportHome = AddLink(m_links, QStringLiteral("lnkSupportHome"));
    m_faq = AddLink(m_links, QStringLiteral("lnkFaq"));
    m_supportTicket = AddLink(m_links, QStringLiteral("lnkSupportTicket"));
    layout->addWidget(m_links, 2, 1);

    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);
    layout->setRowStretch(3, 1);

    connect(m_supportHome, &QPushButton::clicked, this, &THomePage::SupportHomeClicked);
    connect(m_faq, &QPushButton::clicked, this, &THomePage::FaqClicked);
    connect(m_supportTicket, &QPushButton::clicked, this, &THomePage::SupportTicketClicked);
    connect(m_runLiveUpdate, &QPushButton::clicked, this, &THomePage::LiveUpdateClicked);
    Retranslate();
}

QPushButton* THomePage::AddLink(QWidget* parent, const QString& objectName)
{
    auto* link = new QPushButton(parent);
    link->setObjectName(objectName);
    link->setProperty("link", true);
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    parent->layout()->addWidget(link);
    return link;
}

void THomePage::SetSummaryValue(std::size_t index, const QString& text)
{
    if (index < SummaryValueCount)
        m_values[index]->setText(text);
}

void THomePage::SetLastEraseDate(const QString& text)
{
    m_lastEraseDate->setText(text);
}

void THomePage::SetTip(const QString& text)
{
    m_tip->setText(text);
}

void THomePage::Retranslate()
{
    m_summary->setTitle(QString::fromStdString(Msg("strLX_CAPTION544")));
    for (std::size_t i = 0; i < SummaryValueCount; ++i)
        m_captions[i]->setText(QString::fromStdString(Msg(SummaryFields[i].first)));
    m_lastErase->setTitle(QString::fromStdString(Msg("strLX_CAPTION550")));
    m_tipBox->setTitle(QString::fromStdString(Msg("strLX_CAPTION551")));
    m_links->setTitle(QString::fromStdString(Msg("strLX_CAPTION552")));
    m_supportHome->setText(QString::fromStdString(Msg("strLX_CAPTION553")));
    m_faq->setText(QString::fromStdString(Msg("strLX_CAPTION554")));
    m_supportTicket->setText(QString::fromStdString(Msg("strLX_CAPTION506")));
    m_liveUpdate->setTitle(QString::fromStdString(Msg("strLX_CAPTION555")));
    m_runLiveUpdate->setText(QString::fromStdString(Msg("strLX_CAPTION556")));
}

void THomePage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

} // namespace lumexa::core::ui
