#include "CurveThinning.h"

#include <algorithm>
#include <numeric>

std::vector<std::size_t> CurveThinning::pick(std::span<const double> values, std::size_t limit)
{
    const std::size_t count = values.size();
    std::vector<std::size_t> kept;
    if (count <= limit) {
        kept.resize(count);
        std::iota(kept.begin(), kept.end(), std::size_t{0});
        return kept;
    }
    if (limit == 0)
        return kept;
    kept.push_back(0);
    // Two picks per stretch between the first and the last reading.
    const std::size_t inner = count - 2;
    const std::size_t stretches = limit >= 2 ? std::min((limit - 2) / 2, inner) : 0;
    for (std::size_t s = 0; s < stretches; ++s) {
        const std::size_t begin = 1 + s * inner / stretches;
        const std::size_t end = 1 + (s + 1) * inner / stretches;
        if (begin == end)
            continue;
        std::size_t low = begin;
        std::size_t high = begin;
        for (std::size_t i = begin + 1; i < end; ++i) {
            if (values[i] < values[low])
                low = i;
            if (values[i] > values[high])
                high = i;
        }
        kept.push_back(std::min(low, high));
        if (high != low)
            kept.push_back(std::max(low, high));
    }
    if (limit >= 2)
        kept.push_back(count - 1);
    return kept;
}
