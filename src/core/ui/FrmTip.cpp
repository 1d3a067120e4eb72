#include "core/ui/FrmTip.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/SettingsManager.h"
#include "core/ui/Style.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
constexpr std::uint8_t ShowTipsItem = 29;
}

TFrmTip::TFrmTip(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmTip"));
    setMinimumSize(460, 240);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(SvgPixmap(QStringLiteral("logo"), 40, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* texts = new QVBoxLayout;
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("lblTipHeader"));
    m_tip = new QLabel(this);
    m_tip->setObjectName(QStringLiteral("lblTip"));
    m_tip->setWordWrap(true);
    m_tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    texts->addWidget(m_header);
    texts->addWidget(m_tip, 1);
    top->addLayout(texts, 1);
    layout->addLayout(top, 1);

    auto* bottom = new QHBoxLayout;
    m_showOnStartup = new QCheckBox(this);
    m_showOnStartup->setObjectName(QStringLiteral("chkShowTips"));
    m_showOnStartup->setChecked(TSettingsManager::ReadBool(ShowTipsItem));
    m_next = new QPushButton(this);
    m_next->setObjectName(QStringLiteral("btnNextTip"));
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    m_close->setDefault(true);
    bottom->addWidget(m_showOnStartup);
    bottom->addStretch(1);
    bottom->addWidget(m_next);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    connect(m_showOnStartup, &QCheckBox::toggled, this, [](bool checked) {
        (void)TSettingsManager::WriteBool(ShowTipsItem, checked);
    });
    connect(m_next, &QPushButton::clicked, this, &TFrmTip::NextTip);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    Retranslate();
}

void TFrmTip::NextTip()
{
    const auto tip = m_pool.NextTip(platform::Machine::Current());
    m_tip->setText(tip ? QString::fromStdString(*tip) : QString());
}

QString TFrmTip::CurrentTip() const
{
    return m_tip->text();
}

void TFrmTip::showEvent(QShowEvent* event)
{
    if (m_tip->text().isEmpty())
        NextTip();
    QDialog::showEvent(event);
}

void TFrmTip::Retranslate()
{
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION562")));
    m_header->setText(QString::fromStdString(Msg("strLX_CAPTION931")));
    m_showOnStartup->setText(QString::fromStdString(Msg("strLX_CAPTION564")));
    m_next->setText(QString::fromStdString(Msg("strLX_CAPTION563")));
    m_close->setText(QString::fromStdString(Msg("strLX_CAPTION565")));
}

void TFrmTip::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

} // namespace lumexa::core::ui
