// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX platform layer against real folders: enumeration, status, attributes, the
// fail-safe copy with its progress, cancel and failure paths, and path resolution.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <vector>

#include "ChunkCopier.h"
#include "FileTree.h"
#include "Invariants.h"
#include "PosixHandles.h"
#include "PosixPlatform.h"
#include "TempFolder.h"
#include "platform.h"

namespace {

struct Report {
    int64_t nTotal;
    int64_t nDone;
    uint32_t nReason;
};

// Collects the copy's progress reports, and sets the cancel flag once m_nCancelAfter reports
// have been seen.
struct ProgressProbe {
    std::vector<Report> reports;
    size_t nCancelAfter = 0;
    std::atomic<int32_t>* pCancel = nullptr;
    std::function<void()> onFirstReport;
    std::function<void()> onEachStart;  // at the first report of every attempt

    static uint32_t Routine(int64_t nTotal, int64_t nDone, int64_t, int64_t, uint32_t,
                            uint32_t nReason, int, int, void* pData) {
        auto* pProbe = static_cast<ProgressProbe*>(pData);
        pProbe->reports.push_back({nTotal, nDone, nReason});
        if (pProbe->reports.size() == 1 && pProbe->onFirstReport) {
            pProbe->onFirstReport();
        }
        if (nReason == CALLBACK_STREAM_SWITCH && pProbe->onEachStart) {
            pProbe->onEachStart();
        }
        if (pProbe->pCancel != nullptr && pProbe->reports.size() == pProbe->nCancelAfter) {
            pProbe->pCancel->store(1);
        }
        return 0;
    }
};

class PlatformTest : public testing::Test {
protected:
    bool Copy(const std::string& strFrom, const std::string& strTo, ProgressProbe* pProbe = nullptr,
              uint32_t nFlags = COPY_FILE_DEFAULT) {
        ProgressProbe unused;
        ProgressProbe& probe = pProbe != nullptr ? *pProbe : unused;
        return m_platform.CopyFileEx(CPathAt::Whole(strFrom), CPathAt::Whole(strTo),
                                     ProgressProbe::Routine, &probe, &m_cancel, nFlags, -1,
                                     nullptr);
    }
    bool Status(const std::string& strPath, CFileStatus& status, bool bFollowLink = true) {
        return m_platform.GetStatus(CPathAt::Whole(strPath), bFollowLink, status);
    }

    TempFolder m_temp;
    PosixPlatform m_platform;
    std::atomic<int32_t> m_cancel{0};
};

TEST_F(PlatformTest, FolderListingFlagsFoldersAndLinksAndLeavesOutDots) {
    BuildTree(m_temp.Path(), {{"file.txt", "x"}, {"sub/", ""}});
    ASSERT_EQ(::symlink("sub", (m_temp / "link-to-sub").c_str()), 0);
    ASSERT_EQ(::symlink("file.txt", (m_temp / "link-to-file").c_str()), 0);

    posix::FileDescriptor folder(m_platform.OpenFolder(CPathAt::Whole(m_temp.Path()), true));
    ASSERT_TRUE(folder.Valid());
    std::vector<CDirEntry> listed;
    ASSERT_TRUE(m_platform.ReadFolder(folder.Get(), m_temp.Path(), listed));
    std::map<std::string, CDirEntry> entries;
    for (const CDirEntry& entry : listed) {
        EXPECT_TRUE(entries.emplace(entry.m_strName, entry).second) << entry.m_strName;
    }
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries["sub"].m_bIsDirectory);
    EXPECT_FALSE(entries["file.txt"].m_bIsDirectory || entries["file.txt"].m_bIsLink);
    EXPECT_TRUE(entries["link-to-sub"].m_bIsLink && !entries["link-to-sub"].m_bIsDirectory);
    EXPECT_TRUE(entries["link-to-file"].m_bIsLink);
}

TEST_F(PlatformTest, OpeningAMissingFolderOrAFileFails) {
    WriteFile(m_temp / "file", "x");
    EXPECT_EQ(m_platform.OpenFolder(CPathAt::Whole(m_temp / "missing"), true), -1);
    EXPECT_EQ(m_platform.GetLastError(), ENOENT);
    EXPECT_EQ(m_platform.OpenFolder(CPathAt::Whole(m_temp / "file"), true), -1);
    EXPECT_EQ(m_platform.GetLastError(), ENOTDIR);
}

