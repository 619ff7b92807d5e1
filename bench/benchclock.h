#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

// Wall-clock nanoseconds; the runner compares them with the time it started
// the process at.
inline std::int64_t wallNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

inline void printMark(const char *name)
{
    std::printf("%s %lld\n", name, static_cast<long long>(wallNanoseconds()));
    std::fflush(stdout);
}
