// Building the PC's messages: the standing poll and discovery messages and the queued ones.
#include "Globvar.h"
#include "Netcom.h"
#include "Wire.h"

#include <cstring>

std::unique_ptr<NetMessage> poll_message;
std::unique_ptr<NetMessage> discovery_message;

namespace {

// Writes an IPv4 word kept in dotted order in memory as its four address bytes.
void put_dotted(std::uint8_t* p, std::uint32_t address)
{
    std::memcpy(p, &address, 4);
}

// Under netif_lock, so an adapter selection on the main thread is seen whole.
void fill_discovery_payload(NetMessage& message)
{
    std::lock_guard guard(link_state.netif_lock);
    std::uint8_t* p = message.bytes.data();
    put_dotted(p + wire::discovery_msg::kLocalIp, link_state.netif_local_ip.load());
    put_dotted(p + wire::discovery_msg::kMask, link_state.netif_mask.load());
    put_dotted(p + wire::discovery_msg::kGateway, link_state.netif_gateway.load());
    std::memcpy(p + wire::discovery_msg::kMac, link_state.netif_mac.data(),
                link_state.netif_mac.size());
}

} // namespace

std::unique_ptr<NetMessage> make_message(std::uint16_t type, std::uint16_t length)
{
    auto message = std::make_unique<NetMessage>();
    message->length = length;
    message->bytes.assign(length, 0);
    if (length >= FRAME_HEADER_SIZE) {
        put_u16_be(message->bytes.data() + wire::header::kType, type);
        put_u16_be(message->bytes.data() + wire::header::kLength, length);
    }
    return message;
}

void build_poll_message()
{
    if (!poll_message)
        poll_message = make_message(MSG_POLL, wire::poll_msg::kSize);
}

void build_discovery_message()
{
    if (discovery_message)
        return;
    discovery_message = make_message(MSG_DISCOVERY, wire::discovery_msg::kSize);
    fill_discovery_payload(*discovery_message);
}

void refresh_discovery_message()
{
    if (discovery_message)
        fill_discovery_payload(*discovery_message);
}

void free_standing_messages()
{
    poll_message.reset();
    discovery_message.reset();
}

void send_start_acquisition()
{
    queue_push(make_message(MSG_START, wire::start_msg::kSize));
}

void send_block_ack()
{
    auto message = make_message(MSG_BLOCK_ACK, wire::block_ack_msg::kSize);
    put_u16_be(message->bytes.data() + wire::block_ack_msg::kCounter,
               link_state.block_counter.load());
    queue_push(std::move(message));
}

void send_channel_config()
{
    auto message = make_message(MSG_CHANNEL_CONFIG, wire::channel_config_msg::kSize);
    std::memcpy(message->bytes.data() + wire::channel_config_msg::kChannels,
                link_state.channel_select.data(), link_state.channel_select.size());
    message->bytes[wire::channel_config_msg::kEventChannel] =
        link_state.settings.event_channel.load();
    queue_push(std::move(message));
}

void send_event_reset()
{
    queue_push(make_message(MSG_EVENT_RESET, wire::event_reset_msg::kSize));
}

void send_param_write(const float& entry)
{
    // The index is the entry's position in the table; compare addresses without forming a
    // pointer outside the array.
    std::size_t index = PARAM_COUNT;
    for (std::size_t i = 0; i < PARAM_COUNT; ++i) {
        if (&link_state.param_values[i] == &entry) {
            index = i;
            break;
        }
    }
    if (index == PARAM_COUNT)
        return;
    auto message = make_message(MSG_PARAM_WRITE, wire::param_write_msg::kSize);
    put_u16_be(message->bytes.data() + wire::param_write_msg::kIndex,
               static_cast<std::uint16_t>(index));
    put_f32_be(message->bytes.data() + wire::param_write_msg::kValue, entry);
    queue_push(std::move(message));
}

void send_param_request(std::uint16_t index)
{
    auto message = make_message(MSG_PARAM_REQUEST, wire::param_request_msg::kSize);
    put_u16_be(message->bytes.data() + wire::param_request_msg::kIndex, index);
    queue_push(std::move(message));
}
