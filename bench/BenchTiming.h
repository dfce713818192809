#pragma once

#include <algorithm>
#include <ctime>
#include <vector>

// Milliseconds of processor time this process has used: on a busy machine it
// shows what a step costs where the wall clock shows what else ran.
inline double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
