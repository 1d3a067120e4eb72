#include "core/ui/FrmTracksEraser.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/GeneralCleanerThread.h"
#include "core/MessageTable.h"
#include "core/RunReports.h"
#include "core/SecureDeleteHelpers.h"
#include "core/SettingsManager.h"
#include "core/ui/FrmErasedItemReport.h"
#include "platform/Dialogs.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
constexpr std::uint8_t LastRunItem = 21;
constexpr std::uint8_t CloseAfterEraseItem = 28;
// The run itself polls its cleaners every 10 ms; the page looks as often for the run's end.
constexpr int PollIntervalMs = 10;
constexpr int ItemRole = Qt::UserRole;

enum TColumn : int
{
    ColumnItem = 0,
    ColumnSize = 1,
    ColumnStatus = 2,
};

QString Text(const char* key)
{
    return QString::fromStdString(Msg(key));
}

void Inform(const std::string& text)
{
    platform::Dialogs().MessageBox(
        {text, Msg("strLX_MESSAGE_HEADER500"), platform::MessageIcon::Information, platform::MessageButtons::Ok});
}

bool AskYesNo(const std::string& text)
{
    return platform::Dialogs().MessageBox({text,
                                           Msg("strLX_MESSAGE_HEADER500"),
                                           platform::MessageIcon::Question,
                                           platform::MessageButtons::YesNo}) == platform::DialogResult::Yes;
}

QString SizeText(std::uint64_t bytes)
{
    return QString::fromStdString(FormatSize(bytes));
}
} // namespace

TFrmTracksEraser::TFrmTracksEraser(QWidget* parent)
    : TFloatingForm(parent)
{
    setObjectName(QStringLiteral("TFrmTracksEraser"));
    BuildWidgets();
    // Every run event takes this one queued hop, so rows change here, in the order raised.
    connect(this, &TFrmTracksEraser::RunEvent, this, &TFrmTracksEraser::OnRunEvent, Qt::QueuedConnection);
    m_poll = new QTimer(this);
    m_poll->setInterval(PollIntervalMs);
    connect(m_poll, &QTimer::timeout, this, &TFrmTracksEraser::Poll);
    SetIdle(true);
    Retranslate();
}

TFrmTracksEraser::~TFrmTracksEraser()
{
    if (m_run)
        m_run->Stop();
    // Each run's destructor waits for its threads, so no event handler outlives this window.
    m_run.reset();
    m_retired.clear();
}

void TFrmTracksEraser::BuildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstErase"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setColumnCount(3);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(ColumnItem, QHeaderView::Stretch);
    m_list->setColumnWidth(ColumnSize, 120);
    m_list->setColumnWidth(ColumnStatus, 120);
    layout->addWidget(m_list, 1);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) { OpenItemReport(row); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_startMenu = new QMenu(this);
    m_startMenu->setObjectName(QStringLiteral("mnuStart"));
    m_erase = m_startMenu->addAction(QString());
    m_erase->setObjectName(QStringLiteral("mnuErase"));
    m_analyze = m_startMenu->addAction(QString());
    m_analyze->setObjectName(QStringLiteral("mnuAnalyze"));
    connect(m_erase, &QAction::triggered, this, &TFrmTracksEraser::Erase);
    connect(m_analyze, &QAction::triggered, this, &TFrmTracksEraser::Analyze);
    // Push buttons, like the other pages' commands; "Start" opens its menu when pressed.
    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("btnStart"));
    m_start->setProperty("accent", true);
    m_start->setMenu(m_startMenu);
    m_stop = new QPushButton(this);
    m_stop->setObjectName(QStringLiteral("btnStop"));
    connect(m_stop, &QPushButton::clicked, this, &TFrmTracksEraser::Stop);
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    layout->addLayout(buttons);
}

void TFrmTracksEraser::Retranslate()
{
    setWindowTitle(Text("strLX_CAPTION508"));
    m_list->setHeaderLabels({Text("strLX_CAPTION572"), Text("strLX_CAPTION573"), Text("strLX_CAPTION574")});
    m_start->setText(Text("strLX_CAPTION575"));
    m_erase->setText(Text("strLX_CAPTION576"));
    m_analyze->setText(Text("strLX_CAPTION577"));
    m_stop->setText(Text("strLX_CAPTION578"));
}

void TFrmTracksEraser::PageShown()
{
    RebuildList();
}

void TFrmTracksEraser::PageLeft()
{
    emit StatisticsChanged();
}

bool TFrmTracksEraser::CanLeavePage()
{
    if (!Running())
        return true;
    // Yes stops the run, yet this attempt is refused: the page is idle for the next one.
    if (AskYesNo(Msg("strLX_MESSAGE510")))
        Stop();
    return false;
}

void TFrmTracksEraser::RebuildList()
{
    m_currentRow = nullptr;
    m_list->clear();
    const QString notApplicable = Text("strLX_CAPTION579");
    const QString pending = Text("strLX_CAPTION580");
    for (const TEraseListRow& entry : BuildEraseList()) {
        auto* row = new QTreeWidgetItem(m_list, {QString::fromStdString(entry.caption), notApplicable, pending});
        row->setData(ColumnItem, ItemRole, entry.item);
    }
    if (m_list->topLevelItemCount() == 0)
        Inform(Msg("strLX_MESSAGE502"));
}

void TFrmTracksEraser::Erase()
{
    StartRun(false);
}

void TFrmTracksEraser::Analyze()
{
    StartRun(true);
}

