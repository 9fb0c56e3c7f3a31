#!/usr/bin/env bash
# Packs the zip for Windows users and checks what it holds: one folder with the program,
# the README, its licence and the licence of each library linked into it (one for each
# package of the picture libraries' versions.txt but the build tools), nothing else; and
# that the program needs nothing installed: it imports only Windows' own libraries.
#   check-package.sh BUILD VERSIONS_TXT
set -euo pipefail
build=$1 versions=$2
cd "$build"
rm -f orvenna-*-windows.zip
cpack -G ZIP >/dev/null
zip=$(ls orvenna-*-windows.zip)
folder=${zip%.zip}
listing=$(cmake -E tar tf "$zip" | grep -v '/$' | sort)
expected=$( {
  printf '%s\n' "$folder/LICENSE.txt" "$folder/README.md" "$folder/orvenna.exe"
  while read -r package _; do
    case $package in binutils-* | g++-*) ;; *) echo "$folder/licenses/$package.txt" ;; esac
  done <"$versions"
} | sort)
if [ "$listing" != "$expected" ]; then
  echo "FAIL: $zip holds:"; echo "$listing"
  echo "It lacks:"; comm -13 <(echo "$listing") <(echo "$expected")
  echo "Beyond what it should hold:"; comm -23 <(echo "$listing") <(echo "$expected")
  exit 1
fi
# The program in it is the one built here, whole.
rm -rf package-check && mkdir package-check && (cd package-check && cmake -E tar xf "../$zip")
exe="package-check/$folder/orvenna.exe"
head -c 2 "$exe" | grep -q MZ || { echo "FAIL: orvenna.exe is not a Windows program"; exit 1; }
# Windows' own libraries, present on every Windows since 7; no compiler runtime or codec DLL.
system='^(advapi32|comctl32|comdlg32|gdi32|kernel32|msimg32|msvcrt|ole32|oleaut32|psapi|shell32|user32|ws2_32)\.dll$'
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
others=$(grep -Ev "$system" <<<"$imports" || true)
[ -z "$others" ] || { echo "FAIL: orvenna.exe imports $others"; exit 1; }
echo "PASS: $zip ($(stat -c %s "$zip") bytes; orvenna.exe $(stat -c %s "$exe") bytes), imports: $(echo $imports)"
