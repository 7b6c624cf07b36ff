#!/usr/bin/env bash
# Builds the Debian package from the release build (scripts/test.sh builds it first),
# checks that it holds exactly the installed files and that its menu entry and manual page
# are clean, unpacks it into a scratch folder with dpkg -x and runs the unpacked
# `folvex --version` there with no display and no Qt platform chosen.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$PWD/build/release
out=$build/package
scratch=$(mktemp -d "${TMPDIR:-/tmp}/folvex-package-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() { echo "check-package: $*" >&2; exit 1; }

rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$out"/folvex_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one folvex_*.deb in $out"
deb=${debs[0]}
echo "Built $(basename "$deb")"

expected="./usr/bin/folvex
./usr/share/applications/folvex.desktop
./usr/share/doc/folvex/changelog.gz
./usr/share/doc/folvex/copyright
./usr/share/icons/hicolor/scalable/apps/folvex.svg
./usr/share/man/man1/folvex.1.gz"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | LC_ALL=C sort)
diff <(echo "$expected") <(echo "$actual") || fail "the package holds other files than expected"

version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* ]] || fail "Depends does not name the Qt libraries: $depends"

root=$scratch/root
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/folvex.desktop" ||
    fail "the menu entry is not valid"
man_warnings=$(zcat "$root/usr/share/man/man1/folvex.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$man_warnings" ] || fail "the manual page has warnings: $man_warnings"

# The unpacked program, with nothing that would let Qt open a window.
if ! printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$root/usr/bin/folvex" --version 2>&1); then
    fail "the unpacked folvex --version failed: $printed"
fi
echo "$printed"
grep -qF "$version" <<<"$printed" || fail "folvex --version does not name version $version"
