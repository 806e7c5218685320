#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures how fast the demo game plays on the virtual clock, as a multiple of real time:

- `--batch --fast`: the game's pictures, board, movies and sound, computed and dropped;
- `--export-video` to H.264 (.mp4 and .mkv), VP9 (.webm) and lossless FFV1 (.mkv), at 60 pictures a second.

Each run plays GAME_SECONDS of the demo (it loops) and is timed as a whole process, best of RUNS.

Usage: bench/fast_and_export.py ORBEL [DEMO_DIR]
"""
import os
import subprocess
import sys
import tempfile
import time

GAME_SECONDS = 120
RUNS = 3


def best_wall_seconds(command):
    best = None
    for _ in range(RUNS):
        start = time.monotonic()
        result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        elapsed = time.monotonic() - start
        if result.returncode != 4:  # --quit-after ran out, as it should
            sys.exit(f"{' '.join(command)}: exit {result.returncode}\n{result.stderr.decode()}")
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    orbel = sys.argv[1]
    demo = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "demo")
    quit_after = ["--quit-after", str(GAME_SECONDS * 1000)]
    cases = [("--fast", ["--batch", "--fast"])]
    with tempfile.TemporaryDirectory() as folder:
        for name, extra in (("H.264 + AAC .mp4", []), ("H.264 + FLAC .mkv", []), ("VP9 + Opus .webm", []),
                            ("FFV1 + FLAC .mkv", ["--export-lossless"])):
            extension = name.split()[-1]
            cases.append((f"--export-video {name}",
                          ["--export-video", os.path.join(folder, "demo" + extension)] + extra))
        print(f"{GAME_SECONDS} s of the demo game, best of {RUNS} runs:")
        for name, extra in cases:
            seconds = best_wall_seconds([orbel] + extra + quit_after + [demo])
            print(f"  {name:32} {seconds:7.2f} s  {GAME_SECONDS / seconds:7.1f}x real time")


if __name__ == "__main__":
    main()
