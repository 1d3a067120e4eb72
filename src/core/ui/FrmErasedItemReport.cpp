#include "core/ui/FrmErasedItemReport.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/RunReports.h"
#include "core/SecureDeleteHelpers.h"

namespace lumexa::core::ui {

TFrmErasedItemReport::TFrmErasedItemReport(const std::string& caption, std::uint8_t item, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmErasedItemReport"));
    // The row's own caption names what the report lists.
    setWindowTitle(QString::fromStdString(caption));
    resize(640, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstReport"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setColumnCount(3);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    layout->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    m_close->setDefault(true);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    for (const TReportRow& row : ReadItemReport(caption, item))
        new QTreeWidgetItem(m_list,
                            {QString::fromStdString(row.caption),
                             QString::fromStdString(row.path),
                             QString::fromStdString(FormatSize(row.size))});
    Retranslate();
}

void TFrmErasedItemReport::Retranslate()
{
    m_list->setHeaderLabels({QString::fromStdString(Msg("strLX_CAPTION593")),
                             QString::fromStdString(Msg("strLX_CAPTION596")),
                             QString::fromStdString(Msg("strLX_CAPTION573"))});
    m_close->setText(QString::fromStdString(Msg("strLX_CAPTION565")));
}

void TFrmErasedItemReport::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

} // namespace lumexa::core::ui
