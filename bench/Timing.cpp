// SPDX-License-Identifier: GPL-3.0-or-later
#include "Timing.h"

#include <sys/resource.h>

#include <algorithm>

namespace {

double CpuSeconds(int nWho) {
    rusage usage{};
    ::getrusage(nWho, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

double ProcessCpuSeconds() {
    return CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN);
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t nMiddle = values.size() / 2;
    if (values.size() % 2 == 1) {
        return values[nMiddle];
    }
    return (values[nMiddle - 1] + values[nMiddle]) / 2.0;
}
