#pragma once
// Forwards the events of one control to a function, so a window can handle a control's
// focus and key events without subclassing the control.

#include <QObject>

#include <functional>

class QEvent;

// Returning true from the handler consumes the event.
class EventHook : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(QEvent* event)>;
    EventHook(QObject* target, Handler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* target_;
    Handler handler_;
};
