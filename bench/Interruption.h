// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C and SIGTERM end the benchmark between two runs, by an exception, so that the work
// folder is still removed on the way out.
#pragma once

void CatchInterruptions();

// Throws std::runtime_error once an interruption has arrived.
void StopIfInterrupted();
