#include "core/ui/FloatingForm.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace lumexa::core::ui {

TFloatingForm::TFloatingForm(QWidget* parent)
    : QWidget(parent)
{}

void TFloatingForm::DockInto(QWidget* page, QWidget* owner)
{
    m_hostPage = page;
    m_owner = owner;
    m_floating = false;
    setParent(page, Qt::Widget);
    QLayout* layout = page->layout();
    if (!layout) {
        layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(this);
    resize(page->size());
    page->updateGeometry();
}

void TFloatingForm::SetPageMode(int mode)
{
    m_pageMode = mode;
}

void TFloatingForm::PageShown() {}

void TFloatingForm::PageLeft() {}

bool TFloatingForm::CanLeavePage()
{
    return true;
}

void TFloatingForm::FloatOut()
{
    if (m_floating || !m_hostPage)
        return;
    m_floating = true;
    const QSize size = this->size();
    if (QLayout* layout = m_hostPage->layout())
        layout->removeWidget(this);
    const bool fixedSize = maximumWidth() < QWIDGETSIZE_MAX && maximumHeight() < QWIDGETSIZE_MAX;
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (fixedSize)
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    else
        flags |= Qt::WindowMaximizeButtonHint;
    setParent(nullptr, flags);
    resize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    setWindowState(Qt::WindowNoState);
    show();
    raise();
}

void TFloatingForm::DockAgain()
{
    if (!m_floating)
        return;
    hide();
    DockInto(m_hostPage, m_owner);
    show();
    if (OnDockedAgain)
        OnDockedAgain();
}

void TFloatingForm::closeEvent(QCloseEvent* event)
{
    if (m_floating && m_hostPage) {
        event->ignore();
        DockAgain();
        return;
    }
    QWidget::closeEvent(event);
}

void TFloatingForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

} // namespace lumexa::core::ui
