#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the manual's pictures anew with the shot tools of a build: each options page and the about
# box, in English (NAME.png) and German (NAME_de.png), each also at double size (NAME@2x.png) for
# screens scaled by two. Runs on a private X server, so nothing of the desktop shows:
# manual_pictures.sh BUILD_FOLDER
set -euo pipefail
[ $# -eq 1 ] || {
    echo "usage: $0 BUILD_FOLDER" >&2
    exit 2
}
if [ -z "${KV_MANUAL_PICTURES_DISPLAY:-}" ]; then
    KV_MANUAL_PICTURES_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp" "$0" "$@"
fi
build="$(cd "$1" && pwd)"
XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
pictures="$(cd "$(dirname "$0")/../../resources/help/KestrovalineHelp-images" && pwd)"

# shot PICTURE WHAT: shows one window and takes it once it is on the screen and painted.
shot() {
    "$build/options_dialog_shot" "$2" 8000 &
    local tool=$! window
    window="$(xdotool search --sync --onlyvisible --pid "$tool" | head -n 1)"
    # Mapped is not yet painted: give the first frame its moment.
    sleep 1
    import -window "$window" "$1"
    kill "$tool"
    wait "$tool" || true
    if command -v optipng >/dev/null; then
        optipng -quiet -o7 -strip all "$1"
    fi
}

for language in en de; do
    suffix=""
    [ "$language" = en ] || suffix="_$language"
    for scale in 1 2; do
        size=""
        [ "$scale" = 1 ] || size="@${scale}x"
        for what in 0 1 2 about; do
            name="options-page-$what"
            [ "$what" != about ] || name=about
            LANGUAGE="$language" QT_SCALE_FACTOR="$scale" \
                shot "$pictures/$name$suffix$size.png" "$what"
        done
    done
done
