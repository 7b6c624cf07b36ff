// SPDX-License-Identifier: GPL-3.0-or-later
// Progress notes on standard error, stamped with the seconds since the program started,
// so that a long run shows where its time goes.
#pragma once

#include <string>

void ProgressNote(const std::string& strText);
