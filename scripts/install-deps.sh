#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt (or the list given as the first
# argument) that are not installed yet. Runs apt-get as root, through sudo otherwise;
# does nothing when all are present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=${1:-"$here/packages.txt"}
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$list")
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root, or install sudo, to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
# Packages of another architecture (wine32:i386) need that architecture known to dpkg.
for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/.*:\(.*\)$/\1/p' | sort -u); do
  if ! { dpkg --print-architecture; dpkg --print-foreign-architectures; } | grep -qx "$arch"; then
    $sudo dpkg --add-architecture "$arch"
  fi
done
# A mirror caught in the middle of a sync serves index files that do not match their
# release file; a moment later it serves them whole.
# An index that still fails after that is left out (apt keeps what it had): the install
# below then fails only if it needed that index.
for attempt in 1 2 3; do
  $sudo apt-get update -qq && break
  if [ "$attempt" -eq 3 ]; then
    echo "apt-get update failed three times; installing from the indexes it could read" >&2
    break
  fi
  echo "apt-get update failed; trying again in 30 s" >&2
  sleep 30
done
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
