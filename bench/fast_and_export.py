#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures how fast the demo game plays on the virtual clock, as a multiple of real time:

- `--batch --fast`: the game's pictures, board, movies and sound, computed and dropped;
- `--export-video` to H.264 (.mp4 and .mkv), VP9 (.webm) and lossless FFV1 (.mkv), at 60 pictures a second;

and, where the ffmpeg program is installed, how well each compressed video keeps the pictures: PSNR and SSIM
of its pictures against the lossless export of the same game, compared in RGB as the player sees them, with
the file's size.

Each run plays GAME_SECONDS of the demo and is timed as a whole process, best of RUNS. With --before, an
earlier build (the main branch's, say) is measured side by side, so a change of the encoders' settings shows
as a before/after pair of speed and quality.

Usage: bench/fast_and_export.py ORBEL [DEMO_DIR] [--before OLD_ORBEL]
"""
import argparse
import os
import re
import shutil
import subprocess
import tempfile

from process_timing import best_seconds

GAME_SECONDS = 30
RUNS = 3
FORMATS = (("H.264 + AAC .mp4", ".mp4"), ("H.264 + FLAC .mkv", ".mkv"), ("VP9 + Opus .webm", ".webm"))


def exports(orbel, demo, folder, tag):
    """The cases of one build: (name, command, the file it writes or None)."""
    quit_after = ["--quit-after", str(GAME_SECONDS * 1000)]
    cases = [("--fast", [orbel, "--batch", "--fast"] + quit_after + [demo], None)]
    for name, extension in FORMATS:
        path = os.path.join(folder, tag + extension)
        cases.append((name, [orbel, "--export-video", path] + quit_after + [demo], path))
    path = os.path.join(folder, tag + "-lossless.mkv")
    cases.append(("FFV1 + FLAC .mkv", [orbel, "--export-video", path, "--export-lossless"] + quit_after + [demo],
                  path))
    return cases


def quality(video, lossless):
    """PSNR (dB) and SSIM of video's pictures against lossless's, in RGB: the compressed file's pictures are
    turned back with the matrix it names (standard definition, limited range)."""
    graph = ("[0:v]scale=in_color_matrix=bt601:in_range=tv:flags=bicubic+accurate_rnd+full_chroma_int,"
             "format=gbrp,split[a1][a2];[1:v]format=gbrp,split[b1][b2];[a1][b1]psnr;[a2][b2]ssim")
    result = subprocess.run(["ffmpeg", "-hide_banner", "-nostats", "-i", video, "-i", lossless, "-lavfi", graph,
                             "-f", "null", "-"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                            check=True)
    psnr = re.search(r"PSNR .*average:([0-9.]+|inf)", result.stderr)
    ssim = re.search(r"SSIM .*All:([0-9.]+)", result.stderr)
    return float(psnr.group(1)), float(ssim.group(1))


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("orbel")
    parser.add_argument("demo", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "demo"))
    parser.add_argument("--before")
    arguments = parser.parse_args()
    builds = [("this build", arguments.orbel)] + ([("before", arguments.before)] if arguments.before else [])
    with tempfile.TemporaryDirectory() as folder:
        results = {}
        for tag, orbel in builds:
            for name, command, path in exports(orbel, arguments.demo, folder, tag.replace(" ", "-")):
                # A bounded export ends with status 0 from this build on, 4 before it.
                results[(tag, name)] = (best_seconds(command, RUNS, accepted=(0, 4)), path)
        print(f"{GAME_SECONDS} s of the demo game, best of {RUNS} runs, as wall seconds and multiples of real time:")
        print("  " + " " * 20 + "".join(f"{tag:>24}" for tag, _ in builds))
        for name, _, _ in exports("", "", folder, ""):
            cells = "".join(f"{results[(tag, name)][0]:12.2f} s {GAME_SECONDS / results[(tag, name)][0]:7.1f}x"
                            for tag, _ in builds)
            print(f"  {name:20}{cells}")
        if not shutil.which("ffmpeg"):
            print("(no ffmpeg program: the pictures' quality is not measured)")
            return
        lossless = results[("this build", "FFV1 + FLAC .mkv")][1]
        print("Pictures against the lossless export, PSNR / SSIM (RGB), and the file's size:")
        for name, _ in FORMATS:
            cells = ""
            for tag, _ in builds:
                path = results[(tag, name)][1]
                psnr, ssim = quality(path, lossless)
                cells += f"{psnr:9.2f} dB {ssim:.5f} {os.path.getsize(path) / 1e6:5.1f} MB"
            print(f"  {name:20}{cells}")


if __name__ == "__main__":
    main()
