#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The up-to-date run with and without a large history of replaced versions in the
# destination: the versions folder is never walked, so the two should take the same time.
# usage: bench/versions_bench.sh [FOLVEX] [REPS]   (prints the median of each, in seconds)
set -eu
FOLVEX=${1:-build/release/src/app/folvex}
REPS=${2:-9}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
python3 - "$WORK" <<'PY'
import os, sys, struct, time
w = sys.argv[1]
for side in ("S", "D1", "D2"):
    for d in range(100):
        os.makedirs(f"{w}/{side}/d{d}", exist_ok=True)
        for f in range(200):
            p = f"{w}/{side}/d{d}/f{f}.txt"
            with open(p, "w") as fh: fh.write("x" * (f % 50))
            os.utime(p, (1600000000, 1600000000))
# 1000 recent run folders of 200 files each: younger than the days kept, so none is removed.
now = time.time()
for r in range(1000):
    name = time.strftime("%Y-%m-%d %H%M%S", time.localtime(now - 86400 * 20 + r * 60))
    os.makedirs(f"{w}/D2/.folvex-versions/{name}/d0", exist_ok=True)
    for f in range(200):
        open(f"{w}/D2/.folvex-versions/{name}/d0/f{f}.txt", "w").close()
def s(t):
    b = t.encode(); return bytes([len(b)]) + b
def i(v): return struct.pack('<i', v)
def u(v): return struct.pack('<I', v)
out = s("Synchronize group list\x1a") + i(2) + i(2)
for g, d in (("plain", "D1"), ("history", "D2")):
    out += s(g) + i(1) + i(2) + s(f"{w}/S") + s(f"{w}/{d}") + s("") + u(0) + u(0) + i(1)
    out += u(20000) + u(0) + u(0) + u(0) + i(0) + i(0) + u(0) + u(0) + i(1) + i(0) + i(0) + i(0)
out += s("\nEnd of list.")
open(f"{w}/l.dat", "wb").write(out)
PY
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for g in plain history; do "$FOLVEX" --run $g --list-file "$WORK/l.dat" --quiet >/dev/null || true; done
: >"$WORK/plain.t"; : >"$WORK/history.t"
n=0
while [ $n -lt "$REPS" ]; do
    for g in plain history; do
        /usr/bin/time -f %e -o "$WORK/t" "$FOLVEX" --run $g --list-file "$WORK/l.dat" --quiet >/dev/null || true
        cat "$WORK/t" >>"$WORK/$g.t"
    done
    n=$((n + 1))
done
echo "up-to-date run, 20,000 files, median of $REPS:"
echo "  without versions:                          $(median <"$WORK/plain.t") s"
echo "  with 1,000 run folders, 200,000 versions:  $(median <"$WORK/history.t") s"
