#!/usr/bin/python3
"""The splash window as a user meets it: centred, frameless, three buttons, closes cleanly."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
# The system adds this one to every top-level window, whatever the program asked for.
WS_CLIPSIBLINGS = 0x04000000
SS_CHILD_NOTIFY = 0x50000100  # WS_CHILD | WS_VISIBLE | SS_NOTIFY
WIDTH, HEIGHT = 416, 180


def centred(screen_width, screen_height):
    return harness.Rect((screen_width - WIDTH) // 2, (screen_height - HEIGHT) // 2, WIDTH, HEIGHT)


class WindowOnScreen(unittest.TestCase):
    """Base of the scenarios: one session per class, the program started and shown."""
    screen = (1024, 768)

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session(f"window-{cls.__name__}", screen=cls.screen).start()
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

    def test_three_picture_buttons_left_to_right(self):
        buttons = self.session.buttons()
        self.assertEqual([(b.id, b.rect) for b in buttons],
                         [(10, harness.Rect(4, 139, 80, 20)),
                          (11, harness.Rect(88, 139, 80, 20)),
                          (12, harness.Rect(172, 139, 80, 20))])
        for button in buttons:
            self.assertEqual(button.class_name.lower(), "static")
            self.assertEqual(hex(button.style), hex(SS_CHILD_NOTIFY))


class CentredOnALargerScreen(WindowOnScreen):
    screen = (1280, 1024)

    def test_window_is_centred_on_1280_by_1024(self):
        self.assertEqual(self.state.window, centred(*self.screen))


class CloseMessageEndsTheProcess(WindowOnScreen):
    def test_wm_close_ends_the_process_with_exit_code_0(self):
        self.assertTrue(self.session.close_window(), "WM_CLOSE could not be posted")
        self.assertEqual(self.session.wait_exit(timeout=10), 0)
        self.assertIsNone(self.session.window_state(), "the window outlived its process")


if __name__ == "__main__":
    harness.main()