TEST_F(PlatformTest, CreateDirectoryMakesOneLevel) {
    EXPECT_TRUE(m_platform.CreateDirectory(CPathAt::Whole(m_temp / "one")));
    EXPECT_FALSE(m_platform.CreateDirectory(CPathAt::Whole(m_temp / "one")));
    EXPECT_EQ(m_platform.GetLastError(), EEXIST);
    EXPECT_FALSE(m_platform.CreateDirectory(CPathAt::Whole(m_temp / "missing/two")));
    EXPECT_FALSE(Exists(m_temp / "missing"));
}

TEST_F(PlatformTest, StatusGivesSecondsNanosecondsLow32BitSizeAndAttributes) {
    WriteFile(m_temp / "file", "12345");
    SetMtime(m_temp / "file", 1000000000, 900000000);
    CFileStatus status;
    ASSERT_TRUE(Status(m_temp / "file", status));
    EXPECT_EQ(status.m_mtime, 1000000000);
    EXPECT_EQ(status.m_mtimeNs, 900000000);
    EXPECT_EQ(status.m_kind, FileKind::Regular);
    EXPECT_EQ(status.m_size, 5);
    EXPECT_EQ(status.m_size64, 5u);
    EXPECT_EQ(status.m_attribute, 0);

    SetMode(m_temp / "file", 0444);
    ASSERT_TRUE(Status(m_temp / "file", status));
    EXPECT_EQ(status.m_attribute, ATTR_READONLY);

    MakeFolders(m_temp / "sub");
    ASSERT_TRUE(Status(m_temp / "sub", status));
    EXPECT_EQ(status.m_attribute, ATTR_DIRECTORY);
    EXPECT_EQ(status.m_kind, FileKind::Folder);

    // 6 GiB + 7 bytes: the low 32 bits are 0x80000007, negative as a signed count.
    const uint64_t nHuge = (uint64_t{6} << 30) + 7;
    WriteSparseFile(m_temp / "huge", nHuge);
    ASSERT_TRUE(Status(m_temp / "huge", status));
    EXPECT_EQ(status.m_size64, nHuge);
    EXPECT_EQ(status.m_size, static_cast<int32_t>(0x80000007u));

    EXPECT_FALSE(Status(m_temp / "missing", status));
    EXPECT_EQ(m_platform.GetLastError(), ENOENT);
}

// Links that lead nowhere or round in a circle are reported as such when followed; not
// followed, a link is a link.
TEST_F(PlatformTest, StatusOfLinks) {
    ASSERT_EQ(::symlink("nowhere", (m_temp / "dangling").c_str()), 0);
    ASSERT_EQ(::symlink("self", (m_temp / "self").c_str()), 0);
    WriteFile(m_temp / "file", "x");
    ASSERT_EQ(::symlink("file", (m_temp / "link").c_str()), 0);
    const std::pair<const char*, FileKind> followed[] = {{"dangling", FileKind::BrokenLink},
                                                         {"self", FileKind::BrokenLink},
                                                         {"link", FileKind::Regular}};
    for (const auto& [szName, kind] : followed) {
        CFileStatus status;
        ASSERT_TRUE(Status(m_temp / szName, status)) << szName;
        EXPECT_EQ(status.m_kind, kind) << szName;
    }
    CFileStatus status;
    ASSERT_TRUE(Status(m_temp / "link", status, false));
    EXPECT_EQ(status.m_kind, FileKind::Link);
}

TEST_F(PlatformTest, ClearingReadOnlyKeepsTheTimes) {
    WriteFile(m_temp / "file", "x");
    SetMtime(m_temp / "file", 1000000000, 123456789);
    SetMode(m_temp / "file", 0444);
    EXPECT_TRUE(m_platform.SetAttributes(CPathAt::Whole(m_temp / "file"), 0));
    EXPECT_EQ(Mode(m_temp / "file"), 0644u);
    EXPECT_EQ(MtimeNs(m_temp / "file"), 1000000000123456789);
    EXPECT_FALSE(m_platform.SetAttributes(CPathAt::Whole(m_temp / "missing"), 0));
}

