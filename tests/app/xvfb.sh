#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the display tests: an X server of the test's own and a work folder, both gone when the test ends.
# start_xvfb SIZE [TOOLS...]: skips (exit 77) when a tool is missing; else starts the server on a display number
# it picks itself, and sets DISPLAY, XDG_CONFIG_HOME, work and failures, and has the program use the X server
# and no sound device. The server takes the first display whose socket it can bind and names it once it
# accepts connections, so tests started at the same moment (other build folders, other checkouts) never share
# a server, as they could when the script chose a number whose lock file did not exist yet.
start_xvfb() {
  local size="$1" tool n
  shift
  for tool in Xvfb xdpyinfo "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  work=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true; pkill -P $$ orbel 2>/dev/null || true; rm -rf "$work"' EXIT
  # A loaded machine may take a while to start it.
  display=""
  for _ in $(seq 300); do
    read -r n <"$work/display" 2>/dev/null && [ -n "$n" ] && { display=":$n"; break; }
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
  export DISPLAY="$display" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
  # The program remembers the games it played; not in the tester's own settings.
  export XDG_CONFIG_HOME="$work/config"
  xdpyinfo >/dev/null || { echo "FAIL: the X server on $display does not answer"; exit 1; }
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
