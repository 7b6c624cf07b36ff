// SPDX-License-Identifier: GPL-3.0-or-later
// The process and its surroundings: the last error of a thread, clocks and the local time,
// the descriptor limit, processors and threads, the interrupt signals, and the terminal.
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>

#include "PosixPlatform.h"
#include "posix_internal.h"

namespace {

// The error code of the calling thread's last failed operation.
thread_local int32_t t_nLastError = 0;

}  // namespace

namespace posix_internal {

bool Fail() {
    t_nLastError = errno;
    return false;
}

bool Fail(int nErrno) {
    errno = nErrno;
    t_nLastError = nErrno;
    return false;
}

int32_t LastError() {
    return t_nLastError;
}

}  // namespace posix_internal

int32_t PosixPlatform::GetLastError() {
    return t_nLastError;
}

uint32_t PosixPlatform::GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nMs =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(nMs);
}

uint32_t PosixPlatform::GetCurrentTime() {
    return static_cast<uint32_t>(::time(nullptr));
}

bool PosixPlatform::LocalTime(int64_t nTime, std::tm& local) {
    const time_t time = static_cast<time_t>(nTime);
    return ::localtime_r(&time, &local) != nullptr;
}

int64_t PosixPlatform::OpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 1024;  // what the system gives a process unless told otherwise
    }
    return limit.rlim_cur == RLIM_INFINITY ? INT64_MAX : static_cast<int64_t>(limit.rlim_cur);
}

unsigned PosixPlatform::ProcessorCount() {
    // The processors this process may run on, which a container or taskset may limit.
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

std::thread PosixPlatform::StartThread(std::function<void()> run) {
    return std::thread(std::move(run));
}

void PosixPlatform::SetInterruptHandler(void (*pHandler)(int)) {
    if (pHandler == nullptr) {
        if (m_bHandlerSet) {
            ::sigaction(SIGINT, &m_previousInt, nullptr);
            ::sigaction(SIGTERM, &m_previousTerm, nullptr);
            m_bHandlerSet = false;
        }
        return;
    }
    struct sigaction action {};
    action.sa_handler = pHandler;
    action.sa_flags = SA_RESTART;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, m_bHandlerSet ? nullptr : &m_previousInt);
    ::sigaction(SIGTERM, &action, m_bHandlerSet ? nullptr : &m_previousTerm);
    m_bHandlerSet = true;
}

void PosixPlatform::HoldHangup(bool bHold) {
    if (!bHold) {
        ::pthread_sigmask(SIG_SETMASK, &m_maskBeforeHold, nullptr);
        return;
    }
    sigset_t hangup;
    ::sigemptyset(&hangup);
    ::sigaddset(&hangup, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &hangup, &m_maskBeforeHold);
}

bool PosixPlatform::IsTerminal(int fd) {
    return ::isatty(fd) != 0;
}

int PosixPlatform::TerminalWidth(int fd) {
    winsize size{};
    return ::ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}