TEST_F(PlatformTest, CopyCarriesDataPermissionBitsAndNanosecondTime) {
    const std::string strData(300000, 'q');
    WriteFile(m_temp / "src", strData);
    SetMtime(m_temp / "src", 1234567890, 987654321);
    SetMode(m_temp / "src", 04750);  // set-user-id is not carried to the copy
    WriteFile(m_temp / "dst", "old and longer than nothing");

    ASSERT_TRUE(Copy(m_temp / "src", m_temp / "dst"));
    EXPECT_EQ(ReadFile(m_temp / "dst"), strData);
    EXPECT_EQ(MtimeNs(m_temp / "dst"), 1234567890987654321);
    EXPECT_EQ(Mode(m_temp / "dst"), 0750u);
    EXPECT_EQ(ListTree(m_temp.Path()), (std::vector<std::string>{"dst", "src"}));
}

TEST_F(PlatformTest, ProgressIsReportedBeforeTheFirstAndAfterEveryChunk) {
    const int64_t nSize = (int64_t{10} << 20) + 5;  // three chunks of at most 4 MiB
    WriteFile(m_temp / "src", std::string(static_cast<size_t>(nSize), 'd'));
    ProgressProbe probe;
    ASSERT_TRUE(Copy(m_temp / "src", m_temp / "dst", &probe));
    ASSERT_GE(probe.reports.size(), 4u);
    EXPECT_EQ(probe.reports.front().nDone, 0);
    EXPECT_EQ(probe.reports.front().nReason, CALLBACK_STREAM_SWITCH);
    EXPECT_EQ(probe.reports.back().nDone, nSize);
    for (size_t i = 1; i < probe.reports.size(); ++i) {
        EXPECT_EQ(probe.reports[i].nTotal, nSize);
        EXPECT_GT(probe.reports[i].nDone, probe.reports[i - 1].nDone);
        EXPECT_LE(probe.reports[i].nDone - probe.reports[i - 1].nDone, int64_t{8} << 20);
    }

    WriteFile(m_temp / "empty", "");
    ProgressProbe empty;
    ASSERT_TRUE(Copy(m_temp / "empty", m_temp / "empty-copy", &empty));
    ASSERT_EQ(empty.reports.size(), 1u);
    EXPECT_EQ(empty.reports[0].nTotal, 0);
    EXPECT_TRUE(Exists(m_temp / "empty-copy"));
}

// A sparse file keeps its holes: only its data moves, and the progress runs over its whole
// size.
TEST_F(PlatformTest, SparseFileStaysSparse) {
    const uint64_t nSize = uint64_t{64} << 20;
    WriteSparseFile(m_temp / "src", nSize);
    {
        posix::FileDescriptor fd(::open((m_temp / "src").c_str(), O_WRONLY));
        for (const off_t nAt : {off_t{0}, off_t{32} << 20, static_cast<off_t>(nSize) - 4096}) {
            ASSERT_EQ(::pwrite(fd.Get(), std::string(4096, 'd').data(), 4096, nAt), 4096);
        }
    }
    ProgressProbe probe;
    ASSERT_TRUE(Copy(m_temp / "src", m_temp / "dst", &probe));
    EXPECT_EQ(ReadFile(m_temp / "dst"), ReadFile(m_temp / "src"));
    struct stat st {};
    ASSERT_EQ(::stat((m_temp / "dst").c_str(), &st), 0);
    EXPECT_EQ(static_cast<uint64_t>(st.st_size), nSize);
    EXPECT_LT(st.st_blocks * 512, 1 << 20);
    EXPECT_EQ(probe.reports.back().nDone, static_cast<int64_t>(nSize));
}

