#include "core/ui/QtDispatcher.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

namespace lumexa::core::ui {

TQtDispatcher::TQtDispatcher()
    : m_receiver(std::make_unique<QObject>())
{}

TQtDispatcher::~TQtDispatcher() = default;

bool TQtDispatcher::OnUiThread() const
{
    return QThread::currentThread() == m_receiver->thread();
}

void TQtDispatcher::Synchronize(const std::function<void()>& work)
{
    if (OnUiThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(
        m_receiver.get(), [&work] { work(); }, Qt::BlockingQueuedConnection);
}

void TQtDispatcher::Queue(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_receiver.get(), std::move(work), Qt::QueuedConnection);
}

void TQtDispatcher::ProcessMessages()
{
    if (OnUiThread())
        QCoreApplication::processEvents();
}

} // namespace lumexa::core::ui
