// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunReport.h"

#include "RunTotals.h"

namespace {

std::string FiguresText(const CRunFigures& figures, bool bDryRun) {
    const double dBytes = static_cast<double>(figures.nBytesCopied);
    const int64_t nMs = figures.nElapsedMs > 0 ? figures.nElapsedMs : 1;
    return FormatCount(figures.nFilesChecked) + " files checked, " +
           FormatCount(figures.nFilesCopied) + (bDryRun ? " to copy (" : " copied (") +
           FormatCount(figures.nBytesCopied) + " bytes, " + FormatBytes(dBytes) + "), " +
           FormatCount(figures.nKeptVersions) + " versions kept, " +
           FormatCount(figures.nWarnings) + " warnings, " + FormatCount(figures.nErrors) +
           " errors, " + FormatDuration(figures.nElapsedMs) +
           // A dry run copies nothing: a rate would only divide what it would copy by the walk.
           (bDryRun ? "" : ", " + FormatBytes(dBytes * 1000.0 / static_cast<double>(nMs)) + "/s");
}

}  // namespace

const char* ResultName(RunResult result) {
    switch (result) {
        case RunResult::Clean:
            return "clean";
        case RunResult::Warnings:
            return "warnings";
        case RunResult::Errors:
            return "errors";
        case RunResult::Interrupted:
            return "interrupted";
    }
    return "errors";
}

void CRunFigures::Add(const CRunFigures& other) {
    nFilesChecked += other.nFilesChecked;
    nFilesCopied += other.nFilesCopied;
    nBytesCopied += other.nBytesCopied;
    nKeptVersions += other.nKeptVersions;
    nWarnings += other.nWarnings;
    nErrors += other.nErrors;
    nElapsedMs += other.nElapsedMs;
}

std::string PairHeaderLine(const std::string& strDateTime, const std::string& strGroup,
                           size_t nPairs, const CPairReport& pair) {
    return strDateTime + "  " + strGroup + ", pair " + std::to_string(pair.nPair) + " of " +
           std::to_string(nPairs) + ": " + pair.strSource + " -> " + pair.strDestination + " (" +
           pair.strOptions + ")";
}

std::string PairSummaryLine(const std::string& strGroup, const CPairReport& pair, bool bDryRun) {
    return strGroup + ", pair " + std::to_string(pair.nPair) + (bDryRun ? " (dry run) " : " ") +
           ResultName(pair.result) + ": " + FiguresText(pair.figures, bDryRun);
}

std::string GroupTotalLine(const CRunReport& report) {
    return "Group \"" + report.strGroup + "\"" + (report.bDryRun ? " (dry run) " : " ") +
           ResultName(report.result) + ": " + std::to_string(report.pairs.size()) + " pairs, " +
           FiguresText(report.totals, report.bDryRun) +
           (report.bNotSaved ? "; the figures were not saved" : "");
}

std::string FormatDuration(int64_t nMs) {
    if (nMs < 0) {
        nMs = 0;
    }
    if (nMs < 59950) {  // below that, tenths of a second
        const int64_t nTenths = (nMs + 50) / 100;
        return std::to_string(nTenths / 10) + "." + std::to_string(nTenths % 10) + " s";
    }
    const int64_t nSeconds = nMs / 1000;
    if (nSeconds < 3600) {
        return std::to_string(nSeconds / 60) + " min " + std::to_string(nSeconds % 60) + " s";
    }
    return std::to_string(nSeconds / 3600) + " h " + std::to_string(nSeconds % 3600 / 60) + " min";
}
