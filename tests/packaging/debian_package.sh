#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from the built tree (cpack -G DEB) and checks it with lintian.
# debian_package.sh BUILD_FOLDER
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out/cpack.log" ||
    fail "cpack: $(cat "$out/cpack.log")"
package="$(ls "$out"/kestrovaline_*.deb)"

fields="$(dpkg-deb -f "$package" Depends Recommends Suggests Section Description)"
# Libraries found by dpkg-shlibdeps, and the plugins loaded at run time.
for text in libqt6widgets6 libsqlite3-0 libxcb1 qt6-qpa-plugins libqt6svg6 \
    qt6-image-formats-plugins swaybg "Description: desktop wallpaper manager"; do
    grep -qF -- "$text" <<<"$fields" || fail "the control data lacks $text: $fields"
done
contents="$(dpkg-deb -c "$package")"
for file in ./usr/bin/kestrovaline ./usr/share/doc/kestrovaline/copyright \
    ./usr/share/doc/kestrovaline/changelog.gz ./usr/share/man/man1/kestrovaline.1.gz; do
    grep -qF " $file" <<<"$contents" || fail "the package lacks $file"
done
! grep -qF ' ./etc/' <<<"$contents" || fail "the package installs under /etc"

lintian --fail-on error --tag-display-limit 0 "$package"
echo "package checked: $(basename "$package")"
