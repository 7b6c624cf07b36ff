// SPDX-License-Identifier: GPL-3.0-or-later
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "GroupListJson.h"
#include "JsonValues.h"

namespace {

QJsonObject FiguresToJson(const CSyncPair& pair) {
    return {
        {QStringLiteral("filesFound"), static_cast<double>(pair.m_nFilesFound)},
        {QStringLiteral("folders"), static_cast<double>(pair.m_nDirectories)},
        {QStringLiteral("filesCopied"), static_cast<double>(pair.m_nFilesCopied)},
        {QStringLiteral("bytesCopied"), static_cast<double>(pair.m_dwBytesCopied)},
        {QStringLiteral("elapsedMs"), static_cast<double>(pair.m_dwElapsedMs)},
        {QStringLiteral("errors"), pair.m_nErrors},
        {QStringLiteral("lastError"), pair.m_nLastError},
        {QStringLiteral("reserved"), static_cast<double>(pair.m_dwReserved)},
    };
}

QJsonObject PairToJson(const CSyncPair& pair) {
    return {
        {QStringLiteral("source"), TextToJson(pair.m_strSource)},
        {QStringLiteral("destination"), TextToJson(pair.m_strDestination)},
        {QStringLiteral("exclude"), TextToJson(pair.m_strExclude)},
        {QStringLiteral("subFolders"), OptionToJson(pair.m_bSubFolders)},
        {QStringLiteral("checkDestinationDate"), OptionToJson(pair.m_bCheckDestDate)},
        {QStringLiteral("onlyNewer"), OptionToJson(pair.m_bOnlyNewer)},
        {QStringLiteral("overwriteRHS"), OptionToJson(pair.m_bOverwriteRHS)},
        {QStringLiteral("bothWays"), OptionToJson(pair.m_bBothWays)},
        {QStringLiteral("lastCopy"), DateToJson(pair.m_timeLastCopy)},
        {QStringLiteral("figures"), FiguresToJson(pair)},
    };
}

}  // namespace

QByteArray GroupListToJson(const CSyncGroupList& list) {
    QJsonArray groups;
    for (const CSyncGroup& group : list) {
        QJsonArray pairs;
        for (const CSyncPair& pair : group.m_listPairs) {
            pairs.append(PairToJson(pair));
        }
        groups.append(QJsonObject{{QStringLiteral("name"), TextToJson(group.m_strName)},
                                  {QStringLiteral("pairs"), pairs}});
    }
    const QJsonObject document{
        {QStringLiteral("format"), QString::fromLatin1(kGroupListJsonFormat)},
        {QStringLiteral("version"), kGroupListJsonVersion},
        {QStringLiteral("groups"), groups},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}
