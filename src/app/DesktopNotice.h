// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop notification of --notify: a run that ended with errors or warnings is told
// through the freedesktop notification service on the session bus. Without a session bus
// (a cron job) or a service, nothing is said, and the run's result stays as it is.
#pragma once

#include <QString>
#include <string>

#include "RunReport.h"

// The notification's title and text: which group had errors, and where to read the log.
QString NoticeSummary(const CRunReport& report);
QString NoticeBody(const CRunReport& report, const std::string& strLogFile);

// Sends the notification when the run had errors or warnings or was interrupted; true when
// the service took it (or there was nothing to tell).
bool NotifyDesktop(const CRunReport& report, const std::string& strLogFile);
