"""End-to-end harness: the real program under Wine on a virtual screen, driven like a user.

A test script defines unittest classes, one per scenario, each with a Session of its own,
and ends with harness.main(), which takes the paths from the command line (see
tests/e2e/README.md), runs the tests under a time limit and prints a summary line:

    class Scenario(unittest.TestCase):
        @classmethod
        def setUpClass(cls):
            cls.session = harness.Session("scenario").start()
            cls.addClassCleanup(cls.session.close)
            cls.session.start_program()                        # waits for the window

        def test_something(self):
            state = self.session.window_state()                # rectangles, styles (Wine side)
            self.session.click_in_window(100, 149)             # the mouse, client coordinates
            picture = self.session.window_picture("shot.png")  # the window as it shows
            clip = self.session.audio_clip()                   # what has been played so far
            self.session.close_window()                        # WM_CLOSE
            self.assertEqual(self.session.wait_exit(), 0)

    if __name__ == "__main__":
        harness.main()
"""
import os
import signal
import sys
import unittest

from . import config as _config
from .audio import RATE, AudioCapture, AudioClip
from .image import Screenshot
from .proc import HarnessError, wait_until
from .session import WM_CLOSE, Button, Rect, Session as _Session, WindowState
from .wine import Program, TestCtl, WinePrefix, windows_path
from .xserver import VirtualDisplay

_live_sessions = []
_expired = []


class Session(_Session):
    """A session that uses the paths given to main() and is ended if the run is cut short."""

    def __init__(self, name, config=None, **options):
        super().__init__(config or _config.CONFIG, name, **options)

    def start(self):
        if _expired:
            raise HarnessError(f"the run's time of {_expired[0]} s is over; no new session")
        _live_sessions.append(self)
        return super().start()

    def close(self):
        if self in _live_sessions:
            _live_sessions.remove(self)
        return super().close()


def _close_live_sessions():
    for session in list(_live_sessions):
        try:
            session.close()
        except Exception as error:  # cleanup goes on with the other sessions
            print(f"cleanup of session {session.name} failed: {error}", file=sys.stderr)


def _watchdog(seconds):
    """Turns a run that takes too long into a failing test instead of a killed process."""
    def expire(signum, _frame):
        if signum == signal.SIGALRM:
            _expired.append(seconds)
            raise HarnessError(f"the end-to-end run took longer than {seconds} s")
        raise HarnessError(f"the end-to-end run was stopped by signal {signum}")
    signal.signal(signal.SIGALRM, expire)
    signal.signal(signal.SIGTERM, expire)
    signal.alarm(max(1, int(seconds)))


def _distinct(tests):
    """The tests, each once, a subtest standing for the test it belongs to."""
    seen = []
    for test in tests:
        test = getattr(test, "test_case", test)
        if test not in seen:
            seen.append(test)
    return seen


def main(needs=("program", "testctl")):
    """Runs the calling script's tests with the paths from the command line.

    Options: --program EXE --testctl EXE --prefix DIR --work DIR --timeout SECONDS; other
    arguments go to unittest. Prints one summary line and exits non-zero on any failure.
    """
    config, timeout, rest = _config.parse(sys.argv[1:], needs)
    _config.CONFIG = config
    os.makedirs(config.work_dir, exist_ok=True)
    _watchdog(timeout)
    name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
    try:
        program = unittest.main(module="__main__", argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    finally:
        signal.alarm(0)
        _close_live_sessions()
    result = program.result
    # A failing or skipped subtest counts once, as its test; a failed class set-up is reported
    # as a pseudo-test that was never counted as run.
    problems = _distinct([test for test, _ in result.failures + result.errors] + list(result.unexpectedSuccesses))
    skipped = [test for test in _distinct([test for test, _ in result.skipped]) if test not in problems]
    failed_tests = [test for test in problems if isinstance(test, unittest.TestCase)]
    passed = result.testsRun - len(failed_tests) - len(skipped)
    print(f"{name}: {passed} passed, {len(problems)} failed, {len(skipped)} skipped", flush=True)
    sys.exit(0 if result.wasSuccessful() and result.testsRun > 0 else 1)
