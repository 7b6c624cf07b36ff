// SPDX-License-Identifier: GPL-3.0-or-later
// The executable without a window, as a scheduler starts it: no display, exit statuses, the
// log oldest first, a dry run that writes nothing, an interrupt that leaves no partial file,
// a save that keeps what was changed in the list while the run went on, the JSON report,
// the version, --verbose, the desktop notification on a private session bus, the days to
// keep replaced files, and the listing of the versions kept.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "FileTree.h"
#include "GroupListFile.h"
#include "GroupListLocation.h"
#include "PosixHandles.h"
#include "TempFolder.h"

extern char** environ;

namespace {

// The program, started with no display and no platform plugin chosen.
class Program {
public:
    explicit Program(std::vector<std::string> arguments) {
        int out[2];
        int err[2];
        EXPECT_EQ(::pipe(out), 0);
        EXPECT_EQ(::pipe(err), 0);
        m_out.Reset(out[0]);
        m_err.Reset(err[0]);
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        arguments.insert(arguments.begin(), FOLVEX_EXECUTABLE);
        std::vector<char*> argv;
        for (std::string& strArgument : arguments) {
            argv.push_back(strArgument.data());
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (char** p = environ; *p != nullptr; ++p) {
            const std::string_view variable = *p;
            if (variable.rfind("DISPLAY=", 0) != 0 && variable.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
                variable.rfind("QT_QPA_PLATFORM=", 0) != 0) {
                envp.push_back(*p);
            }
        }
        envp.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
    }

    // Reads standard output until a whole line has come; the line, or "" at its end.
    std::string ReadLine() {
        for (size_t nEnd; (nEnd = m_strOut.find('\n', m_nRead)) == std::string::npos;) {
            if (!ReadMore(m_out.Get(), m_strOut)) {
                return {};
            }
        }
        const size_t nEnd = m_strOut.find('\n', m_nRead);
        std::string strLine = m_strOut.substr(m_nRead, nEnd - m_nRead);
        m_nRead = nEnd + 1;
        return strLine;
    }
    // Reads standard error until it holds strText; false at its end.
    bool WaitForError(const std::string& strText) {
        while (m_strErr.find(strText) == std::string::npos) {
            if (!ReadMore(m_err.Get(), m_strErr)) {
                return false;
            }
        }
        return true;
    }
    void Signal(int nSignal) const { ::kill(m_pid, nSignal); }
    // Whether it has ended, without waiting; Wait then gives its status.
    bool Ended() {
        if (m_nEndStatus < 0) {
            int nStatus = 0;
            if (::waitpid(m_pid, &nStatus, WNOHANG) != m_pid) {
                return false;
            }
            m_nEndStatus = nStatus;
        }
        return true;
    }

    // Waits for the end; the exit status (128 + the signal if one ended it).
    int Wait() {
        while (ReadMore(m_out.Get(), m_strOut)) {
        }
        while (ReadMore(m_err.Get(), m_strErr)) {
        }
        int nStatus = m_nEndStatus;
        if (nStatus < 0) {
            ::waitpid(m_pid, &nStatus, 0);
        }
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
    }
    const std::string& Out() const { return m_strOut; }
    const std::string& Err() const { return m_strErr; }

private:
    static bool ReadMore(int fd, std::string& strText) {
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            strText.append(buffer, static_cast<size_t>(n));
        }
        return n > 0;
    }

    pid_t m_pid = -1;
    int m_nEndStatus = -1;
    posix::FileDescriptor m_out;
    posix::FileDescriptor m_err;
    std::string m_strOut;
    std::string m_strErr;
    size_t m_nRead = 0;
};

class RunnerCli : public testing::Test {
protected:
    std::string List() const { return m_temp / "list.dat"; }
    std::string Src() const { return m_temp / "src"; }
    std::string Dst() const { return m_temp / "dst"; }

