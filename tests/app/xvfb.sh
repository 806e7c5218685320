#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the display tests: an X server of the test's own and a work folder, both gone when the test ends.
# start_xvfb FIRST LAST SIZE [TOOLS...]: skips (exit 77) when a tool is missing or no display number from FIRST
# to LAST is free; else sets DISPLAY, XDG_CONFIG_HOME, work and failures, and has the program use the X server
# and no sound device.
start_xvfb() {
  local first="$1" last="$2" size="$3" tool n
  shift 3
  for tool in Xvfb xdpyinfo "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  display=""
  for n in $(seq "$first" "$last"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { echo "skipped: no free display number"; exit 77; }
  Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  work=$(mktemp -d)
  trap 'kill $xvfb 2>/dev/null || true; pkill -P $$ orbel 2>/dev/null || true; rm -rf "$work"' EXIT
  export DISPLAY="$display" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
  # The program remembers the games it played; not in the tester's own settings.
  export XDG_CONFIG_HOME="$work/config"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  failures=0
}
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
screen_size() { xdpyinfo | awk '/dimensions:/ {print $2}'; }
# The program's window, once it is shown.
orbel_window() { xdotool search --sync --onlyvisible --name '^Orbel$' | head -1; }
# Ends the program started as $pid.
stop() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
# The screen as the server shows it, into $work/shot.png.
shot() { import -window root "$work/shot.png"; }
