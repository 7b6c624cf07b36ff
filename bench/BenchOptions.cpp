// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchOptions.h"

#include <cstdlib>
#include <stdexcept>

namespace {

int ParseRounds(const std::string& strValue) {
    size_t nUsed = 0;
    int nRounds = 0;
    try {
        nRounds = std::stoi(strValue, &nUsed);
    } catch (const std::exception&) {
        nUsed = 0;
    }
    if (nUsed != strValue.size() || nRounds < 1 || nRounds > 1000) {
        throw std::invalid_argument("--reps wants a whole number from 1 to 1000, not '" + strValue +
                                    "'");
    }
    return nRounds;
}

BenchSection ParseSection(const std::string& strValue) {
    if (strValue == "small") {
        return BenchSection::Small;
    }
    if (strValue == "large") {
        return BenchSection::Large;
    }
    if (strValue == "gui") {
        return BenchSection::Gui;
    }
    if (strValue == "real") {
        return BenchSection::Real;
    }
    throw std::invalid_argument("--only wants small, large, gui or real, not '" + strValue + "'");
}

std::string DefaultParentFolder() {
    const char* szTemp = std::getenv("TMPDIR");
    return szTemp != nullptr && *szTemp != '\0' ? szTemp : "/tmp";
}

}  // namespace

BenchOptions ParseOptions(int argc, char** argv) {
    BenchOptions options;
    options.strParentFolder = DefaultParentFolder();
    for (int n = 1; n < argc; ++n) {
        const std::string strFlag = argv[n];
        if (strFlag == "--help" || strFlag == "-h") {
            options.bHelp = true;
            continue;
        }
        if (strFlag == "--fresh-fs") {
            options.bFreshFileSystems = true;
            continue;
        }
        if (strFlag != "--reps" && strFlag != "--only" && strFlag != "--dir") {
            throw std::invalid_argument("unknown option '" + strFlag + "'");
        }
        if (n + 1 >= argc) {
            throw std::invalid_argument(strFlag + " needs a value");
        }
        const std::string strValue = argv[++n];
        if (strFlag == "--reps") {
            options.nSmallRounds = options.nLargeRounds = ParseRounds(strValue);
        } else if (strFlag == "--only") {
            options.only = ParseSection(strValue);
        } else {
            if (strValue.empty()) {
                throw std::invalid_argument("--dir needs a folder");
            }
            options.strParentFolder = strValue;
        }
    }
    return options;
}

std::string UsageText() {
    return "usage: folvex_bench [--reps N] [--only small|large|gui|real] [--dir PATH] "
           "[--fresh-fs]\n"
           "  --reps N    rounds of each comparison (default 5 for the small tree and the\n"
           "              progress window, 3 for the large and the real tree)\n"
           "  --only S    run one section: small (full and up-to-date, 20,000 files),\n"
           "              large (8 files of 128 MiB), gui (the progress window) or real\n"
           "              (a copy of /usr/share, links followed)\n"
           "  --dir PATH  make the work folder inside PATH (default $TMPDIR or /tmp); it\n"
           "              needs room for every copy of a section (it says how much) and\n"
           "              is removed at the end\n"
           "  --fresh-fs  run each section on a new loop-mounted ext4 image with a journal,\n"
           "              as users' disks have (needs root)\n";
}
