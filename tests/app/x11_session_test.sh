#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real window on an X server of its own: the window-size menu switches the screen and back, the menu bar
# comes at the top edge in full screen, and neither Exit, SIGTERM nor a crash leaves the screen switched.
set -euo pipefail
orbel="$1"
source "$(dirname "$0")/xvfb.sh"
start_xvfb 140 199 1024x768 xdotool
game="$work"

wait_size() {  # wait_size <WxH>: true once the screen has that size (3 s at most)
  for _ in $(seq 30); do [ "$(screen_size)" = "$1" ] && return 0; sleep 0.1; done
  return 1
}
expect_size() {
  wait_size "$1" || { echo "FAIL: screen is $(screen_size), expected $1 ($2)"; exit 1; }
}
menu_item() {  # menu_item <downs>: Settings > Window size > item
  local w; w=$(orbel_window)
  xdotool windowfocus --sync "$w"
  xdotool key alt+o; sleep 0.5; xdotool key w; sleep 0.5
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return; sleep 0.5
}
choose() {  # choose <downs> <WxH> <what>: pick the item until the screen has the size (a busy machine may
            # swallow a key while a menu is still opening)
  for _ in 1 2 3; do
    show_bar
    menu_item "$1"
    wait_size "$2" && return 0
    xdotool key Escape Escape; sleep 0.5
  done
  echo "FAIL: screen is $(screen_size), expected $2 ($3)"; exit 1
}
show_bar() {  # the pointer comes from below to the top edge
  xdotool mousemove 300 300; sleep 0.2; xdotool mousemove 300 5; sleep 0.4
}
client_height() {  # the view's height: the window's height less the menu bar's
  xwininfo -id "$(orbel_window)" | awk '/Height:/ {print $2}'
}

mkdir -p "$game/Data"
printf 'board,off\r\nwait,time,60000\r\n' > "$game/Data/SCRIPT.TXT"
"$orbel" --quit-after 60000 "$game" >/dev/null 2>>"$game/stderr.txt" &
orbel_pid=$!
orbel_window >/dev/null
expect_size 1024x768 "at start"

choose 0 640x480 "640x480 (Full)"
# In full screen the bar is away until the pointer reaches the top edge.
xdotool mousemove 300 300; sleep 0.3
[ "$(client_height)" = 480 ] || { echo "FAIL: full-screen window is $(client_height) high"; exit 1; }
choose 1 1024x768 "back to 640x480 (Window)"
height=$(client_height)
choose 2 800x600 "800x600 (Full)"
choose 3 1024x768 "800x600 (Window)"
[ "$(client_height)" = "$height" ] || { echo "FAIL: window modes differ in height"; exit 1; }

# Exit restores the screen.
choose 0 640x480 "full screen before Exit"
for _ in 1 2 3; do
  show_bar
  xdotool windowfocus --sync "$(orbel_window)"; xdotool key alt+x; sleep 1
  kill -0 $orbel_pid 2>/dev/null || break
done
kill -0 $orbel_pid 2>/dev/null && { echo "FAIL: Exit did not end the program"; exit 1; }
wait $orbel_pid || true
expect_size 1024x768 "after Exit"

# So does SIGTERM.
"$orbel" --quit-after 60000 "$game" >/dev/null 2>>"$game/stderr.txt" &
orbel_pid=$!
orbel_window >/dev/null
choose 2 800x600 "800x600 (Full) before SIGTERM"
kill -TERM $orbel_pid
wait $orbel_pid || true
expect_size 1024x768 "after SIGTERM"
# In a sanitizer build a report (a leak at exit included) is a failure too.
if grep -qE 'Sanitizer|runtime error' "$game/stderr.txt"; then
  cat "$game/stderr.txt"
  echo "FAIL: sanitizer report"
  exit 1
fi

# A crash puts the screen back too, and still ends the program as the crash would have (without a core file).
(ulimit -c 0; exec "$orbel" --quit-after 60000 "$game" >/dev/null 2>>"$game/crash-stderr.txt") &
orbel_pid=$!
orbel_window >/dev/null
choose 0 640x480 "640x480 (Full) before SIGSEGV"
kill -SEGV $orbel_pid
status=0
wait $orbel_pid || status=$?
[ "$status" = 139 ] || { echo "FAIL: a crash ended with status $status, not by SIGSEGV"; exit 1; }
expect_size 1024x768 "after SIGSEGV"
echo "PASS"
