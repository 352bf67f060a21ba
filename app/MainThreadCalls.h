#pragma once
// Calls handed from another thread (the socket thread) to the GUI thread.
//
// A call is queued under a std::mutex and the GUI thread takes it under the same mutex, so
// everything the posting thread did before posting happens before the call runs, in a way
// ThreadSanitizer can follow. Only the wake-up travels through Qt's event queue, as a queued
// invocation of a method by name: it carries nothing the posting thread built.

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

class MainThreadCalls : public QObject {
    Q_OBJECT
public:
    // Create on the GUI thread; it must outlive every thread that posts to it.
    explicit MainThreadCalls(QObject* parent = nullptr);

    // Any thread: queues `call` to run on the GUI thread's event loop and returns at once.
    void post(std::function<void()> call);

private:
    Q_INVOKABLE void run_posted();

    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};
