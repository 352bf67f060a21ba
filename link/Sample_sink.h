// A consumer of every sample block the link receives during an acquisition, called on the
// socket thread as each block is decoded (before the display sees it, and whether or not the
// display keeps up). The owner sets it with sample_sink_set(); the link does not know what
// the consumer does with the samples.
#pragma once

#include "Globvar.h"

#include <cstddef>
#include <cstdint>

// Flags of a block handed to the sink.
constexpr std::uint32_t SAMPLES_EVENT = 0x1;   // the block carried the event flag
constexpr std::uint32_t SAMPLES_RESUMED = 0x2; // the first block since the link was lost

class SampleSink {
public:
    virtual ~SampleSink() = default;
    // Socket thread. The samples of one block, oldest first. It must return quickly and
    // never wait for another thread: the link's request/reply cycle waits for it.
    virtual void on_samples(const SampleSlot* samples, std::size_t count, std::uint32_t flags) = 0;
};

// Any thread. Sets (or, with nullptr, clears) the sink. When it returns, no call to the
// previous sink is running or will start: its owner may then destroy it.
void sample_sink_set(SampleSink* sink);

// Socket thread: hands a block to the sink, if one is set.
void sample_sink_deliver(const SampleSlot* samples, std::size_t count, std::uint32_t flags);
