// The application object: an exception escaping an event handler is reported once through
// the message box module and the program goes on handling events.

#include "GrafionApplication.h"
#include "message_box.h"

#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Throws from its event handler whatever it is told to.
class ThrowingObject : public QObject {
public:
    std::function<void()> thrower;
    int handled = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            ++handled;
            thrower();
            return true;
        }
        return QObject::event(e);
    }
};

TEST(GrafionApplication, ExceptionFromAPostedEventIsReportedOnce)
{
    MessageRecorder recorder;
    ThrowingObject target;
    target.thrower = [] { throw std::runtime_error("Valore fuori campo"); };
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ASSERT_EQ(target.handled, 1);
    ASSERT_EQ(recorder.messages().size(), 1u);
    const RecordedMessage m = recorder.messages()[0];
    EXPECT_EQ(m.text, "Valore fuori campo");
    EXPECT_EQ(m.title, QCoreApplication::applicationName());
    EXPECT_EQ(m.title, "Grafion");
    EXPECT_EQ(m.icon, MessageIcon::Stop);

    // The loop goes on: the next event is delivered and handled normally.
    target.thrower = [] {};
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(target.handled, 2);
    EXPECT_EQ(recorder.messages().size(), 1u);
}

TEST(GrafionApplication, ForeignExceptionIsReportedWithEmptyText)
{
    MessageRecorder recorder;
    ThrowingObject target;
    target.thrower = [] { throw 42; };
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, "");
    EXPECT_EQ(recorder.messages()[0].title, "Grafion");
}

TEST(GrafionApplication, ExceptionFromAClickOrATimerHandlerIsReportedOnce)
{
    MessageRecorder recorder;
    QPushButton button("x");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        throw std::logic_error("click");
    });
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, "click");

    recorder.clear();
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] { throw std::runtime_error("tick"); });
    timer.start(0);
    QTest::qWait(20);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, "tick");
    // The button still works after both.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
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
