// SPDX-License-Identifier: GPL-3.0-or-later
// What else the machine is doing, printed beside the figures: on a shared machine the
// ratios are only as good as the quiet they were measured in.
#pragma once

#include <string>
#include <vector>

// The 1-, 5- and 15-minute load averages, as /proc/loadavg gives them.
std::string LoadAverage();

// Process ids of other running folvex_bench programs, whose copies would slow ours.
std::vector<int> OtherBenchmarkProcesses();
