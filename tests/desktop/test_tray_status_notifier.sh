#!/usr/bin/env bash
# The station on desktops whose tray is a StatusNotifierItem host (KDE Plasma, GNOME with
# its extension): with a watcher and host of ours on a private session bus and no X11 tray,
# Ctrl+J hides the window and registers one item whose tooltip reads "Orvenna" and which
# carries the icon; the host's secondary and context-menu actions leave the window hidden,
# its activation brings it back.
source "$(dirname "$0")/lib.sh"
desktop_start

dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$WORK/bus" >/dev/null 2>&1 &
PIDS+=($!)
for i in $(seq 100); do [ -s "$WORK/bus" ] && break; sleep 0.1; done
[ -s "$WORK/bus" ] || fail "no session bus"
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/bus")

/usr/bin/python3 "$(dirname "$0")/tools/sni_host.py" >"$WORK/host.log" 2>&1 &
PIDS+=($!)
for i in $(seq 100); do grep -q '^ready' "$WORK/host.log" && break; sleep 0.1; done
grep -q '^ready' "$WORK/host.log" || fail "the StatusNotifierItem host did not start: $(cat "$WORK/host.log")"

start_app
main=$(wait_window Orvenna 15) || true
[ -n "$main" ] || fail "main window not mapped"
hidden() { [ -z "$(xdotool search --onlyvisible --name '^Orvenna$' 2>/dev/null)" ]; }

xdotool windowfocus --sync "$main" key ctrl+j
for i in $(seq 50); do hidden && break; sleep 0.1; done
hidden || fail "Ctrl+J did not hide the window (no warning is expected with a host)"
for i in $(seq 50); do grep -q '^item ' "$WORK/host.log" && break; sleep 0.1; done
item=$(grep '^item ' "$WORK/host.log" | head -1 || true)
[ -n "$item" ] || fail "no item registered with the host: $(cat "$WORK/host.log")"
read -r _ service path tip icon <<<"$item"
[ "$tip" = "tip=Orvenna" ] || fail "the item's tooltip is '${tip#tip=}'"
[ "$icon" != "icon=0x0" ] || fail "the item carries no icon"
pass "Ctrl+J hid the window behind one StatusNotifierItem ($icon, tooltip Orvenna)"

item_call() { dbus-send --session --print-reply --dest="$service" "$path" "org.kde.StatusNotifierItem.$1" int32:8 int32:8 >/dev/null; }
item_call SecondaryActivate
item_call ContextMenu
sleep 0.5  # the calls have returned; give the program's event loop a moment to act on them
hidden || fail "a secondary or context-menu action showed the window"
pass "secondary and context-menu actions leave it hidden"

item_call Activate
back=$(wait_window Orvenna 10) || true
[ "$back" = "$main" ] || fail "activating the item did not bring the window back"
[ "$(grep -c '^item ' "$WORK/host.log")" -eq 1 ] || fail "the item registered more than once"
pass "activating the item brought the window back"
