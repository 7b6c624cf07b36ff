// SPDX-License-Identifier: GPL-3.0-or-later
// Runs another program (cp, rsync) and waits for it.
#pragma once

#include <string>
#include <vector>

// Runs argv[0] found on PATH with its output going where ours goes; throws when it cannot
// be started or does not exit with status 0.
void RunCommand(const std::vector<std::string>& argv);

// argv joined with spaces, for messages and the result table.
std::string CommandText(const std::vector<std::string>& argv);
