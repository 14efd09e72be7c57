#!/usr/bin/python3
"""The release bundles, made twice into two folders: the same bytes both times, each carrying the
very programs that were built, executable, with a README.txt in its system's line ends.

    check_bundle.py SOURCE_DIR BUILD_WIN_DIR BUILD_NATIVE_DIR WORK_DIR"""
import io
import os
import shutil
import subprocess
import sys
import tarfile
import zipfile

source, win, native, work = sys.argv[1:5]
shutil.rmtree(work, ignore_errors=True)
made = []
# The second run in another time zone and with another umask, which a bundle must not depend on.
for out, zone, umask in (("one", "UTC", 0o022), ("two", "Pacific/Kiritimati", 0o077)):
    subprocess.run([sys.executable, os.path.join(source, "tools", "release", "bundle.py"), "--win", win,
                    "--native", native, "--out", os.path.join(work, out)], check=True, stdout=subprocess.DEVNULL,
                   env=dict(os.environ, TZ=zone), preexec_fn=lambda umask=umask: os.umask(umask))
    made.append({name: open(os.path.join(work, out, name), "rb").read() for name in sorted(os.listdir(os.path.join(work, out)))})
failures = []
if made[0] != made[1] or len(made[0]) != 2:
    failures.append("the two runs gave other bundles: %s" % [sorted(m) for m in made])
built = lambda path: open(path, "rb").read()  # noqa: E731
for name, data in made[0].items():
    if name.endswith(".zip"):
        bundle = zipfile.ZipFile(io.BytesIO(data))
        files = {entry.filename: (bundle.read(entry), entry.external_attr >> 16) for entry in bundle.infolist()}
        program, readme = files.get("zav-pack.exe"), files.get("README.txt", (b"",))[0]
        expected, line_end = built(os.path.join(win, "packer", "zav-pack.exe")), b"\r\n"
    else:
        bundle = tarfile.open(fileobj=io.BytesIO(data))
        files = {entry.name.split("/", 1)[1]: (bundle.extractfile(entry).read(), entry.mode) for entry in bundle}
        program, readme = files.get("zav-pack"), files.get("README.txt", (b"",))[0]
        expected, line_end = built(os.path.join(native, "packer", "zav-pack")), b"\n"
    if program != (expected, 0o755):
        failures.append("%s: its program is not the built one, executable" % name)
    if not readme or readme.count(b"\n") != readme.count(line_end) or (line_end == b"\n" and b"\r" in readme):
        failures.append("%s: README.txt is missing or not in its system's line ends" % name)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
