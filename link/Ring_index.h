// Index arithmetic of a ring of `size` slots (positions 0..size-1): the sample ring of the
// link and the diagram's own sample ring. Header only, so that code that does not link the
// link library can use it.
#pragma once

#include <cstdint>

// pos + 1, wrapped to 0 past the last slot (pos < size).
constexpr std::uint32_t ring_next(std::uint32_t pos, std::uint32_t size)
{
    return pos + 1 == size ? 0 : pos + 1;
}

// pos + step, wrapped once into 0..size-1.
constexpr std::uint32_t ring_advance(std::uint32_t pos, std::uint32_t step, std::uint32_t size)
{
    const std::uint32_t sum = pos + step;
    return sum >= size ? sum - size : sum;
}

// pos - step, wrapped once into 0..size-1.
constexpr std::uint32_t ring_back(std::uint32_t pos, std::uint32_t step, std::uint32_t size)
{
    return pos >= step ? pos - step : size - (step - pos);
}

// Slots from `from` up to (not including) `to`, 0 when they are equal: the slots a reader
// at `from` has left to read up to a writer at `to`.
constexpr std::uint32_t ring_span(std::uint32_t from, std::uint32_t to, std::uint32_t size)
{
    return to >= from ? to - from : size - from + to;
}

// Slots from `from` up to `to` for a ring whose first and last index coincide when it is
// full: 0 when both are 0; equal non-zero positions give size (a full turn).
constexpr std::uint32_t ring_distance(std::uint32_t from, std::uint32_t to, std::uint32_t size)
{
    if (from == 0 && to == 0)
        return 0;
    if (from < to)
        return to - from;
    return size - from + to;
}
