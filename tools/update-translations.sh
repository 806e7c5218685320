#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Brings the catalogues of the program's own texts up to date with the texts the sources mark (platform/texts.h):
# resources/translations/orbel_ja.ts holds every text with its Japanese, orbel_en.ts only the texts whose English
# depends on a count. New texts come in unfinished in orbel_ja.ts; translate them (Qt Linguist, or by hand) and
# run this again. The build turns both into the catalogues built into the program.
#   tools/update-translations.sh          update the two files
#   tools/update-translations.sh --check  change nothing; fail when they are out of date with the sources or a
#                                         Japanese text is missing
# LUPDATE names the tool when it is not where Debian's qt6-l10n-tools puts it.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
[ -x "$lupdate" ] || lupdate=$(command -v lupdate6 || command -v lupdate || true)
[ -n "$lupdate" ] || { echo "update-translations: no lupdate (apt-get install qt6-l10n-tools)" >&2; exit 1; }
check=0
[ "${1:-}" = "--check" ] && check=1

mapfile -t sources < <(find app game platform script media screen controls dialogs translation -type f \
  \( -name '*.cpp' -o -name '*.h' \) | sort)
# Tr() and ORBEL_TRANSLATE_NOOP() are the project's spellings of Qt's translate() and QT_TRANSLATE_NOOP().
options=(-silent -no-obsolete -locations none -tr-function-alias translate+=Tr,QT_TRANSLATE_NOOP+=ORBEL_TRANSLATE_NOOP)
folder=resources/translations
target=$folder
if [ "$check" = 1 ]; then
  target=$(mktemp -d)
  trap 'rm -rf "$target"' EXIT
  cp $folder/orbel_ja.ts $folder/orbel_en.ts "$target/"
fi
# lupdate's parser complains about class definitions it cannot place, which says nothing about the texts.
quiet() { "$@" 2> >(grep -v 'Ignoring definition of undeclared qualified class' >&2); }
quiet "$lupdate" "${options[@]}" "${sources[@]}" -ts "$target/orbel_ja.ts"
quiet "$lupdate" "${options[@]}" -pluralonly "${sources[@]}" -ts "$target/orbel_en.ts"
[ "$check" = 1 ] || exit 0

status=0
for catalogue in orbel_ja.ts orbel_en.ts; do
  if ! diff -u "$folder/$catalogue" "$target/$catalogue"; then
    echo "$folder/$catalogue is out of date with the sources: run tools/update-translations.sh" >&2
    status=1
  fi
done
if grep -n 'type="unfinished"' "$target/orbel_ja.ts" >&2; then
  echo "$folder/orbel_ja.ts: the texts above have no Japanese yet" >&2
  status=1
fi
exit "$status"
