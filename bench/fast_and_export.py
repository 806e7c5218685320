#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures how fast the demo game plays on the virtual clock, as a multiple of real time:

- `--batch --fast`: the game's pictures, board, movies and sound, computed and dropped;
- `--export-video` to H.264 (.mp4 and .mkv), VP9 (.webm) and lossless FFV1 (.mkv), at 60 pictures a second.

Each run plays GAME_SECONDS of the demo (it loops) and is timed as a whole process, best of RUNS.

Usage: bench/fast_and_export.py ORBEL [DEMO_DIR]
"""
import os
import tempfile

from process_timing import best_seconds, program_and_demo

GAME_SECONDS = 120
RUNS = 3


def main():
    orbel, demo = program_and_demo(__doc__)
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
            # Every run ends by --quit-after running out (status 4), as it should.
            seconds = best_seconds([orbel] + extra + quit_after + [demo], RUNS, accepted=(4,))
            print(f"  {name:32} {seconds:7.2f} s  {GAME_SECONDS / seconds:7.1f}x real time")


if __name__ == "__main__":
    main()
