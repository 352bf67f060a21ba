#pragma once
// A recording opened for reading: the file is mapped read-only, so that a recording of any
// length costs address space, not memory; the pages the reader touches are read in by the
// system and dropped again under memory pressure. Plain C++ and POSIX (no Qt).
//
// Only whole records count: a part record at the end (a recorder cut short, or one still
// writing) is ignored. A file that grows after opening keeps the length it had; opening it
// again maps the new length.

#include "Recording_format.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

class RecordingFile {
public:
    // The recording at `path`, or null with `error` set to an English sentence without a
    // final stop (missing file, not a recording, a header this program cannot read).
    static std::unique_ptr<RecordingFile> open(const std::string& path, std::string& error);

    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    const std::string& path() const { return path_; }
    const RecordingHeader& header() const { return header_; }
    // Whole records in the file.
    std::uint64_t count() const { return count_; }
    // The file's length and modification time (nanoseconds since 1970) when it was opened.
    std::uint64_t fileSize() const { return size_; }
    std::int64_t modifiedNs() const { return mtime_ns_; }

    // The bytes of record i (i < count()).
    const std::uint8_t* record(std::uint64_t i) const { return base_ + recording_record_offset(i); }
    // The eight values of record i.
    void values(std::uint64_t i, std::int16_t out[kRecordingChannels]) const
    {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, record(i), kRecordingChannels * sizeof(std::int16_t));
        } else {
            const RecordingRecord r = recording_decode_record(record(i));
            for (int ch = 0; ch < kRecordingChannels; ++ch)
                out[ch] = r.value[ch];
        }
    }
    // Lets the system drop the pages of records first .. last - 1 that this process has read
    // (they stay in the page cache while there is room): keeps the resident memory of a long
    // pass, or of long viewing, bounded. Reading them again reads them back in.
    void release(std::uint64_t first, std::uint64_t last) const;
    // The time of record i in seconds from the start.
    double time(std::uint64_t i) const { return double(i) * header_.sample_period; }
    // The records whose time lies between tFrom and tTo, both included, in either order:
    // first .. last - 1 (none when first == last, or when a bound is no number).
    struct Span {
        std::uint64_t first = 0, last = 0;
    };
    Span span(double tFrom, double tTo) const;

private:
    RecordingFile() = default;

    std::string path_;
    RecordingHeader header_;
    const std::uint8_t* base_ = nullptr;
    std::uint64_t size_ = 0; // mapped whole
    std::uint64_t count_ = 0;
    std::int64_t mtime_ns_ = 0;
};
