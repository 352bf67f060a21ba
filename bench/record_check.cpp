// Checks a recording made from `grafion-sim --counter` sample for sample, reading it a block
// of records at a time: every record's number (channels 7 and 8) is one more than the one
// before, but on a record marked as resumed after a lost link, and its square wave (channel 4)
// fits that number. Prints what it found; exit code 0 when every record fits.
//   record_check FILE
#include "Recording_format.h"

#include <cstdio>
#include <fstream>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: record_check FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    RecordingHeaderBytes head{};
    if (!in.read(reinterpret_cast<char*>(head.data()), head.size())) {
        std::printf("FAIL shorter than a header\n");
        return 1;
    }
    const RecordingHeaderResult header = recording_decode_header(head);
    if (!header.header) {
        std::printf("FAIL %s\n", header.error.c_str());
        return 1;
    }
    std::vector<std::uint8_t> chunk(kRecordingRecordSize * 65536);
    std::uint64_t records = 0, resumed = 0, events = 0, bad = 0, part = 0;
    std::uint32_t previous = 0;
    for (;;) {
        in.read(reinterpret_cast<char*>(chunk.data()), std::streamsize(chunk.size()));
        const std::size_t got = std::size_t(in.gcount());
        const std::size_t whole = got / kRecordingRecordSize;
        part = got % kRecordingRecordSize;
        for (std::size_t k = 0; k < whole; ++k, ++records) {
            const RecordingRecord r =
                recording_decode_record(chunk.data() + k * kRecordingRecordSize);
            const std::uint32_t n = std::uint32_t(std::uint16_t(r.value[6]))
                                    | (std::uint32_t(std::uint16_t(r.value[7])) << 16);
            const std::int16_t square = n % 250 < 125 ? 15000 : -15000;
            const bool gap = (r.flags & kRecordResumed) != 0;
            resumed += gap;
            events += (r.flags & kRecordEvent) != 0;
            const bool fits =
                r.value[3] == square && (records == 0 || (gap ? n > previous : n == previous + 1));
            if (!fits && bad++ < 10)
                std::printf("record %llu: number %u after %u, flags %u\n",
                            (unsigned long long)records, n, previous, r.flags);
            previous = n;
        }
        if (got < chunk.size())
            break;
    }
    std::printf("%s %llu records (%.1f s of samples at %g s), %llu marked resumed, %llu events, "
                "%llu out of sequence, %llu bytes of a part record at the end\n",
                bad == 0 ? "OK" : "FAIL", (unsigned long long)records,
                double(records) * header.header->sample_period, header.header->sample_period,
                (unsigned long long)resumed, (unsigned long long)events, (unsigned long long)bad,
                (unsigned long long)part);
    return bad == 0 ? 0 : 1;
}
