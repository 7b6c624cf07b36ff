#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test: the optimised build and its Debian package, the
# suites again under AddressSanitizer + UndefinedBehaviorSanitizer, short fuzz runs of the
# group list loader and of its JSON reader, and the threaded and engine suites under
# ThreadSanitizer. The engine suites run with one thread and with four (FOLVEX_TEST_THREADS).
# FUZZ_SECONDS sets the length of each fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=${JOBS:-2}
fuzz_seconds=${FUZZ_SECONDS:-60}
export QT_QPA_PLATFORM=offscreen

step() { printf '\n==== %s ====\n' "$*"; }

step "Release build and tests (the engine with one thread)"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
FOLVEX_TEST_THREADS=1 ctest --test-dir build/release --output-on-failure -j "$jobs"

step "The engine suites with four threads"
FOLVEX_TEST_THREADS=4 ctest --test-dir build/release -L "core|threaded" --output-on-failure -j "$jobs"

step "Debian package: built, checked (lintian, appstreamcli, desktop-file-validate, mandoc, hardening-check), unpacked with dpkg -x, folvex --version run from it"
scripts/check-package.sh

step "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
FOLVEX_TEST_THREADS=4 ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs"

step "Fuzzing the group list loader and its JSON reader for ${fuzz_seconds} s each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
fuzz() {  # target, seed folder
    local corpus=build/fuzz/corpus/$1 artifacts=build/fuzz/artifacts/$1
    rm -rf "$corpus" "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    build/fuzz/tests/fuzz/"$1" "$corpus" "$2" \
        -max_total_time="$fuzz_seconds" -max_len=131072 -malloc_limit_mb=64 -rss_limit_mb=1024 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/" 2>&1 |
        grep -E "^(stat::|#[0-9]+ +DONE|Done)|ERROR|SUMMARY" || true
    if [ -n "$(ls -A "$artifacts")" ]; then
        echo "The fuzzer found inputs that fail $1: $(ls "$artifacts")"
        exit 1
    fi
}
fuzz fuzz_load_group_list tests/fuzz/corpus
fuzz fuzz_import_group_list tests/fuzz/corpus_import

step "ThreadSanitizer (threaded suites, and the engine suites with four threads)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
FOLVEX_TEST_THREADS=4 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build/tsan -L "threaded|core" --output-on-failure -j "$jobs"
