#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file names its licence in its header comment; lists the files that do not and fails.
# Usage: tools/check-spdx.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
missing=0
while IFS= read -r -d '' file; do
  if ! head -n 5 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later'; then
    echo "$file: no 'SPDX-License-Identifier: GPL-3.0-or-later' line in its first five lines"
    missing=1
  fi
done < <(find . \( -path './build*' -o -path './.git' \) -prune -o -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.py' -o -name 'CMakeLists.txt' -o -name '*.cmake' \
  -o -name '*.6' \) -print0 | sort -z)
exit "$missing"
