// SPDX-License-Identifier: GPL-3.0-or-later
// Wall-clock timing and the statistics of a series of runs.
#pragma once

#include <chrono>
#include <vector>

class Stopwatch {
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

// CPU time (user and system) used so far by this process, all its threads, and the
// children it has waited for. The difference over a run is the run's CPU time, which the
// other work on a shared machine disturbs less than the wall-clock time.
double ProcessCpuSeconds();

// The median; for an even count the mean of the two middle values. 0 for no values.
double Median(std::vector<double> values);
