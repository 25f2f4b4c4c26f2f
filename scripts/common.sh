# Shared by scripts/run and scripts/test: install what is missing, configure and build.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail

KV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

kv_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages named in the given lists that are not installed yet.
kv_install_packages() {
    local wanted=() missing=() list package
    for list in "$@"; do
        while read -r package; do
            package="${package%%#*}"
            package="$(echo "$package" | tr -d '[:space:]')"
            [ -n "$package" ] && wanted+=("$package")
        done <"$KV_ROOT/scripts/deps/$list.txt"
    done
    for package in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        kv_as_root apt-get update -qq
        kv_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
}

# kv_build <build folder> [extra cmake arguments...]
kv_build() {
    local dir="$1"
    shift
    cmake -S "$KV_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$(nproc)"
}
