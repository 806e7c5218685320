#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a player sees: the real window on an X server of its own, read back from the server's picture (not
# from the program's buffers) at set times while the script waits. Covers pictures brought in before a wait
# by every transition, the board at start and after a reveal, a playing movie, a test key pressed during a
# wait, a script that has ended, the window's placement, and the player's keys: Space to pause, Ctrl held to
# run on, and a save loaded.
set -euo pipefail
orbel="$1"
source_dir="$2"
source "$(dirname "$0")/xvfb.sh"
start_xvfb 200 259 1024x768 xdotool xwininfo import convert

game="$work/game"
mkdir -p "$game/Data"
convert -size 640x480 xc:'#ff0000' BMP3:"$game/Data/A.bmp"
convert -size 640x480 xc:'#00ff00' BMP3:"$game/Data/B.bmp"
convert -size 640x480 xc:'#0000ff' BMP3:"$game/Data/C.bmp"
cp "$source_dir/demo/Data/M05.AVI" "$game/Data/M.AVI"

pid=""
options=()
start() {  # start <script lines...>: runs the game with that script and $options; sets pid and the view's origin
  printf '%s\r\n' "$@" > "$game/Data/SCRIPT.TXT"
  "$orbel" --quit-after 30000 "${options[@]}" "$game" >/dev/null 2>&1 &
  pid=$!
  local id
  id=$(orbel_window)
  local info x y h
  info=$(xwininfo -id "$id")
  x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  window_x=$x; window_y=$y; window_h=$h
  view_x=$x; view_y=$((y + h - 480))
  t0=$(date +%s%N)
}
at() {  # at <ms>: sleeps until that long after the start
  local now wait_ms
  now=$(date +%s%N)
  wait_ms=$(($1 - (now - t0) / 1000000))
  [ "$wait_ms" -gt 0 ] && sleep "$(printf '%d.%03d' $((wait_ms / 1000)) $((wait_ms % 1000)))"
  return 0
}
pixel() {  # pixel <x> <y>: the colour at view position (x, y) in the last shot, as #RRGGBB
  convert "$work/shot.png" -format "%[hex:p{$((view_x + $1)),$((view_y + $2))}]" info: | cut -c1-6 |
    sed 's/^/#/'
}
expect() {  # expect <what> <colour> <x,y>...: each point of the last shot has that colour
  local what="$1" colour="$2" point got
  shift 2
  for point in "$@"; do
    got=$(pixel "${point%,*}" "${point#*,}")
    [ "$got" = "$colour" ] || fail "$what: ($point) is $got, expected $colour"
  done
}
corners=(0,0 639,0 0,479 639,479 320,240 100,400)

# A cut, then a wait: the picture is there during the wait, and so is the next one.
start 'board,off' 'disp,1,4,A.bmp' 'wait,time,2000' 'disp,1,4,B.bmp' 'wait,time,60000'
at 1200; shot; expect "cut before a wait" "#FF0000" "${corners[@]}"
at 3200; shot; expect "second cut before a long wait" "#00FF00" "${corners[@]}"
# The window came up centred on the screen.
[ $((window_x * 2 + 640)) -eq 1024 ] || fail "window is at x=$window_x, not centred"
[ $(((window_y * 2 + window_h - 768) / 2)) -le 1 ] && [ $(((768 - window_y * 2 - window_h) / 2)) -le 1 ] ||
  fail "window is at y=$window_y (height $window_h), not centred"
stop

# Every transition's last frame reaches the screen while the next line waits.
start 'board,off' 'disp,1,1,A.bmp' 'wait,time,1500' 'disp,1,2,B.bmp' 'wait,time,1500' 'disp,1,3,C.bmp' \
  'wait,time,60000'
at 2300; shot; expect "after the box" "#FF0000" "${corners[@]}"
at 4200; shot; expect "after the dissolve" "#00FF00" "${corners[@]}"
at 9900; shot; expect "after the slide" "#0000FF" "${corners[@]}"
stop