    void WriteList(const std::string& strSecondGroup = {}) const {
        CSyncGroupList list;
        CSyncGroup* pGroup = CreateGroup(list);
        pGroup->m_strName = "Daily";
        CSyncPair* pPair = CreatePair(*pGroup);
        pPair->m_strSource = Src();
        pPair->m_strDestination = Dst();
        pPair->m_bCheckDestDate = 1;
        if (!strSecondGroup.empty()) {
            CreateGroup(list)->m_strName = strSecondGroup;
        }
        std::string strError;
        ASSERT_TRUE(SaveGroupList(List(), list, strError)) << strError;
    }
    // Enough files that the run is still going on when the test acts on its first line.
    void BuildManyFiles() const {
        for (int i = 0; i < 6000; ++i) {
            WriteFile(Src() + "/f" + std::to_string(i / 100) + "/" + std::to_string(i),
                      std::string(4096, 'x'));
        }
    }
    struct Saved {
        int32_t nErrors;
        uint32_t nFilesCopied;
        uint32_t timeLastCopy;
    };
    // What the list holds of the first pair now.
    Saved ReloadPair(std::vector<std::string>* pGroupNames = nullptr) const {
        CSyncGroupList list;
        EXPECT_EQ(LoadGroupListFile(List(), list, {}), LoadOutcome::Loaded);
        for (const CSyncGroup& group : list) {
            if (pGroupNames != nullptr) {
                pGroupNames->push_back(group.m_strName);
            }
        }
        const CSyncPair& stored = *PairAtIndex(*GroupAtIndex(list, 0), 0);
        return {stored.m_nErrors, stored.m_nFilesCopied, stored.m_timeLastCopy};
    }

    TempFolder m_temp;
};

TEST_F(RunnerCli, RunsWithoutADisplayWithTheRightStatuses) {
    WriteFile(Src() + "/a.txt", "a");
    WriteList();
    const std::string strBefore = ReadFile(List());
    Program dry({"--run", "Daily", "--dry-run", "--list-file", List()});
    EXPECT_EQ(dry.Wait(), 0) << dry.Err();
    EXPECT_EQ(ReadFile(List()), strBefore);
    EXPECT_FALSE(Exists(Dst()));

    Program run({"--run", "Daily", "--list-file", List()});
    EXPECT_EQ(run.Wait(), 0) << run.Err();
    EXPECT_NE(run.Out().find("\nOK Copied: " + Dst() + "/a.txt\nSucces: Copied 1 files from " +
                             Src() + " to " + Dst() + "\nDaily, pair 1 clean: "),
              std::string::npos)
        << run.Out();
    EXPECT_EQ(ReloadPair().nFilesCopied, 1u);

    // A warning alone is not an error: a timer need not call it failed.
    WriteFile(Dst() + "/a.txt", "newer", 4000000000);
    Program warned({"--run", "1", "--pair", "1", "--list-file", List()});
    EXPECT_EQ(warned.Wait(), 3);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--run", "Nope", "--list-file", List()},
          std::vector<std::string>{"--run", "Daily", "--pair", "0", "--list-file", List()},
          std::vector<std::string>{"--list", "--run", "Daily"},
          std::vector<std::string>{"--run", "Daily", "--no-such-option"},
          std::vector<std::string>{"--list", "--list-file", m_temp / "missing.dat"},
          std::vector<std::string>{"--list", "--quiet"},
          std::vector<std::string>{"--run", "Daily", "--quiet", "--verbose"},
          std::vector<std::string>{"--run", "Daily", "--log-file="},
          std::vector<std::string>{"--run", "Daily", "--keep-days", "3651"},
          std::vector<std::string>{"--run", "Daily", "--keep-days", "-1"},
          std::vector<std::string>{"--run", "Daily", "--keep-days", "week"},
          std::vector<std::string>{"--list", "--keep-days", "5"},
          std::vector<std::string>{"--versions", "Daily", "--keep-days", "5"},
          std::vector<std::string>{"--versions", "Daily", "--dry-run"},
          std::vector<std::string>{"--versions", "Daily", "--run", "Daily"},
          std::vector<std::string>{"--versions", "Nope", "--list-file", List()},
          std::vector<std::string>{"--versions", "Daily", "--pair", "2", "--list-file", List()}}) {
        Program program(bad);
        EXPECT_EQ(program.Wait(), 2) << bad[0] << " " << bad[1];
        EXPECT_TRUE(program.Out().empty());
        EXPECT_FALSE(program.Err().empty());
    }
}