void TFrmTracksEraser::StartRun(bool analysis)
{
    if (Running())
        return;
    if (m_list->topLevelItemCount() == 0) {
        Inform(Msg(analysis ? "strLX_MESSAGE504" : "strLX_MESSAGE503"));
        return;
    }
    Inform(Msg("strLX_MESSAGE505") + "\n" + Msg("strLX_MESSAGE506"));
    SetIdle(false);
    RebuildList();
    m_run = std::make_unique<TGeneralCleannerThread>(true, analysis);
    WireRun(*m_run, ++m_runNumber);
    m_run->Resume();
    m_poll->start();
}

void TFrmTracksEraser::WireRun(TGeneralCleannerThread& run, int number)
{
    // These run on the cleaner's thread: they copy the values into the queued signal and
    // touch nothing else.
    run.OnItemStarted = [this, number](std::uint8_t item) {
        emit RunEvent(number, EventItemStarted, item, QString(), 0);
    };
    run.OnItemFinished = [this, number](std::uint8_t item) {
        emit RunEvent(number, EventItemFinished, item, QString(), 0);
    };
    run.OnPluginStarted = [this, number](const std::string& name) {
        emit RunEvent(number, EventPluginStarted, PluginItem, QString::fromStdString(name), 0);
    };
    run.OnPluginFinished = [this, number](const std::string& name) {
        emit RunEvent(number, EventPluginFinished, PluginItem, QString::fromStdString(name), 0);
    };
    run.OnProgress = [this, number](std::uint8_t item, std::uint64_t total) {
        emit RunEvent(number, EventProgress, item, QString(), total);
    };
}

void TFrmTracksEraser::OnRunEvent(int run, int kind, int item, const QString& name, quint64 total)
{
    // A stopped run's cleaner may go on reporting; only the run on show changes rows.
    if (!m_run || run != m_runNumber)
        return;
    switch (kind) {
    case EventItemStarted:
        StartRow(FirstRowOf(static_cast<std::uint8_t>(item)));
        break;
    case EventPluginStarted:
        StartRow(PluginRow(name));
        break;
    case EventItemFinished:
    case EventPluginFinished:
        if (m_currentRow)
            m_currentRow->setText(ColumnStatus, Text("strLX_CAPTION582"));
        break;
    case EventProgress:
        if (m_currentRow)
            m_currentRow->setText(ColumnSize, SizeText(total));
        break;
    default:
        break;
    }
}

void TFrmTracksEraser::StartRow(QTreeWidgetItem* row)
{
    // An item with no row of its own leaves the current row as it was.
    if (!row)
        return;
    m_currentRow = row;
    row->setText(ColumnSize, SizeText(0));
    row->setText(ColumnStatus, Text("strLX_CAPTION581"));
}

QTreeWidgetItem* TFrmTracksEraser::FirstRowOf(std::uint8_t item) const
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* row = m_list->topLevelItem(i); row->data(ColumnItem, ItemRole).toInt() == item)
            return row;
    return nullptr;
}

QTreeWidgetItem* TFrmTracksEraser::PluginRow(const QString& name) const
{
    const QString caption = QString::fromStdString(PluginRowCaption(name.toStdString())).toUpper();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (row->data(ColumnItem, ItemRole).toInt() == PluginItem && row->text(ColumnItem).toUpper() == caption)
            return row;
    }
    return nullptr;
}

void TFrmTracksEraser::Poll()
{
    // Stopped runs go once their cleaner has finished; their destructors then wait for nothing.
    std::erase_if(m_retired, [](const auto& run) { return run->Finished(); });
    if (m_run && m_run->Terminated()) {
        // The run sets Terminated after its cleaners' last events were posted; this posts
        // behind them, so the rows are complete when the page goes idle.
        QMetaObject::invokeMethod(
            this, [this, number = m_runNumber] { FinishRun(number); }, Qt::QueuedConnection);
        m_poll->stop();
    }
    if (!m_run && m_retired.empty())
        m_poll->stop();
}

void TFrmTracksEraser::FinishRun(int run)
{
    if (!m_run || run != m_runNumber)
        return;
    const bool analysis = m_run->Analysis();
    m_run.reset();
    m_currentRow = nullptr;
    ReturnToIdle(analysis);
    if (!m_retired.empty())
        m_poll->start();
}

void TFrmTracksEraser::Stop()
{
    if (!m_run)
        return;
    // The cleaner still running may report for a while: the run object stays alive until it
    // has finished, and its events no longer reach the rows.
    m_run->Stop();
    const bool analysis = m_run->Analysis();
    m_retired.push_back(std::move(m_run));
    m_currentRow = nullptr;
    m_poll->start();
    ReturnToIdle(analysis);
}

void TFrmTracksEraser::ReturnToIdle(bool analysis)
{
    (void)TSettingsManager::WriteDate(LastRunItem, platform::Machine::Current().Clock().Now());
    SetIdle(true);
    if (!analysis && RestartWanted() && AskYesNo(Msg("strLX_MESSAGE507"))) {
        Inform(Msg("strLX_MESSAGE508"));
        RestartWindows();
    }
    // Closing comes last: the restart question above still belongs to this run.
    if (!analysis && TSettingsManager::ReadBool(CloseAfterEraseItem))
        emit CloseProgramRequested();
    emit RunEnded();
}

void TFrmTracksEraser::SetIdle(bool idle)
{
    m_start->setEnabled(idle);
    m_erase->setEnabled(idle);
    m_analyze->setEnabled(idle);
    m_stop->setEnabled(!idle);
}

void TFrmTracksEraser::OpenItemReport(QTreeWidgetItem* row)
{
    if (!row)
        return;
    if (row->text(ColumnSize) == Text("strLX_CAPTION579")) {
        Inform(Msg("strLX_MESSAGE509"));
        return;
    }
    TFrmErasedItemReport report(
        row->text(ColumnItem).toStdString(), static_cast<std::uint8_t>(row->data(ColumnItem, ItemRole).toInt()), this);
    report.exec();
}

} // namespace lumexa::core::ui
