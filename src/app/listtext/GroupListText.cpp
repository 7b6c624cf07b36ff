// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupListText.h"

#include <signal.h>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <optional>

#include "DisplayText.h"
#include "GroupListFile.h"
#include "GroupListJson.h"
#include "Runner.h"
#include "platform.h"

namespace {

bool IsStandardStream(const std::string& strPath) {
    return strPath.empty() || strPath == "-";
}

std::string Shown(const std::string& strText) {
    return EscapeControlCharacters(strText);
}

std::string CountText(const CSyncGroupList& list) {
    int nPairs = 0;
    for (const CSyncGroup& group : list) {
        nPairs += group.m_listPairs.GetCount();
    }
    return std::to_string(list.GetCount()) + (list.GetCount() == 1 ? " group" : " groups") +
           " with " + std::to_string(nPairs) + (nPairs == 1 ? " pair" : " pairs");
}

// Whether two paths name one existing file, through links and relative folders.
bool IsSameFile(const std::string& strOne, const std::string& strOther) {
    const QString strCanonical = QFileInfo(QString::fromStdString(strOne)).canonicalFilePath();
    return !strCanonical.isEmpty() &&
           strCanonical == QFileInfo(QString::fromStdString(strOther)).canonicalFilePath();
}

// Hang-ups and interrupts that come while the list and its .bak are written take effect
// once both are in place.
class HeldSignals {
public:
    HeldSignals() {
        sigset_t held;
        ::sigemptyset(&held);
        for (const int nSignal : {SIGHUP, SIGINT, SIGTERM}) {
            ::sigaddset(&held, nSignal);
        }
        ::pthread_sigmask(SIG_BLOCK, &held, &m_before);
    }
    ~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

private:
    sigset_t m_before{};
};

bool ReadDocument(const std::string& strSource, std::istream& in, std::string& bytes,
                  std::ostream& err) {
    if (strSource == "-") {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            err << "folvex: cannot read standard input\n";
            return false;
        }
        return true;
    }
    int nErrno = 0;
    if (!Platform().ReadWholeFile(strSource, bytes, nErrno)) {
        err << "folvex: cannot read " << Shown(strSource) << ": "
            << (nErrno == kErrorNotRegularFile ? "not a regular file" : std::strerror(nErrno))
            << '\n';
        return false;
    }
    return true;
}

// Takes the list's lock as a run's save does: at once, or after saying what it waits for.
bool TakeLock(const std::string& strListPath, std::chrono::milliseconds wait,
              std::optional<CGroupListLock>& lock, std::ostream& err) {
    lock.emplace(strListPath, std::chrono::milliseconds(0));
    if (lock->TimedOut()) {
        err << "folvex: waiting for another folvex to finish with " << Shown(strListPath) << '\n';
        lock.emplace(strListPath, wait);
    }
    if (!lock->Locked()) {
        err << "folvex: " << Shown(lock->Error()) << (lock->TimedOut() ? ": " : "; ")
            << Shown(strListPath) << "\nNothing was changed.\n";
        return false;
    }
    return true;
}

}  // namespace

int ExportGroupList(const std::string& strListPath, const std::string& strTarget, std::ostream& out,
                    std::ostream& err) {
    // "--export Synclist.dat" would put the text in place of the list it was made from.
    if (!IsStandardStream(strTarget) && IsSameFile(strTarget, strListPath)) {
        err << "folvex: " << Shown(strTarget)
            << " is the group list itself; export to another file.\nNothing was exported.\n";
        return kExitUsage;
    }
    CSyncGroupList list;
    std::string strMessages;
    std::string bytes;
    const LoadOutcome outcome = LoadGroupListFile(
        strListPath, list,
        [&strMessages](const std::string& strMessage) { strMessages += strMessage + "\n"; },
        &bytes);
    if (outcome != LoadOutcome::Loaded) {
        err << "folvex: " << Shown(strListPath) << ": " << strMessages << "Nothing was exported.\n";
        return kExitUsage;
    }
    if (!strMessages.empty()) {
        err << "folvex: " << Shown(strListPath) << ": " << strMessages;
    }
    if (StoreGroupList(list) != bytes) {
        err << "folvex: note: " << Shown(strListPath)
            << " is not in the form this folvex writes (another version of folvex wrote it); "
               "importing the export writes it in the current form\n";
    }
    const QByteArray json = GroupListToJson(list);
    if (IsStandardStream(strTarget)) {
        out.write(json.constData(), json.size());
        out.flush();
        if (!out) {
            err << "folvex: cannot write the export to standard output\n";
            return kExitErrors;
        }
        return kExitClean;
    }
    std::string strError;
    if (!Platform().WriteFileAtomically(strTarget, json.toStdString(), strError)) {
        err << "folvex: " << Shown(strError) << '\n';
        return kExitErrors;
    }
    out << "Exported " << CountText(list) << " to " << Shown(strTarget) << '\n';
    return kExitClean;
}

int ImportGroupList(const std::string& strListPath, const std::string& strSource, std::istream& in,
                    std::ostream& out, std::ostream& err, std::chrono::milliseconds lockWait) {
    std::string document;
    if (!ReadDocument(strSource, in, document, err)) {
        err << "Nothing was changed.\n";
        return kExitUsage;
    }
    CSyncGroupList list;
    std::string strError;
    if (!GroupListFromJson(QByteArray::fromStdString(document), list, strError)) {
        err << "folvex: " << Shown(strSource == "-" ? "standard input" : strSource) << ": "
            << Shown(strError) << "\nNothing was changed.\n";
        return kExitUsage;
    }
    const std::string bytes = StoreGroupList(list);

    std::optional<CGroupListLock> lock;
    if (!TakeLock(strListPath, lockWait, lock, err)) {
        return kExitErrors;
    }
    const HeldSignals held;
    const std::string strBackup = strListPath + ".bak";
    std::string previous;
    int nErrno = 0;
    const bool bHadList = Platform().ReadWholeFile(strListPath, previous, nErrno);
    if (!bHadList && nErrno != ENOENT) {
        err << "folvex: cannot read " << Shown(strListPath) << " to keep it as " << Shown(strBackup)
            << ": "
            << (nErrno == kErrorNotRegularFile ? "not a regular file" : std::strerror(nErrno))
            << "\nNothing was changed.\n";
        return kExitErrors;
    }
    if (bHadList && previous == bytes) {
        out << Shown(strListPath) << " already holds this list (" << CountText(list)
            << "); nothing was changed.\n";
        return kExitClean;
    }
    if (bHadList && !Platform().WriteFileAtomically(strBackup, previous, strError)) {
        err << "folvex: cannot keep the list as " << Shown(strBackup) << ": " << Shown(strError)
            << "\nNothing was changed.\n";
        return kExitErrors;
    }
    if (!Platform().WriteFileAtomically(strListPath, bytes, strError)) {
        err << "folvex: " << Shown(strError) << "\nThe list was not changed.\n";
        return kExitErrors;
    }
    out << "Imported " << CountText(list) << " into " << Shown(strListPath) << ".\n";
    if (bHadList) {
        out << "The previous list is kept as " << Shown(strBackup) << ".\n";
    }
    return kExitClean;
}
