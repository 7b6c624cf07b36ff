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
    throw std::invalid_argument("--only wants small, large or gui, not '" + strValue + "'");
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
    return "usage: folvex_bench [--reps N] [--only small|large|gui] [--dir PATH]\n"
           "  --reps N    rounds of each comparison (default 5 for the small tree and the\n"
           "              progress window, 3 for the large tree)\n"
           "  --only S    run one section: small (full and up-to-date, 20,000 files),\n"
           "              large (8 files of 128 MiB) or gui (the progress window)\n"
           "  --dir PATH  make the work folder inside PATH (default $TMPDIR or /tmp); it\n"
           "              needs about 16 GB free (less with --only or fewer --reps)\n"
           "              and is removed at the end\n";
}
