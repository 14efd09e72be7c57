#!/usr/bin/python3
"""The peer sweep: zav-render against openmpt123 and xmp on small modules, one per effect case.

The cases come from zav-peer-sweep-cases (every effect 0-Z, every extended effect and every
volume-column command, with and without a note, an instrument or a key-off, at several
speeds). Each is rendered by the three players at 44,100 Hz, 125 BPM as written; then every
pair is compared by a measure that ignores the overall level and small lags:

  the render's stereo spectrogram (23 ms windows every 10 ms, both sides side by side, square
  root of the magnitude up to 5 kHz) is scaled to unit norm; the two are aligned at the best lag
  within 50 ms; the similarity is the lowest cosine of any 100 ms stretch that holds sound in
  either render (1 identical, 0 nothing in common). Spectra make pitch count as much as
  loudness, the side-by-side sides make panning count, and the worst stretch keeps one wrong
  row from being averaged away by the rest of the song.

A case where the peers agree (similarity at least AGREE) while we are below it against both is
a difference: both peers do the same thing there, and we do something else.

With --before OLD_ZAV_RENDER, an earlier build is measured beside ZAV_RENDER, and the table
and the counts show both.

usage: peer_sweep.py CASE_WRITER ZAV_RENDER WORK_FOLDER [--before OLD_ZAV_RENDER]
                     [--markdown FILE] [--only SUBSTRING]
"""
import argparse
import hashlib
import os
import subprocess
import sys

import numpy as np

RATE = 44100
HOP = 441            # 10 ms
WINDOW = 1024        # 23 ms
TOP_BIN = int(5000 * WINDOW / RATE)
MAX_LAG = 5          # hops
STRETCH = 10         # hops: the 100 ms stretches whose worst one counts
AGREE = 0.90
QUIET = 0.02         # a stretch below this share of the loudest one (about -34 dB) is silence


def render(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)}: exit {result.returncode}: "
                           f"{result.stderr.decode(errors='replace').strip()}")
    frames = np.frombuffer(result.stdout[: len(result.stdout) // 4 * 4], dtype="<i2")
    return frames.reshape(-1, 2).astype(np.float64)


def peer_render(name, command, song, cache):
    with open(song, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()[:16]
    path = os.path.join(cache, f"{name}.{digest}.npy")
    if os.path.exists(path):
        return np.load(path)
    frames = render(command + [song])
    np.save(path, frames)
    return frames


def spectrogram(frames):
    """Frames x (2 * bins): both sides' compressed spectra, the whole scaled to unit norm."""
    window = np.hanning(WINDOW)
    count = max(0, (len(frames) - WINDOW) // HOP + 1)
    sides = []
    for side in range(2):
        signal = frames[:, side]
        blocks = np.stack([signal[i * HOP:i * HOP + WINDOW] * window for i in range(count)]) \
            if count else np.zeros((0, WINDOW))
        sides.append(np.sqrt(np.abs(np.fft.rfft(blocks, axis=1))[:, :TOP_BIN]))
    spectra = np.concatenate(sides, axis=1)
    norm = np.linalg.norm(spectra)
    return spectra / norm if norm > 0 else spectra


def similarity(a, b):
    """The worst 100 ms stretch's cosine at the best lag; 1 when both are silent throughout."""
    if not a.any() and not b.any():
        return 1.0
    if not a.any() or not b.any():
        return 0.0
    best = None
    for lag in range(-MAX_LAG, MAX_LAG + 1):
        x = a[max(lag, 0):]
        y = b[max(-lag, 0):]
        n = min(len(x), len(y))
        x, y = x[:n], y[:n]
        score = float(np.sum(x * y))
        if best is None or score > best[0]:
            best = (score, x, y)
    _, x, y = best
    dots, xx, yy = np.sum(x * y, axis=1), np.sum(x * x, axis=1), np.sum(y * y, axis=1)
    kernel = np.ones(STRETCH)
    dot, ex, ey = (np.convolve(v, kernel, mode="valid") for v in (dots, xx, yy))
    if len(dot) == 0:
        return 1.0
    loud = (ex + ey) > QUIET * np.max(ex + ey)
    cosines = np.where(loud, dot / np.sqrt(np.maximum(ex * ey, 1e-30)), 1.0)
    return float(np.min(cosines))


def verdict(mx, zm, zx):
    if mx < AGREE:
        return "peers differ"
    if zm < AGREE and zx < AGREE:
        return "DIFFERS"
    return "agrees"


def compare(zav_render, song, mpt, xmp):
    """(zav ~ openmpt123, zav ~ xmp) for one build."""
    ours = spectrogram(render([zav_render, song, "-o", "-"]))
    return similarity(ours, mpt), similarity(ours, xmp)


def counts(verdicts):
    tally = {v: verdicts.count(v) for v in ("agrees", "DIFFERS", "peers differ")}
    return (f"{len(verdicts)} cases: {tally['agrees']} agree, {tally['DIFFERS']} where we differ "
            f"from both agreeing peers, {tally['peers differ']} where the peers differ")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case_writer")
    parser.add_argument("zav_render")
    parser.add_argument("work")
    parser.add_argument("--before")
    parser.add_argument("--markdown")
    parser.add_argument("--only", default="")
    args = parser.parse_args()

    cases_dir = os.path.join(args.work, "cases")
    cache = os.path.join(args.work, "peer-cache")
    os.makedirs(cases_dir, exist_ok=True)
    os.makedirs(cache, exist_ok=True)
    subprocess.run([args.case_writer, cases_dir], check=True)
    names = sorted(f[:-3] for f in os.listdir(cases_dir) if f.endswith(".xm") and args.only in f)

    peers = {
        "openmpt123": ["openmpt123", "--quiet", "--batch", "--stdout", "--filter", "2",
                       "--samplerate", str(RATE), "--no-float", "--"],
        "xmp": ["xmp", "-q", "-i", "linear", "-P", "100", "-f", str(RATE), "-o", "-"],
    }
    builds = ([("before", args.before)] if args.before else []) + [("now", args.zav_render)]
    rows = []
    for name in names:
        song = os.path.join(cases_dir, name + ".xm")
        mpt = spectrogram(peer_render("openmpt123", peers["openmpt123"], song, cache))
        xmp = spectrogram(peer_render("xmp", peers["xmp"], song, cache))
        mx = similarity(mpt, xmp)
        results = []
        for _, zav_render in builds:
            zm, zx = compare(zav_render, song, mpt, xmp)
            results.append((zm, zx, verdict(mx, zm, zx)))
        rows.append((name, mx, results))
        print(f"{name:32} {mx:6.3f} " + "  ".join(f"{zm:6.3f} {zx:6.3f} {v:12}" for zm, zx, v in results),
              flush=True)

    summaries = [f"{label}: {counts([r[2][i][2] for r in rows])}" for i, (label, _) in enumerate(builds)]
    print("\n".join(summaries))
    if args.markdown:
        with open(args.markdown, "w") as f:
            f.write("| case | openmpt123 ~ xmp | " + " | ".join(
                f"zav ~ openmpt123 ({label}) | zav ~ xmp ({label}) | verdict ({label})"
                for label, _ in builds) + " |\n")
            f.write("|---|---:|" + "---:|---:|---|" * len(builds) + "\n")
            for name, mx, results in rows:
                f.write(f"| {name} | {mx:.3f} | " + " | ".join(
                    f"{zm:.3f} | {zx:.3f} | {v}" for zm, zx, v in results) + " |\n")
            f.write("\n" + "\n\n".join(summaries) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
