#include "message_box.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

TEST(MessageBox, RecorderTakesMessagesFromAnyThreadWithoutBlocking)
{
    MessageRecorder recorder;
    message_box("Dati Memorizzati!", "Salvataggio", MessageIcon::Information);

    QThread* worker = QThread::create([] {
        message_box("Socket error (er-code): 10048", "Error", MessageIcon::Stop);
    });
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    delete worker;

    const auto got = recorder.messages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].text, "Dati Memorizzati!");
    EXPECT_EQ(got[0].title, "Salvataggio");
    EXPECT_EQ(got[0].icon, MessageIcon::Information);
    EXPECT_EQ(got[1].title, "Error");
    EXPECT_EQ(got[1].icon, MessageIcon::Stop);

    recorder.clear();
    EXPECT_TRUE(recorder.messages().empty());
}
