#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the release build (scripts/test.sh builds it first),
# checks that it holds exactly the installed files, that its versions agree, that lintian
# finds nothing (pedantic and informational tags included, hardening-no-* among them), that
# its menu entry, AppStream metainfo and manual page are clean and that the program carries
# Debian's hardening, unpacks it into a scratch folder with dpkg -x and runs the unpacked
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

# Every file the install rules (cmake/Install.cmake, cmake/Metainfo.cmake) put in place.
expected="./usr/bin/folvex
./usr/share/applications/folvex.desktop
./usr/share/doc/folvex/changelog.gz
./usr/share/doc/folvex/copyright
./usr/share/icons/hicolor/256x256/apps/folvex.png
./usr/share/icons/hicolor/32x32/apps/folvex.png
./usr/share/icons/hicolor/64x64/apps/folvex.png
./usr/share/icons/hicolor/scalable/apps/folvex.svg
./usr/share/man/man1/folvex.1.gz
./usr/share/metainfo/org.example.folvex.metainfo.xml"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | LC_ALL=C sort)
diff <(echo "$expected") <(echo "$actual") || fail "the package holds other files than expected"

version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* ]] || fail "Depends does not name the Qt libraries: $depends"
changelog_version=$(dpkg-parsechangelog -l dist/changelog -S Version)
[ "$changelog_version" = "$version" ] ||
    fail "dist/changelog's newest entry is $changelog_version, the package $version"
grep -q "^\.TH FOLVEX 1 [^ ]* \"Folvex $version\"" dist/folvex.1 ||
    fail "the manual page's .TH line does not name Folvex $version"

# lintian's exit status says nothing of pedantic and informational tags: any tag fails.
# Its standard error (a note that it runs as root, in CI) is shown, not judged.
lintian_tags=$(lintian --pedantic --display-info "$deb") || fail "lintian failed: $lintian_tags"
[ -z "$lintian_tags" ] || fail "lintian: $lintian_tags"
echo "lintian --pedantic --display-info: no tags"

root=$scratch/root
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/folvex.desktop" ||
    fail "the menu entry is not valid"
man_warnings=$(zcat "$root/usr/share/man/man1/folvex.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$man_warnings" ] || fail "the manual page has warnings: $man_warnings"
# mandoc's lint also names style faults (a date it cannot read, over-long lines).
man_lint=$(zcat "$root/usr/share/man/man1/folvex.1.gz" | mandoc -T lint 2>&1) ||
    fail "mandoc -T lint: $man_lint"
[ -z "$man_lint" ] || fail "mandoc -T lint: $man_lint"
echo "mandoc -T lint: clean"

# The metainfo, and that the menu entry it names is there. No network: the screenshots'
# home page need not answer (nor exist yet).
metainfo=$root/usr/share/metainfo/org.example.folvex.metainfo.xml
appstreamcli validate-tree --pedantic --no-net --explain "$root" ||
    fail "appstreamcli validate-tree finds faults in the metainfo"
grep -qF "<release version=\"$version\"" "$metainfo" ||
    fail "the metainfo's release is not $version"

# Stack protector, fortified functions, relro, BIND_NOW, PIE: --quiet prints only failures.
# Control flow protection (-fcf-protection) is not among the flags Debian 12's
# dpkg-buildflags gives, so it is not asked for.
hardening=$(hardening-check --quiet --nocfprotection "$root/usr/bin/folvex" 2>&1) ||
    fail "hardening-check: $hardening"
echo "hardening-check: stack protector, fortify, relro, BIND_NOW and PIE found"

# The unpacked program, with nothing that would let Qt open a window.
if ! printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$root/usr/bin/folvex" --version 2>&1); then
    fail "the unpacked folvex --version failed: $printed"
fi
echo "$printed"
grep -qF "$version" <<<"$printed" || fail "folvex --version does not name version $version"
