#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures the engine as a player's desktop runs it, on an X server of its own (Xvfb):

- the CPU time the program uses while a script waits (`wait,time,10000`), as a share of one core;
- how long a picture takes to reach the X server: a script cuts between two colours every 325 ms, and the
  server's pixel is read back every millisecond. The figure is the time from the step that starts the cut
  (its trace line) to the new colour on the server: the wait for the next 50 ms tick, which draws the cut
  (the waits run from one tick, so this is about 25 ms), plus the time to present it.

Usage: bench/wait_and_present.py ORBEL [ORBEL...]   (each binary is measured in the same run)
Needs Xvfb and ImageMagick's convert (for the two test pictures).
"""
import ctypes
import ctypes.util
import os
import statistics
import subprocess
import sys
import tempfile
import time

CUTS = 30


def free_display():
    for n in range(300, 360):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    raise SystemExit("no free display number")


def make_game(folder, lines):
    os.makedirs(os.path.join(folder, "Data"), exist_ok=True)
    for name, colour in (("A.bmp", "#ff0000"), ("B.bmp", "#0000ff")):
        path = os.path.join(folder, "Data", name)
        if not os.path.exists(path):
            subprocess.run(["convert", "-size", "640x480", f"xc:{colour}", f"BMP3:{path}"], check=True)
    with open(os.path.join(folder, "Data", "SCRIPT.TXT"), "wb") as script:
        script.write("".join(line + "\r\n" for line in lines).encode())


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def measure_wait_cpu(orbel, game, env):
    make_game(game, ["board,off", "disp,1,4,A.bmp", "wait,time,10000"])
    process = subprocess.Popen([orbel, "--quit-after", "11000", game], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(2.0)
    start_cpu, start = cpu_seconds(process.pid), time.monotonic()
    time.sleep(7.0)
    used, elapsed = cpu_seconds(process.pid) - start_cpu, time.monotonic() - start
    process.wait()
    return 100.0 * used / elapsed


class XPixel:
    """Reads single pixels of the root window straight from the X server."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.c_void_p
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XGetPixel.restype = ctypes.c_ulong
        self.x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x11.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise SystemExit("cannot open the display")
        self.root = self.x11.XDefaultRootWindow(self.display)

    def read(self, x, y):
        image = self.x11.XGetImage(self.display, self.root, x, y, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return None
        pixel = self.x11.XGetPixel(image, 0, 0)
        # XImage: width, height, xoffset, format, char *data, ... -- free data, then the struct
        data = ctypes.cast(image + 16, ctypes.POINTER(ctypes.c_void_p)).contents.value
        self.x11.XFree(data)
        self.x11.XFree(image)
        return pixel & 0xFFFFFF


def measure_latency(orbel, game, env, display):
    lines = ["board,off"]
    for i in range(CUTS):
        lines += [f"disp,1,4,{'AB'[i % 2]}.bmp", "wait,time,325"]
    make_game(game, lines)
    process = subprocess.Popen([orbel, "--trace", "--quit-after", str(CUTS * 325 + 3000), game], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    x_server = XPixel(display)
    os.set_blocking(process.stdout.fileno(), False)
    steps, changes, last, buffer = [], [], None, ""
    # The window is centred on the 1024x768 screen; its picture's middle is the screen's middle.
    while process.poll() is None:
        now = time.monotonic()
        try:
            chunk = os.read(process.stdout.fileno(), 65536)
        except BlockingIOError:
            chunk = b""
        if chunk:
            buffer += chunk.decode("utf-8", "replace")
            while "\n" in buffer:
                line, buffer = buffer.split("\n", 1)
                if ":disp," in line:
                    steps.append(now)
        pixel = x_server.read(512, 400)
        if pixel in (0xFF0000, 0x0000FF) and pixel != last:
            changes.append(now)
            last = pixel
        time.sleep(0.001)
    delays = [1000.0 * (seen - step) for step, seen in zip(steps, changes) if seen >= step]
    return delays


def main():
    binaries = sys.argv[1:]
    if not binaries:
        raise SystemExit(__doc__)
    display = free_display()
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.0)
    try:
        with tempfile.TemporaryDirectory() as game, tempfile.TemporaryDirectory() as config:
            # The program remembers the games it played; not in the measurer's own settings.
            env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", SDL_AUDIODRIVER="dummy",
                       XDG_CONFIG_HOME=config)
            for orbel in binaries:
                cpu = measure_wait_cpu(orbel, game, env)
                delays = measure_latency(orbel, game, env, display)
                print(f"{orbel}")
                print(f"  CPU while wait,time,10000 runs: {cpu:.3f} % of one core")
                if delays:
                    print(f"  step to picture on the X server over {len(delays)} cuts: "
                          f"median {statistics.median(delays):.1f} ms, max {max(delays):.1f} ms")
                else:
                    print("  no picture change reached the X server")
    finally:
        xvfb.terminate()


if __name__ == "__main__":
    main()
