#!/usr/bin/python3
"""Every way out, at every moment: WM_CLOSE and the Exit command before the window's first
paint, during its fade-in and while it animates all end the process with exit code 0 within
two seconds of the close being posted or clicked."""
import os
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import splash  # noqa: E402

SCREEN = (1024, 768)
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
EXIT_COMMAND = 12      # the Exit button's control id
WITHIN_MS = 2000
# The fade-in alone is 256 steps of a 3 ms sleep each. A program that ends sooner than this
# after its window appeared cannot have started it, so the close came before the first paint;
# the margin allows for a sleep that ends a little early.
SHORTER_THAN_ANY_FADE_IN_MS = 500
EXIT_CENTRE = (212, 149)  # the Exit button's middle, in the window
CLOSES = (("WM_CLOSE", WM_CLOSE, 0), ("the Exit command", WM_COMMAND, EXIT_COMMAND))
# Real key presses that close the splash: Escape and Alt+F4 as the close message does, Tab twice
# to Exit and Enter, and Exit's own Alt key.
CLOSING_KEYS = (("Escape",), ("alt+F4",), ("Tab", "Tab", "Return"), ("alt+x",))


def exit_clock(process):
    """Notes the moment the process ends; the function returned gives it (None until then)."""
    ended = []
    threading.Thread(target=lambda: (process.wait(), ended.append(time.monotonic())), daemon=True).start()
    return lambda: ended[0] if ended else None


class ClosingSession(unittest.TestCase):
    """A session per scenario, in which each test runs the program afresh."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session(f"close-{cls.__name__}", screen=SCREEN).start()
        cls.addClassCleanup(cls.session.close)
        cls.references = splash.References(cls.session)

    def setUp(self):
        self.addCleanup(self.end_leftover_program)

    def end_leftover_program(self):
        """A program that did not end as it should must not hold up the next test."""
        program = self.session.program
        if program is not None and program.running:
            program.kill()

    def start(self):
        self.end_leftover_program()
        self.session.display.mouse_move(0, 0)
        self.session.start_program(wait_for_window=False)

    def assert_ended_in_time(self, facts, what):
        self.assertIsNotNone(facts["exit-ms"], f"the program still ran 10 s after {what}")
        self.assertLessEqual(facts["exit-ms"], WITHIN_MS, f"the program took too long to end after {what}")
        self.assertEqual(facts["exit-code"], 0)
        self.assertEqual(self.session.wait_exit(timeout=10), 0)

    def watch_until_gone(self, position, timeout=10):
        """Looks at the window's place until the program has ended; the looks."""
        looks = []
        deadline = time.monotonic() + timeout
        while self.session.program.running and time.monotonic() < deadline:
            looks.append(splash.look(self.session, position))
        return looks

    def assert_no_animated_frame(self, looks):
        animated = [i for i, shot in enumerate(looks) if splash.is_animated(shot.picture, self.references)]
        self.assertEqual(animated, [], "animated frames showed after a close during the fade-in")


class CloseBeforeTheFirstPaint(ClosingSession):
    def test_close_posted_the_instant_the_window_exists(self):
        for name, message, wparam in CLOSES:
            with self.subTest(close=name):
                self.end_leftover_program()
                facts = self.session.start_program_and_post_at_once(message, wparam, seconds=10)
                self.assert_ended_in_time(facts, name)
                since_window = facts["unseen-us"] / 1000 + facts["exit-ms"]
                self.assertLess(since_window, SHORTER_THAN_ANY_FADE_IN_MS,
                                f"the program ended {since_window:.0f} ms after its window appeared: "
                                "the close may have come after the first paint")


class CloseDuringTheFadeIn(ClosingSession):
    def post_during_fade_in(self, message, wparam):
        self.start()
        position = splash.centred(SCREEN)
        splash.wait_for_fade_in(self.session, self.references, position, before_step=100)
        looks = []
        facts = self.session.post_and_time_exit(
            message, wparam, while_waiting=lambda: looks.extend(self.watch_until_gone(position)))
        return facts, looks

    def test_close_during_the_fade_in(self):
        for name, message, wparam in CLOSES:
            with self.subTest(close=name):
                facts, looks = self.post_during_fade_in(message, wparam)
                self.assert_ended_in_time(facts, name)
                if facts["hittest"] == harness.session.HTCAPTION:
                    self.skipTest("the fade-in had ended when the close went out; nothing to learn")
                self.assert_no_animated_frame(looks)

    def test_exit_clicked_during_the_fade_in(self):
        self.start()
        position = splash.centred(SCREEN)
        seen = splash.wait_for_fade_in(self.session, self.references, position, before_step=100)
        self.session.display.mouse_move(position[0] + EXIT_CENTRE[0], position[1] + EXIT_CENTRE[1])
        ended = exit_clock(self.session.program.process)
        clicked = time.monotonic()
        self.session.display.xdotool("click", "1")
        # At least 155 steps of 3 ms each were still to come when the fade-in was seen.
        if clicked - seen.before > 0.4:
            self.skipTest("the click came too long after the fade-in was seen to be sure it was in it")
        looks = self.watch_until_gone(position)
        self.assertFalse(self.session.program.running, "the program still ran 10 s after Exit was clicked")
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertLessEqual((harness.wait_until(ended, 2, "the end to be noted") - clicked) * 1000, WITHIN_MS, "the program took too long to end after Exit")
        self.assert_no_animated_frame(looks)


class CloseWhileAnimating(ClosingSession):
    def test_close_while_the_splash_animates(self):
        for name, message, wparam in CLOSES:
            with self.subTest(close=name):
                self.start()
                self.session.wait_for_window()
                self.session.wait_until_draggable()
                facts = self.session.post_and_time_exit(message, wparam, seconds=10)
                self.assertEqual(facts["hittest"], harness.session.HTCAPTION)
                self.assert_ended_in_time(facts, name)

    def test_keys_that_close_the_splash(self):
        for keys in CLOSING_KEYS:
            with self.subTest(keys=keys):
                self.start()
                self.session.wait_for_window()
                self.session.wait_until_draggable()
                for key in keys:
                    self.session.display.key(key)
                self.assertEqual(self.session.wait_exit(timeout=10), 0)

    def test_exit_clicked_while_the_splash_animates(self):
        self.start()
        self.session.wait_for_window()
        self.session.wait_until_draggable()
        self.session.move_mouse_into_window(*EXIT_CENTRE)
        ended = exit_clock(self.session.program.process)
        clicked = time.monotonic()
        self.session.display.xdotool("click", "1")
        self.assertEqual(self.session.wait_exit(timeout=10), 0)
        self.assertLessEqual((harness.wait_until(ended, 2, "the end to be noted") - clicked) * 1000, WITHIN_MS, "the program took too long to end after Exit")


if __name__ == "__main__":
    harness.main()