// The days come from --keep-days, else from Folvex.conf beside the list; a damaged
// Folvex.conf is said and the run goes on with the default.
TEST_F(RunnerCli, KeepDaysAreTakenAndADamagedSettingsFileIsSaid) {
    WriteFile(Src() + "/a.txt", "a");
    WriteList();
    Program given({"--run", "Daily", "--keep-days", "0", "--list-file", List()});
    EXPECT_EQ(given.Wait(), 0) << given.Err();
    EXPECT_TRUE(given.Err().empty()) << given.Err();

    WriteFile(m_temp / "Folvex.conf", "[Versions]\nKeepDays=many\n");
    Program damaged({"--run", "Daily", "--list-file", List()});
    EXPECT_EQ(damaged.Wait(), 0) << damaged.Err();
    EXPECT_NE(damaged.Err().find("folvex: The settings file " + m_temp / "Folvex.conf" +
                                 " was not read whole"),
              std::string::npos)
        << damaged.Err();
    EXPECT_EQ(ReadFile(m_temp / "Folvex.conf"), "[Versions]\nKeepDays=many\n");  // only read
}

TEST_F(RunnerCli, VersionsListsEachRunsFolderOldestFirstAndOnlyReads) {
    WriteList();
    {
        CSyncGroupList list;
        ASSERT_EQ(LoadGroupListFile(List(), list, {}), LoadOutcome::Loaded);
        CSyncPair* pSecond = CreatePair(*GroupAtIndex(list, 0));
        pSecond->m_strSource = m_temp / "src2";
        pSecond->m_strDestination = m_temp / "dst2";
        pSecond->m_bBothWays = 1;
        pSecond->m_bCheckDestDate = 1;
        std::string strError;
        ASSERT_TRUE(SaveGroupList(List(), list, strError)) << strError;
    }
    const std::string strVersions = Dst() + "/.folvex-versions";
    WriteFile(strVersions + "/2026-11-02 090000/b.txt", std::string(2500, 'b'));
    WriteFile(strVersions + "/2026-11-01 101500/a.txt", "12345");
    WriteFile(strVersions + "/2026-11-01 101500/sub/c.txt", "67");
    WriteFile(strVersions + "/notes/x.txt", "not a run's folder");
    WriteFile(m_temp / "src2/.folvex-versions/2026-10-30 080000/d.txt", "d");
    const std::string strListBefore = ReadFile(List());

    Program all({"--versions", "Daily", "--list-file", List()});
    EXPECT_EQ(all.Wait(), 0) << all.Err();
    EXPECT_EQ(all.Out(), "Pair 1: " + strVersions +
                             "\n   2026-11-01 101500: 2 files, 7 B"
                             "\n   2026-11-02 090000: 1 files, 2.5 kB\n"
                             "Pair 2: " +
                             m_temp / "dst2/.folvex-versions" +
                             "\n   No replaced versions yet\n"
                             "Pair 2, other way: " +
                             m_temp / "src2/.folvex-versions" +
                             "\n   2026-10-30 080000: 1 files, 1 B\n");
    Program one({"--versions", "1", "--pair", "2", "--list-file", List()});
    EXPECT_EQ(one.Wait(), 0) << one.Err();
    EXPECT_EQ(one.Out().rfind("Pair 2: ", 0), 0u) << one.Out();
    EXPECT_EQ(ReadFile(List()), strListBefore);
    EXPECT_EQ(ListTree(strVersions).size(), 8u);  // nothing removed

    WriteFile(m_temp / "dst2/.folvex-versions", "a file where the folder should be");
    Program unreadable({"--versions", "Daily", "--pair", "2", "--list-file", List()});
    EXPECT_EQ(unreadable.Wait(), 1);
    EXPECT_NE(unreadable.Out().find("ERROR: Couldn't read the replaced versions:" +
                                    m_temp / "dst2/.folvex-versions ("),
              std::string::npos)
        << unreadable.Out();
}

// Anything but --list-file and its path is for the command line, which needs no display to
// refuse it: a typo, a stray argument, Qt's --help-all, --list-file without its path.
TEST_F(RunnerCli, ArgumentsTheWindowDoesNotTakeAreRefusedWithoutADisplay) {
    const struct {
        std::vector<std::string> arguments;
        std::string strSaid;
    } cases[] = {
        {{"--lsit"}, "folvex: Unknown option 'lsit'.\n"},
        {{"--list-file", List(), "stray"}, "folvex: unexpected argument stray\n"},
        {{"--help-all"}, "folvex: Unknown option 'help-all'.\n"},
        {{"--list-file"}, "folvex: Missing value after '--list-file'.\n"},
    };
    for (const auto& c : cases) {
        Program program(c.arguments);
        EXPECT_EQ(program.Wait(), 2) << c.arguments[0];
        EXPECT_EQ(program.Err().rfind(c.strSaid, 0), 0u) << program.Err();
    }
    Program help({"--help"});
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_EQ(help.Out().find("--help-all"), std::string::npos);
    EXPECT_NE(help.Out().find("-h, --help, -?"), std::string::npos) << help.Out();
}

