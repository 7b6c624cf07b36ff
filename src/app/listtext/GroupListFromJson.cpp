// SPDX-License-Identifier: GPL-3.0-or-later
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <initializer_list>
#include <memory>

#include "GroupListJson.h"
#include "JsonValues.h"

namespace {

// Line and column (from 1, in characters) of a byte offset into UTF-8 text.
std::string PlaceOf(const QByteArray& json, qsizetype nOffset) {
    int nLine = 1;
    int nColumn = 1;
    for (qsizetype i = 0; i < nOffset && i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        if (byte == '\n') {
            ++nLine;
            nColumn = 1;
        } else if ((byte & 0xC0) != 0x80) {  // not a continuation byte
            ++nColumn;
        }
    }
    return "line " + std::to_string(nLine) + ", column " + std::to_string(nColumn);
}

// Walks a parsed document, remembering where it is for the first value that does not fit.
class CDocumentReader {
public:
    bool ReadDocument(const QJsonObject& document, CSyncGroupList& list);
    const std::string& Error() const { return m_strError; }

private:
    bool ReadGroup(const QJsonValue& value, const std::string& strPath, CSyncGroup& group);
    bool ReadPair(const QJsonValue& value, const std::string& strPath, CSyncPair& pair);
    bool ReadFigures(const QJsonValue& value, const std::string& strPath, CSyncPair& pair);
    // The object at strPath with exactly these fields.
    bool Fields(const QJsonValue& value, const std::string& strPath,
                std::initializer_list<const char*> keys, QJsonObject& object);
    // One field through a reader of JsonValues.h.
    template <class T, class Reader>
    bool Take(const QJsonObject& object, const std::string& strPath, const char* szKey, T& target,
              Reader read) {
        std::string strWhy;
        return read(object.value(QLatin1String(szKey)), target, strWhy) ||
               Fail(Join(strPath, szKey), strWhy);
    }
    static std::string Join(const std::string& strPath, const char* szKey) {
        return strPath.empty() ? szKey : strPath + "." + szKey;
    }
    bool Fail(const std::string& strPath, const std::string& strWhy) {
        m_strError = strPath.empty() ? strWhy : strPath + ": " + strWhy;
        return false;
    }

    std::string m_strError;
};

bool CDocumentReader::Fields(const QJsonValue& value, const std::string& strPath,
                             std::initializer_list<const char*> keys, QJsonObject& object) {
    if (!value.isObject()) {
        return Fail(strPath, "expected an object");
    }
    object = value.toObject();
    // The first field that is not one of keys, if any: a misspelt name is named with the
    // field it leaves missing.
    std::string strUnknown;
    for (const QString& strKey : object.keys()) {
        if (std::none_of(keys.begin(), keys.end(),
                         [&strKey](const char* szKey) { return strKey == QLatin1String(szKey); })) {
            strUnknown = strKey.toStdString();
            break;
        }
    }
    for (const char* szKey : keys) {
        if (!object.contains(QLatin1String(szKey))) {
            return Fail(strPath,
                        "the field \"" + std::string(szKey) + "\" is missing" +
                            (strUnknown.empty() ? std::string()
                                                : " (\"" + strUnknown + "\" is not a field)"));
        }
    }
    if (!strUnknown.empty()) {
        return Fail(strPath, "unknown field \"" + strUnknown + "\"");
    }
    return true;
}

bool CDocumentReader::ReadDocument(const QJsonObject& document, CSyncGroupList& list) {
    // The format and version first, so that a newer document is named as such.
    if (document.value(QStringLiteral("format")).toString() !=
        QLatin1String(kGroupListJsonFormat)) {
        return Fail("format", "this is not a folvex group list (\"format\" must be \"" +
                                  std::string(kGroupListJsonFormat) + "\")");
    }
    int32_t nVersion = 0;
    std::string strWhy;
    if (!NumberFromJson(document.value(QStringLiteral("version")), nVersion, strWhy)) {
        return Fail("version", strWhy);
    }
    if (nVersion > kGroupListJsonVersion) {
        return Fail("version", "the document is for a newer folvex (version " +
                                   std::to_string(nVersion) + "; this one reads " +
                                   std::to_string(kGroupListJsonVersion) + ")");
    }
    if (nVersion < 1) {
        return Fail("version", "there is no version " + std::to_string(nVersion));
    }
    QJsonObject checked;
    if (!Fields(document, {}, {"format", "version", "groups"}, checked)) {
        return false;
    }
    const QJsonValue groups = document.value(QStringLiteral("groups"));
    if (!groups.isArray()) {
        return Fail("groups", "expected an array");
    }
    const QJsonArray array = groups.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        auto group = std::make_unique<CSyncGroup>();
        if (!ReadGroup(array.at(i), "groups[" + std::to_string(i) + "]", *group)) {
            return false;
        }
        list.AddTail(std::move(group));
    }
    return true;
}

