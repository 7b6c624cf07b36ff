// SPDX-License-Identifier: GPL-3.0-or-later
// Runs several commands in turn, round after round (A B C, B C A, C A B ...), so that a
// change in the machine's load touches all of them alike and none always comes first, and
// compares them round by round.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ResultTable;

enum class RateUnit { FilesPerSecond, MegabytesPerSecond };

struct Contender {
    std::string strName;  // the row in the result table
    RateUnit unit = RateUnit::FilesPerSecond;
    uint64_t nAmount = 0;  // files or bytes that one run handles
    // One run for the given round; returns the seconds of it spent flushing the written
    // data to disk. Throws on failure.
    std::function<double(int)> run;
};

class InterleavedSeries {
public:
    // strSettlePath names the file system whose written data is flushed after every run,
    // outside the timed span.
    InterleavedSeries(std::string strTitle, std::string strSettlePath);

    // Returns the contender's index for MedianRatio.
    size_t Add(Contender contender);
    void Run(int nRounds);

    // The median over the rounds of (time of a) / (time of b) in the same round: wall-clock
    // time, and CPU time.
    double MedianRatio(size_t nA, size_t nB) const;
    double MedianCpuRatio(size_t nA, size_t nB) const;
    void AddRowsTo(ResultTable& table) const;

private:
    std::string m_strTitle;
    std::string m_strSettlePath;
    std::vector<Contender> m_contenders;
    std::vector<std::vector<double>> m_seconds;       // per contender, per round
    std::vector<std::vector<double>> m_cpuSeconds;    // per contender, per round
    std::vector<std::vector<double>> m_flushSeconds;  // per contender, per round
};
