#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layer check fails on a copy of the tree where the screen includes the window, the controls include SDL,
# the platform includes FFmpeg, the media include X11, the controls include the game archives, the screen
# includes libarchive, the game includes gettext's catalogue library and the translations, and a header the
# script shares includes Qt, and names every one of those lines.
# Usage: tests/tools/check_layers_test.sh SOURCE_DIR
set -euo pipefail
source_dir="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for folder in app translation game dialogs controls media screen script platform; do
  cp -R "$source_dir/$folder" "$work/"
done
printf '#include "app/form_orbel.h"\n' >>"$work/screen/raster.cpp"
printf '#include <SDL.h>\n' >>"$work/controls/board.cpp"
printf '#include <libavcodec/avcodec.h>\n' >>"$work/platform/files.cpp"
printf '#include <X11/Xlib.h>\n' >>"$work/media/decoder.cpp"
printf '#include <QString>\n' >>"$work/platform/errors.h"
printf '#include "game/game_archive.h"\n' >>"$work/controls/movie.cpp"
printf '#include <archive.h>\n' >>"$work/screen/screen.cpp"
printf '#include <gettext-po.h>\n' >>"$work/game/data_files.cpp"
printf '#include "translation/catalogue.h"\n' >>"$work/game/save_file.cpp"
status=0
"$source_dir/tools/check-layers.sh" "$work" >"$work/out" || status=$?
cat "$work/out"
[ "$status" = 1 ] || { echo "FAIL: exit status $status, expected 1"; exit 1; }
for expected in "screen/raster.cpp:$(wc -l <"$work/screen/raster.cpp"): screen → app" \
  "controls/board.cpp:$(wc -l <"$work/controls/board.cpp"): controls → <SDL.h>" \
  "platform/files.cpp:$(wc -l <"$work/platform/files.cpp"): platform → <libavcodec/avcodec.h>" \
  "media/decoder.cpp:$(wc -l <"$work/media/decoder.cpp"): media → <X11/Xlib.h>" \
  "controls/movie.cpp:$(wc -l <"$work/controls/movie.cpp"): controls → game" \
  "screen/screen.cpp:$(wc -l <"$work/screen/screen.cpp"): screen → <archive.h>" \
  "game/data_files.cpp:$(wc -l <"$work/game/data_files.cpp"): game → <gettext-po.h>" \
  "game/save_file.cpp:$(wc -l <"$work/game/save_file.cpp"): game → translation" \
  "platform/errors.h:$(wc -l <"$work/platform/errors.h"): a header the script shares includes more than the standard library"; do
  grep -qxF "$expected" "$work/out" || { echo "FAIL: not listed: $expected"; exit 1; }
done