// The list as text through the program: export, import and cmp; the command-line misuses.
TEST_F(RunnerCli, ExportAndImportGiveBackTheListByteForByte) {
    WriteList("Caf\xe9");
    const std::string strBefore = ReadFile(List());
    const std::string strJson = m_temp / "list.json";
    Program exported({"--export", strJson, "--list-file", List()});
    EXPECT_EQ(exported.Wait(), 0) << exported.Err();
    for (const std::vector<std::string>& toScreen :
         {std::vector<std::string>{"--list-file", List(), "--export"},
          std::vector<std::string>{"--export", "-", "--list-file", List()}}) {
        Program program(toScreen);
        EXPECT_EQ(program.Wait(), 0) << program.Err();
        EXPECT_EQ(program.Out(), ReadFile(strJson));
    }
    Program withEquals({"--export=" + strJson + "2", "--list-file", List()});
    EXPECT_EQ(withEquals.Wait(), 0) << withEquals.Err();
    EXPECT_EQ(ReadFile(strJson + "2"), ReadFile(strJson));

    const std::string strCopy = m_temp / "copy/Synclist.dat";
    Program imported({"--import", strJson, "--list-file", strCopy});
    EXPECT_EQ(imported.Wait(), 0) << imported.Err();
    EXPECT_EQ(ReadFile(strCopy), strBefore);

    // Ctrl+C while the import waits for the list's lock ends it, and changes nothing.
    {
        const CGroupListLock held(strCopy, std::chrono::milliseconds(0));
        WriteFile(strJson, "{\"format\": \"folvex group list\", \"version\": 1, \"groups\": []}");
        Program waiting({"--import", strJson, "--list-file", strCopy});
        ASSERT_TRUE(waiting.WaitForError("waiting for another folvex")) << waiting.Err();
        waiting.Signal(SIGINT);
        EXPECT_EQ(waiting.Wait(), 128 + SIGINT);
        EXPECT_EQ(ReadFile(strCopy), strBefore);
        EXPECT_FALSE(Exists(strCopy + ".bak"));
    }

    const struct {
        std::vector<std::string> arguments;
        std::string strSaid;
    } misuses[] = {
        {{"--export", "--run", "Daily"}, "folvex: --export and --import take no option but "},
        {{"--export", "a.json", "b.json"}, "folvex: unexpected argument b.json\n"},
        {{"--import", strJson, "stray"}, "folvex: unexpected argument stray\n"},
        {{"--import"}, "folvex: Missing value after '--import'.\n"},
        {{"--export", "--import", strJson}, "folvex: give either --export [FILE] or --import"},
    };
    for (const auto& c : misuses) {
        Program program(c.arguments);
        EXPECT_EQ(program.Wait(), 2) << c.arguments[0];
        EXPECT_EQ(program.Err().rfind(c.strSaid, 0), 0u) << program.Err();
    }
}

// A FIFO as the list file is refused at once rather than waited on.
TEST_F(RunnerCli, FifoListFileIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(List().c_str(), 0600), 0);
    Program program({"--run", "Daily", "--list-file", List()});
    EXPECT_EQ(program.Wait(), 2);
    EXPECT_NE(program.Err().find("is not a regular file"), std::string::npos) << program.Err();
}

TEST_F(RunnerCli, InterruptLeavesNoPartialFileAndSavesTheFigures) {
    BuildManyFiles();
    WriteList();
    Program run({"--run", "Daily", "--list-file", List()});
    EXPECT_NE(run.ReadLine().find("  Daily, pair 1 of 1: "), std::string::npos);
    EXPECT_EQ(run.ReadLine().rfind("OK Copied: ", 0), 0u);
    run.Signal(SIGINT);
    EXPECT_EQ(run.Wait(), 130) << run.Err();
    EXPECT_NE(run.Out().find("User cancelled operation!\n"), std::string::npos);
    for (const std::string& strFile : ListTree(Dst())) {
        if (strFile.back() != '/') {
            EXPECT_EQ(ReadFile(Dst() + "/" + strFile), ReadFile(Src() + "/" + strFile)) << strFile;
        }
    }
    const Saved saved = ReloadPair();
    EXPECT_GE(saved.nErrors, 1);
    EXPECT_EQ(saved.timeLastCopy, 0u);
}

