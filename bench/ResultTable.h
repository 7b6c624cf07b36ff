// SPDX-License-Identifier: GPL-3.0-or-later
// The report: one row per timed command, then one line per ratio.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct ResultRow {
    std::string strCommand;
    size_t nRuns = 0;
    double dMedianSeconds = 0.0;
    double dMinSeconds = 0.0;
    double dMaxSeconds = 0.0;
    double dMedianCpuSeconds = 0.0;
    double dMedianFlushSeconds = 0.0;  // of the median time, spent flushing to disk
    std::string strRate;               // "1234 files/s" or "567.8 MB/s"
};

struct ResultRatio {
    std::string strName;
    double dValue = 0.0;
    double dTarget = 0.0;    // at most this; 0 when there is no target
    double dCpuValue = 0.0;  // the same ratio of CPU times, for judging the noise
};

class ResultTable {
public:
    void AddRow(ResultRow row) { m_rows.push_back(std::move(row)); }
    void AddRatio(ResultRatio ratio) { m_ratios.push_back(std::move(ratio)); }

    // The table, a target line per ratio, and the "RATIO <name> <value>" lines last.
    void Print(std::ostream& out) const;

private:
    std::vector<ResultRow> m_rows;
    std::vector<ResultRatio> m_ratios;
};
