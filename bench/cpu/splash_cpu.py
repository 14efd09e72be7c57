#!/usr/bin/python3
"""CPU use of the installer while its splash animates, under Wine on a virtual screen.

Starts the program as the end-to-end tests do, waits until its fade-in is over, then reads the
processor time of the program's process (all its threads) from /proc over a quiet period with
the mouse away from the window. The wine server and the X server work for every frame the
program shows (the frame travels to the screen through them), so their time is reported too.
Afterwards the frame rate is measured from the credits text, which moves one column a frame.

    bench/cpu/splash_cpu.py [--seconds 10] [--program EXE --testctl EXE --prefix DIR --work DIR]

Defaults are the Windows tree build/win. Prints one line per process, percent of one core.
"""
import argparse
import os
import sys
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402
from harness import config  # noqa: E402
import splash  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User and system processor time of a process (all its threads so far), in seconds."""
    with open(f"/proc/{pid}/stat") as stat:
        # The command name may hold blanks; the fields after its closing parenthesis do not.
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) / TICKS, int(fields[12]) / TICKS


def wineserver_pid(prefix):
    """Process id of the wine server of this prefix (other prefixes may have servers too)."""
    wanted = b"WINEPREFIX=" + os.path.abspath(prefix).encode()
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/comm") as comm:
                    if not comm.read().startswith("wineserver"):
                        continue
                with open(f"/proc/{entry}/environ", "rb") as environ:
                    if wanted in environ.read().split(b"\0"):
                        return int(entry)
            except OSError:
                continue
    return None


def frames_per_second(session, pairs=5, gap=0.4):
    """Median frame rate from pairs of screenshots: the text's travel over the time between."""
    rates = []
    for _ in range(pairs * 3):
        first_time, first = time.monotonic(), splash.text_pixels(session.window_picture())
        time.sleep(gap)
        second_time, second = time.monotonic(), splash.text_pixels(session.window_picture())
        distance = splash.scroll_distance(first, second)
        if distance:
            rates.append(distance / (second_time - first_time))
        if len(rates) == pairs:
            break
    return sorted(rates)[len(rates) // 2] if rates else None


def screen_updates(session, seconds=3):
    """How many looks at the window, taken one after another, showed a new picture: the
    program draws up to 100 frames a second, but Wine hands its window to the X server at a
    pace of its own, which is what a user sees."""
    looks, new, last = 0, 0, None
    position = session.window_state().window[:2]
    started = time.monotonic()
    while time.monotonic() - started < seconds:
        picture = splash.look(session, position).picture.rgb
        looks, new, last = looks + 1, new + (picture != last), picture
    elapsed = time.monotonic() - started
    return new, looks, elapsed


def measure(session, seconds):
    session.start_program()
    session.wait_until_draggable()
    session.display.mouse_move(0, 0)  # no hover fade
    time.sleep(1)  # past the first frames, whose cost may differ
    processes = {"program (all its threads)": session.program.process.pid,
                 "wineserver": wineserver_pid(session.prefix.path),
                 "Xvfb": session.display.pid}
    before = {name: cpu_seconds(pid) for name, pid in processes.items() if pid}
    started = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - started
    after = {name: cpu_seconds(pid) for name, pid in processes.items() if pid}
    rate = frames_per_second(session)
    new, looks, looked = screen_updates(session)
    print(f"CPU use while the splash animates, over {elapsed:.1f} s (percent of one core):")
    for name in before:
        user = (after[name][0] - before[name][0]) / elapsed * 100
        system = (after[name][1] - before[name][1]) / elapsed * 100
        print(f"  {name:28s} {user + system:5.1f} %  (user {user:.1f}, system {system:.1f})")
    print(f"frame rate: {rate:.0f} frames per second" if rate else "frame rate: not measured")
    print(f"screen: {new} of {looks} looks in a row showed a new picture (a look every "
          f"{looked / looks * 1000:.0f} ms)")


def main():
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--seconds", type=float, default=10)
    options, rest = parser.parse_known_args()
    config.CONFIG, _, _ = config.parse(rest, ("program", "testctl"))
    session = harness.Session("bench-cpu").start()
    try:
        measure(session, options.seconds)
    finally:
        session.close()


if __name__ == "__main__":
    main()
