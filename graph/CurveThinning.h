#pragma once

#include <cstddef>
#include <span>
#include <vector>

// Picks at most `limit` of a long series of readings for a graph that holds
// fewer points than the series: the first and the last reading, and of each
// equal stretch in between its lowest and its highest reading, so that no
// peak and no dip is hidden. The picked indices keep the series' order.
class CurveThinning
{
public:
    static std::vector<std::size_t> pick(std::span<const double> values, std::size_t limit);
};
