#include "Recording_summary.h"

#include "Fd_write.h"
#include "Unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The summary file: a 64-byte header, then the entries of level 1, level 2, ... in order,
// then the blocks of sums. Version 1 had no sums; such a file is built again.
constexpr char kSummaryMagic[8] = {'G', 'R', 'E', 'C', 'S', 'U', 'M', '\0'};
constexpr std::uint32_t kSummaryVersion = 2;
constexpr std::uint32_t kByteOrderMark = 0x01020304; // written in the machine's own order
constexpr std::size_t kSummaryHeaderSize = 64;

struct SummaryFileHeader {
    char magic[8];
    std::uint32_t version;
    std::uint32_t byte_order;
    std::uint32_t factor;
    std::uint32_t levels;
    std::uint64_t recording_size;
    std::int64_t recording_mtime_ns;
    std::uint64_t count;
    std::uint64_t top_entries;
    std::uint8_t reserved[8];
};
static_assert(sizeof(SummaryFileHeader) == kSummaryHeaderSize);

constexpr std::int16_t kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr std::int16_t kInt16Min = std::numeric_limits<std::int16_t>::min();

void clear(SummaryEntry& e)
{
    std::fill(std::begin(e.low), std::end(e.low), kInt16Max);
    std::fill(std::begin(e.high), std::end(e.high), kInt16Min);
}

void widen(std::int16_t low[], std::int16_t high[], const std::int16_t v[])
{
    for (int ch = 0; ch < kRecordingChannels; ++ch) {
        low[ch] = std::min(low[ch], v[ch]);
        high[ch] = std::max(high[ch], v[ch]);
    }
}

void widen(std::int16_t low[], std::int16_t high[], const SummaryEntry& e)
{
    for (int ch = 0; ch < kRecordingChannels; ++ch) {
        low[ch] = std::min(low[ch], e.low[ch]);
        high[ch] = std::max(high[ch], e.high[ch]);
    }
}

} // namespace

void RecordingSummary::lay_out(std::uint64_t count, SummaryOptions options)
{
    factor_ = std::max<std::uint32_t>(options.factor, 2);
    top_entries_ = options.top_entries;
    count_ = count;
    level_entries_.clear();
    level_span_.clear();
    level_offset_.clear();
    total_entries_ = 0;
    sum_blocks_ = (count + kSumBlock - 1) / kSumBlock;
    std::uint64_t below = count, span = 1;
    while (below > std::max<std::uint64_t>(options.top_entries, 1)) {
        below = (below + factor_ - 1) / factor_;
        span *= factor_;
        level_entries_.push_back(below);
        level_span_.push_back(span);
        level_offset_.push_back(total_entries_);
        total_entries_ += below;
    }
}

RecordingSummary::~RecordingSummary()
{
    if (map_)
        ::munmap(map_, map_size_);
}

std::unique_ptr<RecordingSummary> RecordingSummary::build(const RecordingFile& file,
                                                          const Progress& progress,
                                                          SummaryOptions options)
{
    std::unique_ptr<RecordingSummary> s(new RecordingSummary);
    s->lay_out(file.count(), options);
    s->recording_size_ = file.fileSize();
    s->recording_mtime_ns_ = file.modifiedNs();
    s->owned_.resize(s->total_entries_);
    s->data_ = s->owned_.data();
    s->owned_sums_.assign(s->sum_blocks_, SummarySums{});
    s->sums_ = s->owned_sums_.data();

    // Level 1 and the sums from the records, in one pass; progress is told every million
    // samples. Without levels the pass makes the sums only.
    const std::uint64_t n = file.count();
    const std::uint32_t f = s->levels() ? s->factor_ : std::uint32_t(kSumBlock);
    SummaryEntry* level1 = s->owned_.data();
    constexpr std::uint64_t kReportEvery = std::uint64_t(1) << 20;
    std::uint64_t nextReport = kReportEvery;
    for (std::uint64_t j = 0, first = 0; first < n; ++j, first += f) {
        SummaryEntry e;
        clear(e);
        const std::uint64_t last = std::min<std::uint64_t>(first + f, n);
        std::int16_t v[kRecordingChannels];
        for (std::uint64_t i = first; i < last; ++i) {
            file.values(i, v);
            widen(e.low, e.high, v);
            SummarySums& block = s->owned_sums_[i / kSumBlock];
            for (int ch = 0; ch < kRecordingChannels; ++ch) {
                block.sum[ch] += v[ch];
                block.square[ch] += std::int64_t(v[ch]) * v[ch];
            }
        }
        if (s->levels())
            level1[j] = e;
        if (last >= nextReport) {
            file.release(nextReport - kReportEvery, last);
            nextReport += kReportEvery;
            if (progress && !progress(double(last) / double(n)))
                return nullptr;
        }
    }
    // Each further level from the one below.
    for (int level = 2; level <= s->levels(); ++level) {
        const SummaryEntry* below = &s->owned_[s->level_offset_[std::size_t(level - 2)]];
        const std::uint64_t belowCount = s->entries(level - 1);
        SummaryEntry* out = &s->owned_[s->level_offset_[std::size_t(level - 1)]];
        for (std::uint64_t j = 0; j < s->entries(level); ++j) {
            SummaryEntry e;
            clear(e);
            const std::uint64_t end = std::min<std::uint64_t>((j + 1) * f, belowCount);
            for (std::uint64_t i = j * f; i < end; ++i)
                widen(e.low, e.high, below[i]);
            out[j] = e;
        }
    }
    file.release(0, n);
    if (progress)
        progress(1.0);
    return s;
}

