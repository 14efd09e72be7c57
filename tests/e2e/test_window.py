#!/usr/bin/python3
"""The splash window as a user meets it: centred, frameless, three named buttons and its status
as text for screen readers, sharp at any display scaling, closes cleanly."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
# The system adds this one to every top-level window, whatever the program asked for.
WS_CLIPSIBLINGS = 0x04000000
FOCUSABLE_OWNER_DRAWN = 0x5001000B  # WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW
STATUS_CONTROL = 0x50000080  # WS_CHILD | WS_VISIBLE | SS_NOPREFIX
WIDTH, HEIGHT = 416, 180
BUTTONS = ((10, 4, "&Install"), (11, 88, "&About"), (12, 172, "E&xit"))


def centred(screen_width, screen_height, scale=1):
    return harness.Rect((screen_width - WIDTH * scale) // 2, (screen_height - HEIGHT * scale) // 2,
                        WIDTH * scale, HEIGHT * scale)


class WindowOnScreen(unittest.TestCase):
    """Base of the scenarios: one session per class, the program started and shown."""
    screen = (1024, 768)
    dpi = 96

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session(f"window-{cls.__name__}", screen=cls.screen, dpi=cls.dpi).start()
        cls.addClassCleanup(cls.session.close)
        cls.session.start_program()
        cls.x_window = cls.session.wait_for_window()
        cls.state = cls.session.window_state()
        if cls.state is None:
            raise harness.HarnessError("zav-testctl finds no window of the class \"ZAV Installer\"")


class CentredFramelessWindow(WindowOnScreen):
    def test_window_is_416_by_180_in_the_middle_of_the_screen(self):
        self.assertEqual(self.state.window, harness.Rect(304, 294, WIDTH, HEIGHT))
        self.assertTrue(self.state.visible)

    def test_window_has_no_frame_and_no_extra_styles(self):
        self.assertEqual(hex(self.state.style & ~WS_CLIPSIBLINGS), hex(WS_POPUP | WS_VISIBLE))
        self.assertEqual(self.state.ex_style, 0)
        self.assertEqual(self.state.client, self.state.window, "client area differs from the window: a frame")

    def test_x_window_is_exactly_the_windows_window(self):
        # With no window manager on the screen, a frame would have to be drawn inside the X
        # window, which would then be larger than the client area.
        self.assertEqual(harness.Rect(*self.session.display.window_geometry(self.x_window)), self.state.window)

    def test_three_named_focusable_buttons_left_to_right_and_the_status_as_text(self):
        # Push buttons that the platform does not draw, named as a screen reader reads them,
        # with their Alt keys marked; the status line's text in a control of its own.
        *buttons, status = self.session.buttons()
        self.assertEqual([(b.id, b.rect, b.text) for b in buttons],
                         [(id_, harness.Rect(left, 139, 80, 20), name) for id_, left, name in BUTTONS])
        for button in buttons:
            self.assertEqual(button.class_name.lower(), "button")
            self.assertEqual(hex(button.style), hex(FOCUSABLE_OWNER_DRAWN))
        self.assertEqual((status.class_name.lower(), hex(status.style), status.text),
                         ("static", hex(STATUS_CONTROL), "M: music off"))
        self.assertEqual(self.session.focus(), 10, "the install button has not the focus")


class CentredOnALargerScreen(WindowOnScreen):
    screen = (1280, 1024)

    def test_window_is_centred_on_1280_by_1024(self):
        self.assertEqual(self.state.window, centred(*self.screen))


class ScaledByTwo(WindowOnScreen):
    """At 144 dpi (150 %) every pixel of the splash is a sharp 2 x 2 block, the controls where
    the doubled pictures are, and it still opens its browser and moves when dragged."""
    dpi = 144
    scale = 2

    def test_window_buttons_and_pixels_are_doubled(self):
        self.assertEqual(self.state.window, centred(*self.screen, self.scale))
        buttons = self.session.buttons()[:3]
        k = self.scale
        self.assertEqual([b.rect for b in buttons],
                         [harness.Rect(left * k, 139 * k, 80 * k, 20 * k) for _, left, _ in BUTTONS])
        self.session.wait_until_draggable()
        picture = self.session.window_picture(self.session.path("scaled.png"))
        # A look may catch two frames, torn at one row: blocks cut by it are left out.
        torn_rows = {y for y in range(0, picture.height, k) for x in range(0, picture.width, k)
                     if len({picture.pixel(x + dx, y + dy) for dx in range(k) for dy in range(k)}) > 1}
        self.assertLessEqual(len(torn_rows), 1, f"rows of blocks that are no k x k blocks: {sorted(torn_rows)[:10]}")

    def test_the_doubled_install_button_opens_the_browser_and_the_window_drags(self):
        self.session.wait_until_draggable()
        self.session.click_in_window(2 * 44, 2 * 149)
        opened = harness.wait_until(self.session.dialogs, 10, "the folder browser to open")
        self.session.dialogs(close=True)
        harness.wait_until(lambda: self.session.dialogs() == [], 10, f"the dialog {opened} to close")
        before = self.session.window_state().window
        start = self.session.on_screen(*harness.session.BACKGROUND_POINT)
        self.session.display.drag(start, (start[0] + 30, start[1] + 20))
        after = harness.wait_until(lambda: self.session.window_state().window != before
                                   and self.session.window_state().window, 5, "the window to move")
        self.assertEqual(after[:2], (before.x + 30, before.y + 20))


class ScaledByTwoAt192Dpi(ScaledByTwo):
    """200 %: still a whole factor of two, rounded to the nearest."""
    dpi = 192


class CloseMessageEndsTheProcess(WindowOnScreen):
    def test_wm_close_ends_the_process_with_exit_code_0(self):
        self.assertTrue(self.session.close_window(), "WM_CLOSE could not be posted")
        self.assertEqual(self.session.wait_exit(timeout=10), 0)
        self.assertIsNone(self.session.window_state(), "the window outlived its process")


if __name__ == "__main__":
    harness.main()
