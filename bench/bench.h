// A small benchmark harness that runs under wine: QueryPerformanceCounter, median of several
// runs, one printed line per figure.
#pragma once

#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

// Median of `runs` timings of body(), each in seconds.
template <typename Body> double BenchMedianSeconds(int runs, Body body) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> seconds;
    for (int r = 0; r < runs; ++r) {
        LARGE_INTEGER begin, end;
        QueryPerformanceCounter(&begin);
        body();
        QueryPerformanceCounter(&end);
        seconds.push_back(double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart));
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

inline void BenchReport(const char* name, double value, const char* unit) {
    printf("%-60s %12.2f %s\n", name, value, unit);
    fflush(stdout);
}

// Keeps the optimiser from dropping work whose result is unused.
template <typename T> inline void BenchKeep(T const& value) {
    asm volatile("" : : "g"(&value) : "memory");
}
