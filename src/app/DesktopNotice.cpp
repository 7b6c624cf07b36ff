// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// The service answers at once; a hung one must not hold up a scheduled run for long.
constexpr int kCallTimeoutMs = 5000;

}  // namespace

QString NoticeSummary(const CRunReport& report) {
    const QString strGroup = QString::fromStdString(report.strGroup);
    switch (report.result) {
        case RunResult::Warnings:
            return QStringLiteral("Folvex: group \"%1\" ran with warnings").arg(strGroup);
        case RunResult::Interrupted:
            return QStringLiteral("Folvex: group \"%1\" was interrupted").arg(strGroup);
        default:
            return QStringLiteral("Folvex: group \"%1\" failed").arg(strGroup);
    }
}

QString NoticeBody(const CRunReport& report, const std::string& strLogFile) {
    QString strBody = QStringLiteral("%1 errors, %2 warnings in %3 pairs.")
                          .arg(report.totals.nErrors)
                          .arg(report.totals.nWarnings)
                          .arg(report.pairs.size());
    if (!strLogFile.empty()) {
        strBody += QStringLiteral(" The log: %1").arg(QString::fromStdString(strLogFile));
    } else {
        strBody += QStringLiteral(" Run it again to see the log: folvex --run \"%1\" --quiet")
                       .arg(QString::fromStdString(report.strGroup));
    }
    return strBody;
}

bool NotifyDesktop(const CRunReport& report, const std::string& strLogFile) {
    if (report.result == RunResult::Clean) {
        return true;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;  // a cron job has no session bus
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("folvex") << 0u << QStringLiteral("folvex") << NoticeSummary(report)
         << NoticeBody(report, strLogFile) << QStringList()
         << QVariantMap{{QStringLiteral("urgency"),
                         QVariant::fromValue<uchar>(report.result == RunResult::Warnings ? 1 : 2)}}
         << -1;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}
