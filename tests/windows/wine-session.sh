#!/usr/bin/env bash
# The Wine session the Windows tests run in: an X server (Xvfb) with a window manager
# and a fresh Wine prefix, all under one folder of the build.
#   wine-session.sh start DIR   set up (a ctest fixture's set-up step)
#   wine-session.sh run DIR EXE [ARGS...]   run a Windows program in the session
#   wine-session.sh stop DIR    end the Wine server, the window manager and the X server
#   wine-session.sh env DIR     print the session's variables (for the desktop tests)
set -euo pipefail
# Wine's tools from the folder the build found wine in (first on PATH).
if [ -n "${ORVENNA_WINE_DIR:-}" ]; then export PATH="$ORVENNA_WINE_DIR:$PATH"; fi
action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

load_env() {
  export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # A Japanese Windows, as the program's users have: code page 932 for its 8-bit texts.
  # The locale is made in the session's folder (the host need not have it installed).
  export LOCPATH="$dir/locale" LANG=ja_JP.UTF-8
  export DISPLAY=":$(cat "$dir/display")"
}

start() {
  "$0" stop "$dir" || true
  # Whatever runs on past this script (Xvfb, openbox, the Wine server) must not hold
  # ctest's pipes open: everything goes to the session's log.
  exec >"$dir/session.log" 2>&1 </dev/null
  rm -rf "$dir/prefix" "$dir/display" "$dir/locale"
  mkdir -p "$dir/locale"
  localedef -i ja_JP -f UTF-8 "$dir/locale/ja_JP.UTF-8" || { echo "cannot make the ja_JP.UTF-8 locale"; exit 1; }
  # A free display number chosen by the server itself.
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -dpi 96 &
  echo $! >"$dir/xvfb.pid"
  exec 3>&-
  timeout 20 bash -c "until [ -s '$dir/display' ]; do sleep 0.1; done"
  load_env
  # The window manager; some X connections are refused on this kind of machine: retry once.
  for attempt in 1 2; do
    openbox &
    echo $! >"$dir/openbox.pid"
    if timeout 10 bash -c 'until xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; do sleep 0.1; done'; then
      break
    fi
    kill "$(cat "$dir/openbox.pid")" 2>/dev/null || true
    [ $attempt -eq 2 ] && { echo "openbox did not start"; exit 1; }
  done
  mkdir -p "$WINEPREFIX"
  wineserver -p
  wineboot -i
  # Windows links a Japanese face behind its dialog font for characters the font lacks;
  # the fresh prefix is told the same, with the Japanese face the host has.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ \
    /d 'ipagp.ttf,IPAPGothic' /f
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v 'MS Shell Dlg' \
    /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f
  echo "session up on $DISPLAY"
}

stop() {
  if [ -f "$dir/display" ] && [ -d "$dir/prefix" ]; then
    load_env
    wineserver -k 2>/dev/null || true
  fi
  for name in openbox xvfb; do
    if [ -f "$dir/$name.pid" ]; then
      kill "$(cat "$dir/$name.pid")" 2>/dev/null || true
      rm -f "$dir/$name.pid"
    fi
  done
  # The prefix takes over a gigabyte; each run makes a fresh one.
  rm -rf "$dir/prefix"
}

case $action in
  start) start ;;
  stop) stop ;;
  run) load_env; exec wine "$@" ;;
  env) load_env; env | grep -E '^(WINEPREFIX|WINEDEBUG|WINEDLLOVERRIDES|DISPLAY|LOCPATH|LANG)=' ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac
