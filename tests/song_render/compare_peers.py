#!/usr/bin/python3
"""zav-render against two players that no one here wrote, on every song of the shared test data.

For each song: the one-pass duration of zav-render within 1 % of the durations that openmpt123
and xmp give, and the loudness envelope of its one-pass render (RMS of the mono mix over 50 ms
windows) correlating at 0.97 or better with that of `openmpt123 --filter 2` at 44,100 Hz.
The peers' results are kept in a cache folder, so later runs only render with zav-render.

usage: compare_peers.py ZAV_RENDER SONG_FOLDER CACHE_FOLDER
Skips (exit code 77, with a message) when the song folder is absent.
"""
import array
import hashlib
import json
import math
import os
import re
import shutil
import subprocess
import sys

RATE = 44100
BIN = RATE // 100  # 10 ms: the loudness is kept as the energy of the mono mix in these bins
WINDOW_BINS = 5    # 50 ms windows
MAX_DURATION_ERROR = 0.01
MIN_CORRELATION = 0.97
# Our ticks last whole frames, rounded from the tempo, where the peers keep less (at 120 BPM a
# tick is 919 frames here and 918 or 918.75 there). The drift is about 0.1 %, yet in a song of
# fast rows it moves the beats by a 50 ms window within a minute, so the envelopes are also
# compared with ours stretched onto the peer's time, by the best factor within this range.
MAX_STRETCH = 0.003
STRETCH_STEP = 0.0001
SKIP = 77


def energy_bins(raw):
    """The energy of the mono mix ((left + right) / 2) in every whole 10 ms bin."""
    samples = array.array("h")
    samples.frombytes(raw[: len(raw) // 4 * 4])
    if sys.byteorder != "little":
        samples.byteswap()
    bins = []
    step = 2 * BIN
    for start in range(0, len(samples) - step + 1, step):
        chunk = samples[start:start + step]
        left, right = chunk[0::2], chunk[1::2]
        bins.append(sum((a + b) * (a + b) for a, b in zip(left, right)) * 0.25)
    return bins


def loudness(bins, stretch=1.0):
    """RMS over consecutive 50 ms windows, or windows `stretch` times as long; a window that
    ends inside a bin takes the bin's share of energy."""
    total = [0.0]
    for energy in bins:
        total.append(total[-1] + energy)

    def energy_to(position):
        whole = int(position)
        if whole >= len(bins):
            return total[-1]
        return total[whole] + (position - whole) * bins[whole]

    length = WINDOW_BINS * stretch
    out = []
    index = 0
    while (index + 1) * length <= len(bins):
        energy = energy_to((index + 1) * length) - energy_to(index * length)
        out.append(math.sqrt(max(energy, 0.0) / (length * BIN)))
        index += 1
    return out


def correlation(a, b):
    n = min(len(a), len(b))
    a, b = a[:n], b[:n]
    mean_a, mean_b = sum(a) / n, sum(b) / n
    cov = sum((x - mean_a) * (y - mean_b) for x, y in zip(a, b))
    var_a = sum((x - mean_a) ** 2 for x in a)
    var_b = sum((y - mean_b) ** 2 for y in b)
    if var_a == 0 or var_b == 0:
        return 0.0
    return cov / math.sqrt(var_a * var_b)


def best_stretch(ours, theirs):
    """(correlation, stretch) of our envelope stretched onto theirs, the best in range."""
    steps = round(MAX_STRETCH / STRETCH_STEP)
    return max((correlation(loudness(ours, 1 + k * STRETCH_STEP), theirs), 1 + k * STRETCH_STEP)
               for k in range(-steps, steps + 1))


def run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed with exit code {result.returncode}: "
                           f"{result.stderr.decode(errors='replace').strip()}")
    return result.stdout


def openmpt_duration(song):
    text = run(["openmpt123", "--info", song]).decode(errors="replace")
    match = re.search(r"Duration\.*:\s*(?:(\d+):)?(\d+):(\d+(?:\.\d+)?)", text)
    if not match:
        raise RuntimeError(f"openmpt123 --info gave no duration for {song}")
    hours, minutes, seconds = match.groups()
    return int(hours or 0) * 3600 + int(minutes) * 60 + float(seconds)


def peer_results(song, cache):
    """openmpt123's and xmp's durations and openmpt123's loudness envelope, cached by content."""
    with open(song, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()[:16]
    path = os.path.join(cache, f"{os.path.basename(song)}.{digest}.json")
    if os.path.exists(path):
        with open(path) as f:
            return json.load(f)
    mpt_raw = run(["openmpt123", "--quiet", "--batch", "--stdout", "--filter", "2", "--samplerate", str(RATE),
                   "--no-float", "--", song])
    xmp_raw = run(["xmp", "-q", "-i", "linear", "-f", str(RATE), "-o", "-", song])
    results = {
        "openmpt123": openmpt_duration(song),
        "xmp": len(xmp_raw) / 4 / RATE,
        "bins": energy_bins(mpt_raw),
    }
    os.makedirs(cache, exist_ok=True)
    with open(path + ".tmp", "w") as f:
        json.dump(results, f)
    os.replace(path + ".tmp", path)
    return results


def ensure_peers():
    missing = [tool for tool in ("openmpt123", "xmp") if not shutil.which(tool)]
    if missing:
        subprocess.run(["apt-get", "install", "-y", "--no-install-recommends", *missing], check=True,
                       stdout=subprocess.DEVNULL)


def main():
    zav_render, folder, cache = sys.argv[1:4]
    if not os.path.isdir(folder):
        print(f"skipped: test data folder {folder} is absent")
        return SKIP
    songs = sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.lower().endswith(".xm"))
    if not songs:
        print(f"skipped: no XM songs in {folder}")
        return SKIP
    ensure_peers()
    failures = 0
    print(f"{'song':34} {'zav s':>8} {'openmpt s':>9} {'xmp s':>8} {'worst %':>7} {'r as is':>8} "
          f"{'r':>8} {'stretch%':>8}")
    for song in songs:
        peers = peer_results(song, cache)
        raw = run([zav_render, song, "-o", "-"])
        seconds = len(raw) / 4 / RATE
        ours = energy_bins(raw)
        errors = [abs(seconds - peers[p]) / peers[p] for p in ("openmpt123", "xmp")]
        theirs = loudness(peers["bins"])
        as_is = correlation(loudness(ours), theirs)
        r, stretch = best_stretch(ours, theirs)
        ok = max(errors) <= MAX_DURATION_ERROR and r >= MIN_CORRELATION
        failures += not ok
        print(f"{os.path.basename(song):34} {seconds:8.2f} {peers['openmpt123']:9.2f} {peers['xmp']:8.2f} "
              f"{100 * max(errors):7.2f} {as_is:8.4f} {r:8.4f} {100 * (stretch - 1):+8.2f}{'' if ok else '  FAIL'}")
    print(f"limits: duration within {100 * MAX_DURATION_ERROR:g} % of both peers; loudness correlation r "
          f">= {MIN_CORRELATION} with ours stretched by at most {100 * MAX_STRETCH:g} %")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