# The board at start shows its stored lines over the panel; after a reveal, the white block.
start 'disp,1,4,A.bmp' 'board,on' 'wait,time,1500' 'board,set,x' 'wait,time,60000'
at 1000; shot
expect "board panel at start" "#F7FFEF" 300,430 540,400
# The first stored line's ink: some pixel in its first cell is not the panel's.
ink=0
for x in 47 49 51 53 55; do
  for y in 385 387 389 391; do [ "$(pixel $x $y)" = "#000000" ] && ink=1; done
done
[ "$ink" = 1 ] || fail "the board's stored lines are not on the screen at start"
at 2600; shot
expect "board after a reveal" "#FFFFFF" 300,400 540,425
expect "picture around the board" "#FF0000" 20,400 620,470
stop

# A playing movie: its area changes on the screen while the script waits for it.
start 'board,off' 'disp,1,4,A.bmp' 'avi,play,M.AVI' 'avi,wait' 'wait,time,60000'
at 1000; shot; cp "$work/shot.png" "$work/movie1.png"
at 1600; shot
region="320x180+$((view_x + 40))+$((view_y + 40))"
if [ "$(convert "$work/movie1.png" -crop "$region" +repage -format '%#' info:)" = \
  "$(convert "$work/shot.png" -crop "$region" +repage -format '%#' info:)" ]; then
  fail "the movie's picture did not change on the screen"
fi
[ "$(pixel 100 100)" != "#FF0000" ] || fail "no movie picture over the background"
stop

# A test key during a wait: the wallpaper dissolves in while the script waits.
start 'board,off' 'disp,1,4,A.bmp' 'wait,time,60000'
at 800
xdotool key --window "$(orbel_window)" 0 2>/dev/null
at 2000; shot
[ "$(pixel 320 240)" != "#FF0000" ] || fail "the test key's picture did not reach the screen during a wait"
stop

# A script that has ended: its last picture stays.
start 'board,off' 'disp,1,2,C.bmp'
at 1500; shot; expect "after the script ended" "#0000FF" "${corners[@]}"
stop

# Space pauses the game where it is: the wait stands still until Space comes again.
start 'board,off' 'disp,1,4,A.bmp' 'wait,time,1500' 'disp,1,4,B.bmp' 'wait,time,60000'
at 700; xdotool key --window "$(orbel_window)" space
at 2800; shot; expect "paused in a wait" "#FF0000" "${corners[@]}"
xdotool key --window "$(orbel_window)" space
at 4800; shot; expect "resumed after the pause" "#00FF00" "${corners[@]}"
stop

# Ctrl held runs a long wait through in a moment of the wall clock. At full pace the second held brings about
# 20 seconds of game time, well within --quit-after; a loaded machine's slower frames still bring the 5.
start 'board,off' 'disp,1,4,A.bmp' 'wait,time,5000' 'disp,1,4,B.bmp' 'wait,time,600000'
at 700; xdotool keydown --window "$(orbel_window)" Control_L
at 1700; xdotool keyup --window "$(orbel_window)" Control_L
at 2500; shot; expect "after running on" "#00FF00" "${corners[@]}"
stop

# A save loaded: the window shows the saved picture from the start, the dissolve after the first wait done.
lines=('board,off' 'disp,1,4,A.bmp' 'wait,time,2000' 'disp,1,2,C.bmp' 'wait,time,600000')
printf '%s\r\n' "${lines[@]}" > "$game/Data/SCRIPT.TXT"
"$orbel" --batch --fast --quit-after 5000 --save-on-exit "$work/save.json" "$game" >/dev/null 2>&1 || true
[ -s "$work/save.json" ] || fail "no save written"
options=(--load "$work/save.json")
start "${lines[@]}"
at 1000; shot; expect "a loaded save" "#0000FF" "${corners[@]}"
stop
options=()

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
