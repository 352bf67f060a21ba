#include "MainThreadCalls.h"

#include <QMetaObject>

#include <utility>

MainThreadCalls::MainThreadCalls(QObject* parent) : QObject(parent) {}

void MainThreadCalls::post(std::function<void()> call)
{
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        // A wake-up is already on its way while calls wait: it runs this one too.
        wake = calls_.empty();
        calls_.push_back(std::move(call));
    }
    if (wake)
        QMetaObject::invokeMethod(this, "run_posted", Qt::QueuedConnection);
}

void MainThreadCalls::run_posted()
{
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard lock(mutex_);
        calls.swap(calls_);
    }
    for (std::function<void()>& call : calls)
        call();
}
