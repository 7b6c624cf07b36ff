#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building, running, testing, packaging and
# benchmarking need.
# Does nothing when they are all present.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    clang-14 libclang-rt-14-dev
    googletest libgtest-dev
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libgl-dev
    xvfb xauth imagemagick
    rsync
    fuse3 exfat-fuse exfatprogs ntfs-3g fusefat dosfstools
    dpkg-dev file desktop-file-utils groff-base lintian mandoc appstream
    dbus
)
# Installed without what they recommend, which is not needed here: devscripts, for
# hardening-check, would bring some ninety packages more.
packages_alone=(devscripts)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
missing_alone=()
for p in "${packages_alone[@]}"; do
    installed "$p" || missing_alone+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_alone[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]} ${missing_alone[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
if [ ${#missing[@]} -gt 0 ]; then
    "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
if [ ${#missing_alone[@]} -gt 0 ]; then
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing_alone[@]}"
fi
