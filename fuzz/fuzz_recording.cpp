// Fuzz target: the recording reader and the summary file reader together. The input is cut
// in two: a recording (*.grec) and its summary file (*.grec.sum). Both are written to a
// temporary folder; the recording is opened and, when it opens, its summaries are read from
// the summary file with options the input chooses. So that the fuzzer reaches the entries
// and sums themselves, the summary's stamp of the recording (length, modification time,
// count) is set to the recording's, and, when the input asks, the file is cut or padded to
// the length the reader expects. Reading records, time ranges, extremes and totals of any
// range must never crash, read outside the files or disagree with the records where the
// summaries were built from them.
#include "Recording_file.h"
#include "Recording_summary.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

std::string folder;

// Input bytes taken one field at a time; zeros once it runs out.
struct Reader {
    const std::uint8_t* p;
    std::size_t n;
    template <typename T>
    T take()
    {
        T v{};
        const std::size_t k = std::min(sizeof v, n);
        std::memcpy(&v, p, k);
        p += k;
        n -= k;
        return v;
    }
};

bool write_file(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// The stamp's place in the summary file's header: length, modification time, count.
constexpr std::size_t kStampOffset = 24;
constexpr std::size_t kSummaryHeader = 64;

void exercise(const RecordingFile& file, const RecordingSummary& summary, Reader& in, bool built)
{
    const std::uint64_t n = file.count();
    for (int k = 0; k < 4; ++k) {
        std::uint64_t a = n ? in.take<std::uint16_t>() % (n + 2) : 0;
        std::uint64_t b = n ? in.take<std::uint16_t>() % (n + 2) : 0;
        if (a > b)
            std::swap(a, b);
        std::int16_t low[kRecordingChannels], high[kRecordingChannels];
        if (a < b && b <= n)
            summary.range(file, a, b, low, high);
        const RangeTotals t = summary.totals(file, a, b);
        check(t.count == (a < std::min(b, n) ? std::min(b, n) - a : 0));
        if (built && t.count) { // summaries of these records: exact
            RangeInt sum = 0;
            std::int16_t v[kRecordingChannels];
            for (std::uint64_t i = a; i < a + t.count; ++i) {
                file.values(i, v);
                sum += v[0];
                check(v[0] >= t.low[0] && v[0] <= t.high[0]);
            }
            check(sum == t.sum[0]);
        }
    }
    const double from = in.take<double>(), to = in.take<double>();
    const RecordingFile::Span s = file.span(from, to);
    check(s.first <= s.last && s.last <= n);
    for (std::uint64_t i = s.first; i < s.last && i < s.first + 4; ++i)
        check(!(file.time(i) < std::fmin(from, to)) && !(file.time(i) > std::fmax(from, to)));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/grafion-fuzz-rec-XXXXXX";
    check(::mkdtemp(pattern.data()) != nullptr);
    folder = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader in{data, size};
    const std::uint16_t split = in.take<std::uint16_t>();
    const std::uint8_t choice = in.take<std::uint8_t>();
    const std::size_t recordingSize = std::min<std::size_t>(split, in.n);
    const std::uint8_t* recording = in.p;
    in.p += recordingSize;
    in.n -= recordingSize;
    // The summary file: what follows, up to a marker byte count; the rest picks ranges.
    const std::size_t summarySize = std::min<std::size_t>(in.take<std::uint16_t>(), in.n);
    std::vector<std::uint8_t> summaryBytes(in.p, in.p + summarySize);
    in.p += summarySize;
    in.n -= summarySize;

    const std::string path = folder + "/r.grec";
    const std::string sumPath = RecordingSummary::path_for(path);
    check(write_file(path, recording, recordingSize));
    std::string error;
    std::unique_ptr<RecordingFile> file = RecordingFile::open(path, error);
    if (!file) {
        check(!error.empty());
        return 0;
    }
    const std::uint64_t n = file->count();
    check(file->fileSize() == recordingSize && n == recording_record_count(recordingSize));
    std::int16_t v[kRecordingChannels];
    if (n) {
        file->values(0, v);
        file->values(n - 1, v);
    }

    const SummaryOptions options{2u + choice % 8u, 1u + (choice >> 3) % 16u};
    auto built = RecordingSummary::build(*file, {}, options);
    check(built != nullptr);
    exercise(*file, *built, in, true);

    if (choice & 0x80) // the length the reader expects
        summaryBytes.resize(kSummaryHeader + built->bytes(), 0);
    if (summaryBytes.size() >= kStampOffset + 24) {
        const std::uint64_t stamp[3] = {file->fileSize(), std::uint64_t(file->modifiedNs()), n};
        std::memcpy(&summaryBytes[kStampOffset], stamp, sizeof stamp);
    }
    check(write_file(sumPath, summaryBytes.data(), summaryBytes.size()));
    if (auto read = RecordingSummary::read(sumPath, *file, options))
        exercise(*file, *read, in, false);
    return 0;
}
