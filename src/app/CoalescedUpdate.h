// SPDX-License-Identifier: GPL-3.0-or-later
// Turns update requests from any thread into calls of one function on the object's own
// (window) thread: one call however many requests arrived, and at most one per interval,
// so a busy worker never keeps the window thread repainting.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>

class CCoalescedUpdate : public QObject {
    Q_OBJECT
public:
    CCoalescedUpdate(QObject* pParent, std::function<void()> apply, int nIntervalMs = 25);

    // Safe from any thread; the function runs later on the window thread.
    void Request();

private:
    // Queued by name from other threads: Qt then allocates and frees the call itself, under
    // its own (for ThreadSanitizer invisible) lock, instead of a slot object made here.
    Q_INVOKABLE void Deliver();

    std::function<void()> m_apply;
    const int m_nIntervalMs;
    std::atomic<bool> m_bPending{false};
    QElapsedTimer m_sinceLastApply;  // window thread only
    QTimer m_delay;                  // window thread only
};
