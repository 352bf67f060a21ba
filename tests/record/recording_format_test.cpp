#include "Recording_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

RecordingHeader sample_header()
{
    RecordingHeader h;
    h.start_time_us = 1'796'000'000'123'456;
    h.utc_offset_s = 3600;
    h.trigger_mode = 1;
    h.event_channel = 19;
    h.sample_period = 0.00001;
    for (int ch = 0; ch < kRecordingChannels; ++ch) {
        h.colour[ch] = 0x00010203u * static_cast<std::uint32_t>(ch + 1);
        h.name[ch] = "Dat Mis " + std::to_string(ch + 1);
    }
    h.name[7] = "Velocità asse";
    return h;
}

TEST(RecordingFormat, HeaderRoundTripsAndLaysOutFieldsWhereDocumented)
{
    const RecordingHeader h = sample_header();
    const RecordingHeaderBytes bytes = recording_encode_header(h);
    EXPECT_EQ(0, std::memcmp(bytes.data(), "GRAFREC\0", 8));
    EXPECT_EQ(0x02, bytes[recording_header::kHeaderSize + 1]); // 512, little-endian
    EXPECT_EQ(19, bytes[recording_header::kEventChannel]);
    EXPECT_EQ('D', bytes[recording_header::kNames]);
    for (std::size_t i = recording_header::kNames + 8 * kRecordingNameSize; i < bytes.size(); ++i)
        ASSERT_EQ(0, bytes[i]) << "reserved byte " << i;

    const RecordingHeaderResult back = recording_decode_header(bytes);
    ASSERT_TRUE(back.header) << back.error;
    EXPECT_EQ(h.start_time_us, back.header->start_time_us);
    EXPECT_EQ(h.utc_offset_s, back.header->utc_offset_s);
    EXPECT_EQ(h.trigger_mode, back.header->trigger_mode);
    EXPECT_EQ(h.sample_period, back.header->sample_period);
    EXPECT_EQ(h.colour, back.header->colour);
    EXPECT_EQ(h.name, back.header->name);
}

TEST(RecordingFormat, HeadersThatAreNotUsableAreRefusedWithAReason)
{
    struct Case {
        const char* what;
        void (*spoil)(RecordingHeaderBytes&);
    };
    const Case cases[] = {
        {"magic", [](RecordingHeaderBytes& b) { b[0] = 'X'; }},
        {"version", [](RecordingHeaderBytes& b) { b[recording_header::kVersion] = 2; }},
        {"record size", [](RecordingHeaderBytes& b) { b[recording_header::kRecordSize] = 24; }},
        {"channels", [](RecordingHeaderBytes& b) { b[recording_header::kChannels] = 7; }},
        {"zero period",
         [](RecordingHeaderBytes& b) {
             std::memset(b.data() + recording_header::kSamplePeriod, 0, 8);
         }},
        {"NaN period",
         [](RecordingHeaderBytes& b) {
             const double nan = std::numeric_limits<double>::quiet_NaN();
             std::memcpy(b.data() + recording_header::kSamplePeriod, &nan, 8);
         }},
    };
    for (const Case& c : cases) {
        RecordingHeaderBytes bytes = recording_encode_header(sample_header());
        c.spoil(bytes);
        const RecordingHeaderResult r = recording_decode_header(bytes);
        EXPECT_FALSE(r.header) << c.what;
        EXPECT_FALSE(r.error.empty()) << c.what;
    }
}

TEST(RecordingFormat, RecordsKeepSignedValuesAndFlagsAndCountOnlyWholeRecords)
{
    RecordingRecord r;
    r.value = {-32768, 32767, -1, 0, 1, 1234, -1234, 256};
    r.flags = kRecordEvent | kRecordResumed;
    std::uint8_t bytes[kRecordingRecordSize];
    recording_encode_record(r, bytes);
    EXPECT_EQ(0x00, bytes[0]); // -32768 = 0x8000, low byte first
    EXPECT_EQ(0x80, bytes[1]);
    const RecordingRecord back = recording_decode_record(bytes);
    EXPECT_EQ(r.value, back.value);
    EXPECT_EQ(r.flags, back.flags);

    EXPECT_EQ(0u, recording_record_count(kRecordingHeaderSize - 1));
    EXPECT_EQ(0u, recording_record_count(kRecordingHeaderSize + kRecordingRecordSize - 1));
    EXPECT_EQ(2u, recording_record_count(kRecordingHeaderSize + 2 * kRecordingRecordSize + 7));
    EXPECT_EQ(512u + 20u * 100'000'000u, recording_record_offset(100'000'000));
}

} // namespace
