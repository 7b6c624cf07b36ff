// SPDX-License-Identifier: GPL-3.0-or-later
#include "CoalescedUpdate.h"

CCoalescedUpdate::CCoalescedUpdate(QObject* pParent, std::function<void()> apply, int nIntervalMs)
    : QObject(pParent), m_apply(std::move(apply)), m_nIntervalMs(nIntervalMs) {
    m_delay.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &CCoalescedUpdate::Deliver);
}

void CCoalescedUpdate::Request() {
    if (!m_bPending.exchange(true)) {
        QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
    }
}

void CCoalescedUpdate::Deliver() {
    if (m_sinceLastApply.isValid() && m_sinceLastApply.elapsed() < m_nIntervalMs) {
        m_delay.start(m_nIntervalMs - static_cast<int>(m_sinceLastApply.elapsed()));
        return;
    }
    // Cleared first, so a request made while the function runs brings another call.
    m_bPending = false;
    m_sinceLastApply.restart();
    m_apply();
}
