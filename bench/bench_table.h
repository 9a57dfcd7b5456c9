// The one table every benchmark program prints into: bench/run.sh prints its
// head (measurement | n | p50 | p99 | unit | ratio or note), each program
// its rows. Times in the unit the row names, raw figures
// beside their ratio to the row they are compared against.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double Milliseconds(LONGLONG ticks)
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return ticks * 1e3 / static_cast<double>(frequency);
}

inline LONGLONG Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

struct Summary {
    double p50 = 0, p99 = 0;
};

inline Summary Summarize(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[std::min(samples.size() - 1, static_cast<size_t>(q * samples.size()))]; };
    return {at(0.50), at(0.99)};
}

// A row of many samples, with a note (such as "baseline") in the last column.
inline void Row(const char *name, size_t n, const Summary &s, const char *unit, const char *note)
{
    std::printf("| %-52s | %5zu | %10.3f | %10.3f | %-4s | %-34s |\n", name, n, s.p50, s.p99, unit, note);
    std::fflush(stdout);
}

// A row of many samples against a baseline row's figures.
inline void Row(const char *name, size_t n, const Summary &s, const char *unit, const Summary &baseline,
                const char *baselineName)
{
    char note[128];
    std::snprintf(note, sizeof(note), "%.2fx / %.2fx %s", s.p50 / baseline.p50, s.p99 / baseline.p99, baselineName);
    Row(name, n, s, unit, note);
}

// A row of one value.
inline void Value(const char *name, double value, const char *unit, const char *note = "")
{
    std::printf("| %-52s | %5d | %10.3f | %10s | %-4s | %-34s |\n", name, 1, value, "-", unit, note);
    std::fflush(stdout);
}

} // namespace bench
