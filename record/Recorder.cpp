#include "Recorder.h"

#include "Fd_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>

namespace {

std::int32_t local_utc_offset(std::time_t now)
{
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        return 0;
    return static_cast<std::int32_t>(local.tm_gmtoff);
}

} // namespace

Recorder::Recorder(std::size_t queue_records)
    : capacity_(std::max<std::size_t>(queue_records, 1)), queue_(capacity_ * kRecordingRecordSize)
{}

Recorder::~Recorder()
{
    stop();
}

bool Recorder::start(const std::string& path, RecordingHeader header, int* error_number)
{
    if (running())
        stop();
    // Past a file size limit, write() is to fail with EFBIG and end the recording with a
    // message, rather than the signal ending the whole process.
    std::signal(SIGXFSZ, SIG_IGN);

    const auto now = std::chrono::system_clock::now();
    header.start_time_us =
        std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
    header.utc_offset_s = local_utc_offset(std::chrono::system_clock::to_time_t(now));
    const RecordingHeaderBytes bytes = recording_encode_header(header);

    fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd_ || !write_all(fd_.get(), bytes.data(), bytes.size())) {
        const int error = errno;
        if (fd_) {
            fd_.reset();
            ::unlink(path.c_str());
        }
        if (error_number != nullptr)
            *error_number = error;
        return false;
    }

    head_ = 0;
    tail_ = 0;
    synced_ = 0;
    error_number_ = 0;
    failure_ = RecorderFailure::None;
    {
        std::lock_guard lock(wake_mutex_);
        stopping_ = false;
    }
    state_.store(RecorderState::Running, std::memory_order_release);
    writer_ = std::thread([this] { writerLoop(); });
    sample_sink_set(this);
    return true;
}

RecorderStatus Recorder::stop()
{
    if (!running())
        return status();
    sample_sink_set(nullptr); // no block is being handed over once this returns
    {
        std::lock_guard lock(wake_mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
    fd_.reset();
    if (state_.load() == RecorderState::Running)
        state_ = RecorderState::Idle;
    return status();
}

RecorderStatus Recorder::status() const
{
    RecorderStatus s;
    s.state = state_.load(std::memory_order_acquire);
    s.failure = failure_.load();
    s.error_number = error_number_.load();
    s.samples_written = tail_.load();
    s.samples_received = head_.load();
    s.file_bytes = recording_record_offset(s.samples_written);
    return s;
}

void Recorder::on_samples(const SampleSlot* samples, std::size_t count, std::uint32_t flags)
{
    if (state_.load(std::memory_order_relaxed) != RecorderState::Running || count == 0)
        return;
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    const std::uint64_t tail = tail_.load(std::memory_order_acquire);
    if (head - tail + count > capacity_) {
        fail(RecorderFailure::Overflow, 0);
        return;
    }
    std::uint32_t first_flags = kRecordBlockStart;
    if (flags & SAMPLES_EVENT)
        first_flags |= kRecordEvent;
    if (flags & SAMPLES_RESUMED)
        first_flags |= kRecordResumed;
    RecordingRecord record;
    for (std::size_t i = 0; i < count; ++i) {
        for (int ch = 0; ch < kRecordingChannels; ++ch)
            record.value[std::size_t(ch)] = samples[i][std::size_t(ch)];
        record.flags = i == 0 ? first_flags : 0;
        const std::size_t slot = std::size_t((head + i) % capacity_);
        recording_encode_record(record, queue_.data() + slot * kRecordingRecordSize);
    }
    head_.store(head + count, std::memory_order_release);
}

void Recorder::fail(RecorderFailure failure, int error_number)
{
    // The socket thread (a full queue) and the writer (a failed write) may both fail at
    // once: the first one's reason is kept, and published with the state.
    std::lock_guard lock(fail_mutex_);
    if (state_.load(std::memory_order_relaxed) != RecorderState::Running)
        return;
    error_number_ = error_number;
    failure_ = failure;
    state_.store(RecorderState::Failed, std::memory_order_release);
}

void Recorder::writerLoop()
{
    auto last_sync = std::chrono::steady_clock::now();
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock lock(wake_mutex_);
            wake_.wait_for(lock, kWriteInterval, [this] { return stopping_; });
            stopping = stopping_;
        }
        // What was queued before a failure is still written: the file then ends where the
        // recording stopped.
        const std::uint64_t head = head_.load(std::memory_order_acquire);
        const bool written = writeRecords(tail_.load(std::memory_order_relaxed), head);
        const auto now = std::chrono::steady_clock::now();
        if (written && (stopping || now - last_sync >= kSyncInterval)) {
            if (!sync())
                return;
            last_sync = now;
        }
        if (stopping || !written)
            return;
    }
}

bool Recorder::writeRecords(std::uint64_t from, std::uint64_t to)
{
    while (from < to) {
        // The records up to the end of the queue's storage, or up to `to`.
        const std::size_t slot = std::size_t(from % capacity_);
        const std::uint64_t count = std::min<std::uint64_t>(to - from, capacity_ - slot);
        const std::uint8_t* bytes = queue_.data() + slot * kRecordingRecordSize;
        std::size_t done = 0;
        if (!write_all(fd_.get(), bytes, std::size_t(count) * kRecordingRecordSize, &done)) {
            const int error = errno;
            // The whole records that reached the file stay; part of the next one may have
            // reached it too: the file is cut back to the last whole record.
            from += done / kRecordingRecordSize;
            [[maybe_unused]] const int cut =
                ::ftruncate(fd_.get(), off_t(recording_record_offset(from)));
            tail_.store(from, std::memory_order_release);
            fail(RecorderFailure::Write, error);
            return false;
        }
        from += count;
        tail_.store(from, std::memory_order_release);
    }
    return true;
}

bool Recorder::sync()
{
    const std::uint64_t written = tail_.load(std::memory_order_relaxed);
    if (written == synced_)
        return true;
    if (::fdatasync(fd_.get()) != 0) {
        fail(RecorderFailure::Write, errno);
        return false;
    }
    synced_ = written;
    return true;
}
