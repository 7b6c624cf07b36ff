// SPDX-License-Identifier: GPL-3.0-or-later
// The group list as JSON text: a list written out and read back is the same file byte for
// byte, a document that does not fit is refused with where and why, and an import changes
// nothing unless it can replace the list whole, keeping the previous one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>

#include "FileTree.h"
#include "GroupListFile.h"
#include "GroupListJson.h"
#include "GroupListLocation.h"
#include "GroupListText.h"
#include "TempFolder.h"

namespace {

constexpr uint32_t kMaxU32 = std::numeric_limits<uint32_t>::max();
constexpr int32_t kMinI32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxI32 = std::numeric_limits<int32_t>::max();

CSyncPair& AddPair(CSyncGroupList& list, const std::string& strSource,
                   const std::string& strDestination, const std::string& strExclude = {}) {
    if (list.IsEmpty()) {
        CreateGroup(list);
    }
    CSyncPair& pair = *CreatePair(*GroupAtIndex(list, list.GetCount() - 1));
    pair.m_strSource = strSource;
    pair.m_strDestination = strDestination;
    pair.m_strExclude = strExclude;
    return pair;
}

std::string RoundTrip(const std::string& stored) {
    CSyncGroupList loaded;
    EXPECT_EQ(LoadGroupListBytes(stored, loaded, {}), LoadOutcome::Loaded);
    CSyncGroupList imported;
    std::string strError;
    EXPECT_TRUE(GroupListFromJson(GroupListToJson(loaded), imported, strError)) << strError;
    return StoreGroupList(imported);
}

TEST(GroupListText, ExportThenImportGivesTheSameFile) {
    const struct {
        const char* szName;
        std::function<void(CSyncGroupList&)> build;
    } cases[] = {
        {"empty list", [](CSyncGroupList&) {}},
        {"group without pairs and an empty name",
         [](CSyncGroupList& list) { CreateGroup(list)->m_strName.clear(); }},
        {"texts that are not UTF-8",
         [](CSyncGroupList& list) {
             CreateGroup(list)->m_strName = "caf\xe9";
             AddPair(list, "/data/\xff\xfe", "/mnt/\xc0\xaf overlong", "\xed\xa0\x80 surrogate");
             AddPair(list, std::string("nul\0inside", 10),
                     "\xef\xbb\xbf"
                     "bom",
                     "\x80");
         }},
        {"UTF-8 texts of every kind",
         [](CSyncGroupList& list) {
             AddPair(list, "/home/ann/Foto's \xe2\x80\xa8 \xf0\x9f\x93\xb7", "/mnt/\"quoted\"\\",
                     "\t\n\r\x1f\x7f *.tmp;\xc3\xa9t\xc3\xa9");
         }},
        {"texts at the length prefixes",
         [](CSyncGroupList& list) {
             AddPair(list, std::string(254, 'a'), std::string(255, 'b'), std::string(0xFFFD, 'c'));
             AddPair(list, std::string(0xFFFE, 'd'), std::string(70000, '\xff'), "");
         }},
        {"every combination of the options, and values other than 0 and 1",
         [](CSyncGroupList& list) {
             for (int nBits = 0; nBits < 32; ++nBits) {
                 CSyncPair& pair = AddPair(list, "/s" + std::to_string(nBits), "/d");
                 pair.m_bSubFolders = nBits & 1;
                 pair.m_bCheckDestDate = (nBits >> 1) & 1;
                 pair.m_bOnlyNewer = (nBits >> 2) & 1;
                 pair.m_bOverwriteRHS = (nBits >> 3) & 1;
                 pair.m_bBothWays = (nBits >> 4) & 1;
             }
             CSyncPair& odd = AddPair(list, "/odd", "/d");
             odd.m_bSubFolders = 2;
             odd.m_bCheckDestDate = -1;
             odd.m_bBothWays = kMinI32;
         }},
        {"dates and figures at their limits",
         [](CSyncGroupList& list) {
             for (const uint32_t nTime : {0u, 1u, 951782400u, kMaxU32}) {  // 2000-02-29
                 AddPair(list, "/s", "/d").m_timeLastCopy = nTime;
             }
             for (const bool bHigh : {false, true}) {
                 CSyncPair& pair = AddPair(list, "/s", "/d");
                 const uint32_t nU = bHigh ? kMaxU32 : 0;
                 pair.m_nFilesFound = pair.m_nDirectories = pair.m_nFilesCopied = nU;
                 pair.m_dwElapsedMs = pair.m_dwBytesCopied = pair.m_dwReserved = nU;
                 pair.m_nErrors = pair.m_nLastError = bHigh ? kMaxI32 : kMinI32;
             }
         }},
        {"many groups",
         [](CSyncGroupList& list) {
             for (int i = 0; i < 500; ++i) {
                 CSyncGroup& group = *CreateGroup(list);
                 group.m_strName = "Group " + std::to_string(i);
                 for (int j = 0; j < i % 4; ++j) {
                     CreatePair(group)->m_strSource = "/s" + std::to_string(j);
                 }
             }
         }},
    };
    for (const auto& c : cases) {
        CSyncGroupList list;
        c.build(list);
        const std::string stored = StoreGroupList(list);
        EXPECT_EQ(RoundTrip(stored), stored) << c.szName;
    }
}

// A document made from a list with one pair, for the cases to spoil.
QJsonObject ValidDocument() {
    CSyncGroupList list;
    AddPair(list, "/s", "/d");
    return QJsonDocument::fromJson(GroupListToJson(list)).object();
}

QByteArray WithPair(const std::function<void(QJsonObject& pair)>& change) {
    QJsonObject document = ValidDocument();
    QJsonArray groups = document["groups"].toArray();
    QJsonObject group = groups[0].toObject();
    QJsonArray pairs = group["pairs"].toArray();
    QJsonObject pair = pairs[0].toObject();
    change(pair);
    pairs[0] = pair;
    group["pairs"] = pairs;
    groups[0] = group;
    document["groups"] = groups;
    return QJsonDocument(document).toJson();
}

QByteArray WithFigure(const char* szKey, const QJsonValue& value) {
    return WithPair([&](QJsonObject& pair) {
        QJsonObject figures = pair["figures"].toObject();
        figures[QLatin1String(szKey)] = value;
        pair["figures"] = figures;
    });
}

QByteArray WithField(const char* szKey, const QJsonValue& value) {
    return WithPair([&](QJsonObject& pair) { pair[QLatin1String(szKey)] = value; });
}

TEST(GroupListText, DocumentsThatDoNotFitAreRefusedWithWhereAndWhy) {
    const QByteArray loneSurrogate = WithField("source", "LONE").replace("\"LONE\"", "\"\\ud800\"");
    const struct {
        QByteArray json;
        std::string strError;  // how the message starts
    } cases[] = {
        {"", "line 1, column 1: "},
        {"{\n  \"format\": \"folvex group list\",\n  \"version\": 1,\n  \"gr\xc3\xa9ps\": [,]\n}",
         "line 4, column 14: "},
        {"{\"format\": \"folvex group list\" \"version\": 1}", "line 1, column 33: "},
        {"[]", "the document is not a JSON object"},
        {"{\"format\": \"other\", \"version\": 1, \"groups\": []}", "format: this is not"},
        {"{\"format\": \"folvex group list\", \"version\": 2, \"groups\": []}",
         "version: the document is for a newer folvex (version 2; this one reads 1)"},
        {"{\"format\": \"folvex group list\", \"version\": 1.5, \"groups\": []}",
         "version: expected a whole number"},
        {"{\"format\": \"folvex group list\", \"version\": 1}", "the field \"groups\" is missing"},
        {"{\"format\": \"folvex group list\", \"version\": 1, \"groups\": {}}",
         "groups: expected an array"},
        {"{\"format\": \"folvex group list\", \"version\": 1, \"groups\": [{\"name\": 1, "
         "\"pairs\": []}]}",
         "groups[0].name: expected a text"},
        {"{\"format\": \"folvex group list\", \"version\": 1, \"groups\": [{\"name\": \"G\"}]}",
         "groups[0]: the field \"pairs\" is missing"},
        {WithPair([](QJsonObject& pair) { pair.remove("source"); }),
         "groups[0].pairs[0]: the field \"source\" is missing"},
        {WithField("sourse", "/typo"), "groups[0].pairs[0]: unknown field \"sourse\""},
        {WithPair([](QJsonObject& pair) { pair["sourse"] = pair.take("source"); }),
         "groups[0].pairs[0]: the field \"source\" is missing (\"sourse\" is not a field)"},
        {WithField("destination", 7), "groups[0].pairs[0].destination: expected a text"},
        {WithField("exclude", QJsonObject{{"base64", "!!"}}),
         "groups[0].pairs[0].exclude: \"base64\" holds something that is not base64"},
        {WithField("exclude", QJsonObject{{"hex", "00"}}), "groups[0].pairs[0].exclude: expected"},
        {loneSurrogate, "groups[0].pairs[0].source: the text holds a lone"},
        {WithField("bothWays", "yes"), "groups[0].pairs[0].bothWays: expected true or false"},
        {WithField("subFolders", 4294967296.0), "groups[0].pairs[0].subFolders: expected a whole"},
        {WithField("lastCopy", "2024-02-30T00:00:00Z"), "groups[0].pairs[0].lastCopy: expected"},
        {WithField("lastCopy", "2024-01-01 00:00:00"), "groups[0].pairs[0].lastCopy: expected"},
        {WithField("lastCopy", 1700000000), "groups[0].pairs[0].lastCopy: expected"},
        {WithField("lastCopy", "2106-02-07T06:28:16Z"), "groups[0].pairs[0].lastCopy: the date "},
        {WithField("figures", QJsonArray()), "groups[0].pairs[0].figures: expected an object"},
        {WithFigure("filesFound", -1), "groups[0].pairs[0].figures.filesFound: expected a whole"},
        {WithFigure("bytesCopied", 4294967296.0), "groups[0].pairs[0].figures.bytesCopied: "},
        {WithFigure("errors", 0.5), "groups[0].pairs[0].figures.errors: expected a whole"},
        {WithFigure("lastError", "5"), "groups[0].pairs[0].figures.lastError: expected a number"},
    };
    for (const auto& c : cases) {
        CSyncGroupList list;
        CreateGroup(list);
        std::string strError;
        EXPECT_FALSE(GroupListFromJson(c.json, list, strError)) << c.json.toStdString();
        EXPECT_EQ(strError.rfind(c.strError, 0), 0u) << strError << "\n" << c.json.toStdString();
        EXPECT_EQ(list.GetCount(), 1) << "the list was changed: " << c.json.toStdString();
    }
}

class GroupListImport : public testing::Test {
protected:
    std::string List() const { return m_temp / "list/Synclist.dat"; }
    std::string Backup() const { return List() + ".bak"; }
    std::string Document() const { return m_temp / "list.json"; }

