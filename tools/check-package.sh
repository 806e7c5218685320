#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built program into a temporary prefix and checks what a desktop and Debian expect of it: the
# desktop entry, the AppStream data and the manual page pass their validators, the installed program started
# from an empty folder runs the demo game, and the Debian package has no lintian errors.
# Usage: tools/check-package.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
id=org.orbel.Orbel

cmake --build "$build" --target orbel orbel_documents
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/orbel share/orbel/demo/Data/SCRIPT.TXT share/applications/$id.desktop \
  share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg share/man/man6/orbel.6.gz; do
  [ -e "$prefix/$file" ] || { echo "check-package: $file was not installed" >&2; exit 1; }
done
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null
# groff names every macro or escape it does not understand on standard error.
warnings=$(zcat "$prefix/share/man/man6/orbel.6.gz" | groff -man -ww -z 2>&1)
[ -z "$warnings" ] || { echo "check-package: manual page: $warnings" >&2; exit 1; }
# Every option the program offers is in the manual page.
for option in $("$prefix/bin/orbel" --help 2>/dev/null | grep -o -- '--[a-z-]*' | sort -u); do
  zcat "$prefix/share/man/man6/orbel.6.gz" | grep -q -- "${option//-/\\\\-}" ||
    { echo "check-package: the manual page does not list $option" >&2; exit 1; }
done

# The installed program, started from an empty folder, runs the installed demo game.
mkdir "$work/empty"
trace=$(cd "$work/empty" && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$work/config" \
  "$prefix/bin/orbel" --batch --trace --quit-after 1500 || true)
demo_start=$(head -c 300 "$prefix/share/orbel/demo/Data/SCRIPT.TXT" | head -n 3 | tr -d '\r' |
  awk '{ print NR - 1 ":" $0 }')
[ "$(head -n 3 <<<"$trace")" = "$demo_start" ] ||
  { echo "check-package: the installed program did not run the demo: $trace" >&2; exit 1; }

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/orbel_*.deb | head -n 1)
dpkg-deb -c "$deb" >"$work/contents"
grep -q ' \./usr/bin/orbel$' "$work/contents" || { echo "check-package: no /usr/bin/orbel in $deb" >&2; exit 1; }
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || {
  cat "$work/lintian" >&2
  echo "check-package: lintian found errors in $deb" >&2
  exit 1
}
echo "check-package: $deb and the install tree pass"
