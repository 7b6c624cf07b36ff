// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's command line.
#pragma once

#include <string>

enum class BenchSection { All, Small, Large, Gui, Real };

struct BenchOptions {
    int nSmallRounds = 5;  // rounds of each small-tree and progress-window comparison
    int nLargeRounds = 3;  // rounds of each large-tree comparison
    BenchSection only = BenchSection::All;
    std::string strParentFolder;     // where the work folder is made
    bool bFreshFileSystems = false;  // each section on a new loop-mounted ext4 image
    bool bHelp = false;

    bool Runs(BenchSection section) const { return only == BenchSection::All || only == section; }
};

// Throws std::invalid_argument with a readable message on a bad command line.
BenchOptions ParseOptions(int argc, char** argv);

std::string UsageText();
