#!/usr/bin/python3
"""Install time of a 20 MB payload under Wine, next to cabextract of the same cabinet, and the
longest time the installer's window went without handling a message meanwhile.

Packs the packed-installer test's payload (one 20 MB random file and 3,000 small files) with
zav-pack and fixed file times, installs it through the folder browser as a user would, and times
from "Installing..." to the outcome on the status line (read from the program's memory).
cabextract unpacks the cabinet that the installer carries into a folder of this machine.

    bench/install/install_time.py [--runs 3] [--zav-pack build/native/packer/zav-pack] [--compression lzx]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402
from test_install import COMPLETED, INSTALLING, StatusReader, write  # noqa: E402
from test_packed import data_blocks, make_payload  # noqa: E402


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--zav-pack", default=os.path.join(REPO, "build", "native", "packer", "zav-pack"))
    parser.add_argument("--compression", default="lzx", help="zav-pack's --compression (lzx, mszip, none)")
    return parser.parse_args()


def install_once(session, status, folder):
    """Seconds from OK to the outcome, and the window's longest time without handling a message."""
    session.click_in_window(44, 149)
    harness.wait_until(lambda: session.testctl.facts("browser"), 10, "the folder browser")
    session.testctl.call("browser-select", f"Q:\\{folder}")
    watch = session.testctl.start("responsiveness", "30", output_path=session.path(f"{folder}.txt"))
    time.sleep(0.5)
    session.testctl.call("browser-press", "ok")
    harness.wait_until(lambda: status.read() == INSTALLING, 30, "the install to start", interval=0.0005)
    started = time.monotonic()
    harness.wait_until(lambda: status.read() != INSTALLING, 300, "the outcome", interval=0.0005)
    seconds = time.monotonic() - started
    if status.read() != COMPLETED:
        raise harness.HarnessError(f"the install ended with {status.read()}")
    return seconds, int(watch.finish(60)["longest-ms"][0])


def main():
    args = parse_args()
    work = tempfile.mkdtemp(prefix="zav-install-bench.")
    try:
        payload, program = os.path.join(work, "payload"), os.path.join(work, "setup.exe")
        make_payload(payload)
        subprocess.run([args.zav_pack, "--payload", payload, "--compression", args.compression, "-o", program], check=True,
                       stdout=subprocess.DEVNULL, env=dict(os.environ, SOURCE_DATE_EPOCH="1767268800"))
        cabinet = os.path.join(work, "payload.cab")
        write(cabinet, data_blocks(program)[0])
        with harness.Session("bench-install", audio=False) as session:
            drive = session.path("drive")
            for run in range(args.runs):
                os.makedirs(os.path.join(drive, f"run{run}"))
            session.prefix.map_drive("q", drive)
            try:
                session.start_program(program)
                session.wait_until_draggable()
                status = StatusReader(session)
                results = [install_once(session, status, f"run{run}") for run in range(args.runs)]
            finally:
                session.prefix.unmap_drive("q")
        extracted = []
        for run in range(args.runs):
            out = os.path.join(work, f"cabextract{run}")
            started = time.monotonic()
            subprocess.run(["cabextract", "-q", "-d", out, cabinet], check=True)
            extracted.append(time.monotonic() - started)
        print(f"payload: {os.path.getsize(cabinet)} bytes packed, best of {args.runs}")
        print(f"installer under Wine: {min(s for s, _ in results):.2f} s "
              f"(longest without handling a message: {min(m for _, m in results)}-{max(m for _, m in results)} ms)")
        print(f"cabextract:           {min(extracted):.2f} s")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
