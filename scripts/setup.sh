#!/bin/bash
# Installs what the build, the game and the tests need on Debian 12, and
# initialises a private Wine prefix inside the build tree. Quiet and idempotent.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
PREFIX="$BUILD/wine-prefix"

PACKAGES=(cmake ninja-build python3 g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
          xvfb xauth xdotool x11-utils imagemagick fonts-liberation fonts-wine fp-utils googletest)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    log="$(mktemp)"
    if ! { $SUDO apt-get update -qq && \
           $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
        cat "$log" >&2; rm -f "$log"
        echo "setup: package installation failed" >&2
        exit 1
    fi
    rm -f "$log"
fi

mkdir -p "$BUILD"
if [ ! -f "$PREFIX/.tessaron-ready" ]; then
    echo "setup: creating the Wine prefix in $PREFIX"
    export WINEPREFIX="$PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Without a window manager Wine draws captions and menus itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$PREFIX/.tessaron-ready"
fi

# Wine's own dialog and caption fonts are not loaded by this build of Wine.
fonts="$PREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for f in tahoma tahomabd marlett; do
    if [ -f "/usr/share/wine/fonts/$f.ttf" ] && [ ! -f "$fonts/$f.ttf" ]; then
        cp "/usr/share/wine/fonts/$f.ttf" "$fonts/"
    fi
done
