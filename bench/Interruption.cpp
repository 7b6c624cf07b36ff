// SPDX-License-Identifier: GPL-3.0-or-later
#include "Interruption.h"

#include <csignal>
#include <stdexcept>

namespace {

volatile std::sig_atomic_t g_nInterrupted = 0;

extern "C" void NoteInterruption(int) {
    g_nInterrupted = 1;
}

}  // namespace

void CatchInterruptions() {
    struct sigaction action {};
    action.sa_handler = NoteInterruption;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void StopIfInterrupted() {
    if (g_nInterrupted != 0) {
        throw std::runtime_error("interrupted");
    }
}
