#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A load in a player's window, as the X server shows it: F5 keeps where the game is, F9 goes back there in the
# same process and window, and no screenshot taken while the load replays the game shows anything of the
# replay (the red scene under the board it starts with): only the picture the window had (blue, then dimmed
# under the load's sign) until the saved instant's (green).
set -euo pipefail
orbel="$1"
source "$(dirname "$0")/xvfb.sh"
start_xvfb 260 319 1024x768 xdotool xwininfo import convert
export XDG_DATA_HOME="$work/data"

game="$work/game"
mkdir -p "$game/Data"
convert -size 640x480 xc:'#ff0000' BMP3:"$game/Data/A.bmp"
convert -size 640x480 xc:'#00ff00' BMP3:"$game/Data/B.bmp"
convert -size 640x480 xc:'#0000ff' BMP3:"$game/Data/C.bmp"
# Nine seconds again and again, for over ten hours: red under the board, green, blue. The rounds are written
# out one after another, since a run on the virtual clock ends a game that jumps back to where it has been.
round=$(printf '%s\r\n' 'disp,1,4,A.bmp' 'board,set,red' 'board,on' 'wait,time,1000' 'board,off' \
  'disp,1,4,B.bmp' 'wait,time,3000' 'disp,1,4,C.bmp' 'wait,time,5000')
for _ in $(seq 4100); do printf '%s\n' "$round"; done >"$game/Data/SCRIPT.TXT"

pid=""
start() {  # start [options...]: a player's run (no option that makes it a tool's); sets pid, window and the view
  "$orbel" "$@" "$game" >"$work/orbel.log" 2>&1 &
  pid=$!
  window=$(orbel_window)
  local info
  info=$(xwininfo -id "$window")
  x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  local y h
  y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  view_y=$((y + h - 480))
}
# The colour class of view point (px, py) in the last shot: red, green, blue, dark (black, or a colour dimmed
# under the load's sign), light (the board), or other.
colour() {
  local hex r g b
  hex=$(convert "$work/shot.png" -format "%[hex:p{$((x + $1)),$((view_y + $2))}]" info: | cut -c1-6)
  r=$((16#${hex:0:2})) g=$((16#${hex:2:2})) b=$((16#${hex:4:2}))
  if [ "$r" -gt 200 ] && [ "$g" -lt 50 ]; then echo red
  elif [ "$g" -gt 200 ] && [ "$r" -lt 50 ]; then echo green
  elif [ "$b" -gt 200 ] && [ "$r" -lt 50 ]; then echo blue
  elif [ "$r" -lt 30 ] && [ "$g" -lt 120 ] && [ "$b" -lt 120 ]; then echo dark
  elif [ "$r" -gt 200 ] && [ "$g" -gt 200 ] && [ "$b" -gt 200 ]; then echo light
  else echo "other:$hex"; fi
}
# Shoots until view point (10, 10) shows `until`, at most a minute; every shot before must show one of the
# colours `allowed` ("blue dark") at the corners and where the board lies. Counts the shots in `during`.
watch() {
  local until="$1" allowed="$2" point got
  during=0
  for _ in $(seq 600); do
    shot
    [ "$(colour 10 10)" = "$until" ] && return 0
    during=$((during + 1))
    for point in 10,10 630,470 300,400 100,420; do
      got=$(colour "${point%,*}" "${point#*,}")
      [[ " $allowed " == *" $got "* ]] || fail "shot $during shows $got at $point, not one of: $allowed"
    done
    sleep 0.05
  done
  fail "the window never showed $until"
}
same_program() {  # the game goes on in the program and window it started in, and in no other
  kill -0 "$pid" 2>/dev/null || fail "the program ended"
  [ "$(orbel_window)" = "$window" ] || fail "the game is in another window"
  [ "$(xdotool getwindowpid "$window")" = "$pid" ] || fail "the window belongs to another process"
  [ "$(pgrep -fc -- "$game" || true)" = 1 ] || fail "another process plays the game"
}

# F5 in the green scene, F9 in the blue one: green again, in the same program and window, and nothing red.
start
watch green "red dark light"
xdotool key --window "$window" F5
watch blue "green"
[ -s "$(ls "$XDG_DATA_HOME"/orbel/saves/*/quick.json)" ] || fail "F5 wrote no quick save"
xdotool key --window "$window" F9
watch green "blue dark"
same_program
stop

# A save two hours deep, in the blue scene: from the window's first picture on, the load shows it black
# (under the sign once it lasts) until the blue of the saved instant, never a scene it replays.
"$orbel" --batch --fast --quit-after 7206500 --save-on-exit "$work/deep.json" "$game" >/dev/null 2>&1 || true
[ -s "$work/deep.json" ] || fail "no deep save written"
start --load "$work/deep.json"
watch blue "dark"
echo "shots during the load: $during"
[ "$(colour 300 400)" = blue ] || fail "the board of a replayed scene is on the saved picture"
same_program
grep -v -e XDG_RUNTIME_DIR -e XGetInputFocus "$work/orbel.log" || true
stop

# Escape while a save ten hours deep loads at start-up gives the load up: the game starts from its beginning
# (red under the board), and the saved instant never shows.
"$orbel" --batch --fast --quit-after 36006500 --save-on-exit "$work/deeper.json" "$game" >/dev/null 2>&1 || true
start --load "$work/deeper.json"
watch dark "dark"
xdotool key --window "$window" Escape
watch red "dark"
[ "$(colour 300 400)" = light ] || fail "the board of the game's start is not shown"
same_program
stop

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
