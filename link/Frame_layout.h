// Where each field of the controller's frames lies: the types, total lengths and byte
// offsets of every frame the PC sends or reads, counted from the first byte of the frame.
//
// Every frame, in both directions: u16 type, u16 total length (header included), payload;
// all multi-byte fields big-endian (Wire.h). The discovery answer is a datagram of its own
// shape (only the address in it is read).
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Frame types ---------------------------------------------------------------------------

// Types of the messages the PC sends.
constexpr std::uint16_t MSG_DISCOVERY = 0;
constexpr std::uint16_t MSG_POLL = 1;
constexpr std::uint16_t MSG_START = 2;
constexpr std::uint16_t MSG_BLOCK_ACK = 3;
constexpr std::uint16_t MSG_CHANNEL_CONFIG = 4;
constexpr std::uint16_t MSG_EVENT_RESET = 5;
constexpr std::uint16_t MSG_PARAM_WRITE = 6;
constexpr std::uint16_t MSG_PARAM_REQUEST = 7;

// Types of the replies the controller sends (0..10).
constexpr std::uint16_t REPLY_POLL = 1;
constexpr std::uint16_t REPLY_START = 2;
constexpr std::uint16_t REPLY_SAMPLE_BLOCK = 3;
constexpr std::uint16_t REPLY_PARAM_WRITE = 6;
constexpr std::uint16_t REPLY_PARAM_REQUEST = 7;
constexpr std::uint16_t REPLY_STATUS_WORD = 10;
constexpr std::uint16_t FRAME_TYPE_COUNT = 11;

// ---- The header of every frame -------------------------------------------------------------

namespace wire::header {
constexpr std::size_t kType = 0;    // u16
constexpr std::size_t kLength = 2;  // u16, total length of the frame
constexpr std::size_t kPayload = 4; // first byte after the header
} // namespace wire::header

constexpr std::uint32_t FRAME_HEADER_SIZE = wire::header::kPayload;

// ---- Messages the PC sends -----------------------------------------------------------------

namespace wire::discovery_msg {
constexpr std::uint16_t kSize = 22;
constexpr std::size_t kLocalIp = 4;  // PC interface address, 4 bytes, first octet first
constexpr std::size_t kMask = 8;     // its network mask, likewise
constexpr std::size_t kGateway = 12; // its default gateway, likewise
constexpr std::size_t kMac = 16;     // its hardware address, 6 bytes
} // namespace wire::discovery_msg

namespace wire::poll_msg {
constexpr std::uint16_t kSize = 4; // header only
} // namespace wire::poll_msg

namespace wire::start_msg {
constexpr std::uint16_t kSize = 4; // header only
} // namespace wire::start_msg

namespace wire::block_ack_msg {
constexpr std::uint16_t kSize = 6;
constexpr std::size_t kCounter = 4; // u16 block_counter
} // namespace wire::block_ack_msg

namespace wire::channel_config_msg {
constexpr std::uint16_t kSize = 13;
constexpr std::size_t kChannels = 4;      // channel_select, one byte per channel (8)
constexpr std::size_t kEventChannel = 12; // one byte
} // namespace wire::channel_config_msg

namespace wire::event_reset_msg {
constexpr std::uint16_t kSize = 4; // header only
} // namespace wire::event_reset_msg

namespace wire::param_write_msg {
constexpr std::uint16_t kSize = 10;
constexpr std::size_t kIndex = 4; // u16
constexpr std::size_t kValue = 6; // IEEE single
} // namespace wire::param_write_msg

namespace wire::param_request_msg {
constexpr std::uint16_t kSize = 6;
constexpr std::size_t kIndex = 4; // u16
} // namespace wire::param_request_msg

// ---- What the controller sends -------------------------------------------------------------

// The datagram answering a discovery message.
namespace wire::discovery_answer {
constexpr std::size_t kAddress = 4; // controller address, 4 bytes, first octet first
constexpr std::size_t kMinSize = 8; // shorter datagrams are no answer
} // namespace wire::discovery_answer

namespace wire::poll_reply {
constexpr std::size_t kFirstWord = 4;  // i16
constexpr std::size_t kSecondWord = 6; // i16
constexpr std::uint32_t kMinSize = 8;
} // namespace wire::poll_reply

namespace wire::start_reply {
constexpr std::size_t kModulus = 4; // u16 block_modulus
constexpr std::uint32_t kMinSize = 6;
} // namespace wire::start_reply

namespace wire::sample_block {
constexpr std::size_t kSequence = 4;      // u16, the controller's own block number
constexpr std::size_t kCount = 6;         // u16, samples in the block
constexpr std::size_t kEvent = 8;         // one byte, 1 when the event occurred
constexpr std::size_t kSamples = 9;       // first sample
constexpr std::uint32_t kSampleSize = 16; // 8 channels x i16
} // namespace wire::sample_block

constexpr std::uint32_t SAMPLE_BLOCK_HEADER_SIZE = wire::sample_block::kSamples;
constexpr std::uint32_t SAMPLE_SIZE = wire::sample_block::kSampleSize;

// Replies to a parameter write and to a parameter request.
namespace wire::param_reply {
constexpr std::size_t kIndex = 4; // u16
constexpr std::size_t kValue = 6; // IEEE single
constexpr std::uint32_t kMinSize = 10;
} // namespace wire::param_reply

namespace wire::status_word_reply {
constexpr std::size_t kValue = 4; // u16
constexpr std::uint32_t kMinSize = 6;
} // namespace wire::status_word_reply

// Each frame's fields follow one another without gaps and end where the frame does.
namespace wire {
static_assert(discovery_msg::kMask == discovery_msg::kLocalIp + 4
              && discovery_msg::kGateway == discovery_msg::kMask + 4
              && discovery_msg::kMac == discovery_msg::kGateway + 4
              && discovery_msg::kSize == discovery_msg::kMac + 6);
static_assert(block_ack_msg::kSize == block_ack_msg::kCounter + 2);
static_assert(channel_config_msg::kEventChannel == channel_config_msg::kChannels + 8
              && channel_config_msg::kSize == channel_config_msg::kEventChannel + 1);
static_assert(param_write_msg::kValue == param_write_msg::kIndex + 2
              && param_write_msg::kSize == param_write_msg::kValue + 4);
static_assert(param_request_msg::kSize == param_request_msg::kIndex + 2);
static_assert(discovery_answer::kMinSize == discovery_answer::kAddress + 4);
static_assert(poll_reply::kSecondWord == poll_reply::kFirstWord + 2
              && poll_reply::kMinSize == poll_reply::kSecondWord + 2);
static_assert(start_reply::kMinSize == start_reply::kModulus + 2);
static_assert(sample_block::kCount == sample_block::kSequence + 2
              && sample_block::kEvent == sample_block::kCount + 2
              && sample_block::kSamples == sample_block::kEvent + 1
              && sample_block::kSampleSize == 8 * 2);
static_assert(param_reply::kValue == param_reply::kIndex + 2
              && param_reply::kMinSize == param_reply::kValue + 4);
static_assert(status_word_reply::kMinSize == status_word_reply::kValue + 2);
} // namespace wire
