#include "core/ui/FrmSelectReportTime.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "platform/Dialogs.h"

namespace lumexa::core::ui {

TFrmSelectReportTime::TFrmSelectReportTime(const std::vector<std::string>& times, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmSelectReportTime"));
    setMinimumWidth(300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    m_times = new QListWidget(this);
    m_times->setObjectName(QStringLiteral("lstTimes"));
    for (const std::string& time : times)
        m_times->addItem(QString::fromStdString(time));
    layout->addWidget(m_times, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_display = new QPushButton(this);
    m_display->setObjectName(QStringLiteral("btnDisplayReport"));
    m_display->setAutoDefault(false);
    buttons->addWidget(m_display);
    layout->addLayout(buttons);
    connect(m_display, &QPushButton::clicked, this, &TFrmSelectReportTime::DisplayReport);
    connect(m_times, &QListWidget::itemDoubleClicked, this, &TFrmSelectReportTime::DisplayReport);
    // Keys reach the focused child first; the dialog sees them all through this filter.
    m_times->installEventFilter(this);
    m_display->installEventFilter(this);
    Retranslate();
}

std::optional<std::string> TFrmSelectReportTime::Choose(const std::vector<std::string>& times, QWidget* parent)
{
    TFrmSelectReportTime dialog(times, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Chosen();
}

void TFrmSelectReportTime::DisplayReport()
{
    const QListWidgetItem* selected = m_times->currentItem();
    if (!selected || !selected->isSelected()) {
        platform::Dialogs().MessageBox({Msg("strLX_MESSAGE517"),
                                        Msg("strLX_MESSAGE_HEADER500"),
                                        platform::MessageIcon::Information,
                                        platform::MessageButtons::Ok});
        return;
    }
    m_chosen = selected->text().toStdString();
    accept();
}

bool TFrmSelectReportTime::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmSelectReportTime::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    reject();
}

void TFrmSelectReportTime::Retranslate()
{
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION597")));
    m_display->setText(QString::fromStdString(Msg("strLX_CAPTION598")));
}

void TFrmSelectReportTime::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

} // namespace lumexa::core::ui
