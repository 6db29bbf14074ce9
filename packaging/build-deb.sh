#!/bin/bash
# Packs the game for Debian and Ubuntu with dpkg-deb: the game folder under /usr/lib/tessaron,
# the launcher /usr/games/tessaron, the menu entry, the icon in the sizes menus use (drawn by
# the build's own icon painter), the manual page, the package's documents and the lintian
# warning it keeps on purpose.
#
#   build-deb.sh <package.deb> <staging folder> <Debian version> <icon.ico> <large icon.ico> \
#                <game file or folder>...
set -euo pipefail
umask 022

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
deb="$1" root="$2" version="$3"
icons=("$4" "$5")
shift 5

rm -rf "$root"
mkdir -p "$root/DEBIAN" "$root/usr/lib/tessaron" "$root/usr/games" "$root/usr/share/applications" \
    "$root/usr/share/man/man6" "$root/usr/share/doc/tessaron" "$root/usr/share/lintian/overrides"

cp -R "$@" "$root/usr/lib/tessaron/"
install -m 755 "$here/tessaron" "$root/usr/games/tessaron"
install -m 644 "$here/tessaron.desktop" "$root/usr/share/applications/tessaron.desktop"

# Every picture of the icon files goes to the hicolor folder of its size.
frames="$(mktemp -d)"
trap 'rm -rf "$frames"' EXIT
for ico in "${icons[@]}"; do
    convert "$ico" -strip +adjoin "PNG32:$frames/$(basename "$ico" .ico)-%d.png"
done
for png in "$frames"/*.png; do
    size="$(identify -format '%wx%h' "$png")"
    mkdir -p "$root/usr/share/icons/hicolor/$size/apps"
    cp "$png" "$root/usr/share/icons/hicolor/$size/apps/tessaron.png"
done

sed "s/@VERSION@/${version%-*}/" "$here/tessaron.6" | gzip -9n >"$root/usr/share/man/man6/tessaron.6.gz"
sed "s/@DEB_VERSION@/$version/" "$here/changelog" | gzip -9n >"$root/usr/share/doc/tessaron/changelog.Debian.gz"
cp "$here/copyright" "$root/usr/share/doc/tessaron/copyright"
cp "$here/lintian-overrides" "$root/usr/share/lintian/overrides/tessaron"

find "$root" -type d -exec chmod 755 {} +
find "$root/usr" -type f ! -path "$root/usr/games/*" -exec chmod 644 {} +
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 644 "$root/DEBIAN/md5sums"
size="$(du -sk --apparent-size "$root/usr" | cut -f1)"
sed -e '/^#/d' -e "s/@DEB_VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$size/" "$here/control" \
    >"$root/DEBIAN/control"

dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
