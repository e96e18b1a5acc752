#pragma once

#include <cstddef>
#include <vector>

namespace tavrik::bench {

// The figure `share` of the way up `sorted` (ascending): 0.5 the median, 0.99 the 99th
// percentile, 1 the largest.
inline double At(const std::vector<double>& sorted, double share)
{
    return sorted[static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1))];
}

} // namespace tavrik::bench
