// "Registra" in the main window against the simulator on loopback: the recording holds every
// sample the controller sent, in order, however long the window stalls; a file that cannot
// grow ends the recording with a message and stays readable.
#include "Recording_format.h"
#include "sim_window_fixture.h"

#include "Modal.h"

#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QRegularExpression>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using namespace e2e;

std::vector<RecordingRecord> read_records(const std::string& path, RecordingHeader* header)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<RecordingRecord> records;
    EXPECT_GE(bytes.size(), kRecordingHeaderSize);
    if (bytes.size() < kRecordingHeaderSize)
        return records;
    EXPECT_EQ(0u, (bytes.size() - kRecordingHeaderSize) % kRecordingRecordSize)
        << "the file ends in part of a record";
    RecordingHeaderBytes head;
    std::copy_n(bytes.begin(), head.size(), head.begin());
    const RecordingHeaderResult decoded = recording_decode_header(head);
    EXPECT_TRUE(decoded.header) << decoded.error;
    if (decoded.header && header)
        *header = *decoded.header;
    for (std::uint64_t i = 0; i < recording_record_count(bytes.size()); ++i)
        records.push_back(recording_decode_record(bytes.data() + recording_record_offset(i)));
    return records;
}

std::uint32_t number_of(const RecordingRecord& r)
{
    return std::uint32_t(std::uint16_t(r.value[6]))
           | (std::uint32_t(std::uint16_t(r.value[7])) << 16);
}

class WindowRecordTest : public WindowLinkTest {
protected:
    void TearDown() override
    {
        run_modal_hook = nullptr;
        WindowLinkTest::TearDown();
    }

    // The save dialog answers with `path`.
    void choose_file(const QString& path)
    {
        run_modal_hook = [path](QDialog& dialog) {
            static_cast<QFileDialog&>(dialog).selectFile(path);
            return int(QDialog::Accepted);
        };
    }

    static sim::Options counting(unsigned rate, unsigned max_block)
    {
        sim::Options o;
        o.sample_rate = rate;
        o.max_block = max_block;
        o.counter = true;
        o.record_blocks = true;
        o.event_period_ms = 0;
        return o;
    }

    QString record_panel() const
    {
        return window->StatusBar_net_com->panel(TForm_net::kRecordingPanel).text;
    }
};

TEST_F(WindowRecordTest, RegistraIsOfferedOnlyConnectedInRollingData)
{
    open_and_connect(counting(1000, 100), 1); // AutoTrigger-Event
    QTest::qWait(50);
    EXPECT_FALSE(window->BitBtn_record->isEnabled());
    window->RadioGroup_trigger_type->setItemIndex(0);
    EXPECT_TRUE(pump_until([&] { return window->BitBtn_record->isEnabled(); }));
    EXPECT_TRUE(window->Menu_Registra->isEnabled());
    // A dialog cancelled starts nothing, and the button does not stay pressed.
    run_modal_hook = [](QDialog&) { return int(QDialog::Rejected); };
    click(window->BitBtn_record);
    EXPECT_FALSE(window->recording());
    EXPECT_FALSE(window->BitBtn_record->isChecked());
    EXPECT_FALSE(window->Menu_Registra->isChecked());
    click(window->BitBtn_disconnect);
    EXPECT_TRUE(pump_until([&] { return !window->BitBtn_record->isEnabled(); }));
    EXPECT_FALSE(window->Menu_Registra->isEnabled());
}

// 100 000 samples a second, and the GUI thread blocked for 2 s in the middle: the recording
// still holds every sample from Registra to Stop, checked one by one against the numbers the
// simulator put in them.
TEST_F(WindowRecordTest, EverySampleIsRecordedThroughATwoSecondStall)
{
    open_and_connect(counting(100'000, 4000));
    click(window->BitBtn_start_CMP);
    QTest::qWait(300);
    const QString path = folder.filePath("shift");
    choose_file(path);
    ASSERT_TRUE(pump_until([&] { return window->BitBtn_record->isEnabled(); }));
    click(window->BitBtn_record);
    ASSERT_TRUE(window->recording());
    EXPECT_TRUE(window->BitBtn_record->isChecked());
    // Its length in sample time (1 ms each, so a minute passes in 0.6 s here) and its size.
    const QRegularExpression shown(QStringLiteral("^REC \\d\\d:\\d\\d:\\d\\d  \\d+\\.\\d MB$"));
    EXPECT_TRUE(pump_until([&] { return shown.match(record_panel()).hasMatch(); }))
        << record_panel().toStdString();

    QTest::qWait(300);
    std::this_thread::sleep_for(2s); // the window does nothing at all meanwhile
    QTest::qWait(300);
    click(window->BitBtn_stop_CMP);
    EXPECT_FALSE(window->recording());
    EXPECT_FALSE(window->BitBtn_record->isChecked());
    EXPECT_TRUE(record_panel().isEmpty());

    RecordingHeader header;
    const auto records = read_records((path + ".grec").toStdString(), &header);
    EXPECT_DOUBLE_EQ(live_diagram->samplePeriod, header.sample_period);
    EXPECT_EQ(window->ComboBox_select_dat_mis[0]->currentText().toStdString(), header.name[0]);
    ASSERT_GT(records.size(), 200'000u); // 2.6 s at 100 000 samples/s and more
    EXPECT_NE(0u, records.front().flags & kRecordBlockStart);
    // The simulator's sequence: the numbers of the samples it sent, block after block (a
    // simulator the PC falls far behind skips samples, so they need not be consecutive),
    // from the first one recorded on.
    std::vector<std::uint32_t> sent;
    for (const sim::BlockRecord& b : simulator->take_blocks()) {
        EXPECT_TRUE(b.intact) << "block from " << b.first;
        for (std::uint32_t k = 0; k < b.count; ++k)
            sent.push_back(std::uint32_t(b.first + k));
    }
    const auto start = std::find(sent.begin(), sent.end(), number_of(records.front()));
    ASSERT_GE(std::size_t(sent.end() - start), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(start[std::ptrdiff_t(i)], number_of(records[i])) << "record " << i;
        ASSERT_EQ(0u, records[i].flags & kRecordResumed) << "record " << i;
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
    open_and_connect(counting(20'000, 1000));
    click(window->BitBtn_start_CMP);
    const QString path = folder.filePath("full.grec");
    choose_file(path);
    ASSERT_TRUE(pump_until([&] { return window->Menu_Registra->isEnabled(); }));
    // The limit holds from the start, so that the file stops where it says however fast
    // the samples come.
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    window->Menu_Registra->trigger();
    EXPECT_TRUE(window->Menu_Registra->isChecked());
    const bool stopped = pump_until([&] { return !window->recording(); }, 10s);
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &saved));
    ASSERT_TRUE(stopped);

    const auto messages = recorder.messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Attenzione", messages[0].title.toStdString());
    EXPECT_TRUE(messages[0].text.startsWith("Registrazione interrotta: disco pieno"))
        << messages[0].text.toStdString();
    recorder.clear();
    EXPECT_FALSE(window->Menu_Registra->isChecked());
    EXPECT_TRUE(window->BitBtn_stop_CMP->isEnabled()); // the acquisition goes on

    const auto records = read_records(path.toStdString(), nullptr);
    ASSERT_EQ(30'000u, records.size());
    for (std::size_t i = 1; i < records.size(); ++i)
        ASSERT_EQ(number_of(records[i - 1]) + 1, number_of(records[i])) << "record " << i;
}

} // namespace
