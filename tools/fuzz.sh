#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one libFuzzer target for a while: tools/fuzz.sh TARGET SECONDS [extra libFuzzer options...]
# TARGET is fuzz_script, fuzz_bitmap, fuzz_media, fuzz_text, fuzz_archive, fuzz_save or fuzz_catalogue. Builds
# the fuzz configuration in build-fuzz (clang-15) when needed; ORBEL_WERROR=ON in the environment makes its
# warnings errors. New inputs go to build-fuzz/corpus/TARGET, seeded from fuzz/corpus/TARGET, so the committed
# seeds stay small; a crash leaves its input in build-fuzz/findings/ and a non-zero exit status.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer options...]" >&2
  exit 1
fi
target=$1 seconds=$2
shift 2
case "$target" in
  fuzz_script | fuzz_bitmap | fuzz_media | fuzz_text | fuzz_archive | fuzz_save | fuzz_catalogue) ;;
  *)
    echo "$0: unknown target '$target'" >&2
    exit 1
    ;;
esac
build=${ORBEL_FUZZ_BUILD:-build-fuzz}
# Configured on every run (quick when nothing changed), so that ORBEL_WERROR=ON in the environment, as
# tools/test.sh sets it, reaches a folder configured earlier without it. CXX counts the first time only.
CXX=clang++-15 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBEL_FUZZ=ON \
  -DORBEL_WERROR="${ORBEL_WERROR:-OFF}"
cmake --build "$build" --target "$target"

corpus=$build/corpus/$target
mkdir -p "$corpus" "$build/findings"
options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/findings/$target-"
  -print_final_stats=1)
[ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
# Leaks are real findings: only the libraries' own process-lifetime caches in tools/lsan.supp are allowed.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
symbolizer=$(command -v llvm-symbolizer-15 || command -v llvm-symbolizer || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$symbolizer}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
exec "$build/$target" "${options[@]}" "$@" "$corpus" "fuzz/corpus/$target"
