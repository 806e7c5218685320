#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Today's displays, read from the X server's own picture on a 1920x1080 screen: the zoomed window is
# block-exact, the full screen without a mode switch fits as asked with black around, F11 and Alt+Enter go
# both ways, the menu's full-screen items switch the resolution or (with --no-mode-switch) enlarge the
# picture, a 2x device pixel ratio doubles the picture sharply, and the grab stays 640x480.
set -euo pipefail
orbel="$1"
source "$(dirname "$0")/xvfb.sh"
start_xvfb 260 319 1920x1080 xdotool xwininfo import convert compare

# A picture whose every pixel differs from its neighbours: a wrong block size or offset shows at once.
game="$work/game"
mkdir -p "$game/Data"
convert -size 640x480 pattern:checkerboard -fill '#ff0000' -draw 'rectangle 0,0 9,9' \
  -fill '#00ff00' -draw 'point 11,0' -fill '#0000ff' -draw 'point 0,11' -type TrueColor BMP3:"$game/Data/P.bmp"
convert "$game/Data/P.bmp" -crop 64x48+0+0 +repage "$work/corner.png"
printf '%s\r\n' 'board,off' 'disp,1,4,P.bmp' 'wait,time,60000' > "$game/Data/SCRIPT.TXT"

pid=""
window=""
start() {  # start <options...>
  "$orbel" --quit-after 30000 "$@" "$game" >/dev/null 2>&1 &
  pid=$!
  window=$(orbel_window)
  sleep 1.2
}
geometry() { xwininfo -id "$window" | awk '/-geometry/ {print $2}'; }
hex() { convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
blocks() {  # blocks <what> <factor> <x> <y>: the screen at (x, y) shows the picture's corner in factor-size blocks
  convert "$work/shot.png" -crop "$((64 * $2))x$((48 * $2))+$3+$4" +repage "$work/seen.png"
  convert "$work/corner.png" -sample "$((100 * $2))%" "$work/want.png"
  local differ
  differ=$(compare -metric AE "$work/seen.png" "$work/want.png" null: 2>&1 || true)
  [ "$differ" = 0 ] || fail "$1: $differ pixels differ from ${2}x${2} blocks at ($3,$4)"
}
key() { xdotool key --window "$window" "$1" 2>/dev/null; sleep 1; }
menu_item() {  # menu_item <downs>: Settings > Window size > item
  xdotool mousemove 900 5; sleep 0.5
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key alt+o; sleep 0.5; xdotool key w; sleep 0.5
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return; sleep 1.2
  xdotool mousemove 900 500; sleep 0.5
}

# Zoomed windows: 640N x 480N under the menu bar, every picture pixel an N x N block. A zoom of 3 is 1440
# pixels high, more than this screen has: the window takes the largest zoom that fits, and says so.
for n in 2 3; do
  start --scale "$n"
  read -r w h x y < <(xwininfo -id "$window" |
    awk '/Width:/ {w=$2} /Height:/ {h=$2} /Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print w, h, x, y}')
  [ "$w" = 1280 ] || fail "--scale $n: window is $w wide"
  shot
  blocks "--scale $n" 2 "$x" $((y + h - 960))
  stop
done
"$orbel" --quit-after 500 --scale 3 "$game" 2>"$work/zoom.err" >/dev/null || true
grep -q 'zoomed 2x' "$work/zoom.err" || fail "--scale 3 on 1920x1080 gives no note: $(cat "$work/zoom.err")"

# Full screen at the desktop's resolution, no mode switch.
start --fullscreen
[ "$(geometry)" = 1920x1080+0+0 ] || fail "--fullscreen: window is $(geometry)"
[ "$(screen_size)" = 1920x1080 ] || fail "--fullscreen switched the screen to $(screen_size)"
shot
blocks "--fit integer" 2 320 60
[ "$(hex 319 500)$(hex 1600 500)$(hex 960 59)$(hex 960 1020)" = 000000000000000000000000 ] ||
  fail "--fit integer: no black border around the picture"
# F11 back to the window and into full screen again; Alt+Enter likewise.
key F11
[ "$(geometry)" != 1920x1080+0+0 ] || fail "F11 did not leave the full screen"
key F11
[ "$(geometry)" = 1920x1080+0+0 ] || fail "F11 did not enter the full screen"
key alt+Return
[ "$(geometry)" != 1920x1080+0+0 ] || fail "Alt+Enter did not leave the full screen"
stop

start --fullscreen --fit aspect
shot
# 1440x1080 in the middle: black left of it, the picture's red corner at its left edge.
[ "$(hex 239 500)" = 000000 ] && [ "$(hex 240 5)" = FF0000 ] && [ "$(hex 1679 1075)" != 000000 ] &&
  [ "$(hex 1680 500)" = 000000 ] || fail "--fit aspect: the picture is not the 1440x1080 area in the middle"
stop

start --fullscreen --fit stretch
shot
[ "$(hex 0 0)" = FF0000 ] && [ "$(hex 1919 1079)" != 000000 ] || fail "--fit stretch: the picture does not fill the screen"
stop

# The menu's full-screen item: with --no-mode-switch the enlarged picture, without it a real 640x480 screen.
start --no-mode-switch
menu_item 0
[ "$(screen_size)" = 1920x1080 ] || fail "--no-mode-switch: the screen was switched to $(screen_size)"
[ "$(geometry)" = 1920x1080+0+0 ] || fail "--no-mode-switch: full-screen item gave $(geometry)"
menu_item 1
[ "$(geometry)" != 1920x1080+0+0 ] || fail "--no-mode-switch: the window item did not come back"
stop
start
menu_item 0
[ "$(screen_size)" = 640x480 ] || fail "the full-screen item did not switch the screen (it is $(screen_size))"
menu_item 1
[ "$(screen_size)" = 1920x1080 ] || fail "the window item did not restore the screen (it is $(screen_size))"
stop

# A display with twice the pixels: the picture doubled, sharp.
QT_SCALE_FACTOR=2 start
read -r h x y < <(xwininfo -id "$window" |
  awk '/Height:/ {h=$2} /Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print h, x, y}')
shot
blocks "device pixel ratio 2" 2 "$x" $((y + h - 960))
stop

# Whatever the scale, the grab is the 640x480 picture.
"$orbel" --quit-after 1500 --scale 3 --grab "$work/grab.bmp" "$game" >/dev/null 2>&1 || true
[ "$(convert "$work/grab.bmp" -format '%wx%h' info:)" = 640x480 ] || fail "the grab is not 640x480"
differ=$(compare -metric AE "$work/grab.bmp" "$game/Data/P.bmp" null: 2>&1 || true)
[ "$differ" = 0 ] || fail "the grab differs from the picture in $differ pixels"

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
