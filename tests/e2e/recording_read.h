// Reading a recording back for the end-to-end tests, and the sample number the simulator
// (with its counter on) puts in channels 7 and 8.
#pragma once

#include "Recording_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace e2e {

struct Recording {
    RecordingHeader header;
    std::vector<RecordingRecord> records;
    std::uint64_t size = 0; // of the file, in bytes
};

inline Recording read_recording(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    Recording r;
    r.size = bytes.size();
    if (bytes.size() < kRecordingHeaderSize)
        return r;
    RecordingHeaderBytes head;
    std::copy_n(bytes.begin(), head.size(), head.begin());
    const RecordingHeaderResult decoded = recording_decode_header(head);
    EXPECT_TRUE(decoded.header) << decoded.error;
    if (decoded.header)
        r.header = *decoded.header;
    for (std::uint64_t i = 0; i < recording_record_count(bytes.size()); ++i)
        r.records.push_back(recording_decode_record(bytes.data() + recording_record_offset(i)));
    return r;
}

inline std::uint32_t number_of(const RecordingRecord& r)
{
    return std::uint32_t(std::uint16_t(r.value[6]))
           | (std::uint32_t(std::uint16_t(r.value[7])) << 16);
}

} // namespace e2e
