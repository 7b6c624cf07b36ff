// SPDX-License-Identifier: GPL-3.0-or-later
#include "InterleavedSeries.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "Interruption.h"
#include "ProgressNote.h"
#include "ResultTable.h"
#include "Timing.h"
#include "TreeTools.h"

namespace {

std::string RateText(const Contender& contender, double dSeconds) {
    if (dSeconds <= 0.0) {
        return "-";
    }
    char szText[64];
    if (contender.unit == RateUnit::FilesPerSecond) {
        std::snprintf(szText, sizeof szText, "%.0f files/s",
                      static_cast<double>(contender.nAmount) / dSeconds);
    } else {
        std::snprintf(szText, sizeof szText, "%.1f MB/s",
                      static_cast<double>(contender.nAmount) / 1e6 / dSeconds);
    }
    return szText;
}

}  // namespace

InterleavedSeries::InterleavedSeries(std::string strTitle, std::string strSettlePath)
    : m_strTitle(std::move(strTitle)), m_strSettlePath(std::move(strSettlePath)) {}

size_t InterleavedSeries::Add(Contender contender) {
    m_contenders.push_back(std::move(contender));
    m_seconds.emplace_back();
    m_cpuSeconds.emplace_back();
    m_flushSeconds.emplace_back();
    return m_contenders.size() - 1;
}

void InterleavedSeries::Run(int nRounds) {
    SettleFileSystem(m_strSettlePath);
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        // Each round starts with another command, so that none always runs first or last
        // after the source was read.
        for (size_t nTurn = 0; nTurn < m_contenders.size(); ++nTurn) {
            const size_t n = (nTurn + static_cast<size_t>(nRound)) % m_contenders.size();
            StopIfInterrupted();
            const double dCpuBefore = ProcessCpuSeconds();
            const Stopwatch stopwatch;
            const double dFlushSeconds = m_contenders[n].run(nRound);
            const double dSeconds = stopwatch.Seconds();
            const double dCpuSeconds = ProcessCpuSeconds() - dCpuBefore;
            m_seconds[n].push_back(dSeconds);
            m_cpuSeconds[n].push_back(dCpuSeconds);
            m_flushSeconds[n].push_back(dFlushSeconds);
            const Stopwatch settling;
            SettleFileSystem(m_strSettlePath);
            char szLine[200];
            std::snprintf(szLine, sizeof szLine,
                          "  round %d/%d: %-38s %8.3f s (cpu %.3f s, flush %.3f s; then %.1f s)",
                          nRound + 1, nRounds, m_contenders[n].strName.c_str(), dSeconds,
                          dCpuSeconds, dFlushSeconds, settling.Seconds());
            ProgressNote(szLine);
        }
    }
}

namespace {

double MedianOfRatios(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> ratios;
    const size_t nRounds = std::min(a.size(), b.size());
    for (size_t n = 0; n < nRounds; ++n) {
        if (b[n] > 0.0) {
            ratios.push_back(a[n] / b[n]);
        }
    }
    return Median(ratios);
}

}  // namespace

double InterleavedSeries::MedianRatio(size_t nA, size_t nB) const {
    return MedianOfRatios(m_seconds[nA], m_seconds[nB]);
}

double InterleavedSeries::MedianCpuRatio(size_t nA, size_t nB) const {
    return MedianOfRatios(m_cpuSeconds[nA], m_cpuSeconds[nB]);
}

void InterleavedSeries::AddRowsTo(ResultTable& table) const {
    for (size_t n = 0; n < m_contenders.size(); ++n) {
        const std::vector<double>& seconds = m_seconds[n];
        if (seconds.empty()) {
            continue;
        }
        ResultRow row;
        row.strCommand = m_contenders[n].strName;
        row.nRuns = seconds.size();
        row.dMedianSeconds = Median(seconds);
        row.dMinSeconds = *std::min_element(seconds.begin(), seconds.end());
        row.dMaxSeconds = *std::max_element(seconds.begin(), seconds.end());
        row.dMedianCpuSeconds = Median(m_cpuSeconds[n]);
        row.dMedianFlushSeconds = Median(m_flushSeconds[n]);
        row.strRate = RateText(m_contenders[n], row.dMedianSeconds);
        table.AddRow(std::move(row));
    }
}
