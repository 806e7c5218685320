#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes demo/Data/SCRIPT.TXT from tools/demo_script.txt: UTF-8 to Shift-JIS (code page 932), CR LF line ends.
set -euo pipefail
cd "$(dirname "$0")/.."
iconv -f UTF-8 -t CP932 tools/demo_script.txt | sed 's/$/\r/' > demo/Data/SCRIPT.TXT
