// SPDX-License-Identifier: GPL-3.0-or-later
// A run's report as one JSON document, for monitoring: the group's result and totals, and
// every pair's figures, result, first errors and times.
#pragma once

#include <QJsonDocument>
#include <string>

#include "RunReport.h"

QJsonDocument RunReportToJson(const CRunReport& report);

// Writes the document to a file atomically (a temporary file beside it, flushed to disk,
// renamed over it), or to standard output for "-". False, with the reason, on failure.
bool WriteRunReportJson(const CRunReport& report, const std::string& strPath,
                        std::string& strError);
