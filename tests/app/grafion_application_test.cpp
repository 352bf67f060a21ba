// The application object: an exception escaping an event handler is reported once through
// the message box module and the program goes on handling events.

#include "GrafionApplication.h"
#include "message_box.h"

#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// Runs its handler for each user event.
class UserEventTarget : public QObject {
public:
    std::function<void()> handler;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        handler();
        return true;
    }
};

TEST(GrafionApplication, ExceptionFromAnyHandlerIsReportedOnceAndTheLoopGoesOn)
{
    MessageRecorder recorder;
    std::function<void()> fault;
    int handled = 0;
    const auto handler = [&] { ++handled, fault(); };
    UserEventTarget target;
    target.handler = handler;
    QPushButton button("x");
    QObject::connect(&button, &QPushButton::clicked, handler);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, handler);

    const auto post = [&] { QCoreApplication::postEvent(&target, new QEvent(QEvent::User)), QCoreApplication::processEvents(); };
    const auto send = [&] { QEvent e(QEvent::User); QCoreApplication::sendEvent(&target, &e); };
    const auto click = [&] { QTest::mouseClick(&button, Qt::LeftButton); };
    const auto tick = [&] { timer.start(0), QTest::qWait(20); };
    const struct {
        std::function<void()> deliver, fault;
        QString text;
    } cases[] = {
        {post, [] { throw std::runtime_error("Valore fuori campo"); }, "Valore fuori campo"},
        {send, [] { throw 42; }, ""}, // not a standard exception: no text
        {click, [] { throw std::logic_error("click"); }, "click"},
        {tick, [] { throw std::runtime_error("tick"); }, "tick"},
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
        EXPECT_EQ(recorder.messages()[0].title, "Grafion");
        EXPECT_EQ(recorder.messages()[0].icon, MessageIcon::Stop);
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
