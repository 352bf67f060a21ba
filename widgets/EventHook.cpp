#include "EventHook.h"

EventHook::EventHook(QObject* target, Handler handler)
    : QObject(target), target_(target), handler_(std::move(handler))
{
    target->installEventFilter(this);
}

bool EventHook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == target_ && handler_)
        return handler_(event);
    return false;
}
