#include "core/ui/GroupBar.h"

#include <QEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/MessageTable.h"
#include "core/ui/Style.h"

namespace lumexa::core::ui {

namespace {
QString ToQ(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

TGroupBar::TGroupBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlGroupBar"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 12, 10, 12);
    layout->setSpacing(2);
    const auto groups = NavigationGroups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const TNavGroup& definition = groups[g];
        Group group;
        group.header = new QToolButton(this);
        group.header->setObjectName(ToQ(definition.objectName));
        group.header->setProperty("navGroup", true);
        group.header->setCheckable(true);
        group.header->setIcon(SvgIcon(ToQ(definition.icon), 20));
        group.header->setIconSize(QSize(20, 20));
        group.header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        group.header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        layout->addWidget(group.header);

        group.body = new QWidget(this);
        auto* bodyLayout = new QVBoxLayout(group.body);
        bodyLayout->setContentsMargins(0, 2, 0, 6);
        bodyLayout->setSpacing(1);
        for (std::size_t i = 0; i < definition.items.size(); ++i) {
            auto* item = new QToolButton(group.body);
            item->setObjectName(ToQ(definition.items[i].objectName));
            item->setProperty("navItem", true);
            item->setToolButtonStyle(Qt::ToolButtonTextOnly);
            item->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            bodyLayout->addWidget(item);
            connect(item, &QToolButton::clicked, this, [this, g, i] {
                emit ItemTriggered(static_cast<int>(g), static_cast<int>(i));
            });
            group.items.push_back(item);
        }
        group.body->setVisible(false);
        layout->addWidget(group.body);
        connect(group.header, &QToolButton::clicked, this, [this, g] { OnHeaderClicked(static_cast<int>(g)); });
        m_groups.push_back(group);
    }
    layout->addStretch(1);
    Retranslate();
}

void TGroupBar::SetOpenGroup(int group)
{
    m_open = group >= 0 && group < static_cast<int>(m_groups.size()) ? group : -1;
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        const bool open = static_cast<int>(g) == m_open;
        m_groups[g].header->setChecked(open);
        m_groups[g].body->setVisible(open);
    }
}

void TGroupBar::OnHeaderClicked(int group)
{
    if (group == m_open) {
        SetOpenGroup(-1);
        emit GroupClosed();
        return;
    }
    SetOpenGroup(group);
}

void TGroupBar::UpdateAvailability(const std::function<bool(const TNavItem&)>& available)
{
    const auto groups = NavigationGroups();
    for (std::size_t g = 0; g < m_groups.size(); ++g)
        for (std::size_t i = 0; i < m_groups[g].items.size(); ++i)
            m_groups[g].items[i]->setEnabled(available(groups[g].items[i]));
    Retranslate();
}

void TGroupBar::Retranslate()
{
    const auto groups = NavigationGroups();
    const QString notAvailable = QString::fromStdString(Msg("strLX_CAPTION900"));
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        m_groups[g].header->setText(QString::fromStdString(Msg(groups[g].captionKey)));
        for (std::size_t i = 0; i < m_groups[g].items.size(); ++i) {
            QToolButton* item = m_groups[g].items[i];
            item->setText(QString::fromStdString(Msg(groups[g].items[i].captionKey)));
            item->setToolTip(item->isEnabled() ? QString() : notAvailable);
        }
    }
}

void TGroupBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

} // namespace lumexa::core::ui
