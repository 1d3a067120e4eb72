#pragma once

#include <functional>
#include <memory>

#include "platform/Thread.h"

class QObject;

// The dispatcher of the desktop program: work posted by worker threads runs on the
// user-interface thread, in the order posted (Synchronize and Queue share one queue).
namespace lumexa::core::ui {

class TQtDispatcher : public platform::IDispatcher
{
public:
    // Construct on the user-interface thread: the receiver of the work lives there.
    TQtDispatcher();
    ~TQtDispatcher() override;

    // On the user-interface thread itself the work runs at once (waiting for it would deadlock).
    void Synchronize(const std::function<void()>& work) override;
    void Queue(std::function<void()> work) override;
    void ProcessMessages() override;

private:
    bool OnUiThread() const;

    std::unique_ptr<QObject> m_receiver;
};

} // namespace lumexa::core::ui
