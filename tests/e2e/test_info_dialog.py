#!/usr/bin/python3
"""The info dialog under a real mouse and keyboard: it opens at the text's first line, scrolls
up by itself about a line every 200 ms, takes no keys, and ends at a left click anywhere on it,
on the text as on the black margin; opened again, it starts from the first line again. On the
screen the text shows as a Windows user sees it: the art in the Terminal font's 6 x 8 cells,
one screen line for each line of the text."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import splash  # noqa: E402
from harness.terminal_font import Cells  # noqa: E402

SCREEN = (1024, 768)
INFO_BUTTON_LEFT = 88
SCROLL_PERIOD = 0.2
WS_DISABLED = 0x08000000
WS_POPUP_VISIBLE = 0x90000000
WS_CAPTION = 0x00C00000
INFO_TEXT = os.path.join(os.path.dirname(__file__), "..", "..", "assets", "info.txt")
OPEN_TIMEOUT = 10.0  # guards against a hang only
with open(INFO_TEXT, "rb") as text:
    LINES = text.read().split(b"\r\n")
TEXT_COLOUR = (29, 65, 171)
FONT = Cells(8)
BAR, SHADE = b"\xdb" * 8, b"\xb1"


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

    def look_at_text(self):
        """(first line shown, the text colour's pixels of each whole screen line relative to its
        top left, the dialog's facts). Of the first lines reported around the screenshot (the
        text scrolls meanwhile), the one whose lines the screen matches best is taken."""
        before = self.session.info_dialog()
        picture = self.session.screenshot()
        info = self.session.info_dialog()
        edit = info["edit"]
        rows = [set() for _ in range(edit.height // FONT.height)]
        for y in range(len(rows) * FONT.height):
            for x in range(edit.width):
                if picture.pixel(edit.x + x, edit.y + y) == TEXT_COLOUR:
                    rows[y // FONT.height].add((x, y % FONT.height))

        def differences(first):
            return sum(len(row ^ FONT.text_pixels(line)) for row, line in zip(rows, LINES[first:]))
        return min(range(before["first"], info["first"] + 1), key=differences), rows, info

    def test_shows_the_art_line_for_line_in_terminal_cells(self):
        self.open_dialog()
        for _ in range(3):  # a look taken while a scroll was being drawn shows half of it
            first, rows, info = self.look_at_text()
            if all(row == FONT.text_pixels(line) for row, line in zip(rows, LINES[first:])):
                break
        self.assertEqual(info["lines"], len(LINES), "the edit control wraps lines")
        shown = LINES[first:first + len(rows)]
        row = next(k for k, line in enumerate(shown) if BAR in line)
        left = shown[row].index(BAR) * FONT.width
        bar = {(x, y) for x in range(left, left + len(BAR) * FONT.width) for y in range(FONT.height)}
        self.assertLessEqual(bar, rows[row], "a run of full blocks is not one unbroken bar")
        row = next(k for k, line in enumerate(shown) if SHADE in line)
        left = shown[row].index(SHADE) * FONT.width
        cell = {(x - left, y) for x, y in rows[row] if left <= x < left + FONT.width}
        self.assertEqual(cell, FONT.text_pixels(SHADE), "the medium shade's dot pattern")
        for k, line in enumerate(shown):
            self.assertEqual(rows[k], FONT.text_pixels(line),
                             f"screen line {k} is not line {first + k} of the text in 6 x 8 cells")

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
