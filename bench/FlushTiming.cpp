// SPDX-License-Identifier: GPL-3.0-or-later
#include "FlushTiming.h"

#include <atomic>
#include <memory>

#include "ExternalCommand.h"
#include "ForwardingPlatform.h"
#include "PosixPlatform.h"
#include "Timing.h"
#include "platform.h"

namespace {

std::atomic<int64_t> g_nFlushMicroseconds{0};

class FlushTimingPlatform : public ForwardingPlatform {
public:
    FlushTimingPlatform() : ForwardingPlatform(m_posix) {}
    bool FlushFileSystem(int fdFolder, const std::string& strPath) override {
        const Stopwatch stopwatch;
        const bool bFlushed = ForwardingPlatform::FlushFileSystem(fdFolder, strPath);
        g_nFlushMicroseconds += static_cast<int64_t>(stopwatch.Seconds() * 1e6);
        return bFlushed;
    }

private:
    PosixPlatform m_posix;
};

}  // namespace

void TimeEngineFlushes() {
    static FlushTimingPlatform platform;
    static ScopedPlatform installed(platform);
}

double TakeEngineFlushSeconds() {
    return static_cast<double>(g_nFlushMicroseconds.exchange(0)) / 1e6;
}

double RunCommandThenFlush(const std::vector<std::string>& argv, const std::string& strWritten) {
    RunCommand(argv);
    const Stopwatch stopwatch;
    RunCommand({"sync", "-f", strWritten});
    return stopwatch.Seconds();
}
