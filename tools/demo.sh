#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the dependencies, builds Orbel and runs it on the bundled demo game. With a display the window
# opens; without one the demo runs unseen for a few seconds and its last screen is saved to a file.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# build/ is also tools/test.sh's folder: its options stay as they are (only the program is built here), so a
# later test run or ctest by hand still finds its tests.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target orbel
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/orbel demo
fi
shot="$PWD/demo-screen.bmp"
status=0
QT_QPA_PLATFORM=offscreen build/orbel --batch --quit-after 12000 --grab "$shot" demo || status=$?
echo "No display: the demo ran offscreen for 12 seconds (exit status $status); its last screen is in $shot"
