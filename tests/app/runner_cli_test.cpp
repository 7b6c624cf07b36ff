// The executable without a window, as a scheduler starts it: no display, exit statuses, the
// log oldest first, a dry run that writes nothing, an interrupt that leaves no partial file,
// and a save that keeps what was changed in the list while the run went on.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

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

    // Waits for the end; the exit status (128 + the signal if one ended it).
    int Wait() {
        while (ReadMore(m_out.Get(), m_strOut)) {
        }
        while (ReadMore(m_err.Get(), m_strErr)) {
        }
        int nStatus = 0;
        ::waitpid(m_pid, &nStatus, 0);
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
    EXPECT_EQ(run.Out(), "OK Copied: " + Dst() + "/a.txt\nSucces: Copied 1 files from " + Src() +
                             " to " + Dst() + "\n" + std::string(27, '*') + "\n");
    EXPECT_EQ(ReloadPair().nFilesCopied, 1u);

    WriteFile(Dst() + "/a.txt", "newer", 4000000000);  // the warning counts
    Program warned({"--run", "1", "--pair", "1", "--list-file", List()});
    EXPECT_EQ(warned.Wait(), 1);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--run", "Nope", "--list-file", List()},
          std::vector<std::string>{"--run", "Daily", "--pair", "0", "--list-file", List()},
          std::vector<std::string>{"--list", "--run", "Daily"},
          std::vector<std::string>{"--run", "Daily", "--no-such-option"},
          std::vector<std::string>{"--list", "--list-file", m_temp / "missing.dat"}}) {
        Program program(bad);
        EXPECT_EQ(program.Wait(), 2) << bad[0] << " " << bad[1];
        EXPECT_TRUE(program.Out().empty());
        EXPECT_FALSE(program.Err().empty());
    }
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
    EXPECT_EQ(run.ReadLine().rfind("OK Copied: ", 0), 0u);
    WriteList("Added while it ran");
    EXPECT_EQ(run.Wait(), 0) << run.Err();
    std::vector<std::string> names;
    EXPECT_EQ(ReloadPair(&names).nFilesCopied, 6000u);
    EXPECT_EQ(names, (std::vector<std::string>{"Daily", "Added while it ran"}));
}

}  // namespace
