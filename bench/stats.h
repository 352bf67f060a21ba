#pragma once
// Order statistics of a benchmark's timings.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// The value `percent` of the way up the sorted figures (the one at index
// size * percent / 100, the largest at most); NaN when there are none.
inline double percentile(std::vector<double> v, int percent)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * std::size_t(percent) / 100)];
}

inline double median(const std::vector<double>& v)
{
    return percentile(v, 50);
}
