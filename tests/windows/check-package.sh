#!/usr/bin/env bash
# Packs the zip for Windows users and checks what it holds: one folder with the program,
# the README and the licence, and nothing else.
set -euo pipefail
build=$1
cd "$build"
rm -f orvenna-*-windows.zip
cpack -G ZIP >/dev/null
zip=$(ls orvenna-*-windows.zip)
folder=${zip%.zip}
listing=$(cmake -E tar tf "$zip" | grep -v '/$' | sort)
expected=$(printf '%s\n' "$folder/LICENSE.txt" "$folder/README.md" "$folder/orvenna.exe")
if [ "$listing" != "$expected" ]; then
  echo "FAIL: $zip holds:"; echo "$listing"; exit 1
fi
# The program in it is the one built here, whole.
rm -rf package-check && mkdir package-check && (cd package-check && cmake -E tar xf "../$zip")
head -c 2 "package-check/$folder/orvenna.exe" | grep -q MZ || { echo "FAIL: orvenna.exe is not a Windows program"; exit 1; }
echo "PASS: $zip"
