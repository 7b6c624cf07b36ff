// SPDX-License-Identifier: GPL-3.0-or-later
// The time spent flushing written data to disk, reported beside every timed run: the
// engine's own flush, and the `sync -f` that follows cp and rsync inside the timed part.
#pragma once

#include <string>
#include <vector>

// Installs a platform that times the engine's flushes, for the program's lifetime.
void TimeEngineFlushes();

// Seconds the engine spent flushing since the last call.
double TakeEngineFlushSeconds();

// Runs a command, then `sync -f` on strWritten, so that the command's data is on disk as a
// Folvex run's is. Returns the seconds of the flush.
double RunCommandThenFlush(const std::vector<std::string>& argv, const std::string& strWritten);
