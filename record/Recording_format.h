#pragma once
// Recordings (*.grec): every sample the link received during a recording, as the controller
// sent it, for as long as the recording ran. Plain C++ (no Qt), shared by the program's
// recorder, the command-line recorder, the long-recording viewer and the exports.
//
// Layout, little-endian throughout:
//   a 512-byte header (recording_encode_header below), then
//   20-byte records, one per sample, oldest first: the eight channel values as signed 16-bit
//   integers, channel 1 first, then a 32-bit word of record flags.
// Sample i (counted from 0) starts at byte kRecordingHeaderSize + i * kRecordingRecordSize, and
// its time is i * sample_period seconds after the start, counted on through link losses (a
// record flagged kRecordResumed follows samples the controller sent while the link was down,
// which are missing). A file cut short anywhere holds whole records up to its last whole one;
// a reader ignores a part record at the end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t kRecordingHeaderSize = 512;
constexpr std::size_t kRecordingRecordSize = 20;
constexpr int kRecordingChannels = 8;
constexpr std::size_t kRecordingNameSize = 48; // per channel: UTF-8, zero-padded
constexpr std::uint16_t kRecordingVersion = 1;
// The first eight bytes of every recording.
constexpr std::array<char, 8> kRecordingMagic = {'G', 'R', 'A', 'F', 'R', 'E', 'C', '\0'};

// Record flags.
constexpr std::uint32_t kRecordEvent = 0x1;      // the sample block carried the event flag
constexpr std::uint32_t kRecordBlockStart = 0x2; // first sample of a sample block
constexpr std::uint32_t kRecordResumed = 0x4;    // first sample after the link was lost

// Header byte offsets.
namespace recording_header {
constexpr std::size_t kMagic = 0;         // 8 bytes, kRecordingMagic
constexpr std::size_t kVersion = 8;       // u16, kRecordingVersion
constexpr std::size_t kHeaderSize = 10;   // u16, 512
constexpr std::size_t kRecordSize = 12;   // u16, 20
constexpr std::size_t kChannels = 14;     // u16, 8
constexpr std::size_t kStartTime = 16;    // i64, microseconds since 1970-01-01 00:00 UTC
constexpr std::size_t kUtcOffset = 24;    // i32, seconds east of UTC of local time at start
constexpr std::size_t kTriggerMode = 28;  // u8, the trigger mode of the acquisition
constexpr std::size_t kEventChannel = 29; // u8, the event selection index
// 30..31 reserved, zero
constexpr std::size_t kSamplePeriod = 32; // f64, seconds between samples
constexpr std::size_t kColours = 40;      // 8 x u32, 0x00BBGGRR
constexpr std::size_t kNames = 72;        // 8 x 48 bytes, UTF-8, zero-padded
// 456..511 reserved, zero
} // namespace recording_header

// The header as the program works with it.
struct RecordingHeader {
    std::uint16_t version = kRecordingVersion;
    std::int64_t start_time_us = 0;
    std::int32_t utc_offset_s = 0;
    std::uint8_t trigger_mode = 0;
    std::uint8_t event_channel = 0;
    double sample_period = 0.001;
    std::array<std::uint32_t, kRecordingChannels> colour{};
    std::array<std::string, kRecordingChannels> name; // UTF-8, at most kRecordingNameSize - 1
};

using RecordingHeaderBytes = std::array<std::uint8_t, kRecordingHeaderSize>;

// One record as the program works with it.
struct RecordingRecord {
    std::array<std::int16_t, kRecordingChannels> value{};
    std::uint32_t flags = 0;
};

using RecordingRecordBytes = std::array<std::uint8_t, kRecordingRecordSize>;

// The 512 bytes of a header. Names longer than the slot are cut at a character boundary.
RecordingHeaderBytes recording_encode_header(const RecordingHeader& header);

// A header read back, or why it is not one (an English sentence without a final stop):
// wrong magic, a version this program does not know, sizes other than the ones above, a
// sample period that is not a positive finite number.
struct RecordingHeaderResult {
    std::optional<RecordingHeader> header;
    std::string error;
};
RecordingHeaderResult recording_decode_header(const RecordingHeaderBytes& bytes);

void recording_encode_record(const RecordingRecord& record, std::uint8_t* out);
RecordingRecord recording_decode_record(const std::uint8_t* in);

// Whole records in a file of file_size bytes (0 when it is shorter than a header).
constexpr std::uint64_t recording_record_count(std::uint64_t file_size)
{
    return file_size < kRecordingHeaderSize
               ? 0
               : (file_size - kRecordingHeaderSize) / kRecordingRecordSize;
}

// Byte offset of record i.
constexpr std::uint64_t recording_record_offset(std::uint64_t index)
{
    return kRecordingHeaderSize + index * kRecordingRecordSize;
}
