#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layers include one way only: app → dialogs, controls → media, screen → platform, and script stands alone;
# app → translation → game → screen, script, platform (nothing else includes game or translation).
# Only media/ sees FFmpeg and SDL, only platform/ X11, only game/ libarchive, only translation/ libgettextpo,
# and the headers the other layers include from those four folders do not pass them on.
# Lists every include that breaks this as `file:line: folder → what it includes` and fails.
# Usage: tools/check-layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

folders=(app translation game dialogs controls media screen script platform)
# What each folder may include besides itself.
declare -A allowed=(
  [app]="translation game dialogs controls media screen script platform"
  [translation]="game script platform"
  [game]="screen script platform"
  [dialogs]="controls media screen platform"
  [controls]="media screen platform"
  [media]="platform"
  [screen]="platform"
  [platform]=""
  [script]=""
)
# The error root, the Shift-JIS byte classes, the script's encoding setting and the marking of the program's
# own texts are header-only and need nothing but the standard library, so the script may share them (checked
# below).
declare -A allowedFiles=(
  [script]="platform/errors.h platform/shift_jis.h platform/script_encoding.h platform/texts.h")

local_include='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"/]+)/[^"]*"'
system_include='^[[:space:]]*#[[:space:]]*include[[:space:]]*<((libav|libsw|SDL|X11/|archive|gettext-po)[^>]*)>'
# The one folder each system library belongs to.
owner_of() {
  case "$1" in X11/*) echo platform ;; archive*) echo game ;; gettext-po*) echo translation ;; *) echo media ;; esac
}

failed=0
offend() {  # offend <file> <line> <message>
  echo "$1:$2: $3"
  failed=1
}

# sources_of <folder>: the folder's C++ files, one a line.
sources_of() { find "$1" -type f \( -name '*.cpp' -o -name '*.h' \) | sort; }

for folder in "${folders[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r file; do
    line=0
    while IFS= read -r text || [ -n "$text" ]; do
      line=$((line + 1))
      if [[ $text =~ $local_include ]]; then
        target=${BASH_REMATCH[1]}
        included=${text#*\"}
        included=${included%%\"*}
        if [ "$target" != "$folder" ] && [[ " ${allowed[$folder]} " != *" $target "* ]] &&
          [[ " ${allowedFiles[$folder]:-} " != *" $included "* ]]; then
          offend "$file" "$line" "$folder → $target"
        fi
      elif [[ $text =~ $system_include ]] && [ "$folder" != "$(owner_of "${BASH_REMATCH[1]}")" ]; then
        offend "$file" "$line" "$folder → <${BASH_REMATCH[1]}>"
      fi
    done <"$file"
  done < <(sources_of "$folder")
done

# A header shared with the script includes nothing but the standard library, or the script would depend on
# more than it says.
for header in ${allowedFiles[script]}; do
  [ -f "$header" ] || continue
  line=0
  while IFS= read -r text || [ -n "$text" ]; do
    line=$((line + 1))
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include ]] &&
      ! [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<[a-z_]+\> ]]; then
      offend "$header" "$line" "a header the script shares includes more than the standard library"
    fi
  done <"$header"
done

# The media, platform, game and translation headers the other layers include, and the headers of those
# folders they include in turn.
declare -A seen=()
queue=()
for folder in "${folders[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r header; do
    if [ "${header%%/*}" != "$folder" ]; then queue+=("$header"); fi
  done < <(sources_of "$folder" |
    xargs -r grep -ho '^[[:space:]]*#[[:space:]]*include[[:space:]]*"\(platform\|media\|game\|translation\)/[^"]*\.h"' |
    sed 's/.*"\([a-z]*\/[^"]*\)"/\1/' | sort -u)
done
while [ "${#queue[@]}" -gt 0 ]; do
  header=${queue[0]}
  queue=("${queue[@]:1}")
  [ -f "$header" ] && [ -z "${seen[$header]:-}" ] || continue
  seen[$header]=1
  line=0
  while IFS= read -r text || [ -n "$text" ]; do
    line=$((line + 1))
    if [[ $text =~ $system_include ]]; then
      offend "$header" "$line" "${header%%/*} → <${BASH_REMATCH[1]}>, in a header the other layers include"
    elif [[ $text =~ $local_include ]] && [[ ${BASH_REMATCH[1]} =~ ^(platform|media|game|translation)$ ]]; then
      included=${text#*\"}
      queue+=("${included%%\"*}")
    fi
  done <"$header"
done

exit "$failed"
