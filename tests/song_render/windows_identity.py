#!/usr/bin/python3
"""The Windows build of zav-render, run under Wine, writes the same bytes as the native build:
a few seconds of the embedded song as raw frames, one pass of a test song as a WAV file and as
raw frames, and the same refusal of a file that is not a module.

usage: windows_identity.py NATIVE_ZAV_RENDER WINDOWS_ZAV_RENDER_EXE SONG_FOLDER PREFIX
PREFIX is a Wine prefix of this test's own (created on first use). Skips (exit code 77) when
the Windows build has no zav-render.exe.
"""
import fcntl
import os
import subprocess
import sys
import tempfile

SKIP = 77
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print(f"FAIL: {what}")


def wine_env(prefix):
    env = dict(os.environ)
    env.update({"WINEPREFIX": prefix, "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="})
    env.pop("DISPLAY", None)  # a console program needs no screen
    return env


def ensure_prefix(prefix, env):
    stamp = os.path.join(prefix, ".zav-render-ready")
    if os.path.exists(stamp):
        return
    print(f"creating the Wine prefix {prefix} (once)")
    subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=300, check=True)
    subprocess.run(["wineserver", "-w"], env=env, timeout=300, check=True)
    open(stamp, "w").close()


def both(native, exe, env, args):
    """(native result, Windows result) of the same command line."""
    ours = subprocess.run([native, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    theirs = subprocess.run(["wine", exe, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env,
                            timeout=300)
    return ours, theirs


def compare(native, exe, env, args, what):
    ours, theirs = both(native, exe, env, args)
    check(ours.returncode == 0 and theirs.returncode == 0,
          f"{what}: exit codes {ours.returncode} native, {theirs.returncode} Windows "
          f"({theirs.stderr.decode(errors='replace').strip()})")
    check(len(ours.stdout) > 0 and ours.stdout == theirs.stdout,
          f"{what}: {len(ours.stdout)} bytes native, {len(theirs.stdout)} Windows, "
          f"{'equal' if ours.stdout == theirs.stdout else 'different'}")
    if ours.stdout == theirs.stdout:
        print(f"same {len(ours.stdout)} bytes: {what}")


def compare_files(native, exe, env, song, work):
    mine, theirs = os.path.join(work, "native.wav"), os.path.join(work, "windows.wav")
    a, b = subprocess.run([native, song, "-o", mine], timeout=300), \
        subprocess.run(["wine", exe, song, "-o", theirs], env=env, stdout=subprocess.DEVNULL, timeout=300)
    check(a.returncode == 0 and b.returncode == 0, f"WAV of {song}: exit codes {a.returncode}, {b.returncode}")
    if a.returncode == 0 and b.returncode == 0:
        same = open(mine, "rb").read() == open(theirs, "rb").read()
        check(same, f"WAV of {song}: the files differ")
        if same:
            print(f"same {os.path.getsize(mine)} bytes: one pass of {os.path.basename(song)} as a WAV file")


def main():
    native, exe, songs, prefix = sys.argv[1:5]
    if not os.path.isfile(exe):
        print(f"skipped: {exe} does not exist (build the Windows tree first: tools/setup/build.sh win)")
        return SKIP
    env = wine_env(os.path.abspath(prefix))
    os.makedirs(os.path.dirname(os.path.abspath(prefix)), exist_ok=True)
    with open(os.path.abspath(prefix) + ".lock", "a+") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)  # one run at a time in this prefix
        try:
            ensure_prefix(prefix, env)
            work = tempfile.mkdtemp(prefix="zav-render-wine-")
            compare(native, exe, env, ["--seconds", "5", "-o", "-"], "5 s of the embedded song, raw")
            song = os.path.join(songs, "mario_is_a_weenie.xm")
            if os.path.isfile(song):
                compare(native, exe, env, [song, "-o", "-"], "one pass of mario_is_a_weenie.xm, raw")
                compare_files(native, exe, env, song, work)
            else:
                print(f"no test song at {song}: the embedded song only")
            bad = os.path.join(work, "not-a-module.xm")
            with open(bad, "wb") as f:
                f.write(b"Extended Modul")
            ours, theirs = both(native, exe, env, [bad, "-o", "-"])
            check(ours.returncode == 2 and theirs.returncode == 2,
                  f"a refused file: exit codes {ours.returncode} native, {theirs.returncode} Windows")
            check(theirs.stderr.count(b"\n") == 1, "a refused file: one line of reason under Windows too")
        finally:
            subprocess.run(["wineserver", "-k"], env=env, timeout=60)
    print(f"{len(failures)} failure(s)" if failures else "the Windows build writes the same bytes")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
