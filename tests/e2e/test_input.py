#!/usr/bin/python3
"""The splash under a real mouse and keyboard: buttons that turn solid under the pointer and fade
back when it leaves, a window that can be dragged by its background once its fade-in is over,
but never by a button, and buttons that Tab goes round and Enter presses."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import splash  # noqa: E402

SCREEN = (1024, 768)
BACKGROUND = harness.session.BACKGROUND_POINT  # clear of buttons, scroller and status line
DRAG = (60, 40)
FADE_TIMEOUT = 3.0  # a fade takes 15 frames; this only guards against a hang


def button_centre(left):
    return left + splash.BUTTON_WIDTH // 2, splash.BUTTON_TOP + splash.BUTTON_HEIGHT // 2


class SplashSession(unittest.TestCase):
    """Base of the scenarios: the program started with the pointer away from its window."""
    wait_for_animation = True

    @classmethod
    def setUpClass(cls):
        cls.session = session = harness.Session(f"input-{cls.__name__}", screen=SCREEN).start()
        cls.addClassCleanup(session.close)
        cls.references = splash.References(session)
        session.display.mouse_move(0, 0)
        session.start_program()
        if cls.wait_for_animation:
            session.wait_until_draggable()

    def window_position(self):
        return self.session.window_state().window[:2]


class HoverFades(SplashSession):
    def look_at_levels(self, names, position):
        """One look: (levels by name, text pixels, look)."""
        lefts = {name: left for name, _, _, left in splash.BUTTONS}
        shot = splash.look(self.session, position)
        levels = {name: splash.button_levels(shot.picture, self.references, name, lefts[name]) for name in names}
        for name in names:
            if not levels[name]:
                shot.picture.save_png(self.session.path(f"{name}-no-level.png"))
                self.fail(f"the {name} button shows no fade level over the frame beneath")
        return levels, splash.text_pixels(shot.picture), shot

    def watch_levels(self, names, until, position, first=None):
        """Looks at the window until `until(levels)` holds for the buttons named; returns the
        looks, after `first` if given."""
        looks = [first] if first else []
        deadline = time.monotonic() + FADE_TIMEOUT
        while True:
            looks.append(self.look_at_levels(names, position))
            if until({name: found[0] for name, found in looks[-1][0].items()}):
                return looks
            if time.monotonic() > deadline:
                self.fail(f"the buttons {names} did not settle within {FADE_TIMEOUT} s: {looks[-1][0]}")

    def assert_one_level_a_frame(self, looks, name, towards):
        """The level moves one step a frame until it reaches `towards`; the text's travel
        between two looks tells the frames between them.

        It never moves faster, from any look to any later one, the first look (taken before the
        pointer moved) included. Between neighbouring looks it moves exactly that fast, once it
        has begun to move: a look still at the level the fade starts from may show a frame
        drawn before the pointer's move took effect. A torn look (see splash) can have its
        text a frame ahead of its buttons, hence one level of slack."""
        origin = splash.SOLID if towards == splash.HALF else splash.HALF

        def moved(level, frames):
            return max(level - frames, towards) if towards == splash.SOLID else min(level + frames, towards)

        for i, (levels_before, text_before, _) in enumerate(looks):
            for j, (levels_after, text_after, _) in enumerate(looks[i + 1:], start=i + 1):
                before, after = levels_before[name], levels_after[name]
                frames = splash.scroll_distance(text_before, text_after)
                if frames is None:
                    continue
                furthest = {moved(level, frames + 1) for level in before}
                self.assertTrue(any(abs(a - towards) >= abs(f - towards) for f in furthest for a in after),
                                f"{name}: level {before}, then {frames} frames later already {after}")
                if j == i + 1 and origin not in before:
                    expected = {moved(level, frames) for level in before}
                    self.assertTrue(any(abs(e - a) <= 1 for e in expected for a in after),
                                    f"{name}: level {before}, then {frames} frames later {after}, "
                                    f"not {sorted(expected)}")

    def test_pointer_over_a_button_makes_it_solid_and_leaving_makes_it_half_transparent(self):
        position = self.window_position()
        for name, _, _, left in splash.BUTTONS:
            with self.subTest(button=name):
                first = self.look_at_levels([name], position)
                self.session.move_mouse_into_window(*button_centre(left))
                looks = self.watch_levels([name], lambda levels: levels[name] == splash.SOLID, position, first)
                self.assert_one_level_a_frame(looks, name, splash.SOLID)
                first = self.look_at_levels([name], position)
                self.session.move_mouse_into_window(*BACKGROUND)
                looks = self.watch_levels([name], lambda levels: levels[name] == splash.HALF, position, first)
                self.assert_one_level_a_frame(looks, name, splash.HALF)

    def test_moving_from_one_button_to_another_fades_both_at_once(self):
        # Install falls back while Exit turns solid, one step a frame each; the hot button may
        # change between the two buttons' turns within one frame, which costs one step.
        position = self.window_position()
        install, exit_ = splash.BUTTONS[0][3], splash.BUTTONS[2][3]
        self.session.move_mouse_into_window(*button_centre(install))
        self.watch_levels(["install"], lambda levels: levels["install"] == splash.SOLID, position)
        self.session.move_mouse_into_window(*button_centre(exit_))
        looks = self.watch_levels(["install", "exit"], lambda levels: levels["install"] == splash.HALF
                                  and levels["exit"] == splash.SOLID, position)
        for levels, _, _ in looks:
            sums = {a + b for a in levels["install"] for b in levels["exit"]}
            self.assertTrue(sums & {14, 15}, f"the two fades did not run in step: {levels}")
        self.session.move_mouse_into_window(*BACKGROUND)
        self.watch_levels(["exit"], lambda levels: levels["exit"] == splash.HALF, position)

    def test_gap_between_two_buttons_counts_as_background(self):
        position = self.window_position()
        install = splash.BUTTONS[0][3]
        self.session.move_mouse_into_window(*button_centre(install))
        self.watch_levels(["install"], lambda levels: levels["install"] == splash.SOLID, position)
        gap = install + splash.BUTTON_WIDTH + 1  # the 4 columns between Install and Info
        self.session.move_mouse_into_window(gap, button_centre(install)[1])
        self.watch_levels(["install", "info"], lambda levels: levels["install"] == splash.HALF
                          and levels["info"] == splash.HALF, position)


class DragDuringFadeIn(SplashSession):
    wait_for_animation = False

    def test_drag_on_the_background_during_the_fade_in_does_not_move_the_window(self):
        position = splash.centred(SCREEN)
        splash.wait_for_fade_in(self.session, self.references, position, before_step=100)
        start = (position[0] + BACKGROUND[0], position[1] + BACKGROUND[1])
        self.session.display.drag(start, (start[0] + DRAG[0], start[1] + DRAG[1]), steps=4, pause=0.01)
        # Still fading once the button is up: the whole drag fell within the fade-in. Where
        # the fade-in shows, in its place or dragged along, tells whether the window moved.
        screen = self.session.screenshot()
        fading = {place: splash.is_fade_in_step(screen.crop(*place, splash.WIDTH, splash.HEIGHT).rgb,
                                                splash.black(), self.references.background.rgb, 1, 254)
                  for place in (position, (position[0] + DRAG[0], position[1] + DRAG[1]))}
        self.assertFalse(fading[(position[0] + DRAG[0], position[1] + DRAG[1])],
                         "the window moved with the drag during its fade-in")
        if not fading[position]:
            self.skipTest("the fade-in ended before the drag did; nothing to learn from this run")
        self.assertEqual(self.window_position(), position, "the window moved during its fade-in")
        self.session.wait_until_draggable()
        self.assertEqual(self.window_position(), position, "the window moved after its fade-in")


class DragWhileRunning(SplashSession):
    def test_drag_on_the_background_moves_the_window_by_the_pointers_travel(self):
        before = self.window_position()
        start = self.session.on_screen(*BACKGROUND)
        self.session.display.drag(start, (start[0] + DRAG[0], start[1] + DRAG[1]))
        after = harness.wait_until(lambda: self.window_position() != before and self.window_position(),
                                   5, "the window to move")
        self.assertEqual(after, (before[0] + DRAG[0], before[1] + DRAG[1]))
        # The animation goes on in the window's new place.
        shot = splash.look(self.session, after)
        self.assertTrue(splash.is_animated(shot.picture, self.references),
                        "the window's new place does not show the animated splash")
        self.session.display.drag(self.session.on_screen(*BACKGROUND), start)
        harness.wait_until(lambda: self.window_position() == before, 5, "the window to move back")

    def test_press_on_a_button_runs_its_command_and_never_moves_the_window(self):
        # Exit is left out: its press ends the program. Install opens the folder browser and
        # Info the info dialog, both modal; each is closed again before the next press.
        for name, _, _, left in splash.BUTTONS[:2]:
            with self.subTest(button=name):
                before = self.window_position()
                start = self.session.on_screen(*button_centre(left))
                self.session.display.drag(start, (start[0] + DRAG[0], start[1] + DRAG[1]))
                opened = harness.wait_until(self.session.dialogs, 10, f"the {name} button's dialog to open")
                self.assertEqual(self.window_position(), before)
                self.session.dialogs(close=True)
                harness.wait_until(lambda: self.session.dialogs() == [], 10,
                                   f"the dialog {opened} to close")
                self.assertTrue(self.session.program.running)
                self.assertEqual(self.window_position(), before)

class Keyboard(SplashSession):
    """Real key presses: the focus starts on Install, unseen until the first key; Tab and
    Shift+Tab go round the three buttons; Enter presses the focused one."""

    def focus_after(self, key):
        self.session.display.key(key)
        return harness.wait_until(self.session.focus, 5, f"a focused control after {key}")

    def test_tab_goes_round_the_buttons_and_the_focused_one_shows_solid(self):
        self.assertEqual(self.session.focus(), 10)
        position = self.window_position()
        lefts = {name: left for name, _, _, left in splash.BUTTONS}
        order = []
        for key in ("Tab", "Tab", "Tab", "shift+Tab", "Tab"):
            order.append(self.focus_after(key))
        self.assertEqual(order, [11, 12, 10, 12, 10])
        # Once shown, the focus is drawn as the pointer's hover is.
        def install_solid():
            shot = splash.look(self.session, position)
            return splash.button_levels(shot.picture, self.references, "install", lefts["install"]) == [splash.SOLID]
        harness.wait_until(install_solid, FADE_TIMEOUT, "the focused install button to show solid")

    def test_alt_a_opens_the_info_dialog_and_alt_f4_closes_it_alone(self):
        self.session.display.key("alt+a")
        harness.wait_until(self.session.dialogs, 10, "the info dialog to open")
        self.session.display.key("alt+F4")
        harness.wait_until(lambda: self.session.dialogs() == [], 10, "the info dialog to close")
        self.assertTrue(self.session.program.running, "Alt+F4 in the info dialog ended the program")

    def test_enter_or_space_opens_the_browser_and_escape_there_comes_back(self):
        self.assertEqual(self.focus_after("shift+Tab"), 12)
        self.assertEqual(self.focus_after("Tab"), 10)
        for press in ("Return", "space"):
            self.session.display.key(press)
            harness.wait_until(self.session.dialogs, 10, f"the folder browser to open on {press}")
            self.session.display.key("Escape")
            harness.wait_until(lambda: self.session.dialogs() == [], 10, "the browser to close")
            self.assertTrue(self.session.program.running)
            self.assertEqual(harness.wait_until(self.session.focus, 5, "the focus back on the splash"), 10)


if __name__ == "__main__":
    harness.main()
