#include "Sample_sink.h"

#include <mutex>

namespace {

// The lock is taken by the socket thread for each block and by the owner only to set or
// clear the sink, so the socket thread waits at most for a pointer to be stored.
std::mutex sink_mutex;
SampleSink* sink = nullptr;

} // namespace

void sample_sink_set(SampleSink* new_sink)
{
    std::lock_guard lock(sink_mutex);
    sink = new_sink;
}

void sample_sink_deliver(const SampleSlot* samples, std::size_t count, std::uint32_t flags)
{
    std::lock_guard lock(sink_mutex);
    if (sink != nullptr)
        sink->on_samples(samples, count, flags);
}
