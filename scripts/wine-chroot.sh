#!/usr/bin/env bash
# Wine from a minimal Debian chroot, for machines where wine32:i386 cannot be installed
# beside the host's libraries (a mirror whose i386 index lags behind the 64-bit packages
# the host has from the security archive). The chroot takes the main and updates
# archives only, whose 64- and 32-bit packages always match.
# Makes, once, the chroot in $cache/wine-root and wrappers (wine, wineserver, ...) in
# $cache/wine-bin, then prints the wrappers' folder; later runs only print it.
# Needs root (debootstrap, and each wrapper mounts and chroots).
set -euo pipefail
cache=${ORVENNA_WINE_CACHE:-/var/cache/orvenna}
chroot_dir=$cache/wine-root
bin=$cache/wine-bin
tools=(wine wine64 wineserver wineboot)
packages=(wine wine64 wine32:i386 fonts-ipafont-gothic)

# The host's release: the chroot's C library then reads the locale the host compiles.
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")

# The first address of the main archive in the host's sources (deb822), not the security one.
mirror() {
  local sources=/etc/apt/sources.list.d/debian.sources found=""
  if [ -r "$sources" ]; then
    found=$(awk -v suite="$suite" 'BEGIN { RS = "" } {
        uris = ""; main = 0
        n = split($0, lines, "\n")
        for (i = 1; i <= n; i++) {
          if (lines[i] ~ /^URIs:/) { split(lines[i], f, /[ \t]+/); uris = f[2] }
          if (lines[i] ~ /^Suites:/) {
            m = split(lines[i], s, /[ \t]+/)
            for (j = 2; j <= m; j++) if (s[j] == suite) main = 1
          }
        }
        if (main && uris != "") { print uris; exit }
      }' "$sources")
  fi
  echo "${found:-http://deb.debian.org/debian}"
}

# Runs a command in the chroot given, with /proc, /sys and /dev, in a private mount
# namespace: its mounts end with it, even when it fails half-way.
in_chroot() {
  local dir=$1
  shift
  nice unshare -m --propagation private /bin/bash -c '
    dir=$1; shift
    for p in /proc /sys /dev; do mount --rbind "$p" "$dir$p"; done
    exec chroot "$dir" "$@"' _ "$dir" "$@"
}

make_chroot() {
  local partial=$chroot_dir.partial url
  url=$(mirror)
  echo "== Making the Wine chroot $chroot_dir from $url ($suite); this takes several minutes" >&2
  rm -rf "$partial"
  # debootstrap mounts /proc and /sys in the target: kept in a namespace of its own.
  nice unshare -m --propagation private \
    debootstrap --variant=minbase --arch=amd64 --components=main "$suite" "$partial" "$url" >&2
  printf 'deb %s %s main\ndeb %s %s-updates main\n' "$url" "$suite" "$url" "$suite" \
    >"$partial/etc/apt/sources.list"
  cp -L /etc/resolv.conf "$partial/etc/resolv.conf"
  in_chroot "$partial" dpkg --add-architecture i386
  # A mirror caught in the middle of a sync serves indexes that do not match their
  # release file; a moment later it serves them whole.
  local attempt
  for attempt in 1 2 3; do
    in_chroot "$partial" apt-get update -qq >&2 && break
    [ "$attempt" -eq 3 ] && { echo "apt-get update failed in the Wine chroot" >&2; exit 1; }
    sleep 30
  done
  DEBIAN_FRONTEND=noninteractive in_chroot "$partial" \
    apt-get install -y -qq --no-install-recommends "${packages[@]}" >&2
  in_chroot "$partial" apt-get clean
  mv "$partial" "$chroot_dir"
}

write_wrappers() {
  local partial=$bin.partial tool
  rm -rf "$partial"
  mkdir -p "$partial"
  sed "s|@CHROOT@|$chroot_dir|" >"$partial/run-in-chroot" <<'EOF'
#!/bin/bash
# Runs a program of the Wine chroot @CHROOT@ as if installed on this machine: same
# environment, same working folder, same paths for the caller's files and the X server's
# socket (/tmp). The mounts live in a private mount namespace and end with its last
# process (a Wine server started here keeps them until it ends; later calls reach it
# through its socket under /tmp).
root=@CHROOT@
program=$1
shift
[ "$(id -u)" -eq 0 ] || { echo "$(basename "$program") from $root needs root" >&2; exit 126; }
exec unshare -m --propagation private /bin/bash -c '
  root=$1 program=$2
  shift 2
  mount --rbind /proc "$root/proc" && mount --rbind /sys "$root/sys" && mount --rbind /dev "$root/dev" || exit 126
  # The files of the caller, at their own paths: the usual homes of work, the repository
  # (ORVENNA_ROOT), other folders (ORVENNA_WINE_PATHS, colon-separated), the working folder,
  # the Wine prefix and the locale, wherever they are. A path already
  # inside a bound one is left; so is one the chroot has itself (its /usr, say).
  bound=()
  IFS=: read -r -a extra <<<"${ORVENNA_WINE_PATHS:-}"
  for p in /tmp /work /root /home "${ORVENNA_ROOT:-}" "${extra[@]}" "$PWD" "${WINEPREFIX:+$(dirname "$WINEPREFIX")}" "${LOCPATH:-}"; do
    [ -n "$p" ] && [ "$p" != / ] && [ -d "$p" ] || continue
    p=${p%/}
    inside=0
    for b in "${bound[@]}"; do case $p/ in "$b"/*) inside=1 ;; esac; done
    [ $inside -eq 1 ] && continue
    case $p in /tmp|/work|/root|/home) ;; *) [ -e "$root$p" ] && [ -n "$(ls -A "$root$p" 2>/dev/null)" ] && continue ;; esac
    mkdir -p "$root$p" && mount --rbind "$p" "$root$p" || exit 126
    bound+=("$p")
  done
  exec chroot "$root" /bin/sh -c "cd \"\$0\" 2>/dev/null || cd /; exec \"\$@\"" "$PWD" "$program" "$@"
' _ "$root" "$program" "$@"
EOF
  for tool in "${tools[@]}"; do
    printf '#!/bin/sh\n# %s from the Wine chroot %s.\nexec "$(dirname "$0")/run-in-chroot" /usr/bin/%s "$@"\n' \
      "$tool" "$chroot_dir" "$tool" >"$partial/$tool"
  done
  chmod 755 "$partial"/*
  # Replaced only when they differ: tests of another build may be using them.
  if diff -r "$partial" "$bin" >/dev/null 2>&1; then
    rm -rf "$partial"
  else
    rm -rf "$bin"
    mv "$partial" "$bin"
  fi
}

[ "$(id -u)" -eq 0 ] || { echo "wine-chroot.sh needs root (debootstrap, mount, chroot)" >&2; exit 1; }
# One maker at a time: builds started together wait for the first one's chroot.
mkdir -p "$cache"
exec 9>"$cache/wine.lock"
flock 9
# The chroot is made under another name and renamed once complete: there, it is whole.
[ -d "$chroot_dir" ] || make_chroot
write_wrappers
echo "$bin"
