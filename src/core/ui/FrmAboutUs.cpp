#include "core/ui/FrmAboutUs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/ui/Style.h"

namespace lumexa::core::ui {

TFrmAboutUs::TFrmAboutUs(QWidget* parent)
    : TFloatingForm(parent)
{
    setObjectName(QStringLiteral("TFrmAboutUs"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 36, 40, 36);
    auto* top = new QHBoxLayout;
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(SvgPixmap(QStringLiteral("logo"), 96, devicePixelRatioF()));
    top->addWidget(logo, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("lblProductName"));
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("lblDescription"));
    m_description->setWordWrap(true);
    texts->addWidget(m_name);
    texts->addWidget(m_version);
    texts->addSpacing(10);
    texts->addWidget(m_description);
    top->addSpacing(20);
    top->addLayout(texts, 1);
    layout->addLayout(top);
    layout->addStretch(1);
    Retranslate();
}

void TFrmAboutUs::Retranslate()
{
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION543")));
    m_name->setText(QString::fromStdString(Msg("strLX_MESSAGE_HEADER500")));
    m_version->setText(QString::fromStdString(Msg("strLX_CAPTION928", {"7"})));
    m_description->setText(QString::fromStdString(Msg("strLX_CAPTION929")));
}

} // namespace lumexa::core::ui
