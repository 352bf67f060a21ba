#include "Recording_format.h"
#include "Wire.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace {

// The longest prefix of text that fits in limit bytes without cutting a UTF-8 character.
std::string_view fit_utf8(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n; // text[n] continues a character that began before it
    return text.substr(0, n);
}

} // namespace

RecordingHeaderBytes recording_encode_header(const RecordingHeader& header)
{
    using namespace recording_header;
    RecordingHeaderBytes b{};
    std::memcpy(b.data() + kMagic, kRecordingMagic.data(), kRecordingMagic.size());
    put_u16_le(b.data() + kVersion, header.version);
    put_u16_le(b.data() + kHeaderSize, kRecordingHeaderSize);
    put_u16_le(b.data() + kRecordSize, kRecordingRecordSize);
    put_u16_le(b.data() + kChannels, kRecordingChannels);
    put_u64_le(b.data() + kStartTime, static_cast<std::uint64_t>(header.start_time_us));
    put_u32_le(b.data() + kUtcOffset, static_cast<std::uint32_t>(header.utc_offset_s));
    b[kTriggerMode] = header.trigger_mode;
    b[kEventChannel] = header.event_channel;
    put_u64_le(b.data() + kSamplePeriod, std::bit_cast<std::uint64_t>(header.sample_period));
    for (int ch = 0; ch < kRecordingChannels; ++ch) {
        put_u32_le(b.data() + kColours + 4 * ch, header.colour[ch]);
        const std::string_view name = fit_utf8(header.name[ch], kRecordingNameSize - 1);
        std::memcpy(b.data() + kNames + kRecordingNameSize * ch, name.data(), name.size());
    }
    return b;
}

RecordingHeaderResult recording_decode_header(const RecordingHeaderBytes& b)
{
    using namespace recording_header;
    RecordingHeaderResult result;
    if (std::memcmp(b.data() + kMagic, kRecordingMagic.data(), kRecordingMagic.size()) != 0) {
        result.error = "not a Grafion recording";
        return result;
    }
    RecordingHeader h;
    h.version = get_u16_le(b.data() + kVersion);
    if (h.version != kRecordingVersion) {
        result.error = "recording format version " + std::to_string(h.version)
                       + " is not known to this program";
        return result;
    }
    if (get_u16_le(b.data() + kHeaderSize) != kRecordingHeaderSize
        || get_u16_le(b.data() + kRecordSize) != kRecordingRecordSize
        || get_u16_le(b.data() + kChannels) != kRecordingChannels) {
        result.error = "recording header gives sizes this program does not know";
        return result;
    }
    h.start_time_us = static_cast<std::int64_t>(get_u64_le(b.data() + kStartTime));
    h.utc_offset_s = static_cast<std::int32_t>(get_u32_le(b.data() + kUtcOffset));
    h.trigger_mode = b[kTriggerMode];
    h.event_channel = b[kEventChannel];
    h.sample_period = std::bit_cast<double>(get_u64_le(b.data() + kSamplePeriod));
    if (!std::isfinite(h.sample_period) || h.sample_period <= 0) {
        result.error = "recording header gives no usable sample period";
        return result;
    }
    for (int ch = 0; ch < kRecordingChannels; ++ch) {
        h.colour[ch] = get_u32_le(b.data() + kColours + 4 * ch);
        const char* slot =
            reinterpret_cast<const char*>(b.data() + kNames + kRecordingNameSize * ch);
        h.name[ch].assign(slot, strnlen(slot, kRecordingNameSize));
    }
    result.header = std::move(h);
    return result;
}

void recording_encode_record(const RecordingRecord& record, std::uint8_t* out)
{
    for (int ch = 0; ch < kRecordingChannels; ++ch)
        put_u16_le(out + 2 * ch, static_cast<std::uint16_t>(record.value[ch]));
    put_u32_le(out + 2 * kRecordingChannels, record.flags);
}

RecordingRecord recording_decode_record(const std::uint8_t* in)
{
    RecordingRecord r;
    for (int ch = 0; ch < kRecordingChannels; ++ch)
        r.value[ch] = static_cast<std::int16_t>(get_u16_le(in + 2 * ch));
    r.flags = get_u32_le(in + 2 * kRecordingChannels);
    return r;
}