// The chunk copier on its own: a file that ends in a hole keeps its size, holes stay holes,
// and a cancel between chunks stops it with ECANCELED.
TEST_F(PlatformTest, ChunkCopierKeepsHolesAndStopsAtACancel) {
    const int64_t nSize = int64_t{24} << 20;
    WriteSparseFile(m_temp / "src", static_cast<uint64_t>(nSize));
    {
        posix::FileDescriptor fd(::open((m_temp / "src").c_str(), O_WRONLY));
        ASSERT_EQ(::pwrite(fd.Get(), "data", 4, off_t{8} << 20), 4);
    }
    for (const bool bCancel : {false, true}) {
        posix::FileDescriptor source(::open((m_temp / "src").c_str(), O_RDONLY));
        posix::FileDescriptor target(
            ::open((m_temp / "dst").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
        std::atomic<int32_t> cancel{bCancel ? 1 : 0};
        ProgressProbe probe;
        ChunkCopier copier(source.Get(), target.Get(), nSize, ProgressProbe::Routine, &probe,
                           &cancel);
        EXPECT_EQ(copier.Run(true), !bCancel);
        if (bCancel) {
            EXPECT_EQ(m_platform.GetLastError(), ECANCELED);
            continue;
        }
        struct stat st {};
        ASSERT_EQ(::fstat(target.Get(), &st), 0);
        EXPECT_EQ(st.st_size, nSize);
        EXPECT_LT(st.st_blocks * 512, 1 << 20);
        EXPECT_EQ(ReadFile(m_temp / "dst"), ReadFile(m_temp / "src"));
        EXPECT_EQ(probe.reports.back().nDone, nSize);
    }
}

// Every failure leaves the destination as it was and no temporary file behind.
struct FailureCase {
    const char* szName;
    std::function<void(const TempFolder&, std::atomic<int32_t>&, ProgressProbe&)> prepare;
    std::string strSource;
    std::string strDestination;
    int nErrno;
};

void PrintTo(const FailureCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class CopyFailureTest : public PlatformTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(CopyFailureTest, LeavesDestinationAsItWas) {
    const FailureCase& c = GetParam();
    WriteSparseFile(m_temp / "src/big", uint64_t{9} << 20);
    WriteFile(m_temp / "src/small", "new");
    WriteFile(m_temp / "dst/file", "old", 1000000000);
    ProgressProbe probe;
    c.prepare(m_temp, m_cancel, probe);
    const InvariantChecker invariants(m_temp / "src", m_temp / "dst");

    EXPECT_FALSE(Copy(m_temp / c.strSource, m_temp / c.strDestination, &probe));
    EXPECT_EQ(m_platform.GetLastError(), c.nErrno);
    EXPECT_EQ(ReadFile(m_temp / "dst/file"), "old");
    EXPECT_TRUE(invariants.Check());
    if (c.nErrno == EACCES) {
        EXPECT_TRUE(probe.reports.empty()) << "refused only after moving data";
    }
}

void Nothing(const TempFolder&, std::atomic<int32_t>&, ProgressProbe&) {}

INSTANTIATE_TEST_SUITE_P(
    Platform, CopyFailureTest,
    testing::Values(
        FailureCase{"ReadOnlyDestination",
                    [](const TempFolder& t, std::atomic<int32_t>&, ProgressProbe&) {
                        SetMode(t / "dst/file", 0444);
                    },
                    "src/small", "dst/file", EACCES},
        FailureCase{"MissingSource", Nothing, "src/missing", "dst/file", ENOENT},
        FailureCase{"MissingDestinationFolder", Nothing, "src/small", "dst/none/file", ENOENT},
        FailureCase{"SourceIsFolder",
                    [](const TempFolder& t, std::atomic<int32_t>&, ProgressProbe&) {
                        MakeFolders(t / "src/folder");
                    },
                    "src/folder", "dst/file", EISDIR},
        FailureCase{"DestinationIsFolder",
                    [](const TempFolder& t, std::atomic<int32_t>&, ProgressProbe&) {
                        MakeFolders(t / "dst/folder");
                    },
                    "src/small", "dst/folder", EISDIR},
        FailureCase{"FifoDoesNotBlock",
                    [](const TempFolder& t, std::atomic<int32_t>&, ProgressProbe&) {
                        ASSERT_EQ(::mkfifo((t / "src/fifo").c_str(), 0644), 0);
                    },
                    "src/fifo", "dst/file", ENOTSUP},
        FailureCase{"SocketDoesNotBlock",
                    [](const TempFolder& t, std::atomic<int32_t>&, ProgressProbe&) {
                        // The socket stays bound (and its descriptor open) for the test.
                        static int fd = -1;
                        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                        sockaddr_un address{};
                        address.sun_family = AF_UNIX;
                        const std::string strPath = t / "src/socket";
                        strPath.copy(address.sun_path, sizeof address.sun_path - 1);
                        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address),
                                  0);
                    },
                    "src/socket", "dst/file", ENXIO},
        FailureCase{"CancelledBeforeTheFirstChunk",
                    [](const TempFolder&, std::atomic<int32_t>& cancel, ProgressProbe&) {
                        cancel.store(1);
                    },
                    "src/big", "dst/file", ECANCELED},
        FailureCase{"CancelledBetweenChunks",
                    [](const TempFolder&, std::atomic<int32_t>& cancel, ProgressProbe& probe) {
                        probe.pCancel = &cancel;
                        probe.nCancelAfter = 2;
                    },
                    "src/big", "dst/file", ECANCELED},
        FailureCase{"CancelledIntoNewDestination",
                    [](const TempFolder&, std::atomic<int32_t>& cancel, ProgressProbe& probe) {
                        probe.pCancel = &cancel;
                        probe.nCancelAfter = 2;
                    },
                    "src/big", "dst/new", ECANCELED}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.szName; });

// A destination that appears while its new copy is written is replaced once the copy is
// complete, unless it is read-only.
TEST_F(PlatformTest, DestinationAppearingDuringTheCopy) {
    WriteFile(m_temp / "src", "new data");
    for (const bool bReadOnly : {false, true}) {
        const std::string strTarget = m_temp / (bReadOnly ? "read-only" : "writable");
        ProgressProbe probe;
        probe.onFirstReport = [&] {
            WriteFile(strTarget, "appeared");
            if (bReadOnly) {
                SetMode(strTarget, 0444);
            }
        };
        EXPECT_EQ(Copy(m_temp / "src", strTarget, &probe), !bReadOnly);
        EXPECT_EQ(ReadFile(strTarget), bReadOnly ? "appeared" : "new data");
        if (bReadOnly) {
            EXPECT_EQ(m_platform.GetLastError(), EACCES);
        }
    }
    EXPECT_EQ(ListTree(m_temp.Path()), (std::vector<std::string>{"read-only", "src", "writable"}));
}

// A write that fails half way (here: over the file size limit, as a full disk would), over
// an existing destination and into a new one.
TEST_F(PlatformTest, WriteFailureHalfWayLeavesDestinationAsItWas) {
    WriteSparseFile(m_temp / "src", uint64_t{12} << 20);
    WriteFile(m_temp / "dst", "old", 1000000000);
    const InvariantChecker invariants(m_temp.Path(), m_temp.Path());

    // The limit's signal would end the process; the copy ignores it and sees EFBIG.
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limit = previous;
    limit.rlim_cur = rlim_t{6} << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool bCopied = Copy(m_temp / "src", m_temp / "dst");
    const int32_t nError = m_platform.GetLastError();
    const bool bCopiedNew = Copy(m_temp / "src", m_temp / "new");
    const int32_t nErrorNew = m_platform.GetLastError();
    ::setrlimit(RLIMIT_FSIZE, &previous);

    EXPECT_FALSE(bCopied);
    EXPECT_EQ(nError, EFBIG);
    EXPECT_FALSE(bCopiedNew);
    EXPECT_EQ(nErrorNew, EFBIG);
    EXPECT_EQ(ReadFile(m_temp / "dst"), "old");
    EXPECT_TRUE(invariants.Check());
}

// Between file systems that refuse copy_file_range the copy reads and writes instead.
TEST_F(PlatformTest, CopyAcrossFileSystemsFallsBackToReadAndWrite) {
    struct stat st {};
    if (::stat("/dev/shm", &st) != 0 || !S_ISDIR(st.st_mode)) {
        GTEST_SKIP() << "no /dev/shm";
    }
    const std::string strShm = "/dev/shm/folvex-test-" + std::to_string(::getpid());
    std::string strData(1 << 20, '\0');
    for (size_t i = 0; i < strData.size(); ++i) {
        strData[i] = static_cast<char>(i * 7);
    }
    WriteFile(strShm, strData, 1000000000);
    ProgressProbe probe;
    const bool bCopied = Copy(strShm, m_temp / "dst", &probe);
    ::unlink(strShm.c_str());
    ASSERT_TRUE(bCopied);
    EXPECT_EQ(ReadFile(m_temp / "dst"), strData);
    EXPECT_EQ(MtimeNs(m_temp / "dst"), 1000000000000000000);
    EXPECT_EQ(probe.reports.back().nDone, int64_t{1} << 20);
}

// A source that changes while it is copied is copied again; if it changes again, the copy
// fails and the destination stays as it was.
TEST_F(PlatformTest, SourceChangingDuringTheCopy) {
    for (const bool bEveryTime : {false, true}) {
        const std::string strSource = m_temp / "growing";
        const std::string strTarget = m_temp / (bEveryTime ? "failed" : "copied");
        WriteFile(strSource, std::string(100000, 'a'));
        WriteFile(strTarget, "old");
        int nChanges = 0;
        ProgressProbe probe;
        probe.onEachStart = [&] {
            if (bEveryTime || nChanges == 0) {
                ++nChanges;
                WriteFile(strSource, std::string(100000 + nChanges, 'b'));
            }
        };
        EXPECT_EQ(Copy(strSource, strTarget, &probe), !bEveryTime);
        EXPECT_EQ(nChanges, bEveryTime ? 2 : 1);
        if (bEveryTime) {
            EXPECT_EQ(m_platform.GetLastError(), kErrorSourceChanged);
            EXPECT_EQ(ReadFile(strTarget), "old");
        } else {
            EXPECT_EQ(ReadFile(strTarget), ReadFile(strSource));
        }
    }
    EXPECT_EQ(ListTree(m_temp.Path()), (std::vector<std::string>{"copied", "failed", "growing"}));
}

// Temporary files of processes that have ended (a killed one that nobody has reaped yet
// included) go; those of running ones, and names that only look alike, stay.
TEST_F(PlatformTest, LeftoverTempFilesOfEndedProcessesAreRemoved) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT);  // a zombie now
    const std::string strEnded = ".folvex-tmp-" + std::to_string(child) + "-3";
    const std::string strRunning = ".folvex-tmp-" + std::to_string(::getpid()) + "-7";
    BuildTree(m_temp.Path(), {{strEnded, "x"}, {strRunning, "y"}, {".folvex-tmp-notes", "z"}});
    EXPECT_TRUE(IsCopyTempName(strEnded));
    EXPECT_FALSE(IsCopyTempName(".folvex-tmp-notes"));
    EXPECT_FALSE(IsCopyTempName(".folvex-tmp-12-"));

    posix::FileDescriptor folder(m_platform.OpenFolder(CPathAt::Whole(m_temp.Path()), true));
    m_platform.RemoveLeftoverTempFiles(folder.Get(), m_temp.Path());
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(ListTree(m_temp.Path()), (std::vector<std::string>{strRunning, ".folvex-tmp-notes"}));
}