bool CDocumentReader::ReadGroup(const QJsonValue& value, const std::string& strPath,
                                CSyncGroup& group) {
    QJsonObject object;
    if (!Fields(value, strPath, {"name", "pairs"}, object) ||
        !Take(object, strPath, "name", group.m_strName, TextFromJson)) {
        return false;
    }
    const QJsonValue pairs = object.value(QStringLiteral("pairs"));
    if (!pairs.isArray()) {
        return Fail(strPath + ".pairs", "expected an array");
    }
    const QJsonArray array = pairs.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        auto pair = std::make_unique<CSyncPair>();
        if (!ReadPair(array.at(i), strPath + ".pairs[" + std::to_string(i) + "]", *pair)) {
            return false;
        }
        group.m_listPairs.AddTail(std::move(pair));
    }
    return true;
}

bool CDocumentReader::ReadPair(const QJsonValue& value, const std::string& strPath,
                               CSyncPair& pair) {
    QJsonObject object;
    return Fields(value, strPath,
                  {"source", "destination", "exclude", "subFolders", "checkDestinationDate",
                   "onlyNewer", "overwriteRHS", "bothWays", "lastCopy", "figures"},
                  object) &&
           Take(object, strPath, "source", pair.m_strSource, TextFromJson) &&
           Take(object, strPath, "destination", pair.m_strDestination, TextFromJson) &&
           Take(object, strPath, "exclude", pair.m_strExclude, TextFromJson) &&
           Take(object, strPath, "subFolders", pair.m_bSubFolders, OptionFromJson) &&
           Take(object, strPath, "checkDestinationDate", pair.m_bCheckDestDate, OptionFromJson) &&
           Take(object, strPath, "onlyNewer", pair.m_bOnlyNewer, OptionFromJson) &&
           Take(object, strPath, "overwriteRHS", pair.m_bOverwriteRHS, OptionFromJson) &&
           Take(object, strPath, "bothWays", pair.m_bBothWays, OptionFromJson) &&
           Take(object, strPath, "lastCopy", pair.m_timeLastCopy, DateFromJson) &&
           ReadFigures(object.value(QStringLiteral("figures")), strPath + ".figures", pair);
}

bool CDocumentReader::ReadFigures(const QJsonValue& value, const std::string& strPath,
                                  CSyncPair& pair) {
    const auto u32 = [](const QJsonValue& v, uint32_t& n, std::string& why) {
        return NumberFromJson(v, n, why);
    };
    const auto i32 = [](const QJsonValue& v, int32_t& n, std::string& why) {
        return NumberFromJson(v, n, why);
    };
    QJsonObject object;
    return Fields(value, strPath,
                  {"filesFound", "folders", "filesCopied", "bytesCopied", "elapsedMs", "errors",
                   "lastError", "reserved"},
                  object) &&
           Take(object, strPath, "filesFound", pair.m_nFilesFound, u32) &&
           Take(object, strPath, "folders", pair.m_nDirectories, u32) &&
           Take(object, strPath, "filesCopied", pair.m_nFilesCopied, u32) &&
           Take(object, strPath, "bytesCopied", pair.m_dwBytesCopied, u32) &&
           Take(object, strPath, "elapsedMs", pair.m_dwElapsedMs, u32) &&
           Take(object, strPath, "errors", pair.m_nErrors, i32) &&
           Take(object, strPath, "lastError", pair.m_nLastError, i32) &&
           Take(object, strPath, "reserved", pair.m_dwReserved, u32);
}

}  // namespace

bool GroupListFromJson(const QByteArray& json, CSyncGroupList& list, std::string& strError) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        strError = PlaceOf(json, parseError.offset) + ": " + parseError.errorString().toStdString();
        return false;
    }
    if (!document.isObject()) {
        strError = "the document is not a JSON object";
        return false;
    }
    CDocumentReader reader;
    CSyncGroupList read;
    if (!reader.ReadDocument(document.object(), read)) {
        strError = reader.Error();
        return false;
    }
    list = std::move(read);
    return true;
}
