// "Registra" in the main window against the simulator on loopback: the recording holds every
// sample the controller sent, in order, however long the window stalls; a file that cannot
// grow ends the recording with a message and stays readable.
#include "recording_read.h"
#include "sim_window_fixture.h"

#include "Modal.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>

#include <sys/resource.h>

#include <thread>

namespace {

using namespace e2e;

class WindowRecordTest : public WindowLinkTest {
protected:
    void TearDown() override
    {
        run_modal_hook = nullptr;
        WindowLinkTest::TearDown();
    }

    // Connected to a counting simulator, acquiring, and the save dialog answers with `path`.
    void start_acquiring(unsigned rate, unsigned max_block, const QString& path)
    {
        sim::Options o;
        o.sample_rate = rate;
        o.max_block = max_block;
        o.counter = true;
        o.record_blocks = true;
        o.event_period_ms = 0;
        open_and_connect(o);
        ASSERT_FALSE(HasFatalFailure());
        click(window->BitBtn_start_CMP);
        run_modal_hook = [path](QDialog& dialog) {
            static_cast<QFileDialog&>(dialog).selectFile(path);
            return int(QDialog::Accepted);
        };
        ASSERT_TRUE(pump_until([&] { return window->BitBtn_record->isEnabled(); }));
    }
};

// 100 000 samples a second, and the GUI thread blocked for 2 s in the middle: the recording
// still holds every sample from Registra to Stop, checked one by one against the numbers the
// simulator put in them.
TEST_F(WindowRecordTest, EverySampleIsRecordedThroughATwoSecondStall)
{
    const QString path = folder.filePath("shift");
    start_acquiring(100'000, 4000, path);
    ASSERT_FALSE(HasFatalFailure());
    click(window->BitBtn_record);
    ASSERT_TRUE(window->recording());
    QTest::qWait(300);
    std::this_thread::sleep_for(2s); // the window does nothing at all meanwhile
    QTest::qWait(300);
    click(window->BitBtn_stop_CMP);
    EXPECT_FALSE(window->recording());

    const Recording r = read_recording((path + ".grec").toStdString());
    EXPECT_EQ(recording_record_offset(r.records.size()), r.size);
    EXPECT_DOUBLE_EQ(live_diagram->samplePeriod, r.header.sample_period);
    EXPECT_EQ(window->ComboBox_select_dat_mis[0]->currentText().toStdString(), r.header.name[0]);
    ASSERT_GT(r.records.size(), 200'000u); // 2.6 s at 100 000 samples/s and more
    // The numbers of the samples the simulator sent, block after block (a simulator the PC
    // falls far behind skips samples), from the first one recorded on.
    std::vector<std::uint32_t> sent;
    for (const sim::BlockRecord& b : simulator->take_blocks())
        for (std::uint32_t k = 0; k < b.count; ++k)
            sent.push_back(std::uint32_t(b.first + k));
    const auto start = std::find(sent.begin(), sent.end(), number_of(r.records.front()));
    ASSERT_GE(std::size_t(sent.end() - start), r.records.size());
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        ASSERT_EQ(start[std::ptrdiff_t(i)], number_of(r.records[i])) << "record " << i;
        ASSERT_EQ(0u, r.records[i].flags & kRecordResumed) << "record " << i;
    }
}

// A file that may not grow past a size limit, as a disk that fills up: the recording stops
// with a message, the acquisition goes on, and the file ends on a whole record.
TEST_F(WindowRecordTest, AFullDiskStopsTheRecordingWithAMessage)
{
    rlimit saved{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
    const rlim_t limit = recording_record_offset(30'000) + 11;
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < limit)
        GTEST_SKIP() << "file size limit already lower";
    const QString path = folder.filePath("full.grec");
    start_acquiring(20'000, 1000, path);
    ASSERT_FALSE(HasFatalFailure());
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    window->Menu_Registra->trigger();
    const bool stopped = pump_until([&] { return !window->recording(); }, 10s);
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &saved));
    ASSERT_TRUE(stopped);

    const auto messages = recorder.messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_TRUE(messages[0].text.startsWith("Registrazione interrotta: disco pieno"))
        << messages[0].text.toStdString();
    recorder.clear();
    EXPECT_TRUE(window->BitBtn_stop_CMP->isEnabled()); // the acquisition goes on

    const Recording r = read_recording(path.toStdString());
    EXPECT_EQ(recording_record_offset(r.records.size()), r.size);
    ASSERT_EQ(30'000u, r.records.size());
    for (std::size_t i = 1; i < r.records.size(); ++i)
        ASSERT_EQ(number_of(r.records[i - 1]) + 1, number_of(r.records[i])) << "record " << i;
}

} // namespace
