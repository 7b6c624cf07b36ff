// The deterministic source trees: the same names, sizes and bytes on every run.
#pragma once

#include <string>

#include "TreeTools.h"

// 20,000 files of 1 to 64 KiB, 100 in each of 200 folders three levels deep
// (2 folders, 9 in each of them, 10 in each of those).
TreeSize BuildSmallTree(const std::string& strRoot);

// 8 files of 128 MiB in one folder.
TreeSize BuildLargeTree(const std::string& strRoot);
