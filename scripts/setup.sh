#!/bin/bash
# Installs what the build, the game and the tests need on Debian 12, and initialises private
# Wine prefixes inside the build tree, the player's and the tests'. Quiet and idempotent.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
PREFIX="$BUILD/wine-prefix"        # the player's
TEST_PREFIX="$BUILD/test-prefix"

# locales: the sources from which a scenario compiles a Japanese locale into the build tree
# (the game on a multi-byte code page); x11-xserver-utils: xmodmap, keys for typing Russian.
PACKAGES=(cmake ninja-build python3 g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
          xvfb xauth xdotool x11-utils x11-xserver-utils openbox imagemagick fonts-liberation fonts-wine
          fp-utils googletest locales
          lintian xdg-utils  # the Debian package: lintian checks it, the help opens through xdg-open
          appstream debootstrap libnotify-bin  # its metainfo validated; apt tried in a fresh root; Recommends
          nsis  # the setup program for Windows players
          mesa-vulkan-drivers  # Vulkan on the CPU (lavapipe), for the e2e set on DXVK's Direct3D 9
          python3-tk)  # the e2e set reads and fills the X clipboard through it

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
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$PREFIX/.tessaron-ready" ]; then
    echo "setup: creating the Wine prefix in $PREFIX"
    WINEPREFIX="$PREFIX" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$PREFIX" wineserver -w
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

# `wine reg` in prefix $1 with the rest as its arguments. A prefix just copied may still be
# brought up to date by the first Wine program started in it, which can make that program fail:
# it is tried once more, and a failure is said instead of ending the set-up silently.
prefix_reg() {
    local prefix="$1"
    shift
    WINEPREFIX="$prefix" wine reg "$@" >/dev/null 2>&1 && return 0
    WINEPREFIX="$prefix" wineserver -w
    WINEPREFIX="$prefix" wine reg "$@" >/dev/null 2>&1 && return 0
    echo "setup: 'wine reg $*' failed in $prefix" >&2
    return 1
}

# The player's windows get the desktop's own frame: an earlier set-up switched that off here.
for value in Decorated UseTakeFocus; do
    if grep -q "^\"$value\"=\"N\"" "$PREFIX/user.reg" 2>/dev/null; then
        WINEPREFIX="$PREFIX" wine reg delete 'HKCU\Software\Wine\X11 Driver' /v "$value" /f >/dev/null 2>&1 || true
        WINEPREFIX="$PREFIX" wineserver -w
    fi
done

# The tests and the demonstration play without a window manager, in prefixes copied from this
# one: Wine draws the captions and menus itself, and follows the focus xdotool gives a window.
if [ ! -f "$TEST_PREFIX/.tessaron-ready" ]; then
    echo "setup: creating the tests' Wine prefix in $TEST_PREFIX"
    rm -rf "$TEST_PREFIX"
    WINEPREFIX="$PREFIX" wineserver -w
    cp -a "$PREFIX" "$TEST_PREFIX"
    rm -f "$TEST_PREFIX/.tessaron-ready"
    for value in Decorated UseTakeFocus; do
        prefix_reg "$TEST_PREFIX" add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d N /f
    done
    WINEPREFIX="$TEST_PREFIX" wine reg delete 'HKCU\Software\Tessaron' /f >/dev/null 2>&1 || true
    WINEPREFIX="$TEST_PREFIX" wineserver -w
    touch "$TEST_PREFIX/.tessaron-ready"
fi

# The game's dialogs are laid out for the font Windows gives "MS Shell Dlg", a narrow sans serif.
# Wine gives it Tahoma, whose Russian letters are wider: the Presets label would wrap into a
# third line that its box cuts off. Wine's MS Sans Serif with Russian letters (sserifer.fon)
# has the Windows widths and the same 6 x 13 dialog base units. Applied to every prefix of the
# build, so prefixes copied before this step get it too.
dialog_font() {
    local prefix="$1"
    [ -d "$prefix/drive_c" ] && [ ! -f "$prefix/.tessaron-dialog-font" ] || return 0
    [ -f /usr/share/wine/fonts/sserifer.fon ] || return 0
    cp /usr/share/wine/fonts/sserifer.fon "$prefix/drive_c/windows/Fonts/"
    local nt='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
    prefix_reg "$prefix" add "$nt\Fonts" /v "MS Sans Serif" /d sserifer.fon /f
    prefix_reg "$prefix" add "$nt\FontSubstitutes" /v "MS Shell Dlg" /d "MS Sans Serif" /f
    WINEPREFIX="$prefix" wineserver -w
    touch "$prefix/.tessaron-dialog-font"
}
for p in "$PREFIX" "$TEST_PREFIX" "$BUILD/e2e-prefix" "$BUILD/demo-prefix"; do
    dialog_font "$p"
done
