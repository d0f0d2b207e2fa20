#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages. Safe to run again: it does
# nothing when everything is already present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    mingw-w64 mingw-w64-tools
    wine wine32:i386
    xvfb xauth x11-apps imagemagick
    locales fonts-nanum
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev llvm
    libssl-dev
    libsqlite3-dev sqlite3
    nginx-light wrk
    python3 python3-pil
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    need_update=1
fi

missing=()
for p in "${packages[@]}"; do
    name=${p%%:*}
    arch=${p#*:}; [ "$arch" = "$p" ] && arch=""
    if [ -n "$arch" ]; then
        status=$(dpkg-query -W -f='${Status}' "$name:$arch" 2>/dev/null || true)
    else
        status=$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null || true)
    fi
    case "$status" in *"install ok installed"*) ;; *) missing+=("$p") ;; esac
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# Korean locale, so that Wine reports code page 949.
if ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$'; then
    if ! grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ko_KR.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo_cmd[@]}" locale-gen >/dev/null
fi

# The posix thread model of MinGW-w64 is needed for std::mutex and std::thread.
for tool in i686-w64-mingw32-gcc-posix i686-w64-mingw32-g++-posix i686-w64-mingw32-windres \
            i686-w64-mingw32-widl wine xvfb-run Xvfb clang++; do
    command -v "$tool" >/dev/null || { echo "install-deps: $tool is missing" >&2; exit 1; }
done
echo "install-deps: all dependencies present"
