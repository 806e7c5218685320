#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures how long a game takes to open from an archive or disc image, as a ratio to the same game in a
folder: the demo's files as a folder, as a zip made by Python's zipfile, and inside a 650 MB ISO 9660 image
made by genisoimage (the game beside a large file, as on a CD). Each run starts the program on the game, plays
it up to its first picture (--quit-after 100 --grab) and ends; it is timed as a whole process, best of RUNS.

An archive is unpacked into the cache the first time it is opened ("first open": an empty cache folder for every
run) and played from there afterwards ("again": the cache kept).

The last case is a game of many small files: the demo with SMALL_FILES files of 1 KB beside it in a zip, first
open only, in seconds as well as a ratio (the goal is at most 3 s for 10,000 files on an ordinary disk). The work
folder is made on the disk that holds the system's temporary folder; point TMPDIR elsewhere to measure another.

Usage: bench/archive_bench.py ORBEL [DEMO_DIR]
"""
import os
import shutil
import subprocess
import tempfile
import zipfile

from process_timing import best_seconds, program_and_demo

RUNS = 3
IMAGE_BYTES = 650 * 1024 * 1024
SMALL_FILES = 10000


def main():
    orbel, demo = program_and_demo(__doc__)
    with tempfile.TemporaryDirectory() as work:
        folder = os.path.join(work, "Game")
        shutil.copytree(os.path.join(demo, "Data"), os.path.join(folder, "Data"))
        archive = os.path.join(work, "game.zip")
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as packed:
            for name in sorted(os.listdir(os.path.join(folder, "Data"))):
                packed.write(os.path.join(folder, "Data", name), f"Game/Data/{name}")
        disc = os.path.join(work, "disc")
        os.makedirs(disc)
        shutil.copytree(folder, os.path.join(disc, "Game"))
        # The rest of the disc: a file that fills the image to a CD's size, laid out before the game.
        filler_bytes = IMAGE_BYTES - sum(os.path.getsize(os.path.join(folder, "Data", name))
                                         for name in os.listdir(os.path.join(folder, "Data")))
        with open(os.path.join(disc, "AAAA.BIN"), "wb") as filler:
            block = os.urandom(1 << 20)
            for _ in range(filler_bytes >> 20):
                filler.write(block)
        image = os.path.join(work, "game.iso")
        subprocess.run(["genisoimage", "-quiet", "-J", "-R", "-o", image, disc], check=True)
        shutil.rmtree(disc)

        cache = os.path.join(work, "cache")
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen", SDL_AUDIODRIVER="dummy",
                           XDG_CACHE_HOME=cache, XDG_DATA_HOME=os.path.join(work, "data"),
                           XDG_CONFIG_HOME=os.path.join(work, "config"))

        def command(game):
            return [orbel, "--batch", "--fast", "--quit-after", "100", "--grab", os.path.join(work, "shot.bmp"),
                    game]

        plain = best_seconds(command(folder), RUNS, environment)
        print(f"folder: {plain:.3f} s (whole process, best of {RUNS})")
        for label, game in (("zip", archive), (f"ISO of {os.path.getsize(image) >> 20} MB", image)):
            first = best_seconds(command(game), RUNS, environment,
                                 before_each=lambda: shutil.rmtree(cache, ignore_errors=True))
            again = best_seconds(command(game), RUNS, environment)
            print(f"{label}: first open {first:.3f} s ({first / plain:.2f}x the folder), "
                  f"again {again:.3f} s ({again / plain:.2f}x)")

        many = os.path.join(work, "many.zip")
        block = os.urandom(1024)
        with zipfile.ZipFile(many, "w", zipfile.ZIP_DEFLATED) as packed:
            for name in sorted(os.listdir(os.path.join(folder, "Data"))):
                packed.write(os.path.join(folder, "Data", name), f"Game/Data/{name}")
            for i in range(SMALL_FILES):
                packed.writestr(f"Game/Data/extra/{i // 100:03d}/{i:05d}.txt", block[i % 512:] + block[:i % 512])
        first = best_seconds(command(many), RUNS, environment,
                             before_each=lambda: shutil.rmtree(cache, ignore_errors=True))
        print(f"zip of {SMALL_FILES} small files: first open {first:.3f} s ({first / plain:.2f}x the folder)")


if __name__ == "__main__":
    main()
