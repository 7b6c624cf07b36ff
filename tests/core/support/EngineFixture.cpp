// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineFixture.h"

#include <cstdlib>

#include "PosixPlatform.h"
#include "ReplacedVersions.h"
#include "Synchronize.h"

unsigned EngineTest::Threads() {
    const char* szThreads = std::getenv("FOLVEX_TEST_THREADS");
    return szThreads != nullptr ? static_cast<unsigned>(std::atoi(szThreads)) : 0;
}

EngineTest::EngineTest() {
    SetSyncThreads(Threads());
    MakeFolders(Src());
    m_pair.m_strSource = Src();
    m_pair.m_strDestination = Dst();
    m_pair.m_pLogList = &m_log;
    m_pair.m_pProgressDlg = &m_progress;
    m_pair.m_pPlatform = &m_platform;
    m_progress.m_pPair = &m_pair;
    m_platform.m_nCurrentTime = 1700000000;
}

std::string EngineTest::Src(const std::string& strRelative) const {
    return strRelative.empty() ? m_temp / "src" : m_temp / ("src/" + strRelative);
}

std::string EngineTest::Dst(const std::string& strRelative) const {
    return strRelative.empty() ? m_temp / "dst" : m_temp / ("dst/" + strRelative);
}

std::vector<std::string> EngineTest::Expand(const std::vector<std::string>& lines) const {
    std::vector<std::string> expanded;
    // The run's versions folder, named by its start in local time.
    PosixPlatform posix;
    const std::string strVersions = Dst() + "/" + kVersionsFolderName + "/" +
                                    VersionFolderName(posix, m_platform.m_nCurrentTime.value_or(0));
    for (std::string strLine : lines) {
        for (const auto& [szMark, strFolder] :
             {std::pair{"{S}", Src()}, std::pair{"{D}", Dst()}, std::pair{"{V}", strVersions}}) {
            for (size_t n = strLine.find(szMark); n != std::string::npos;
                 n = strLine.find(szMark)) {
                strLine.replace(n, 3, strFolder);
            }
        }
        expanded.push_back(strLine);
    }
    return expanded;
}

int32_t EngineTest::RunChecked() {
    const InvariantChecker invariants(Src(), Dst(), m_temp.Path());
    const int32_t nErrors = m_pair.DoSync();
    EXPECT_TRUE(invariants.Check(m_pair.m_nKeepVersionDays > 0));
    return nErrors;
}
