#include "Recording_file.h"

#include "Unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string system_error(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

std::unique_ptr<RecordingFile> RecordingFile::open(const std::string& path, std::string& error)
{
    error.clear();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        error = system_error("Cannot open " + path);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = system_error("Cannot read " + path);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + " is not a regular file";
        return nullptr;
    }
    const auto size = std::uint64_t(st.st_size);
    if (size < kRecordingHeaderSize) {
        error = path + " is shorter than a recording's header";
        return nullptr;
    }
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd.get(), 0);
    fd.reset(); // the mapping keeps the file
    if (map == MAP_FAILED) {
        error = system_error("Cannot map " + path);
        return nullptr;
    }
    RecordingHeaderBytes bytes;
    std::memcpy(bytes.data(), map, bytes.size());
    RecordingHeaderResult decoded = recording_decode_header(bytes);
    if (!decoded.header) {
        ::munmap(map, size);
        error = path + ": " + decoded.error;
        return nullptr;
    }

    std::unique_ptr<RecordingFile> file(new RecordingFile);
    file->path_ = path;
    file->header_ = std::move(*decoded.header);
    file->base_ = static_cast<const std::uint8_t*>(map);
    file->size_ = size;
    file->count_ = recording_record_count(size);
    file->mtime_ns_ = std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return file;
}

RecordingFile::~RecordingFile()
{
    if (base_)
        ::munmap(const_cast<std::uint8_t*>(base_), size_);
}

void RecordingFile::release(std::uint64_t first, std::uint64_t last) const
{
    if (!base_ || last <= first)
        return;
    static const std::uint64_t page = std::uint64_t(::sysconf(_SC_PAGESIZE));
    // Whole pages inside the records' bytes only: the pages at the ends may hold records
    // still in use.
    const std::uint64_t from = (recording_record_offset(first) + page - 1) / page * page;
    const std::uint64_t to = std::min(recording_record_offset(last), size_) / page * page;
    if (to > from)
        ::madvise(const_cast<std::uint8_t*>(base_) + from, to - from, MADV_DONTNEED);
}

RecordingFile::Span RecordingFile::span(double tFrom, double tTo) const
{
    if (std::isnan(tFrom) || std::isnan(tTo) || count_ == 0)
        return {};
    const double lo = std::min(tFrom, tTo), hi = std::max(tFrom, tTo);
    const double period = header_.sample_period;
    // The index nearest a time, within 0 .. count_, then stepped to the exact bound by the
    // records' own times.
    auto near = [this, period](double t) {
        const double i = std::floor(t / period);
        return !(i > 0) ? std::uint64_t(0) : i >= double(count_) ? count_ : std::uint64_t(i);
    };
    std::uint64_t first = near(lo), last = near(hi);
    while (first > 0 && time(first - 1) >= lo)
        --first;
    while (first < count_ && time(first) < lo)
        ++first;
    while (last < count_ && time(last) <= hi)
        ++last;
    while (last > first && time(last - 1) > hi)
        --last;
    return {first, std::max(first, last)};
}