TEST_F(RunnerCli, ListEditedDuringTheRunKeepsTheEdit) {
    BuildManyFiles();
    WriteList();
    Program run({"--run", "Daily", "--list-file", List()});
    EXPECT_NE(run.ReadLine().find("  Daily, pair 1 of 1: "), std::string::npos);
    EXPECT_EQ(run.ReadLine().rfind("OK Copied: ", 0), 0u);
    WriteList("Added while it ran");
    EXPECT_EQ(run.Wait(), 0) << run.Err();
    std::vector<std::string> names;
    EXPECT_EQ(ReloadPair(&names).nFilesCopied, 6000u);
    EXPECT_EQ(names, (std::vector<std::string>{"Daily", "Added while it ran"}));
}

// The JSON report, read back: the group's and each pair's figures and result, also on
// standard output with the log on standard error; a folder that cannot take it is an error
// before the run.
TEST_F(RunnerCli, JsonReportHasTheFigures) {
    WriteFile(Src() + "/a.txt", "abc");
    WriteFile(Src() + "/b.txt", "de");
    WriteList();
    const std::string strJson = m_temp / "report.json";
    Program run({"--run", "Daily", "--json", strJson, "--list-file", List()});
    EXPECT_EQ(run.Wait(), 0) << run.Err();
    const QJsonObject report =
        QJsonDocument::fromJson(QByteArray::fromStdString(ReadFile(strJson))).object();
    EXPECT_EQ(report["group"].toString(), "Daily");
    EXPECT_EQ(report["result"].toString(), "clean");
    EXPECT_EQ(report["exitStatus"].toInt(), 0);
    EXPECT_EQ(report["totals"]["filesCopied"].toInt(), 2);
    EXPECT_EQ(report["totals"]["bytesCopied"].toInt(), 5);
    const QJsonObject pair = report["pairs"].toArray().at(0).toObject();
    EXPECT_EQ(pair["source"].toString().toStdString(), Src());
    EXPECT_EQ(pair["figures"]["filesChecked"].toInt(), 2);
    EXPECT_FALSE(pair["copiesEverything"].toBool());
    EXPECT_TRUE(pair["firstErrors"].toArray().isEmpty());
    EXPECT_FALSE(pair["started"].toString().isEmpty());

    WriteFile(Dst() + "/a.txt", "newer", 4000000000);
    Program toOut({"--run", "Daily", "--json", "-", "--list-file", List()});
    EXPECT_EQ(toOut.Wait(), 3);
    const QJsonObject warned =
        QJsonDocument::fromJson(QByteArray::fromStdString(toOut.Out())).object();
    EXPECT_EQ(warned["result"].toString(), "warnings") << toOut.Out();
    EXPECT_EQ(warned["pairs"][0]["firstErrors"][0].toString().toStdString(),
              "WARNING! Destination file is newer! Skipped:" + Src() + "/a.txt");
    EXPECT_NE(toOut.Err().find("Daily, pair 1 warnings: "), std::string::npos);

    Program nowhere({"--run", "Daily", "--json", m_temp / "none/r.json", "--list-file", List()});
    EXPECT_EQ(nowhere.Wait(), 1);
    EXPECT_EQ(nowhere.Out(), "");
}

// -V and --version name the version, the licence and the holder; -v is --verbose, which
// tells why each file is left alone.
TEST_F(RunnerCli, VersionAndVerbose) {
    for (const char* szOption : {"-V", "--version"}) {
        Program version({szOption});
        EXPECT_EQ(version.Wait(), 0);
        EXPECT_EQ(version.Out().rfind("folvex ", 0), 0u);
        EXPECT_NE(version.Out().find("GPL-3.0-or-later"), std::string::npos);
        EXPECT_NE(version.Out().find("Copyright (C) 2026 Folvex developers"), std::string::npos);
    }
    WriteFile(Src() + "/a.txt", "a", 1600000000);
    WriteFile(Dst() + "/a.txt", "a", 1600000000);
    WriteList();
    Program plain({"--run", "Daily", "--list-file", List()});
    EXPECT_EQ(plain.Wait(), 0);
    EXPECT_EQ(plain.Out().find("Skipped"), std::string::npos);
    Program verbose({"--run", "Daily", "-v", "--list-file", List()});
    EXPECT_EQ(verbose.Wait(), 0);
    EXPECT_NE(verbose.Out().find("\nSkipped (same time): " + Src() + "/a.txt\n"), std::string::npos)
        << verbose.Out();
}

