#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the dependencies, builds everything and runs the whole test suite, checks the install tree and the
# Debian package, then runs the window and script tests
# again in a build with AddressSanitizer and UndefinedBehaviorSanitizer (ORBEL_SKIP_SANITIZE=1 leaves that out).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j2
# The install tree and the Debian package, through their validators and lintian.
tools/check-package.sh build

if [ "${ORBEL_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBEL_SANITIZE=ON -DORBEL_BENCH=OFF
  cmake --build build-asan --target script_tests app_tests
  # Leak reports are left out: the toolkit and the font library keep caches until exit on purpose.
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j2 -R '^(Interpreter|SplitScriptText|SplitCommaText|ParseNumber|Keywords|SameTextCaseBlind|StartUp|Shutdown|Keys|EndToEnd|DataFiles|ErrorBox)\.'
fi
