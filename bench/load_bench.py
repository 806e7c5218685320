#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures how long loading a save takes, as the whole process: start-up, the replay on the virtual clock up
to the saved instant, and the end. Three games, each saved with the program measured:

- the demo, saved one hour in (about 100 rounds of its scenes, movies and sounds). A --fast run ends a game
  that loops after one round, so the rounds are written out one after another in the script;
- a game with five minutes of movie before the saved instant: one 5-minute movie with sound (320x240,
  15 frames a second, Video 1 and 8-bit sound at 22050 Hz, made here with ffmpeg), then scenes of pictures,
  the board and a sound, saved a minute later;
- a two-hour script made from the demo's pictures and a sound: 1029 scenes of a dissolve, the board, a wait,
  a character laid over the picture, a sound and a second wait (7 s each), saved at its end.

Usage: bench/load_bench.py ORBEL [DEMO_DIR]
"""
import os
import shutil
import subprocess
import tempfile

from process_timing import best_times, program_and_demo, run

DEMO_MS = 3600000
DEMO_ROUNDS = 120  # of about 36 s each
MOVIE_S = 300
MOVIE_GAME_MS = 360000
SCENES = 1029  # two hours
SCENE_MS = 7000  # the two waits; the dissolve and the box run inside them


def scene_lines(scenes):
    lines = []
    for scene in range(scenes):
        lines += [f"disp,1,2,BG0{1 + scene % 2}.bmp", f"board,set,scene{scene}", "board,on", "wait,time,3000",
                  "trans,1,1,C_09A1.bmp", "pcm,play,SE01.WAV", "wait,time,4000", "board,off"]
    return lines


def make_game(folder, demo, lines):
    os.makedirs(os.path.join(folder, "Data"))
    for name in ("BG01.bmp", "BG02.bmp", "C_09A1.bmp", "SE01.WAV"):
        shutil.copy(os.path.join(demo, "Data", name), os.path.join(folder, "Data", name))
    with open(os.path.join(folder, "Data", "SCRIPT.TXT"), "w") as script:
        script.write("\r\n".join(lines) + "\r\n")


def unroll_demo(demo, folder, rounds):
    """The demo with the lines between its label and its jump back written out `rounds` times."""
    shutil.copytree(demo, folder)
    path = os.path.join(folder, "Data", "SCRIPT.TXT")
    with open(path, "rb") as script:
        lines = script.read().split(b"\r\n")
    top, jump = lines.index(b"#top"), lines.index(b"jump,#top")
    with open(path, "wb") as script:
        script.write(b"\r\n".join(lines[:top + 1] + lines[top + 1:jump] * rounds) + b"\r\n")


def make_movie(path, work):
    """A minute of movie, encoded once and put together five times without encoding again."""
    ffmpeg = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y"]
    minute = os.path.join(work, "minute.avi")
    subprocess.run(ffmpeg + ["-f", "lavfi", "-i", "testsrc2=size=320x240:rate=15:duration=60", "-f", "lavfi",
                             "-i", "sine=frequency=440:sample_rate=22050:duration=60", "-c:v", "msvideo1",
                             "-c:a", "pcm_u8", "-ac", "1", minute], check=True)
    parts = os.path.join(work, "parts.txt")
    with open(parts, "w") as listing:
        listing.write(f"file '{minute}'\n" * (MOVIE_S // 60))
    subprocess.run(ffmpeg + ["-f", "concat", "-safe", "0", "-i", parts, "-c", "copy", path], check=True)


def measure(orbel, game, at_ms, what):
    save = os.path.join(os.path.dirname(game), os.path.basename(game) + ".json")
    run([orbel, "--batch", "--fast", "--quit-after", str(at_ms), "--save-on-exit", save, game])
    wall, cpu = best_times([orbel, "--batch", "--fast", "--load", save, "--quit-after", str(at_ms), game], 3)
    print(f"loading {what}: {wall:.2f} s (whole process, best of 3; processor {cpu:.2f} s)", flush=True)


def main():
    orbel, demo = program_and_demo(__doc__)
    with tempfile.TemporaryDirectory() as work:
        game = os.path.join(work, "demo")
        unroll_demo(demo, game, DEMO_ROUNDS)
        measure(orbel, game, DEMO_MS, "the demo saved at 1 h")

        game = os.path.join(work, "movie")
        make_game(game, demo, ["disp,1,4,BG01.bmp", "avi,play,MOVIE.AVI", "avi,wait", "avi,off"] + scene_lines(12))
        make_movie(os.path.join(game, "Data", "MOVIE.AVI"), work)
        measure(orbel, game, MOVIE_GAME_MS, f"a game saved 1 min after {MOVIE_S // 60} min of movie")

        game = os.path.join(work, "script")
        lines = scene_lines(SCENES)
        make_game(game, demo, lines)
        end_ms = SCENES * SCENE_MS
        measure(orbel, game, end_ms, f"a save at {end_ms / 3600000:.2f} h of a {len(lines)}-line script")


if __name__ == "__main__":
    main()
