#!/usr/bin/python3
"""The info dialog under a real mouse and keyboard: it opens at the text's first line, scrolls
up by itself about a line every 200 ms, takes no keys, and ends at a left click anywhere on it,
on the text as on the black margin; opened again, it starts from the first line again."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import splash  # noqa: E402

SCREEN = (1024, 768)
INFO_BUTTON_LEFT = 88
SCROLL_PERIOD = 0.2
WS_DISABLED = 0x08000000
WS_POPUP_VISIBLE = 0x90000000
WS_CAPTION = 0x00C00000
INFO_TEXT = os.path.join(os.path.dirname(__file__), "..", "..", "assets", "info.txt")
OPEN_TIMEOUT = 10.0  # guards against a hang only


class InfoDialog(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = session = harness.Session("info-dialog", screen=SCREEN).start()
        cls.addClassCleanup(session.close)
        session.display.mouse_move(0, 0)
        session.start_program()
        session.wait_until_draggable()

    def tearDown(self):
        if self.session.info_dialog():
            self.session.dialogs(close=True)
            self.wait_for(lambda: self.session.info_dialog() is None, "the info dialog to close")

    def wait_for(self, condition, what):
        deadline = time.monotonic() + OPEN_TIMEOUT
        while not condition():
            if time.monotonic() > deadline:
                self.fail(f"timed out waiting for {what}")
            time.sleep(0.05)

    def open_dialog(self):
        """Clicks the Info button; returns the dialog's first look and when it was taken."""
        self.session.click_in_window(INFO_BUTTON_LEFT + splash.BUTTON_WIDTH // 2,
                                     splash.BUTTON_TOP + splash.BUTTON_HEIGHT // 2)
        looks = []
        self.wait_for(lambda: looks.append(self.session.info_dialog()) or looks[-1], "the info dialog")
        return looks[-1], time.monotonic()

    def click_and_expect_closed(self, x, y):
        self.session.display.click(x, y)
        self.wait_for(lambda: self.session.info_dialog() is None, "a click to close the info dialog")
        self.assertIsNotNone(self.session.window_state(), "the splash window went away with the dialog")

    def test_opens_at_the_first_line_and_scrolls_by_itself(self):
        first, opened = self.open_dialog()
        self.assertLessEqual(first["first"], 2, "the text does not start at its first line")
        self.assertEqual(first["dialog-style"] & WS_POPUP_VISIBLE, WS_POPUP_VISIBLE)
        self.assertEqual(first["dialog-style"] & WS_CAPTION, 0, "the dialog has a caption or border")
        self.assertTrue(first["edit-style"] & WS_DISABLED, "the text would take input")
        time.sleep(2.0)
        later = self.session.info_dialog()
        elapsed = time.monotonic() - opened
        with open(INFO_TEXT, "rb") as text:
            self.assertEqual(later["length"], len(text.read()), "the edit control holds the info text")
        moved = later["first"] - first["first"]
        # A line every 200 ms; the bounds are loose because the looks themselves take time.
        self.assertGreaterEqual(moved, int(elapsed / SCROLL_PERIOD * 0.5), f"{moved} lines in {elapsed:.1f} s")
        self.assertLessEqual(moved, int(elapsed / SCROLL_PERIOD * 1.5) + 1, f"{moved} lines in {elapsed:.1f} s")
        edit = later["edit"]
        self.click_and_expect_closed(edit.x + edit.width // 2, edit.y + edit.height // 2)

    def test_enter_and_escape_leave_it_open_and_a_click_on_the_margin_ends_it(self):
        self.open_dialog()
        self.session.display.key("Return")
        self.session.display.key("Escape")
        time.sleep(0.5)
        info = self.session.info_dialog()
        self.assertIsNotNone(info, "a key ended the info dialog")
        dialog = info["dialog"]
        self.click_and_expect_closed(dialog.x + 3, dialog.y + 3)

    def test_opened_again_it_starts_from_the_first_line(self):
        self.open_dialog()
        time.sleep(1.5)
        scrolled = self.session.info_dialog()
        self.assertGreater(scrolled["first"], 2, "the text did not scroll")
        self.click_and_expect_closed(scrolled["edit"].x + 10, scrolled["edit"].y + 10)
        again, _ = self.open_dialog()
        self.assertLessEqual(again["first"], 2, "the reopened dialog kept the old scroll position")


if __name__ == "__main__":
    harness.main()