// The notification service's Notify on a private bus, recorded.
class NotificationListener : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("Notify")) {
            return false;
        }
        m_calls.push_back(message.arguments());
        connection.send(message.createReply(QVariantList{1u}));
        return true;
    }
    std::vector<QVariantList> m_calls;
};

// A private session bus, ended with the test.
class PrivateBus {
public:
    PrivateBus() {
        FILE* pStarted = ::popen(
            "dbus-daemon --session --fork --print-address=1 --print-pid=1 "
            "2>/dev/null",
            "r");
        if (pStarted == nullptr) {
            return;
        }
        char szLine[512] = "";
        if (std::fgets(szLine, sizeof szLine, pStarted) != nullptr) {
            m_strAddress = szLine;
            m_strAddress.erase(m_strAddress.find_last_not_of('\n') + 1);
        }
        if (std::fgets(szLine, sizeof szLine, pStarted) != nullptr) {
            m_pid = std::atoi(szLine);
        }
        ::pclose(pStarted);
    }
    ~PrivateBus() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    const std::string& Address() const { return m_strAddress; }

private:
    std::string m_strAddress;
    pid_t m_pid = -1;
};

// With errors, the service is told which group failed and where its log is; a clean run says
// nothing; without a session bus the run ends as it would anyway.
TEST_F(RunnerCli, NotifyTellsTheDesktopOfAFailedRun) {
    const PrivateBus bus;
    if (bus.Address().empty()) {
        GTEST_SKIP() << "dbus-daemon is not installed or does not start";
    }
    QDBusConnection connection = QDBusConnection::connectToBus(
        QString::fromStdString(bus.Address()), QStringLiteral("notify-test"));
    ASSERT_TRUE(connection.isConnected());
    NotificationListener listener;
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(connection.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"),
                                                 &listener));
    WriteFile(Src() + "/a.txt", "a");
    WriteList();
    const std::string strLog = m_temp / "run.log";
    const auto runWithBus = [&](const char* szAddress, const std::string& strGroup) {
        const std::string strOld = ::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr
                                       ? ::getenv("DBUS_SESSION_BUS_ADDRESS")
                                       : "";
        if (szAddress != nullptr) {
            ::setenv("DBUS_SESSION_BUS_ADDRESS", szAddress, 1);
        } else {
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        }
        Program run({"--run", strGroup, "--notify", "--quiet", "--log-file", strLog, "--list-file",
                     List()});
        ::setenv("DBUS_SESSION_BUS_ADDRESS", strOld.c_str(), 1);
        while (!run.Ended()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        QCoreApplication::processEvents();
        return run.Wait();
    };
    EXPECT_EQ(runWithBus(bus.Address().c_str(), "Daily"), 0);
    EXPECT_TRUE(listener.m_calls.empty());

    std::filesystem::remove_all(Src());  // the pair's source is gone: an error
    EXPECT_EQ(runWithBus(bus.Address().c_str(), "Daily"), 1);
    ASSERT_EQ(listener.m_calls.size(), 1u);
    const QVariantList& call = listener.m_calls.front();
    ASSERT_EQ(call.size(), 8);
    EXPECT_EQ(call[0].toString(), "folvex");
    EXPECT_EQ(call[3].toString(), "Folvex: group \"Daily\" failed");
    EXPECT_NE(call[4].toString().toStdString().find("The log: " + strLog), std::string::npos)
        << call[4].toString().toStdString();

    EXPECT_EQ(runWithBus(nullptr, "Daily"), 1);
    EXPECT_EQ(runWithBus("unix:path=/nonexistent/bus", "Daily"), 1);
    EXPECT_EQ(listener.m_calls.size(), 1u);
}

}  // namespace
