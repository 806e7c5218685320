#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak run: the demo game loops (it jumps back to its start) in the AddressSanitizer build for SECONDS
# (default 600), its resident memory sampled every 10 seconds. tools/soak.sh [SECONDS]
# Under AddressSanitizer the first minutes grow while freed memory fills the quarantine (256 MB by default);
# after that the samples must stay flat. Any sanitizer report, a leak at exit included, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=${ORBEL_ASAN_BUILD:-build-asan}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBEL_SANITIZE=address -DORBEL_BENCH=OFF
fi
cmake --build "$build" --target orbel
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
log=$build/soak.log
"$build/orbel" --batch --quit-after $((seconds * 1000)) demo > "$log" 2>&1 &
pid=$!
start=$SECONDS
while kill -0 "$pid" 2> /dev/null; do
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2> /dev/null || true)
  [ -n "$rss" ] && echo "$((SECONDS - start)) s: $((rss / 1024)) MB resident"
  sleep 10
done
status=0
wait "$pid" || status=$?
# --quit-after ends the program with status 4; anything else, or any report, is a failure.
if [ "$status" != 4 ] || grep -qE 'Sanitizer|runtime error' "$log"; then
  echo "soak failed: exit status $status; see $log" >&2
  exit 1
fi
echo "soak passed: $seconds s, exit status $status"
