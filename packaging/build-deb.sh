#!/bin/bash
# Packs the game for Debian with dpkg-deb: the game folder under /usr/lib/tessaron, the
# launcher /usr/games/tessaron, the menu entry and its AppStream metainfo, the icon in the
# sizes menus use (drawn by the build's own icon painter), the manual page, the package's
# documents with the notices of what the program links in, and the lintian warning it keeps
# on purpose. The changelog's newest entry and the metainfo's releases must name the version built.
#
#   build-deb.sh <package.deb> <staging folder> <Debian version> <third-party notices> \
#                <icon.ico> <large icon.ico> <game file or folder>...
set -euo pipefail
umask 022

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
deb="$1" root="$2" version="$3" notices="$4"
icons=("$5" "$6")
shift 6

newest="$(sed -n '1s/^tessaron (\([^)]*\)).*/\1/p' "$here/changelog")"
if [ "$newest" != "$version" ]; then
    echo "build-deb.sh: the newest entry of packaging/changelog is '$newest', the build is $version:" \
         "add an entry for $version" >&2
    exit 1
fi
if ! grep -q "<release version=\"${version%-*}\"" "$here/org.example.tessaron.metainfo.xml"; then
    echo "build-deb.sh: the AppStream metainfo lists no release ${version%-*}: add one" >&2
    exit 1
fi

rm -rf "$root"
mkdir -p "$root/DEBIAN" "$root/usr/lib/tessaron" "$root/usr/games" "$root/usr/share/applications" \
    "$root/usr/share/man/man6" "$root/usr/share/doc/tessaron" "$root/usr/share/lintian/overrides" \
    "$root/usr/share/metainfo"

cp -R "$@" "$root/usr/lib/tessaron/"
install -m 755 "$here/tessaron" "$root/usr/games/tessaron"
install -m 644 "$here/tessaron.desktop" "$root/usr/share/applications/tessaron.desktop"
install -m 644 "$here/org.example.tessaron.metainfo.xml" "$root/usr/share/metainfo/"

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
gzip -9n <"$here/changelog" >"$root/usr/share/doc/tessaron/changelog.Debian.gz"
cp "$here/copyright" "$here/README.Debian" "$notices" "$root/usr/share/doc/tessaron/"
cp "$here/lintian-overrides" "$root/usr/share/lintian/overrides/tessaron"

find "$root" -type d -exec chmod 755 {} +
find "$root/usr" -type f ! -path "$root/usr/games/*" -exec chmod 644 {} +
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 644 "$root/DEBIAN/md5sums"
size="$(du -sk --apparent-size "$root/usr" | cut -f1)"
sed -e '/^#/d' -e "s/@DEB_VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$size/" "$here/control" \
    >"$root/DEBIAN/control"

dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
