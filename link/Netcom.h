// The controller protocol: the messages the PC sends, the queue of outgoing messages, the
// standing poll and discovery messages, and the handlers that turn controller replies into
// link state (Globvar.h). The frames themselves are laid out in Frame_layout.h.
#pragma once

#include "Frame_layout.h"

#include <cstdint>
#include <memory>
#include <vector>

// ---- Messages ----------------------------------------------------------------------------

// One outgoing frame. `length` equals bytes.size().
struct NetMessage {
    std::uint16_t length = 0;
    std::vector<std::uint8_t> bytes;
};

// A zeroed frame of the given type and total length with its header filled in.
std::unique_ptr<NetMessage> make_message(std::uint16_t type, std::uint16_t length);

// ---- Standing messages -------------------------------------------------------------------

// Never queued: the socket thread sends poll_message when the queue is empty and
// discovery_message on each discovery pass. Built at start-up, freed at the end.
extern std::unique_ptr<NetMessage> poll_message;
extern std::unique_ptr<NetMessage> discovery_message;

void build_poll_message();        // 00 01 00 04, if not yet built
void build_discovery_message();   // type 0 from the current interface data, if not yet built
void refresh_discovery_message(); // copy the current interface data again (before a broadcast)
void free_standing_messages();

// ---- Send queue --------------------------------------------------------------------------

constexpr std::uint16_t SEND_QUEUE_MAX = 100;

// The queue exists while its lock does: the link start creates the lock, the link shutdown
// closes it (after the socket thread has ended), freeing whatever is still queued. Without
// the lock every queue call gives up as if the lock could not be taken.
void send_queue_lock_create();
void send_queue_lock_close();

// Each queue call takes the lock in at most link_config.queue_lock_attempts attempts of
// link_config.queue_lock_wait; when none succeeds it gives up without touching the queue.
// Taking the lock as every queue call does (a binary semaphore: any thread may release it).
bool send_queue_lock_take();                          // false when not obtained (or no lock)
void send_queue_lock_release();                       // after a successful take
void queue_push(std::unique_ptr<NetMessage> message); // dropped when full (100) or unlocked
NetMessage* queue_peek();                 // the head, still queued (owned by the queue), or null
void queue_pop();                         // remove and free the head
std::unique_ptr<NetMessage> queue_take(); // remove the head and hand it over (null: none)
void queue_flush();                       // remove and free every message
std::uint16_t queue_count();

// ---- Send operations (queue the message and return; callable from either thread) ---------

void send_start_acquisition();
void send_block_ack();
void send_channel_config();
void send_event_reset();
// `entry` must be an element of param_values; its position is the index sent. A reference
// to anything else sends nothing.
void send_param_write(const float& entry);
void send_param_request(std::uint16_t index);

// ---- Receive -----------------------------------------------------------------------------

using FrameHandler = void (*)(const std::uint8_t* bytes, std::uint32_t length);

// Indexed by reply type; every handler gets a whole frame whose length field has been
// checked against `length`.
extern const FrameHandler frame_handlers[FRAME_TYPE_COUNT];

// Dispatcher of every stream read (socket thread). A read shorter than a header, of an
// unknown type, or whose length field differs from the bytes read is dropped: each reply
// must arrive in one piece and alone.
void on_frame(const std::uint8_t* bytes, std::uint32_t length);
// True when on_frame hands such a read to a handler: one whole frame of a known type.
bool frame_is_whole(const std::uint8_t* bytes, std::uint32_t length);

// A reply to `sent` (a queued message or the poll) came but was no use: not one whole frame
// of a known type. The message has left the queue; this counts the reply and, for a sample
// block acknowledgement while an acquisition is on, asks for the samples again with the
// unchanged counter.
void on_unusable_reply(const NetMessage& sent);

void ignore_frame(const std::uint8_t* bytes, std::uint32_t length);
void on_poll_reply(const std::uint8_t* bytes, std::uint32_t length);
void on_start_reply(const std::uint8_t* bytes, std::uint32_t length);
void on_sample_block(const std::uint8_t* bytes, std::uint32_t length);
void on_param_write_reply(const std::uint8_t* bytes, std::uint32_t length);
void on_param_request_reply(const std::uint8_t* bytes, std::uint32_t length);
void on_status_word(const std::uint8_t* bytes, std::uint32_t length);
