#include "InterleavedSeries.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

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
    return m_contenders.size() - 1;
}

void InterleavedSeries::Run(int nRounds) {
    SettleFileSystem(m_strSettlePath);
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        for (size_t n = 0; n < m_contenders.size(); ++n) {
            const Stopwatch stopwatch;
            m_contenders[n].run(nRound);
            const double dSeconds = stopwatch.Seconds();
            m_seconds[n].push_back(dSeconds);
            const Stopwatch settling;
            SettleFileSystem(m_strSettlePath);
            char szLine[200];
            std::snprintf(szLine, sizeof szLine, "  round %d/%d: %-38s %8.3f s (flush %.1f s)",
                          nRound + 1, nRounds, m_contenders[n].strName.c_str(), dSeconds,
                          settling.Seconds());
            ProgressNote(szLine);
        }
    }
}

double InterleavedSeries::MedianRatio(size_t nA, size_t nB) const {
    std::vector<double> ratios;
    const size_t nRounds = std::min(m_seconds[nA].size(), m_seconds[nB].size());
    for (size_t n = 0; n < nRounds; ++n) {
        if (m_seconds[nB][n] > 0.0) {
            ratios.push_back(m_seconds[nA][n] / m_seconds[nB][n]);
        }
    }
    return Median(ratios);
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
        row.strRate = RateText(m_contenders[n], row.dMedianSeconds);
        table.AddRow(std::move(row));
    }
}
