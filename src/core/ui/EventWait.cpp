#include "core/ui/EventWait.h"

#include <QEventLoop>
#include <QTimer>

namespace lumexa::core::ui {

void WaitHandlingEvents(const std::function<bool()>& finished, int pollMs)
{
    if (finished())
        return;
    QEventLoop waiting;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &waiting, [&] {
        if (finished())
            waiting.quit();
    });
    poll.start(pollMs);
    waiting.exec();
}

} // namespace lumexa::core::ui
