#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures how long loading a save at the end of a two-hour script takes: the replay on the virtual clock up
to the saved instant. The game is made here from the demo's pictures and a sound: 1029 scenes of a dissolve,
the board, a wait, a character laid over the picture, a sound and a second wait (7 s each).

Usage: bench/load_bench.py ORBEL [DEMO_DIR]
"""
import os
import shutil
import tempfile

from process_timing import best_seconds, program_and_demo, run

SCENES = 1029  # two hours
SCENE_MS = 7000  # the two waits; the dissolve and the box run inside them


def main():
    orbel, demo = program_and_demo(__doc__)
    with tempfile.TemporaryDirectory() as game:
        os.makedirs(os.path.join(game, "Data"))
        for name in ("BG01.bmp", "BG02.bmp", "C_09A1.bmp", "SE01.WAV"):
            shutil.copy(os.path.join(demo, "Data", name), os.path.join(game, "Data", name))
        lines = []
        for scene in range(SCENES):
            lines += [f"disp,1,2,BG0{1 + scene % 2}.bmp", f"board,set,scene{scene}", "board,on",
                      "wait,time,3000", "trans,1,1,C_09A1.bmp", "pcm,play,SE01.WAV", "wait,time,4000",
                      "board,off"]
        with open(os.path.join(game, "Data", "SCRIPT.TXT"), "w") as script:
            script.write("\r\n".join(lines) + "\r\n")
        end_ms = SCENES * SCENE_MS
        save = os.path.join(game, "end.json")
        run([orbel, "--batch", "--fast", "--quit-after", str(end_ms), "--save-on-exit", save, game])
        best = best_seconds([orbel, "--batch", "--fast", "--load", save, "--quit-after", str(end_ms), game], 3)
        print(f"loading a save at {end_ms / 3600000:.2f} h of a {len(lines)}-line script: {best:.2f} s "
              f"(whole process, best of 3)")


if __name__ == "__main__":
    main()
