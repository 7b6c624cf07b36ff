// SPDX-License-Identifier: GPL-3.0-or-later
// A sync pair wired to recorders, with a source and a destination folder in a fresh
// temporary folder and the fault-injecting platform installed. The engine works with the
// number of threads that FOLVEX_TEST_THREADS names (its default when unset).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FaultPlatform.h"
#include "FileTree.h"
#include "Invariants.h"
#include "Recorders.h"
#include "SyncGroup.h"
#include "TempFolder.h"

class EngineTest : public testing::Test {
protected:
    EngineTest();
    // The threads the suite runs the engine with; 0: the engine's default.
    static unsigned Threads();

    // Paths below the source and the destination folder ("" gives the folder itself).
    std::string Src(const std::string& strRelative = "") const;
    std::string Dst(const std::string& strRelative = "") const;
    // Replaces "{S}" and "{D}" in an expected line by the two folders.
    std::vector<std::string> Expand(const std::vector<std::string>& lines) const;
    // Runs DoSync and checks the invariants afterwards.
    int32_t RunChecked();

    TempFolder m_temp;
    FaultPlatform m_platform;
    ScopedPlatform m_installed{m_platform};
    RecordingLog m_log;
    RecordingProgress m_progress;
    CSyncPair m_pair;
};
