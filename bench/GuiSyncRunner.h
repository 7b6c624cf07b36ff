// SPDX-License-Identifier: GPL-3.0-or-later
// A synchronization run through the desktop program's progress window, for comparing the
// window's cost with the engine alone.
#pragma once

#include <memory>
#include <string>

#include "EngineRun.h"

class IGuiSyncRunner {
public:
    virtual ~IGuiSyncRunner() = default;
    // Runs the pair modally in a progress window whose log goes to the program's log window;
    // returns when the window has closed.
    virtual SyncOutcome Run(const std::string& strSource, const std::string& strDestination) = 0;
};

// nullptr when the benchmark was built without the desktop program.
std::unique_ptr<IGuiSyncRunner> MakeGuiSyncRunner(int& argc, char** argv);
