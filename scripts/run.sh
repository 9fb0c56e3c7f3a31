#!/usr/bin/env bash
# Builds Orvenna if needed and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" --target orvenna
exec "$root/build/orvenna"
