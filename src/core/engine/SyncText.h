// SPDX-License-Identifier: GPL-3.0-or-later
// Texts the engine builds in more than one place. Internal to the engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "CopyDecision.h"

// The part of a path below the source folder, taken by length.
std::string_view RelativePart(const std::string& strPath, const std::string& strSource);

// An error line caused by the system, with the system's reason: "<line> (<reason>)".
std::string WithReason(const std::string& strLine, int32_t nSystemError);
