#!/usr/bin/python3
"""Renders every XM song of a folder with zav-render, `xmp -i linear` and `openmpt123 --filter 2`
(one pass each, 16-bit stereo at 44,100 frames per second, raw frames to /dev/null) and prints the CPU time
that each took, best of several runs, with the ratios of the peers' times to zav-render's.

With --pairs N it measures N rounds instead, each rendering every song once with every renderer,
one right after the other, and prints the median of the rounds' ratios: a machine that is busy
now and then slows both sides of a round alike, so the ratio holds where single times do not.

usage: render_compare.py [--zav-render PATH] [--songs DIR] [--runs N | --pairs N]
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
RATE = 44100


def child_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command):
    """(CPU seconds, wall seconds) of one run; the command must succeed."""
    cpu, wall = child_cpu(), time.monotonic()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if result.returncode != 0:
        sys.exit(f"render_compare: {' '.join(command)} failed: {result.stderr.decode(errors='replace').strip()}")
    return child_cpu() - cpu, time.monotonic() - wall


def renderers(zav_render):
    """Each renders one pass of a song as raw 16-bit stereo frames at 44,100 Hz to standard
    output, which goes to /dev/null: the time is the renderer's, not the disk's."""
    return {
        "zav-render": lambda song: [zav_render, song, "-o", "-"],
        "xmp -i linear": lambda song: ["xmp", "-q", "-i", "linear", "-f", str(RATE), "-o", "-", song],
        "openmpt123 --filter 2": lambda song: ["openmpt123", "--quiet", "--batch", "--stdout", "--filter", "2",
                                               "--samplerate", str(RATE), "--no-float", song],
    }


def song_seconds(zav_render, song):
    frames = subprocess.run([zav_render, song, "-o", "-"], stdout=subprocess.PIPE, check=True).stdout
    return len(frames) / 4 / RATE


def best_of(runs, command):
    best = None
    for _ in range(runs):
        cpu, wall = timed(command)
        best = (cpu, wall) if best is None or cpu < best[0] else best
    return best


def median_of_pairs(pairs, tools, paths):
    """Each round renders every song with every renderer in turn; the median of the rounds'
    ratios of the peers' CPU totals to zav-render's."""
    ratios = {name: [] for name in tools if name != "zav-render"}
    for round_number in range(pairs):
        totals = {name: sum(timed(command(path))[0] for path in paths) for name, command in tools.items()}
        zav = max(totals["zav-render"], 1e-6)
        print(f"round {round_number + 1}: " + ", ".join(f"{name} {totals[name]:.3f} s" for name in tools))
        for name in ratios:
            ratios[name].append(totals[name] / zav)
    for name, values in ratios.items():
        print(f"{name} / zav-render: median {statistics.median(values):.2f} of " +
              " ".join(f"{value:.2f}" for value in sorted(values)))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--zav-render", default=os.path.join(REPO, "build", "native", "tools", "zav-render", "zav-render"))
    parser.add_argument("--songs", default=os.path.join(REPO, "..", "shared", "testdata", "xm"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--pairs", type=int, default=0)
    args = parser.parse_args()
    for tool in ("xmp", "openmpt123"):
        if not shutil.which(tool):
            subprocess.run(["apt-get", "install", "-y", "--no-install-recommends", tool], check=True,
                           stdout=subprocess.DEVNULL)
    if not os.path.isfile(args.zav_render):
        sys.exit(f"render_compare: {args.zav_render} does not exist; build the native tree first")
    if not os.path.isdir(args.songs):
        sys.exit(f"render_compare: no songs at {args.songs}")
    songs = sorted(f for f in os.listdir(args.songs) if f.lower().endswith(".xm"))
    tools = renderers(args.zav_render)
    if args.pairs:
        median_of_pairs(args.pairs, tools, [os.path.join(args.songs, song) for song in songs])
        return
    totals = {name: 0.0 for name in tools}
    print(f"CPU seconds (user + system), best of {args.runs} runs; one pass of each song, raw frames to /dev/null")
    header = f"{'song':34} {'length s':>8} " + " ".join(f"{name:>22}" for name in tools) + f" {'ratio xmp':>9} {'ratio mpt':>9}"
    print(header)
    for song in songs:
        path = os.path.join(args.songs, song)
        times = {}
        for name, command in tools.items():
            times[name] = best_of(args.runs, command(path))[0]
            totals[name] += times[name]
        length = song_seconds(args.zav_render, path)
        zav = max(times["zav-render"], 1e-6)
        print(f"{song:34} {length:8.1f} " + " ".join(f"{times[name]:22.3f}" for name in tools) +
              f" {times['xmp -i linear'] / zav:9.2f} {times['openmpt123 --filter 2'] / zav:9.2f}")
    zav = max(totals["zav-render"], 1e-6)
    print(f"{'all songs':34} {'':8} " + " ".join(f"{totals[name]:22.3f}" for name in tools) +
          f" {totals['xmp -i linear'] / zav:9.2f} {totals['openmpt123 --filter 2'] / zav:9.2f}")
    faster_peer = min(totals["xmp -i linear"], totals["openmpt123 --filter 2"])
    print(f"zav-render is {faster_peer / zav:.2f} times as fast as the faster peer (target: 2)")


if __name__ == "__main__":
    main()
