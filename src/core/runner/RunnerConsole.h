// SPDX-License-Identifier: GPL-3.0-or-later
// The windows of a run without a window: the log lines go to standard output, oldest first
// (with --quiet only errors, warnings and the report's own notable lines), and to the log
// file with a time stamp each; the progress window is one line on a terminal, rewritten in
// place, with the whole run's progress and the file under way. It also counts what each
// pair did, for the report.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "RunLogFile.h"
#include "RunReport.h"
#include "RunTotals.h"
#include "SyncWindows.h"
#include "platform.h"

// Where the lines go besides standard output, and which of them.
struct CConsoleLines {
    bool bQuiet = false;
    CRunLogFile* pLog = nullptr;
    std::ostream* pErr = nullptr;  // where a failing log file is told
};

// What the console counted of one pair, from the engine's totals and its lines.
struct CPairCounts {
    uint64_t nFilesChecked = 0;
    uint64_t nFilesCopied = 0;
    uint64_t nBytesCopied = 0;
    uint64_t nWarningLines = 0;
    uint64_t nErrorLines = 0;
    std::vector<std::string> problems;  // the first kReportedProblems of them
};

class CRunnerConsole : public ILogList, public IProgressWindow {
public:
    // pProgress: where the progress line goes (a terminal), or nullptr for none.
    // bSameScreen: the lines go to that terminal too, so the progress line makes way for
    // each of them.
    // bAllowEmptyDestination answers whether to copy into a destination that is empty
    // although an earlier run copied files there.
    // The platform tells the terminal's width.
    CRunnerConsole(std::ostream& out, std::ostream* pProgress, bool bSameScreen,
                   bool bAllowEmptyDestination, IPlatform& platform, CConsoleLines lines = {})
        : m_out(out),
          m_pProgress(pProgress),
          m_bSameScreen(bSameScreen),
          m_bAllowEmptyDestination(bAllowEmptyDestination),
          m_platform(platform),
          m_lines(lines) {}
    ~CRunnerConsole() override { ClearProgress(); }

    // A line as the log window would show it; control characters are escaped, so no name
    // can make one line look like two.
    void InsertString(int nIndex, const std::string& strLine) override;
    // A field of the progress window: it goes into the progress line.
    void SetDlgItemText(int nId, const std::string& strText) override;
    void PostEndOfRun() override {}
    void AddRunTotals(uint64_t nFilesChecked, uint64_t nFilesCopied,
                      uint64_t nBytesCopied) override;
    void PlanStarted() override;
    void PlanMade(uint64_t nFilesToCopy, uint64_t nBytesToCopy) override;
    bool ConfirmEmptyDestination(const std::string& /*strDestination*/) override {
        return m_bAllowEmptyDestination;
    }

    // Takes the progress line away, for example before the program ends.
    void ClearProgress();

    // A line of the report itself (a header, a summary); bNotable: shown even when quiet.
    void ReportLine(const std::string& strLine, bool bNotable);
    // The counts start afresh for a pair; then what it did.
    void BeginPair();
    CPairCounts EndPair();

private:
    void WriteLine(const std::string& strLine, bool bNotable);
    void DrawNowAndThen();
    void DrawProgress();
    void EraseProgress();
    int64_t ElapsedMs() const;

    std::mutex m_mutex;
    std::ostream& m_out;
    std::ostream* m_pProgress;
    bool m_bSameScreen;
    bool m_bAllowEmptyDestination;
    IPlatform& m_platform;
    CConsoleLines m_lines;
    CPairCounts m_pair;
    std::map<int, std::string> m_fields;
    CRunTotals m_totals;
    bool m_bProgressShown = false;
    const std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_lastDrawn;
};
