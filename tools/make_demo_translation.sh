#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Brings the demo's English catalogue, demo/Translations/en.po, up to date with demo/Data/SCRIPT.TXT the way a
# translator does: the program extracts the board texts into a template, and gettext's msgmerge merges the
# template into the catalogue, keeping every translation whose text is unchanged (a new text comes in
# untranslated, a changed one fuzzy, one no longer in the script obsolete). The translations themselves are
# written by hand (in Poedit or an editor); then the program checks the catalogue against the board.
# Run after tools/make_demo_script.sh. Usage: tools/make_demo_translation.sh [PROGRAM]   (default build/orbel)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/orbel}
template=$(mktemp --suffix=.pot)
trap 'rm -f "$template"' EXIT
"$program" --extract-text "$template" demo
mkdir -p demo/Translations
if [ -f demo/Translations/en.po ]; then
  msgmerge --quiet --update --backup=none demo/Translations/en.po "$template"
else
  # A new catalogue is the template with its language set (gettext's msginit would fill an English one with
  # the originals).
  sed -e 's/^"Language: \\n"$/"Language: en\\n"/' "$template" >demo/Translations/en.po
fi
"$program" --check --language en demo
