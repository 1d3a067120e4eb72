#include "core/ui/TitleBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/ui/LanguageManager.h"
#include "core/ui/Style.h"

namespace lumexa::core::ui {

TTitleBar::TTitleBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlTitle"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(64);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 8, 14, 8);
    layout->setSpacing(6);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(SvgPixmap(QStringLiteral("logo"), 38, devicePixelRatioF()));
    layout->addWidget(logo);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    m_subtitle = new QLabel(this);
    m_subtitle->setObjectName(QStringLiteral("lblSubtitle"));
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    layout->addLayout(texts);
    layout->addStretch(1);

    m_home = AddButton(QStringLiteral("btnHome"), QStringLiteral("home"));
    m_popup = AddButton(QStringLiteral("btnPopupWindow"), QStringLiteral("popup"));
    m_language = AddButton(QStringLiteral("btnLanguage"), QStringLiteral("language"));
    m_language->setMenu(TLanguageManager::Instance().CreateMenu(m_language));
    m_language->setPopupMode(QToolButton::InstantPopup);
    layout->addSpacing(12);
    m_minimize = AddButton(QStringLiteral("imgMinimize"), QStringLiteral("minimize"));
    m_close = AddButton(QStringLiteral("imgClose"), QStringLiteral("close"));
    m_minimize->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_close->setToolButtonStyle(Qt::ToolButtonIconOnly);

    connect(m_home, &QToolButton::clicked, this, &TTitleBar::HomeClicked);
    connect(m_popup, &QToolButton::clicked, this, &TTitleBar::PopupClicked);
    connect(m_minimize, &QToolButton::clicked, this, &TTitleBar::MinimizeClicked);
    connect(m_close, &QToolButton::clicked, this, &TTitleBar::CloseClicked);
    Retranslate();
}

QToolButton* TTitleBar::AddButton(const QString& objectName, const QString& icon)
{
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setIcon(SvgIcon(icon, 18));
    button->setIconSize(QSize(18, 18));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setCursor(Qt::PointingHandCursor);
    layout()->addWidget(button);
    return button;
}

void TTitleBar::SetPageCommandsEnabled(bool enabled)
{
    m_home->setEnabled(enabled);
    m_popup->setEnabled(enabled);
}

void TTitleBar::Retranslate()
{
    m_title->setText(QString::fromStdString(Msg("strLX_CAPTION500")));
    m_subtitle->setText(QString::fromStdString(Msg("strLX_CAPTION930")));
    m_home->setText(QString::fromStdString(Msg("strLX_CAPTION557")));
    m_popup->setText(QString::fromStdString(Msg("strLX_CAPTION558")));
    QString language = QString::fromStdString(Msg("strLX_CAPTION901"));
    m_language->setToolTip(language.remove(QLatin1Char('&')));
    m_language->setText(QString::fromUtf8(LanguageCode(TLanguageManager::Instance().Language()).data()).toUpper());
    m_minimize->setToolTip(QString::fromStdString(Msg("strLX_CAPTION902")));
    m_close->setToolTip(QString::fromStdString(Msg("strLX_CAPTION903")));
}

void TTitleBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void TTitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TTitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TTitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

} // namespace lumexa::core::ui
