// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: `folvex` starts the window, `folvex --run GROUP` and
// `folvex --list` work without one. The choice is made before any window object exists,
// so the runner needs no display and no platform plugin.
#pragma once

#include <QStringList>
#include <string>

// Whether the arguments ask for the runner rather than the window.
bool WantsCommandLine(int argc, char** argv);

// Runs the command line without a window; returns the exit status.
int RunFromCommandLine(int argc, char** argv);

// The window's own arguments (--list-file PATH). False, with the reason, on anything else.
bool ParseWindowArguments(const QStringList& arguments, std::string& strListPath,
                          std::string& strError);
