#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window on a Wayland compositor (weston's headless backend): a script with every transition, the board
# and a wait runs to its end, in a window and in full screen, and the window's last picture is the script's.
set -euo pipefail
orbel="$1"
command -v weston >/dev/null || { echo "skipped: weston is not installed"; exit 77; }
ls /usr/lib/*/qt6/plugins/platforms/libqwayland* >/dev/null 2>&1 ||
  { echo "skipped: the toolkit's wayland platform is not installed"; exit 77; }
command -v convert >/dev/null || { echo "skipped: convert is not installed"; exit 77; }

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=orbel-test --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
trap 'kill $weston_pid 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/orbel-test" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/orbel-test" ] || { echo "skipped: weston did not start"; cat "$work/weston.log"; exit 77; }

mkdir -p "$work/game/Data"
convert -size 640x480 xc:'#ff0000' BMP3:"$work/game/Data/A.bmp"
convert -size 640x480 xc:'#0000ff' BMP3:"$work/game/Data/B.bmp"
printf '%s\r\n' 'board,off' 'disp,1,1,A.bmp' 'disp,1,2,B.bmp' 'disp,1,4,A.bmp' 'board,on' 'wait,time,300' \
  'disp,1,3,B.bmp' > "$work/game/Data/SCRIPT.TXT"
status=0
WAYLAND_DISPLAY=orbel-test QT_QPA_PLATFORM=wayland SDL_AUDIODRIVER=dummy timeout 60 \
  "$orbel" --batch --trace --grab "$work/grab.bmp" "$work/game" >"$work/trace.txt" 2>"$work/err.txt" || status=$?
[ "$status" = 0 ] || { echo "FAIL: exit status $status"; cat "$work/err.txt"; exit 1; }
[ "$(wc -l <"$work/trace.txt")" = 7 ] || { echo "FAIL: the script did not run to its end"; cat "$work/trace.txt"; exit 1; }
colour=$(convert "$work/grab.bmp" -format '%[hex:p{20,20}] %[hex:p{300,420}]' info:)
[ "$colour" = "0000FF F7FFEF" ] || { echo "FAIL: last picture shows $colour"; exit 1; }
# Full screen at the compositor's resolution (no mode switch exists there), the picture enlarged.
status=0
WAYLAND_DISPLAY=orbel-test QT_QPA_PLATFORM=wayland SDL_AUDIODRIVER=dummy timeout 60 \
  "$orbel" --batch --fullscreen --fit aspect --grab "$work/grab2.bmp" "$work/game" >/dev/null 2>"$work/err.txt" ||
  status=$?
[ "$status" = 0 ] || { echo "FAIL: full screen: exit status $status"; cat "$work/err.txt"; exit 1; }
[ "$(convert "$work/grab2.bmp" -format '%wx%h %[hex:p{20,20}]' info:)" = "640x480 0000FF" ] ||
  { echo "FAIL: full screen: the grab is not the 640x480 picture"; exit 1; }
echo "PASS"
