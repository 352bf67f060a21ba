// Field access in byte arrays: big-endian for controller frames (most significant byte
// first), little-endian for the program's own files (least significant byte first).
#pragma once

#include <bit>
#include <cstdint>

inline std::uint16_t get_u16_be(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t get_u32_be(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8)
           | std::uint32_t(p[3]);
}

inline void put_u16_be(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

inline void put_u32_be(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

inline float get_f32_be(const std::uint8_t* p)
{
    return std::bit_cast<float>(get_u32_be(p));
}

inline void put_f32_be(std::uint8_t* p, float v)
{
    put_u32_be(p, std::bit_cast<std::uint32_t>(v));
}

inline std::uint16_t get_u16_le(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t get_u32_le(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(p[3]) << 24);
}

inline std::uint64_t get_u64_le(const std::uint8_t* p)
{
    return std::uint64_t(get_u32_le(p)) | (std::uint64_t(get_u32_le(p + 4)) << 32);
}

inline void put_u16_le(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void put_u32_le(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void put_u64_le(std::uint8_t* p, std::uint64_t v)
{
    put_u32_le(p, static_cast<std::uint32_t>(v));
    put_u32_le(p + 4, static_cast<std::uint32_t>(v >> 32));
}
