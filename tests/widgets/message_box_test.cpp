// Message boxes raised from a worker thread: each text's box shows once while it is open, so
// that a failure repeating on the socket thread does not pile up boxes.

#include "message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> texts_of(const std::vector<RecordedMessage>& messages)
{
    std::vector<std::string> out;
    for (const RecordedMessage& m : messages)
        out.push_back(m.text.toStdString());
    return out;
}

void raise_from_worker(int times)
{
    std::thread worker([times] {
        for (int i = 0; i < times; ++i)
            for (const char* text : {"Error create socket, (er-code): 24", "Error Create Socket!"})
                message_box(QString::fromLatin1(text), QStringLiteral("Error"), MessageIcon::Stop);
    });
    worker.join();
}

TEST(MessageBox, WorkerThreadFailureShowsOneBoxWhileItIsOpen)
{
    MessageRecorder recorder(/*keep_open=*/true);
    const std::vector<std::string> once = {"Error create socket, (er-code): 24",
                                           "Error Create Socket!"};
    raise_from_worker(8);
    EXPECT_EQ(texts_of(recorder.messages()), once);

    // The user closes both boxes: the next failures show them again, once.
    recorder.acknowledge();
    raise_from_worker(5);
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(texts_of(recorder.messages()), twice);

    // The GUI thread's own calls always show their box.
    recorder.clear();
    message_box(QStringLiteral("Error Create Socket!"), QStringLiteral("Error"), MessageIcon::Stop);
    EXPECT_EQ(recorder.messages().size(), 1u);
    recorder.acknowledge();
}

} // namespace
