#!/usr/bin/env bash
# The layers keep to their own includes: only the Qt backend (src/runtime/qt/) includes Qt
# headers; the runtime includes nothing above it (only itself and the platform records);
# the platform records include no project header at all; the common runtime includes no
# system's own headers; the handlers include no backend's headers. Prints each file that breaks
# a rule, with the line, and fails if there is one.
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/../../src" && pwd)}
cd "$src"
status=0

report() {  # rule, grep output lines "file:line:text"
    local rule=$1 hits=$2
    [[ -z $hits ]] && return
    status=1
    while IFS= read -r hit; do echo "src/$hit  <- $rule"; done <<<"$hits"
}

include='^[[:space:]]*#[[:space:]]*include[[:space:]]*'
qt_header="${include}[<\"](Qt[A-Za-z]*/)?(Q[A-Za-z]*|Qt|q[a-z0-9_]+\.h)[>\"]"
report "Qt header outside src/runtime/qt/" \
    "$(grep -rEn --include='*.h' --include='*.cpp' "$qt_header" . | sed 's|^\./||' | grep -v '^runtime/qt/' || true)"
report "the runtime includes a layer above it" \
    "$(grep -rEn --include='*.h' --include='*.cpp' "${include}\"(app|about|edit|filecmd|intake|tray)/" runtime \
        || true)"
report "a platform record includes a project header" \
    "$(grep -rEn --include='*.h' --include='*.cpp' "${include}\"" platform || true)"
# The common runtime (the files directly in src/runtime/) is the same on every system:
# what differs sits behind the backends' functions.
os_header="${include}<((windows|winsock2?|ws2tcpip|shlobj|shellapi|shlwapi|objbase|objidl|ole2|oleidl|commctrl|commdlg|wincodec|io|direct|process)\.h|(unistd|fcntl|dirent|pthread|poll|pwd|grp|dlfcn|termios|spawn|sched|semaphore|syslog|glob|fnmatch|libgen|strings|utime|netdb|ftw|iconv|langinfo|mqueue|aio|wordexp|utmpx)\.h|(sys|netinet|arpa|linux|asm)/[^>]*)>"
report "a Windows or POSIX header in the common runtime" \
    "$(grep -Ein "$os_header" runtime/*.cpp runtime/*.h || true)"
report "a handler includes a backend header" \
    "$(grep -rEn --include='*.h' --include='*.cpp' "${include}[<\"]runtime/(qt|win32)/" app intake filecmd tray edit about \
        || true)"

report "the picture core includes the runtime, a backend or a system's window API" \
    "$(grep -rEn --include='*.h' --include='*.cpp' "${include}([\"](runtime|app|about|edit|filecmd|intake|tray|platform)/|<windows\.h>)" \
        pictures || true)"

report "pictures are read and written by the picture core, not by Qt's image classes" \
    "$(grep -rEn --include='*.h' --include='*.cpp' '\bQ(ImageReader|ImageWriter|ColorSpace|ImageIOHandler)\b' . || true)"

exit $status
