// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunReportJson.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <iostream>

#include "platform.h"

namespace {

// Local time with its offset from UTC: "2024-05-01T02:00:03+02:00".
QString TimeText(int64_t nTime) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(nTime);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

// Counts as JSON numbers: exact up to 2^53, far beyond any run.
QJsonObject FiguresToJson(const CRunFigures& figures) {
    return {
        {QStringLiteral("filesChecked"), static_cast<double>(figures.nFilesChecked)},
        {QStringLiteral("filesCopied"), static_cast<double>(figures.nFilesCopied)},
        {QStringLiteral("bytesCopied"), static_cast<double>(figures.nBytesCopied)},
        {QStringLiteral("keptVersions"), static_cast<double>(figures.nKeptVersions)},
        {QStringLiteral("warnings"), static_cast<double>(figures.nWarnings)},
        {QStringLiteral("errors"), static_cast<double>(figures.nErrors)},
        {QStringLiteral("elapsedMs"), static_cast<double>(figures.nElapsedMs)},
    };
}

QJsonObject PairToJson(const CPairReport& pair) {
    QJsonArray problems;
    for (const std::string& strLine : pair.problems) {
        problems.append(QString::fromStdString(strLine));
    }
    return {
        {QStringLiteral("pair"), pair.nPair},
        {QStringLiteral("source"), QString::fromStdString(pair.strSource)},
        {QStringLiteral("destination"), QString::fromStdString(pair.strDestination)},
        {QStringLiteral("options"), QString::fromStdString(pair.strOptions)},
        {QStringLiteral("copiesEverything"), pair.bCopiesEverything},
        {QStringLiteral("started"), TimeText(pair.timeStarted)},
        {QStringLiteral("result"), QString::fromLatin1(ResultName(pair.result))},
        {QStringLiteral("figures"), FiguresToJson(pair.figures)},
        {QStringLiteral("firstErrors"), problems},
    };
}

}  // namespace

QJsonDocument RunReportToJson(const CRunReport& report) {
    QJsonArray pairs;
    for (const CPairReport& pair : report.pairs) {
        pairs.append(PairToJson(pair));
    }
    return QJsonDocument(QJsonObject{
        {QStringLiteral("program"), QStringLiteral("folvex")},
        {QStringLiteral("version"), QStringLiteral(FOLVEX_VERSION)},
        {QStringLiteral("group"), QString::fromStdString(report.strGroup)},
        {QStringLiteral("groupNumber"), report.nGroup},
        {QStringLiteral("dryRun"), report.bDryRun},
        {QStringLiteral("started"), TimeText(report.timeStarted)},
        {QStringLiteral("ended"), TimeText(report.timeEnded)},
        {QStringLiteral("result"), QString::fromLatin1(ResultName(report.result))},
        {QStringLiteral("exitStatus"), report.nExitStatus},
        {QStringLiteral("figuresSaved"), !report.bNotSaved && !report.bDryRun},
        {QStringLiteral("totals"), FiguresToJson(report.totals)},
        {QStringLiteral("pairs"), pairs},
    });
}

bool WriteRunReportJson(const CRunReport& report, const std::string& strPath,
                        std::string& strError) {
    const QByteArray bytes = RunReportToJson(report).toJson(QJsonDocument::Indented);
    if (strPath == "-") {
        std::cout.write(bytes.constData(), bytes.size());
        std::cout.flush();
        if (!std::cout) {
            strError = "cannot write the JSON report to standard output";
            return false;
        }
        return true;
    }
    return Platform().WriteFileAtomically(strPath, bytes.toStdString(), strError);
}