std::unique_ptr<RecordingSummary> RecordingSummary::read(const std::string& path,
                                                         const RecordingFile& file,
                                                         SummaryOptions options)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return nullptr;
    std::unique_ptr<RecordingSummary> s(new RecordingSummary);
    s->lay_out(file.count(), options);
    struct stat st {};
    SummaryFileHeader h{};
    const std::uint64_t expected = kSummaryHeaderSize + s->bytes();
    const bool fits = ::fstat(fd.get(), &st) == 0 && std::uint64_t(st.st_size) == expected
                      && ::pread(fd.get(), &h, sizeof h, 0) == ssize_t(sizeof h)
                      && std::memcmp(h.magic, kSummaryMagic, sizeof h.magic) == 0
                      && h.version == kSummaryVersion && h.byte_order == kByteOrderMark
                      && h.factor == s->factor_ && h.levels == std::uint32_t(s->levels())
                      && h.recording_size == file.fileSize()
                      && h.recording_mtime_ns == file.modifiedNs() && h.count == file.count()
                      && h.top_entries == options.top_entries;
    void* map = MAP_FAILED;
    if (fits)
        map = ::mmap(nullptr, expected, PROT_READ, MAP_SHARED, fd.get(), 0);
    fd.reset();
    if (map == MAP_FAILED)
        return nullptr;
    s->map_ = map;
    s->map_size_ = expected;
    const char* body = static_cast<const char*>(map) + kSummaryHeaderSize;
    s->data_ = reinterpret_cast<const SummaryEntry*>(body);
    s->sums_ =
        reinterpret_cast<const SummarySums*>(body + s->total_entries_ * sizeof(SummaryEntry));
    s->recording_size_ = file.fileSize();
    s->recording_mtime_ns_ = file.modifiedNs();
    return s;
}

bool RecordingSummary::write(const std::string& path, std::string& error) const
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = "Cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    SummaryFileHeader h{};
    std::memcpy(h.magic, kSummaryMagic, sizeof h.magic);
    h.version = kSummaryVersion;
    h.byte_order = kByteOrderMark;
    h.factor = factor_;
    h.levels = std::uint32_t(levels());
    h.recording_size = recording_size_;
    h.recording_mtime_ns = recording_mtime_ns_;
    h.count = count_;
    h.top_entries = top_entries_;
    const bool ok = write_all(fd, &h, sizeof h)
                    && write_all(fd, data_, total_entries_ * sizeof(SummaryEntry))
                    && write_all(fd, sums_, sum_blocks_ * sizeof(SummarySums));
    const int saved = errno;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        error = "Cannot write " + path + ": " + std::strerror(ok ? errno : saved);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::unique_ptr<RecordingSummary> RecordingSummary::load_or_build(const RecordingFile& file,
                                                                  const Progress& progress,
                                                                  Origin* origin,
                                                                  SummaryOptions options)
{
    const std::string path = path_for(file.path());
    if (auto s = read(path, file, options)) {
        if (origin)
            *origin = Origin::Read;
        return s;
    }
    auto s = build(file, progress, options);
    if (!s)
        return nullptr;
    std::string error;
    const bool kept = s->write(path, error);
    if (origin)
        *origin = kept ? Origin::BuiltAndKept : Origin::BuiltInMemory;
    return s;
}

