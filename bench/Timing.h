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

// The median; for an even count the mean of the two middle values. 0 for no values.
double Median(std::vector<double> values);
