// SPDX-License-Identifier: GPL-3.0-or-later
// The synchronization engine's entry points beside the pair's DoSync and DoSyncPair: the
// worker's entry, the number of threads, and the copy's progress routine. The run itself,
// the folder walk and the file copy step are CPairRun's (PairRun.h), in Synchronize.cpp,
// FolderWalk.cpp and FileStep.cpp.
#pragma once

#include <cstdint>

class IPlatform;

// The worker's entry point. pParam is the progress window (IProgressWindow*), whose
// m_pPair names the pair to run, on the pair's platform. Runs the pair (both ways when
// asked), then posts the end-of-run command. Returns 1.
uint32_t SyncThreadProc(void* pParam);

// The number of files the engine works on at once; 0 sets the default, the number of the
// platform's processors (at most 8). With 1 the walk does every file itself, one after the
// other.
void SetSyncThreads(unsigned nThreads);
unsigned SyncThreads(IPlatform& platform);

// Whether a run writes a line for each file it leaves alone, with the reason, as a dry run
// does ("Skipped (same time): <source>"); off unless set.
void SetSyncTellsSkips(bool bTell);

// The copy's progress routine: writes the copied share of the file into the progress
// window's percent line, while that file is the one the window shows. lpData is the copy's
// CCopyContext (SyncRun.h). Returns 0 (continue).
uint32_t CopyProgress(int64_t TotalFileSize, int64_t TotalBytesTransferred, int64_t StreamSize,
                      int64_t StreamBytesTransferred, uint32_t dwStreamNumber,
                      uint32_t dwCallbackReason, int hSourceFile, int hDestinationFile,
                      void* lpData);
