#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the dependencies, builds everything and runs the whole test suite; then every test program again
# with AddressSanitizer and UndefinedBehaviorSanitizer (leaks included), the media and window tests with
# ThreadSanitizer, and each fuzz target briefly on its seed corpus. ORBEL_SKIP_SANITIZE=1 leaves out all
# three instrumented builds. The install tree and the Debian package are checked after the
# plain build, and the program is built once as a Release build.
# Every configuration names each option it depends on, since a folder may hold a cache that another script or
# a developer configured differently (tools/demo.sh shares build/), and every ctest run fails when it finds no
# tests rather than passing on an empty suite. Warnings are errors in every build made here.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBEL_TESTS=ON -DORBEL_BENCH=ON \
  -DORBEL_WERROR=ON -DORBEL_SANITIZE=OFF -DORBEL_FUZZ=OFF
cmake --build build
ctest --test-dir build --output-on-failure --no-tests=error -j2
# The install tree and the Debian package, through their validators and lintian.
tools/check-package.sh build

# Release optimises harder (-O3) and so lets the compiler warn where the build above does not. Only the program
# is built: the tests ran above, and a second full build would cost CI minutes for little.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORBEL_WERROR=ON -DORBEL_SANITIZE=OFF \
  -DORBEL_FUZZ=OFF
cmake --build build-release --target orbel

if [ "${ORBEL_SKIP_SANITIZE:-0}" != 1 ]; then
  # Any report stops the program; leaks count, except the libraries' own caches that tools/lsan.supp names
  # (built into every sanitizer program).
  export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBEL_SANITIZE=address -DORBEL_TESTS=ON \
    -DORBEL_BENCH=OFF -DORBEL_WERROR=ON -DORBEL_FUZZ=OFF
  cmake --build build-asan
  # The display scripts labelled realtime check what the screen shows at set times; an unoptimised
  # instrumented build is too slow for their clock, and the plain build ran them above.
  ctest --test-dir build-asan --output-on-failure --no-tests=error -j2 -LE realtime

  # The threads: the media devices' decoders (media/, media_tests) and the controls and window driving them.
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBEL_SANITIZE=thread -DORBEL_TESTS=ON \
    -DORBEL_BENCH=OFF -DORBEL_WERROR=ON -DORBEL_FUZZ=OFF
  cmake --build build-tsan --target orbel platform_tests media_tests controls_tests app_tests
  for program in platform_tests media_tests controls_tests app_tests; do
    output=$(cd build-tsan/tests && "./$program" --gtest_brief=1) || { echo "$output"; exit 1; }
    echo "$output"
    # A program that ran no test at all would pass without a word.
    grep -Eq '^\[  PASSED  \] [1-9][0-9]* tests?\.' <<<"$output" || { echo "$program: ran no test" >&2; exit 1; }
  done

  # A target that no longer builds, or crashes at once on its seeds, fails here; tools/fuzz.sh runs long.
  # It configures build-fuzz (with warnings as errors, asked for here); the logs go there from the start.
  mkdir -p build-fuzz
  for target in fuzz_script fuzz_bitmap fuzz_media fuzz_text fuzz_archive fuzz_save fuzz_catalogue; do
    if ! ORBEL_WERROR=ON tools/fuzz.sh "$target" 30 > "build-fuzz/$target.log" 2>&1; then
      tail -n 60 "build-fuzz/$target.log"
      echo "$target: failed" >&2
      exit 1
    fi
    runs=$(grep -E '^#[0-9]+[[:space:]]+DONE' "build-fuzz/$target.log" | tail -n 1)
    [ -n "$runs" ] || { echo "$target: reported no runs" >&2; exit 1; }
    echo "$target: $runs"
  done
fi
