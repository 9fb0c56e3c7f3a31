#!/usr/bin/env bash
# `cmake --install` into a fresh folder: every file in place, and each passes the tool that
# desktops, software centres and man read it with. The icons are those the SVG renders to.
set -euo pipefail
: "${ORVENNA_SOURCE:?}" "${ORVENNA_BUILD:?}"
fail() { echo "FAIL: $*" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

DESTDIR="$WORK/root" cmake --install "$ORVENNA_BUILD" --prefix /usr >/dev/null
share="$WORK/root/usr/share"
[ -x "$WORK/root/usr/bin/orvenna" ] || fail "no program"
# The picture modules where the installed program looks for them, relative to its folder.
for module in $ORVENNA_MODULES; do
  [ -f "$WORK/root/usr/bin/$ORVENNA_MODULE_FOLDER/$module" ] || fail "$module not in bin/$ORVENNA_MODULE_FOLDER"
done

desktop-file-validate "$share/applications/orvenna.desktop" || fail "desktop entry invalid"
grep -q '^MimeType=' "$share/applications/orvenna.desktop" && fail "the entry offers file types the program does not take"

appstreamcli validate --no-net --pedantic "$share"/metainfo/*.metainfo.xml || fail "metainfo invalid"
version=$(sed -n 's/^project(Orvenna VERSION \([0-9.]*\).*/\1/p' "$ORVENNA_SOURCE/CMakeLists.txt")
grep -q "<release version=\"$version\"" "$share"/metainfo/*.metainfo.xml || fail "metainfo lacks release $version"

man_out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/orvenna.1.gz" 2>&1 >/dev/null)
[ -z "$man_out" ] || fail "manual page warnings: $man_out"
zcat "$share/man/man1/orvenna.1.gz" | grep -q "Orvenna $version" || fail "manual page not of version $version"

for doc in README.md LICENSE copyright changelog.gz; do
  [ -s "$share/doc/orvenna/$doc" ] || fail "doc/orvenna/$doc missing"
done
zcat "$share/doc/orvenna/changelog.gz" >"$WORK/changelog"
dpkg-parsechangelog -l "$WORK/changelog" -S Version | grep -qx "$version" \
  || fail "the changelog's newest entry is not $version"

# Each installed size is the SVG rendered at that size (within rounding of the renderer),
# and the icon the program carries is the 64 pixel one.
bash "$ORVENNA_SOURCE/data/make-icon.sh" "$WORK/render"
for size in 16 22 24 32 48 64 128 256; do
  png="$share/icons/hicolor/${size}x${size}/apps/orvenna.png"
  [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
  diff=$(compare -metric AE -fuzz 2% "$png" "$WORK/render/icons/${size}x${size}/orvenna.png" null: 2>&1) || true
  [ "$diff" = 0 ] || fail "the ${size}px icon differs from the SVG in $diff pixels: run data/make-icon.sh"
done
cmp -s "$ORVENNA_SOURCE/data/orvenna.png" "$share/icons/hicolor/64x64/apps/orvenna.png" \
  || fail "the program's icon is not the installed 64px icon"
[ -s "$share/icons/hicolor/scalable/apps/orvenna.svg" ] || fail "no scalable icon"
echo "ok: install tree complete and valid (version $version)"
