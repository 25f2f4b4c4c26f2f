#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Windows platform layer and its test with mingw-w64 and runs it under Wine in a fresh
# prefix, without a display. Exits 77 (a skip) without mingw-w64 or Wine (scripts/deps/windows.txt).
# Usage: run-under-wine.sh <source folder> <work folder> [Qt header folder]
set -euo pipefail
# A step that fails without a word (a compiler or Wine ended by a signal) still says which it was.
trap 'echo "FAILED: status $? at line $LINENO: $BASH_COMMAND" >&2' ERR
source_dir="$1"
work_dir="$2"
qt_headers="${3:-}"
compiler=x86_64-w64-mingw32-g++-posix
for tool in "$compiler" wine wineserver; do
    command -v "$tool" >/dev/null ||
        { echo "SKIP: $tool is missing (packages g++-mingw-w64-x86-64, wine, wine64)"; exit 77; }
done
mkdir -p "$work_dir"

echo "Building the layer and its test program with $compiler"
"$compiler" -std=c++20 -O1 -g0 -Wall -Wextra -Werror -DUNICODE -D_UNICODE -I "$source_dir/src" \
    -static -static-libgcc -static-libstdc++ -municode -o "$work_dir/win32_layer_test.exe" \
    "$source_dir/tests/windows/win32_layer_test.cpp" \
    "$source_dir/src/settings/win32/RegistryText.cpp" \
    "$source_dir"/src/desktop/win32/{ActiveDesktop,SystemColours}.cpp \
    -ladvapi32 -lole32 -luuid -luser32

# No Qt for Windows is packaged here, so the Qt side of the Windows build (the adapters and every
# source with a Windows branch, found by its branches) is only checked for syntax and warnings.
if [ -n "$qt_headers" ]; then
    echo "Checking the Qt side of the Windows build for syntax"
    for file in src/settings/win32/RegistrySettingsStore.cpp src/desktop/win32/WindowsDesktop.cpp \
        $(cd "$source_dir" && grep -rlE '_WIN32|Q_OS_WIN' src --include='*.cpp' | sort); do
        "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Werror -Wno-attributes \
            -DQT_NO_KEYWORDS -DKV_VERSION_MAJOR=0 -DKV_VERSION_MINOR=0 -I "$source_dir/src" \
            -I "$qt_headers" -I "$qt_headers/QtCore" -I "$qt_headers/QtGui" \
            -I "$qt_headers/QtWidgets" -I "$qt_headers/QtConcurrent" "$source_dir/$file"
    done
fi

# Headless: no display, no installers for .NET or HTML components, no debug channels.
prefix="$(mktemp -d)"
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
wineboot --init >"$work_dir/wineboot.log" 2>&1 || { cat "$work_dir/wineboot.log"; exit 1; }
wineserver -w
status=0
wine "$work_dir/win32_layer_test.exe" || status=$?
wineserver -w
[ "$status" -eq 0 ] || echo "FAILED: the test program ended with status $status" >&2
exit "$status"
