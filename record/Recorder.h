#pragma once
// The recorder: appends every sample the link receives to a recording file (Recording_format.h)
// from the moment it starts until it is stopped, the disk fills up or a write fails.
//
// The socket thread hands each sample block to on_samples(), which encodes the records into a
// preallocated queue and returns: it never waits for the disk, nor for any other thread. A
// writer thread of the recorder's own takes the records from the queue and write()s them at
// least every kWriteInterval, and calls fdatasync() about once a second, so that a crash or
// power cut loses at most about a second. The queue is the whole of the recorder's memory
// besides its few fields: kDefaultQueueRecords records of 20 bytes (16 MB), 8 s at 100 000
// samples per second. Should it ever fill (a disk that stalls for longer than that), the
// recording stops with RecorderFailure::Overflow: it never leaves samples out silently.
//
// A write or sync that fails (a full disk, a file size limit, an I/O error) stops the
// recording: the file is cut back to its last whole record, so it stays readable, and
// status() reports why. The owner polls status() (any thread) and calls stop().
#include "Recording_format.h"
#include "Sample_sink.h"
#include "Unique_fd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class RecorderState {
    Idle,    // never started, or stopped
    Running, // recording
    Failed,  // stopped by itself (see RecorderFailure); stop() still has to be called
};

enum class RecorderFailure {
    None,
    Write,    // write() or fdatasync() failed: errno in RecorderStatus::error_number
    Overflow, // the queue was full when a block came: the disk did not keep up
};

struct RecorderStatus {
    RecorderState state = RecorderState::Idle;
    RecorderFailure failure = RecorderFailure::None;
    int error_number = 0;               // errno of a Write failure
    std::uint64_t samples_written = 0;  // records in the file (written, perhaps not yet synced)
    std::uint64_t samples_received = 0; // records handed over (written or queued)
    std::uint64_t file_bytes = 0;       // the header and the records written
};

class Recorder : public SampleSink {
public:
    static constexpr std::size_t kDefaultQueueRecords = 800'000;
    static constexpr std::chrono::milliseconds kWriteInterval{20};
    static constexpr std::chrono::milliseconds kSyncInterval{1000};

    explicit Recorder(std::size_t queue_records = kDefaultQueueRecords);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Creates (or empties) the file at `path`, writes the header with the start time set to
    // now, starts the writer thread and takes the link's samples (sample_sink_set). False,
    // with errno's value in `error_number`, when the file cannot be created or its header
    // not written (nothing is left behind then).
    bool start(const std::string& path, RecordingHeader header, int* error_number = nullptr);
    // Stops taking samples, writes what is queued, syncs and closes the file. Returns the
    // final status (state Idle, or Failed when the recording failed before or meanwhile).
    RecorderStatus stop();
    bool running() const { return writer_.joinable(); }

    RecorderStatus status() const;
    std::size_t queue_bytes() const { return queue_.size(); }

    // SampleSink: socket thread (or a test's thread), one producer at a time.
    void on_samples(const SampleSlot* samples, std::size_t count, std::uint32_t flags) override;

private:
    void writerLoop();
    // Writes records [from, to) of the queue; false after a failure.
    bool writeRecords(std::uint64_t from, std::uint64_t to);
    bool sync();
    void fail(RecorderFailure failure, int error_number);

    const std::size_t capacity_; // records the queue holds
    std::vector<std::uint8_t> queue_;
    std::atomic<std::uint64_t> head_{0}; // records queued (producer)
    std::atomic<std::uint64_t> tail_{0}; // records written to the file (writer)
    std::atomic<RecorderState> state_{RecorderState::Idle};
    std::atomic<RecorderFailure> failure_{RecorderFailure::None};
    std::atomic<int> error_number_{0};
    std::mutex fail_mutex_; // serialises fail(); the socket thread takes it only on a failure

    UniqueFd fd_;
    std::uint64_t synced_ = 0; // records covered by the last fdatasync (writer thread)
    std::mutex wake_mutex_;
    std::condition_variable wake_;
    bool stopping_ = false; // under wake_mutex_
    std::thread writer_;
};
