// SPDX-License-Identifier: GPL-3.0-or-later
// The platform in use where no other is handed on.
#include <atomic>

#include "PosixPlatform.h"

namespace {

std::atomic<IPlatform*> g_pInstalled{nullptr};

}  // namespace

IPlatform& Platform() {
    static PosixPlatform posix;
    IPlatform* pInstalled = g_pInstalled.load();
    return pInstalled != nullptr ? *pInstalled : posix;
}

ScopedPlatform::ScopedPlatform(IPlatform& platform) : m_pPrevious(g_pInstalled.load()) {
    g_pInstalled.store(&platform);
}

ScopedPlatform::~ScopedPlatform() {
    g_pInstalled.store(m_pPrevious);
}
