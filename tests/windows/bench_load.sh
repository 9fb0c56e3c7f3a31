#!/usr/bin/env bash
# Loading a 24-megapixel JPEG, PNG and HEIC in the Windows program under Wine against the
# Linux program on the same files, in one run: the fastest of a few loads each (file read,
# decoded, converted as the program shows it), and the ratio Windows / Linux.
#   bench_load.sh WORK LINUX_DUMP WINDOWS_DUMP SESSION_SCRIPT
set -euo pipefail
work=$1 linux_dump=$2 windows_dump=$3 session_script=$4
[ -x "$linux_dump" ] || { echo "no Linux picture_dump at $linux_dump (build the Linux program first)"; exit 1; }
mkdir -p "$work"
cd "$work"
if [ ! -f photo.heic ]; then
  echo "making the pictures (6000 x 4000)..."
  convert -size 6000x4000 gradient:'#203080-#e0c040' \( -size 6000x4000 xc:gray50 -seed 7 +noise Gaussian \) \
    -compose overlay -composite photo.ppm
  convert photo.ppm -quality 90 photo.jpg
  convert photo.ppm photo.png
  heif-enc -q 60 photo.png -o photo.heic >/dev/null
  rm photo.ppm
fi
files=(photo.jpg photo.png photo.heic)
"$linux_dump" --time 3 "${files[@]}" >linux.txt
session=$work/session
bash "$session_script" start "$session"
trap 'bash "$session_script" stop "$session"' EXIT
win_files=()
for f in "${files[@]}"; do win_files+=("Z:${work//\//\\}\\$f"); done
bash "$session_script" run "$session" "$windows_dump" --time 3 "${win_files[@]}" >windows.txt
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
paste linux.txt windows.txt | awk -F'\t' '{ printf "%-11s Linux %8.1f ms   Windows %8.1f ms   ratio %.2f\n", $1, $2, $4, $4 / $2 }'