// The same folder has the same identity whatever the path to it; a path that does not
// exist yet is judged by its deepest folder that does.
TEST_F(PlatformTest, FolderAncestryByIdentity) {
    MakeFolders(m_temp / "real/inside");
    ASSERT_EQ(::symlink((m_temp / "real").c_str(), (m_temp / "alias").c_str()), 0);
    const CFolderAncestry real = m_platform.FolderAncestry(m_temp / "real");
    ASSERT_TRUE(real.bExists);
    ASSERT_GE(real.chain.size(), 3u);
    EXPECT_EQ(m_platform.FolderAncestry(m_temp / "alias/").chain, real.chain);
    EXPECT_EQ(m_platform.FolderAncestry(m_temp / "alias/inside/..").chain, real.chain);
    const CFolderAncestry missing = m_platform.FolderAncestry(m_temp / "alias/not/yet");
    EXPECT_FALSE(missing.bExists);
    EXPECT_EQ(missing.chain, real.chain);
    EXPECT_EQ(m_platform.FolderAncestry(m_temp / "gone/../real").chain, real.chain);
    EXPECT_EQ(m_platform.FolderAncestry(m_temp / "real/inside").chain.at(1), real.chain.at(0));
}

// Attributes are never changed through a link; a copy over a link replaces the link, and
// what it leads to stays as it was.
TEST_F(PlatformTest, LinksAtTheDestinationAreNeverFollowed) {
    WriteFile(m_temp / "outside", "keep", 1000000000);
    SetMode(m_temp / "outside", 0444);
    ASSERT_EQ(::symlink((m_temp / "outside").c_str(), (m_temp / "link").c_str()), 0);
    EXPECT_FALSE(m_platform.SetAttributes(CPathAt::Whole(m_temp / "link"), 0));
    WriteFile(m_temp / "src", "new");
    ASSERT_TRUE(Copy(m_temp / "src", m_temp / "link"));
    EXPECT_EQ(ReadFile(m_temp / "link"), "new");
    EXPECT_EQ(ReadFile(m_temp / "outside"), "keep");
    EXPECT_EQ(Mode(m_temp / "outside"), 0444u);
    struct stat st {};
    ASSERT_EQ(::lstat((m_temp / "link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

// Where the destination cannot keep permission bits the copy does not set them.
TEST_F(PlatformTest, CopyWithoutPermissionBits) {
    WriteFile(m_temp / "src", "x");
    SetMode(m_temp / "src", 0777);
    const mode_t previous = ::umask(022);
    ASSERT_TRUE(Copy(m_temp / "src", m_temp / "with"));
    ASSERT_TRUE(Copy(m_temp / "src", m_temp / "without", nullptr, COPY_FILE_NO_PERMISSIONS));
    ::umask(previous);
    EXPECT_EQ(Mode(m_temp / "with"), 0777u);
    EXPECT_EQ(Mode(m_temp / "without"), 0755u);
}

TEST_F(PlatformTest, TickAndClockMove) {
    const uint32_t nStart = m_platform.GetTickCount();
    ::usleep(20000);
    const uint32_t nElapsed = m_platform.GetTickCount() - nStart;
    EXPECT_GE(nElapsed, 19u);
    EXPECT_LT(nElapsed, 5000u);
    EXPECT_NEAR(static_cast<double>(m_platform.GetCurrentTime()),
                static_cast<double>(::time(nullptr)), 2.0);
}

}  // namespace

// A replaced file is kept where it is asked for, by a link or (without hard links) by a
// rename, with its data and time; where it cannot be kept, nothing is replaced.
TEST_F(PlatformTest, ReplacedFileIsKeptOrNothingIsReplaced) {
    const std::string strKeep = m_temp / "keep";
    MakeFolders(strKeep);
    for (const bool bHardLinks : {true, false}) {
        WriteFile(m_temp / "src.txt", "new", 1600000100);
        WriteFile(m_temp / "dst.txt", "old", 1600000000);
        const std::string strName = bHardLinks ? "linked.txt" : "renamed.txt";
        CKeepReplaced keep;
        keep.openFolder = [&](int32_t& nError) {
            const int fd = ::open(strKeep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            nError = fd < 0 ? errno : 0;
            return fd;
        };
        keep.szName = strName.c_str();
        keep.bHardLinks = bHardLinks;
        ProgressProbe probe;
        ASSERT_TRUE(m_platform.CopyFileEx(
            CPathAt::Whole(m_temp / "src.txt"), CPathAt::Whole(m_temp / "dst.txt"),
            ProgressProbe::Routine, &probe, &m_cancel, COPY_FILE_DEFAULT, -1, &keep));
        EXPECT_TRUE(keep.bKept);
        EXPECT_EQ(ReadFile(m_temp / "dst.txt"), "new");
        EXPECT_EQ(ReadFile(strKeep + "/" + strName), "old");
        CFileStatus kept;
        ASSERT_TRUE(Status(strKeep + "/" + strName, kept));
        EXPECT_EQ(kept.m_mtime, 1600000000);
    }
    // The name is taken there already: the old file stays, and no temporary file is left.
    WriteFile(m_temp / "src.txt", "newer", 1600000200);
    CKeepReplaced keep;
    keep.openFolder = [&](int32_t& nError) {
        nError = 0;
        return ::open(strKeep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    };
    keep.szName = "linked.txt";
    ProgressProbe probe;
    EXPECT_FALSE(m_platform.CopyFileEx(CPathAt::Whole(m_temp / "src.txt"),
                                       CPathAt::Whole(m_temp / "dst.txt"), ProgressProbe::Routine,
                                       &probe, &m_cancel, COPY_FILE_DEFAULT, -1, &keep));
    EXPECT_TRUE(keep.bFailed);
    EXPECT_EQ(m_platform.GetLastError(), EEXIST);
    EXPECT_EQ(ReadFile(m_temp / "dst.txt"), "new");
    EXPECT_EQ(ListTree(m_temp.Path()).size(), 5u);  // dst.txt, keep/ and its two, src.txt
}
