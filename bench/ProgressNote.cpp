// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressNote.h"

#include <cstdio>

#include "Timing.h"

namespace {
const Stopwatch g_sinceStart;
}

void ProgressNote(const std::string& strText) {
    std::fprintf(stderr, "[%7.1f s] %s\n", g_sinceStart.Seconds(), strText.c_str());
}