    int Import(std::chrono::milliseconds lockWait = kGroupListLockWait) {
        std::istringstream in;
        m_out.str({});
        m_err.str({});
        return ImportGroupList(List(), Document(), in, m_out, m_err, lockWait);
    }
    static std::string OnePairList(const std::string& strDestination) {
        CSyncGroupList list;
        AddPair(list, "/s", strDestination);
        return StoreGroupList(list);
    }

    TempFolder m_temp;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(GroupListImport, ReplacesTheListAndKeepsThePreviousOne) {
    WriteFile(List(), OnePairList("/old"));
    CSyncGroupList edited;
    AddPair(edited, "/s", "/new");
    WriteFile(Document(), GroupListToJson(edited).toStdString());

    EXPECT_EQ(Import(), 0) << m_err.str();
    EXPECT_EQ(ReadFile(List()), OnePairList("/new"));
    EXPECT_EQ(ReadFile(Backup()), OnePairList("/old"));
    EXPECT_NE(m_out.str().find("kept as " + Backup()), std::string::npos) << m_out.str();

    // The same document again changes nothing, the .bak included.
    EXPECT_EQ(Import(), 0) << m_err.str();
    EXPECT_EQ(ReadFile(Backup()), OnePairList("/old"));
}

TEST_F(GroupListImport, MakesAListWhereThereWasNone) {
    WriteFile(Document(), GroupListToJson(CSyncGroupList()).toStdString());
    EXPECT_EQ(Import(), 0) << m_err.str();
    EXPECT_EQ(ReadFile(List()), StoreGroupList(CSyncGroupList()));
    EXPECT_FALSE(Exists(Backup()));
}

TEST_F(GroupListImport, AnyFailureChangesNothing) {
    const struct {
        const char* szName;
        std::string document;  // empty: no document file
        bool bLockHeld;
        int nStatus;
        std::string strSaid;
    } cases[] = {
        {"no document", {}, false, 2, "folvex: cannot read " + Document()},
        {"bad JSON", "{\n\"format\":", false, 2, Document() + ": line 2, column 10: "},
        {"wrong type", WithField("onlyNewer", "no").toStdString(), false, 2,
         Document() + ": groups[0].pairs[0].onlyNewer: expected true or false"},
        {"lock held by another folvex", GroupListToJson(CSyncGroupList()).toStdString(), true, 1,
         "The group list is locked by another folvex"},
    };
    for (const auto& c : cases) {
        WriteFile(List(), OnePairList("/old"));
        if (!c.document.empty()) {
            WriteFile(Document(), c.document);
        }
        std::optional<CGroupListLock> held;
        if (c.bLockHeld) {
            held.emplace(List(), std::chrono::milliseconds(0));
        }
        EXPECT_EQ(Import(std::chrono::milliseconds(50)), c.nStatus) << c.szName;
        EXPECT_NE(m_err.str().find(c.strSaid), std::string::npos)
            << c.szName << ": " << m_err.str();
        EXPECT_NE(m_err.str().find("Nothing was changed."), std::string::npos) << c.szName;
        EXPECT_EQ(ReadFile(List()), OnePairList("/old")) << c.szName;
        EXPECT_FALSE(Exists(Backup())) << c.szName;
        ::unlink(Document().c_str());
    }
}

TEST_F(GroupListImport, ADamagedListIsNotExportedNorAListOverwritten) {
    WriteFile(List(), OnePairList("/old").substr(0, 40));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(ExportGroupList(List(), Document(), out, err), 2);
    EXPECT_NE(err.str().find("Sync list damaged at end!"), std::string::npos) << err.str();
    EXPECT_FALSE(Exists(Document()));

    // Nor written over the list it was made from.
    WriteFile(List(), OnePairList("/old"));
    EXPECT_EQ(ExportGroupList(List(), m_temp / "list/../list/Synclist.dat", out, err), 2);
    EXPECT_EQ(ReadFile(List()), OnePairList("/old"));
}

}  // namespace
