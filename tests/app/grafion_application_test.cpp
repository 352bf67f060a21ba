// The application object: an exception escaping an event handler is reported once through
// the message box module and the program goes on handling events.

#include "GrafionApplication.h"
#include "message_box.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

TEST(GrafionApplication, ExceptionFromAnyHandlerIsReportedOnceAndTheLoopGoesOn)
{
    MessageRecorder recorder;
    std::function<void()> fault;
    int handled = 0;
    const auto handler = [&] { ++handled, fault(); };
    // A posted call and a timer's tick: two ways into a handler through the event loop.
    const auto post = [&] {
        QMetaObject::invokeMethod(qApp, handler, Qt::QueuedConnection);
        QCoreApplication::processEvents();
    };
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, handler);
    const auto tick = [&] { timer.start(0), QTest::qWait(20); };
    const struct {
        std::function<void()> deliver, fault;
        QString text;
    } cases[] = {
        {post, [] { throw std::runtime_error("Valore fuori campo"); }, "Valore fuori campo"},
        {post, [] { throw 42; }, ""}, // not a standard exception: no text
        {tick, [] { throw std::logic_error("tick"); }, "tick"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        recorder.clear();
        handled = 0;
        fault = c.fault;
        c.deliver();
        EXPECT_EQ(handled, 1);
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(recorder.messages()[0].text, c.text);
        // The next event is delivered and handled normally.
        fault = [] {};
        c.deliver();
        EXPECT_EQ(handled, 2);
        EXPECT_EQ(recorder.messages().size(), 1u);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    GrafionApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
