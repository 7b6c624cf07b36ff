// SPDX-License-Identifier: GPL-3.0-or-later
#include "MachineLoad.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

constexpr const char* kProgramName = "folvex_bench";

}  // namespace

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string strOne, strFive, strFifteen;
    file >> strOne >> strFive >> strFifteen;
    return strOne + " " + strFive + " " + strFifteen;
}

std::vector<int> OtherBenchmarkProcesses() {
    std::vector<int> pids;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string strName = entry.path().filename().string();
        if (strName.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const int nPid = std::stoi(strName);
        if (nPid == ::getpid()) {
            continue;
        }
        std::ifstream comm(entry.path() / "comm");
        std::string strComm;
        if (std::getline(comm, strComm) && strComm == kProgramName) {
            pids.push_back(nPid);
        }
    }
    return pids;
}
