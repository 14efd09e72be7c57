#!/usr/bin/python3
"""zav-render's rendering command line: exit codes and one-line reasons, the WAV file's header
and data, raw frames on standard output, one pass against N seconds, and the progress bar that
shows only on a terminal.

usage: render_cli_test.py ZAV_RENDER SONG_FOLDER
"""
import os
import pty
import struct
import subprocess
import sys
import tempfile

RATE = 44100
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print(f"FAIL: {what}")


def run(tool, *args, stderr=subprocess.PIPE):
    return subprocess.run([tool, *args], stdout=subprocess.PIPE, stderr=stderr, timeout=120)


def expect_exit(tool, code, *args, lines=None):
    result = run(tool, *args)
    err = result.stderr.decode(errors="replace")
    check(result.returncode == code, f"zav-render {' '.join(args)}: exit {result.returncode}, want {code}")
    if lines is not None:
        check(err.count("\n") == lines, f"zav-render {' '.join(args)}: {err.count(chr(10))} lines on stderr, want {lines}")
    return result


def wav_fields(data):
    riff, size, wave, fmt, fmt_size, tag, channels, rate, byte_rate, align, bits, chunk, data_size = \
        struct.unpack("<4sI4s4sIHHIIHH4sI", data[:44])
    return dict(riff=riff, size=size, wave=wave, fmt=fmt, fmt_size=fmt_size, tag=tag, channels=channels,
                rate=rate, byte_rate=byte_rate, align=align, bits=bits, chunk=chunk, data_size=data_size)


def check_wav(path, frames=None):
    with open(path, "rb") as f:
        data = f.read()
    fields = wav_fields(data)
    want = dict(riff=b"RIFF", size=len(data) - 8, wave=b"WAVE", fmt=b"fmt ", fmt_size=16, tag=1, channels=2,
                rate=RATE, byte_rate=4 * RATE, align=4, bits=16, chunk=b"data", data_size=len(data) - 44)
    for key, value in want.items():
        check(fields[key] == value, f"{path}: WAV field {key} is {fields[key]!r}, want {value!r}")
    if frames is not None:
        check(fields["data_size"] == 4 * frames, f"{path}: {fields['data_size'] // 4} frames, want {frames}")
    return data[44:]


def main():
    tool, songs = sys.argv[1:3]
    work = tempfile.mkdtemp(prefix="zav-render-cli-")
    not_xm = os.path.join(work, "song.mid")
    with open(not_xm, "wb") as f:
        f.write(b"MThd\0\0\0\6")

    expect_exit(tool, 0, "--help", lines=0)
    expect_exit(tool, 64)
    for args in (["song.xm"], ["-o"], ["-o", "a.wav", "-o", "b.wav"], ["--seconds", "0", "-o", "-"],
                 ["--seconds", "abc", "-o", "-"], ["--seconds", "21601", "-o", "-"], ["a.xm", "b.xm", "-o", "-"],
                 ["--loop", "-o", "-"]):
        expect_exit(tool, 64, *args)
    expect_exit(tool, 2, not_xm, "-o", os.path.join(work, "x.wav"), lines=1)
    expect_exit(tool, 2, os.path.join(work, "missing.xm"), "-o", "-", lines=1)
    expect_exit(tool, 2, work, "-o", "-", lines=1)
    check(not os.path.exists(os.path.join(work, "x.wav")), "a refused module leaves no output file")
    kept = os.path.join(work, "kept.wav")
    with open(kept, "wb") as f:
        f.write(b"precious")
    expect_exit(tool, 2, not_xm, "-o", kept, lines=1)
    check(open(kept, "rb").read() == b"precious", "a refused module leaves an existing output as it was")
    expect_exit(tool, 1, "--seconds", "1", "-o", os.path.join(work, "no", "such", "folder.wav"), lines=1)

    # N seconds: exactly N x 44,100 frames, the same in a WAV file and as raw frames.
    wav = os.path.join(work, "two.wav")
    expect_exit(tool, 0, "--seconds", "2", "-o", wav, lines=0)
    frames = check_wav(wav, 2 * RATE)
    raw = expect_exit(tool, 0, "--seconds", "2", "-o", "-").stdout
    check(raw == frames, "--seconds 2: the raw frames are the WAV file's data")
    check(any(raw), "--seconds 2: the embedded song is not silent")
    check(len(run(tool, "--seconds", "0.5", "-o", "-").stdout) == 4 * 22050, "--seconds 0.5 gives 22,050 frames")

    # One pass: the WAV header written after the render, the same data through a pipe (where
    # the header is written first), and raw frames.
    song = os.path.join(songs, "mario_is_a_weenie.xm")
    if not os.path.exists(song):
        song = None
    args = [song] if song else []
    one = os.path.join(work, "one.wav")
    expect_exit(tool, 0, *args, "-o", one, lines=0)
    data = check_wav(one)
    piped = subprocess.run(f'"{tool}" {" ".join(args)} -o /dev/stdout | cat', shell=True, stdout=subprocess.PIPE,
                           timeout=120).stdout
    check(piped == open(one, "rb").read(), "one pass: a WAV file through a pipe equals the WAV file")
    raw = expect_exit(tool, 0, *args, "-o", "-").stdout
    check(raw == data, "one pass: the raw frames are the WAV file's data")
    if song:
        check(abs(len(raw) / 4 / RATE - 68.54) < 0.05, f"one pass of {song} lasts 68.54 s, not {len(raw) / 4 / RATE:.2f}")

    # The progress bar: on a terminal only, and the frames are the same with it.
    result = run(tool, "--seconds", "3", "-o", "-")
    check(result.stderr == b"", "no progress bar when standard error is not a terminal")
    master, slave = pty.openpty()
    with_bar = subprocess.run([tool, "--seconds", "3", "-o", "-"], stdout=subprocess.PIPE, stderr=slave, timeout=120)
    os.close(slave)
    shown = b""
    try:
        while True:
            chunk = os.read(master, 4096)
            if not chunk:
                break
            shown += chunk
    except OSError:
        pass
    os.close(master)
    check(b"100%" in shown and b"\r" in shown, "a progress bar on a terminal reaches 100%")
    check(with_bar.stdout == result.stdout, "the progress bar does not change the frames")

    print(f"{len(failures)} failure(s)" if failures else "all zav-render render checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
