#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the display tests: an X server of the test's own and a work folder, both gone when the test ends.
# start_xvfb FIRST LAST SIZE [TOOLS...]: skips (exit 77) when a tool is missing or no display number from FIRST
# to LAST is free; else sets DISPLAY, XDG_CONFIG_HOME, work and failures, and has the program use the X server
# and no sound device. A number counts as this test's only once its own server names it (-displayfd) when it
# accepts connections: another test that chose the same number at the same moment (another build folder's
# ctest, another checkout) gets a server that fails on the lock and tries the next number, rather than both
# talking to one server.
start_xvfb() {
  local first="$1" last="$2" size="$3" tool n ready
  shift 3
  for tool in Xvfb xdpyinfo "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  work=$(mktemp -d)
  xvfb=""
  trap 'kill $xvfb 2>/dev/null || true; pkill -P $$ orbel 2>/dev/null || true; rm -rf "$work"' EXIT
  display=""
  for n in $(seq "$first" "$last"); do
    [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ] || continue
    Xvfb ":$n" -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    # A loaded machine may take a while to start it.
    for _ in $(seq 300); do
      read -r ready <"$work/display" 2>/dev/null && [ "$ready" = "$n" ] && { display=":$n"; break; }
      kill -0 $xvfb 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$display" ] && break
    kill $xvfb 2>/dev/null || true
    wait $xvfb 2>/dev/null || true
  done
  [ -n "$display" ] || { echo "skipped: no free display number"; cat "$work/xvfb.log"; exit 77; }
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
