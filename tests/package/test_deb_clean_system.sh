#!/usr/bin/env bash
# The Debian package as a user gets it: lintian finds no error in it; installed with
# apt-get into a minimal Debian system that has nothing else (debootstrap, no recommended
# packages, so that the package's own dependencies must suffice), the installed program
# shows a dropped JPEG and writes it as TIFF, as WebP, and as AVIF through the module it
# loads then.
#
# The minimal system is made once per build folder (build/clean-system-base, about a
# minute) and copied afresh for every run. It needs root and Debian's mirror, as
# configured for apt on this machine.
source "$ORVENNA_SOURCE/tests/desktop/lib.sh"
[ "$(id -u)" -eq 0 ] || fail "needs root (chroot, mounts)"

cd "$ORVENNA_BUILD"
rm -f orvenna_*.deb
cpack -G DEB >"$WORK/cpack.log" 2>&1 || fail "cpack: $(tail -5 "$WORK/cpack.log")"
deb=$(ls "$ORVENNA_BUILD"/orvenna_*_"$(dpkg --print-architecture)".deb)
lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "ok: $(basename "$deb") built; lintian: no errors"

# The mirror apt uses here, and the suite of this system.
mirror=$(grep -rhoE '^(URIs:|deb) +https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null \
  | grep -oE 'https?://[^ ]+' | head -1 || true)
mirror=${mirror:-http://deb.debian.org/debian}
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
base="$ORVENNA_BUILD/clean-system-base"
if [ ! -f "$base/.complete" ]; then
  rm -rf "$base"
  debootstrap --variant=minbase "$suite" "$base" "$mirror" >"$WORK/debootstrap.log" 2>&1 \
    || fail "debootstrap: $(tail -5 "$WORK/debootstrap.log")"
  touch "$base/.complete"
fi
ROOT="$WORK/clean-root"
cp -a "$base" "$ROOT"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
cp "$deb" "$ROOT/tmp/"
chroot "$ROOT" apt-get update -qq >"$WORK/apt.log" 2>&1 || fail "apt-get update: $(tail -5 "$WORK/apt.log")"
DEBIAN_FRONTEND=noninteractive chroot "$ROOT" apt-get install -y -qq --no-install-recommends \
  "/tmp/$(basename "$deb")" >>"$WORK/apt.log" 2>&1 || fail "apt-get install: $(tail -5 "$WORK/apt.log")"
for f in /usr/bin/orvenna /usr/share/applications/orvenna.desktop /usr/share/man/man1/orvenna.1.gz; do
  [ -e "$ROOT$f" ] || fail "$f not installed"
done
echo "ok: installed with its dependencies into a minimal system"

# The installed program runs inside that system, on our X display (reached through its
# abstract socket), with /proc and our work folder mounted in a mount namespace of its
# own, so that nothing stays mounted when it ends.
mkdir -p "$ROOT$WORK"
cat >"$WORK/orvenna-installed" <<SCRIPT
#!/usr/bin/env bash
exec unshare --mount --propagation private bash -c '
  mount -t proc proc "$ROOT/proc" && mount --bind "$WORK" "$ROOT$WORK" &&
  exec chroot "$ROOT" env -i HOME=/root LANG=C.UTF-8 DISPLAY="\$DISPLAY" QT_QPA_PLATFORM=xcb \
    QT_ENABLE_HIGHDPI_SCALING=0 XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" /usr/bin/orvenna'
SCRIPT
chmod +x "$WORK/orvenna-installed"
ORVENNA_BIN="$WORK/orvenna-installed"

desktop_start
convert -size 320x240 xc:'#c03060' "$WORK/moon.jpg"
mkdir -p "$WORK/out"
start_app
main=$(wait_window Orvenna 20) || true
[ -n "$main" ] || fail "the installed program showed no window: $(cat "$WORK"/app-*.log)"

# Share of the main window's pixels in the picture's colour.
picture_share() {
  import -display "$DISPLAY" -window "$main" "$WORK/win.png"
  convert "$WORK/win.png" -fuzz 8% -fill black +opaque '#c03060' -fill white -opaque '#c03060' \
    -colorspace Gray -format '%[fx:mean]' info:
}

# Drops the JPEG on the pane and saves it under TARGET; checks the format written.
drop_and_save() {
  local target=$1 format=$2 box="" i
  drag_to 400 400 "$WORK/moon.jpg"
  wait_exit "$SOURCE_PID" 10 || fail "drag source did not finish"
  grep -q dropped "$WORK/source.log" || fail "the installed program did not take the drop"
  for i in $(seq 50); do
    awk "BEGIN {exit !($(picture_share) > 0.1)}" && break
    sleep 0.1
  done
  awk "BEGIN {exit !($(picture_share) > 0.1)}" || fail "the dropped JPEG is not shown"
  shot "clean-system-$format"
  xdotool windowfocus --sync "$main" key ctrl+s
  save=$(wait_window 'Save As' 10) || true
  [ -n "$save" ] || fail "save dialog not shown"
  xdotool windowfocus --sync "$save" key ctrl+a
  xdotool type --delay 10 "$target"
  for i in 1 2 3; do
    xdotool key Return
    sleep 0.5
    xdotool search --onlyvisible --name '^Save As$' >/dev/null 2>&1 || break
  done
  for i in $(seq 50); do
    box=$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null | grep -v "^$main\$" | head -1 || true)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || fail "no message after saving $target"
  xdotool windowfocus --sync "$box" key Return
  [ "$(identify -format '%m %wx%h' "$target")" = "$format 320x240" ] || fail "$target is not a 320x240 $format"
  echo "ok: dropped JPEG shown and written as $format"
}
drop_and_save "$WORK/out/moon.tif" TIFF
drop_and_save "$WORK/out/moon.webp" WEBP
# ImageMagick names an AVIF file's format HEIC.
drop_and_save "$WORK/out/moon.avif" HEIC
