#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Folvex and starts it. Synclist.dat lives beside the executable:
# build/release/src/app/Synclist.dat.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target folvex
exec build/release/src/app/folvex "$@"
