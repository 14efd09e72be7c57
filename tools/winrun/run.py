#!/usr/bin/python3
"""Runs the installer under Wine.

On a usable X display (DISPLAY set) the program simply runs there until it is closed.
Without one it runs on a virtual screen for a few seconds; then a screenshot, a picture of the
info dialog and what it played are saved, and it is closed the way a user's close request
would close it.
"""
import argparse
import os
import signal
import sys
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402
from harness.config import Config, MISSING_HELP  # noqa: E402
from harness.proc import run  # noqa: E402

CLOSE_SECONDS = 15
INFO_BUTTON = (128, 149)  # the centre of the Info button, client coordinates


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", help="the program (default build/win/ZAVInstaller.exe)")
    parser.add_argument("--testctl", help="the tests' helper (default build/win/tests/e2e/testctl/zav-testctl.exe)")
    parser.add_argument("--prefix", help="Wine prefix (default build/win/wineprefix)")
    parser.add_argument("--out", default=os.path.join(REPO, "build", "run"),
                        help="folder for the screenshot and the audio without a display (default build/run)")
    parser.add_argument("--seconds", type=float, default=6, help="run time without a display (default 6)")
    parser.add_argument("--headless", action="store_true", help="use a virtual screen even if DISPLAY is set")
    return parser.parse_args()


def fail(message):
    print(f"run: error: {message}", file=sys.stderr)
    sys.exit(1)


def display_usable():
    if not os.environ.get("DISPLAY"):
        return False
    try:
        code, _, _ = run(["xdotool", "getdisplaygeometry"], timeout=5, check=False)
    except harness.HarnessError:
        return False
    return code == 0


def run_on_display(config):
    prefix = harness.WinePrefix(config.prefix).lock(timeout=10)
    try:
        prefix.ensure(log=lambda text: print(f"run: {text}"))
        prefix.kill_server()  # a server left by a headless run would show on a dead screen
        prefix.set_window_management(True)
        os.makedirs(config.work_dir, exist_ok=True)
        print(f"run: {config.program} on {os.environ['DISPLAY']}; close its window to end")
        program = harness.Program(config.program, prefix.full_env(), os.path.join(config.work_dir, "program.log"))
        try:
            code = program.process.wait()
        except KeyboardInterrupt:
            program.kill()
            fail("interrupted; the program was stopped")
    finally:
        prefix.kill_server()
        prefix.unlock()
    if code != 0:
        fail(f"the program ended with exit code {code} (log: {program.log_path})")
    print("run: the program ended with exit code 0")


def save_info_dialog(session, path):
    """Opens the info dialog with its button, saves how it looks and closes it again."""
    session.click_in_window(*INFO_BUTTON)
    info = harness.wait_until(session.info_dialog, CLOSE_SECONDS, "the info dialog")
    session.screenshot().crop(*info["dialog"]).save_png(path)
    session.dialogs(close=True)
    harness.wait_until(lambda: session.info_dialog() is None, CLOSE_SECONDS, "the info dialog to close")


def run_headless(config, seconds, out):
    if not os.path.isfile(config.testctl):
        fail(f"{config.testctl} does not exist: {MISSING_HELP['testctl']}")
    os.makedirs(out, exist_ok=True)
    session = harness.Session("run", config=config)
    try:
        session.start()
        if session.prefix_seconds:
            print(f"run: created the Wine prefix in {session.prefix_seconds:.1f} s")
        print(f"run: {config.program} on the virtual screen {session.display.name} for {seconds:g} s")
        session.start_program()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if not session.program.running:
                fail(f"the program ended early with exit code {session.program.process.returncode}:\n"
                     f"{session.program.log_tail()}")
            time.sleep(0.1)
        screen = session.screenshot()
        screen.save_png(os.path.join(out, "screenshot.png"))
        state = session.window_state()
        if state is not None:
            screen.crop(*state.window).save_png(os.path.join(out, "window.png"))
            save_info_dialog(session, os.path.join(out, "info-dialog.png"))
        if not session.close_window():
            fail("the window was gone before WM_CLOSE could be posted")
        code = session.wait_exit(timeout=CLOSE_SECONDS)
    except harness.HarnessError as error:
        fail(str(error))
    finally:
        session.close()
    clip = session.audio.clip()
    clip.save_wav(os.path.join(out, "audio.wav"))
    print(f"run: screenshot   {os.path.join(out, 'screenshot.png')}")
    if state is not None:
        print(f"run: window       {os.path.join(out, 'window.png')}")
        print(f"run: info dialog  {os.path.join(out, 'info-dialog.png')}")
    print(f"run: audio        {os.path.join(out, 'audio.wav')} "
          f"({clip.seconds:.1f} s, RMS {clip.rms():.0f}, peak {clip.peak()})")
    print(f"run: logs         {session.work_dir}")
    if code != 0:
        fail(f"after WM_CLOSE the program ended with exit code {code}, not 0")
    print("run: closed with WM_CLOSE; exit code 0")


def main():
    args = parse_args()
    # A terminated run still ends what it started.
    signal.signal(signal.SIGTERM, lambda *_: fail("terminated"))
    config = Config(args.exe, args.testctl, args.prefix, os.path.join(REPO, "build", "e2e"))
    config.program, config.testctl = map(os.path.abspath, (config.program, config.testctl))
    if not os.path.isfile(config.program):
        fail(f"{config.program} does not exist: {MISSING_HELP['program']}")
    if not args.headless and display_usable():
        run_on_display(config)
    else:
        run_headless(config, args.seconds, os.path.abspath(args.out))


if __name__ == "__main__":
    main()
