# SPDX-License-Identifier: GPL-3.0-or-later
"""What the benchmarks that time the whole program share: its command line (the program, and the demo folder
unless another is named) and runs of it timed as whole processes, best of several."""
import os
import resource
import subprocess
import sys
import time


def program_and_demo(usage):
    """ORBEL and DEMO_DIR from the command line; the usage text when ORBEL is missing."""
    if len(sys.argv) < 2:
        sys.exit(usage)
    demo = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "demo")
    return sys.argv[1], demo


def run(command, env=None, accepted=(0, 4)):
    """Runs the program offscreen unless env says otherwise; its wall-clock seconds. An exit status outside
    `accepted` (4: --quit-after ran out) ends the benchmark with the program's own messages."""
    return run_timed(command, env, accepted)[0]


def run_timed(command, env=None, accepted=(0, 4)):
    """As run; the wall-clock seconds and the processor seconds (user and system) the program took. The
    processor's time tells more than the wall clock's on a machine that other work keeps busy."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            env=env or dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    elapsed = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode not in accepted:
        sys.exit(f"{' '.join(command)}: exit {result.returncode}\n{result.stderr.decode()}")
    return elapsed, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def best_seconds(command, runs, env=None, accepted=(0, 4), before_each=None):
    """The shortest of `runs` runs; `before_each` is called before each one starts (and is not timed)."""
    best = None
    for _ in range(runs):
        if before_each:
            before_each()
        elapsed = run(command, env, accepted)
        best = elapsed if best is None else min(best, elapsed)
    return best


def best_times(command, runs, env=None, accepted=(0, 4)):
    """The shortest wall-clock time and the shortest processor time of `runs` runs."""
    times = [run_timed(command, env, accepted) for _ in range(runs)]
    return min(wall for wall, _ in times), min(cpu for _, cpu in times)
