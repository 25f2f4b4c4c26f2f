#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary root under /usr and /usr/local and checks what a user and
# a distribution find there. install_layout.sh BUILD_FOLDER
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for prefix in /usr /usr/local; do
    dest="$root$prefix"
    DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >/dev/null

    # Nothing but the program in bin/, nothing for every account under etc/.
    [ "$(ls "$dest/bin")" = kestrovaline ] || fail "$prefix/bin holds: $(ls "$dest/bin")"
    [ ! -e "$root/etc" ] && [ ! -e "$dest/etc" ] || fail "something was installed under etc/"

    share="$dest/share"
    for file in kestrovaline/help/KestrovalineHelp.html kestrovaline/help/KestrovalineHelp_de.html \
        kestrovaline/Moravelstone/aurora.jpg \
        icons/hicolor/scalable/apps/kestrovaline.svg applications/kestrovaline.desktop \
        metainfo/org.kestrovaline.Kestrovaline.metainfo.xml man/man1/kestrovaline.1.gz \
        doc/kestrovaline/copyright; do
        [ -f "$share/$file" ] || fail "$prefix/share/$file is missing"
    done
    ls "$share"/kestrovaline/help/KestrovalineHelp-images/*.png >/dev/null ||
        fail "the manual's pictures are missing"

    # The installed program finds its manual relative to itself, without a display.
    # It answers in the user's language, even before it has a window, and names the manual in it.
    for language in en:Manual:KestrovalineHelp.html de:Handbuch:KestrovalineHelp_de.html; do
        IFS=: read -r code label manual <<<"$language"
        version="$(env -u DISPLAY -u WAYLAND_DISPLAY LANGUAGE="$code" \
            KESTROVALINE_DESKTOP=none "$dest/bin/kestrovaline" --version)"
        grep -qxF "$label: $share/kestrovaline/help/$manual" <<<"$version" ||
            fail "the installed program does not find its manual: $version"
    done

    desktop-file-validate "$share/applications/kestrovaline.desktop" ||
        fail "desktop-file-validate refuses the menu entry"
    appstreamcli validate --no-net "$share/metainfo/org.kestrovaline.Kestrovaline.metainfo.xml" ||
        fail "appstreamcli refuses the metainfo"

    # The manual page renders without complaint.
    page="$(MANWIDTH=100 man --warnings -l "$share/man/man1/kestrovaline.1.gz" 2>"$root/man.err")"
    [ ! -s "$root/man.err" ] || fail "man reports: $(cat "$root/man.err")"
    for text in KESTROVALINE_DESKTOP -logon -close -next "EXIT STATUS" \
        /usr/share/kestrovaline/Moravelstone/; do
        grep -qF -- "$text" <<<"$page" || fail "the manual page lacks $text"
    done
done
echo "layout checked under /usr and /usr/local"