void RecordingSummary::range(const RecordingFile& file, std::uint64_t a, std::uint64_t b,
                             std::int16_t low[kRecordingChannels],
                             std::int16_t high[kRecordingChannels]) const
{
    std::fill(low, low + kRecordingChannels, kInt16Max);
    std::fill(high, high + kRecordingChannels, kInt16Min);
    const std::uint64_t n = std::min(count_, file.count());
    b = std::min(b, n);
    if (a >= b)
        return;
    std::int16_t v[kRecordingChannels];
    auto take = [&](int level, std::uint64_t from, std::uint64_t to) {
        if (level == 0) {
            for (std::uint64_t i = from; i < to; ++i) {
                file.values(i, v);
                widen(low, high, v);
            }
        } else {
            for (std::uint64_t i = from; i < to; ++i)
                widen(low, high, entry(level, i));
        }
    };

    // Up the levels: at each, a .. b in units of that level (samples at level 0), split into
    // the ragged ends outside the whole units of the next level, kept for later, and those
    // whole units, taken at the next level; where no whole unit of the next level fits, the
    // rest is taken at this level.
    struct Piece {
        int level;
        std::uint64_t from, to;
        std::uint64_t bound; // the entry of level + 1 that holds the piece
    };
    Piece pieces[2 * 64];
    int count = 0;
    const bool toEnd = b == n;
    std::uint64_t ia = a, ib = b;
    for (int level = 0;; ++level) {
        const std::uint64_t units = level == 0 ? n : entries(level);
        std::uint64_t ja = 0, jb = 0;
        if (level < levels()) {
            ja = (ia + factor_ - 1) / factor_;
            jb = toEnd && ib == units ? entries(level + 1) : ib / factor_;
        }
        if (level == levels() || ja >= jb) {
            take(level, ia, ib);
            break;
        }
        if (ia < ja * factor_)
            pieces[count++] = Piece{level, ia, ja * factor_, ja - 1};
        if (jb * factor_ < ib)
            pieces[count++] = Piece{level, jb * factor_, ib, jb};
        ia = ja;
        ib = jb;
    }
    // Down again, the ragged ends, highest level first: an end whose enclosing entry lies
    // inside the range found so far on every channel cannot widen it and is not read (most
    // of the records at the ends are never touched).
    for (int k = count - 1; k >= 0; --k) {
        const Piece& p = pieces[k];
        const SummaryEntry& e = entry(p.level + 1, p.bound);
        bool inside = true;
        for (int ch = 0; ch < kRecordingChannels; ++ch)
            inside &= e.low[ch] >= low[ch] && e.high[ch] <= high[ch];
        if (!inside)
            take(p.level, p.from, p.to);
    }
}

RangeTotals RecordingSummary::totals(const RecordingFile& file, std::uint64_t a,
                                     std::uint64_t b) const
{
    RangeTotals t;
    b = std::min({b, count_, file.count()});
    if (a >= b)
        return t;
    t.count = b - a;
    range(file, a, b, t.low, t.high);
    std::int16_t v[kRecordingChannels];
    auto records = [&](std::uint64_t from, std::uint64_t to) {
        for (std::uint64_t i = from; i < to; ++i) {
            file.values(i, v);
            for (int ch = 0; ch < kRecordingChannels; ++ch) {
                t.sum[ch] += v[ch];
                t.square[ch] += std::int64_t(v[ch]) * v[ch];
            }
        }
    };
    // Whole blocks ka .. kb - 1 lie inside; the records before and after them are read.
    const std::uint64_t ka = (a + kSumBlock - 1) / kSumBlock;
    const std::uint64_t kb = b == count_ ? sum_blocks_ : b / kSumBlock;
    if (ka >= kb) {
        records(a, b);
        return t;
    }
    records(a, ka * kSumBlock);
    for (std::uint64_t k = ka; k < kb; ++k)
        for (int ch = 0; ch < kRecordingChannels; ++ch) {
            t.sum[ch] += sums_[k].sum[ch];
            t.square[ch] += sums_[k].square[ch];
        }
    records(std::min(kb * kSumBlock, b), b);
    return t;
}
