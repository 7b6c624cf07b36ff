// SPDX-License-Identifier: GPL-3.0-or-later
// The deterministic source trees: the same names, sizes and bytes on every run.
#pragma once

#include <cstdint>
#include <string>

#include "TreeTools.h"

// The bytes in each tree, for the free-space check.
constexpr uint64_t kSmallTreeBytes = 665078282;
constexpr uint64_t kLargeTreeBytes = uint64_t{8} << 27;

// 20,000 files of 1 to 64 KiB, 100 in each of 200 folders three levels deep
// (2 folders, 9 in each of them, 10 in each of those).
TreeSize BuildSmallTree(const std::string& strRoot);

// 8 files of 128 MiB in one folder.
TreeSize BuildLargeTree(const std::string& strRoot);
