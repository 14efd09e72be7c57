#!/usr/bin/python3
"""The splash as it opens and burns: the fade-in from the screen to the background picture,
then the fire, the credits scroller, the music key's hint on the status line and the
half-transparent buttons, as seen on the screen; and with the system's animations off, the
picture at once under a fire that stands still."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import splash  # noqa: E402
from harness.image import Screenshot  # noqa: E402
from harness.terminal_font import Cells  # noqa: E402

SCREEN = (1024, 768)
RECORD_AFTER_FADE_IN = 3.0  # seconds of animation looked at
SLEEP_PER_FRAME = 0.009     # a frame sleeps 10 ms; a little less allows for the clock's grain
MUSIC_HINT = "M: music off"


def screen_pattern(width, height):
    """A picture for the screen in which neighbouring pixels and the three channels differ, so
    that a fade-in from it cannot be mistaken for one from anything else."""
    rgb = bytearray(width * height * 3)
    for y in range(height):
        for x in range(width):
            at = (y * width + x) * 3
            rgb[at:at + 3] = bytes(((x * 3) & 255, (y * 2 + x) & 255, (200 + x // 4) & 255))
    return Screenshot(width, height, rgb)


class OpeningSplash(unittest.TestCase):
    """The program starts over a patterned screen; its window's place is looked at as often as
    possible from before it opens until a few seconds into the animation."""

    animations = True

    @classmethod
    def setUpClass(cls):
        cls.session = session = harness.Session(f"splash-{cls.__name__}", screen=SCREEN,
                                                animations=cls.animations).start()
        cls.addClassCleanup(session.close)
        cls.references = splash.References(session)
        cls.position = splash.centred(SCREEN)
        session.display.mouse_move(0, 0)  # away from the buttons
        session.paint_screen(screen_pattern(*SCREEN))
        cls.screen_before = session.screenshot().crop(*cls.position, splash.WIDTH, splash.HEIGHT)
        session.start_program(wait_for_window=False)
        cls.shots = cls.record(session)
        cls.first_animated = next(i for i, shot in enumerate(cls.shots)
                                  if splash.is_animated(shot.picture, cls.references))

    @classmethod
    def record(cls, session, timeout=60):
        shots, animated_since = [], None
        deadline = time.monotonic() + timeout
        while animated_since is None or time.monotonic() - animated_since < RECORD_AFTER_FADE_IN:
            if time.monotonic() > deadline:
                raise harness.HarnessError(f"no animated frame within {timeout} s of the start")
            if not session.program.running:
                raise harness.HarnessError("the program ended while it was being looked at")
            shots.append(splash.look(session, cls.position))
            if animated_since is None and splash.is_animated(shots[-1].picture, cls.references):
                animated_since = shots[-1].before
        return shots

    # --- the fade-in ---------------------------------------------------------------------

    def opening(self):
        """The looks from the first one that differs from the screen as it was up to the first
        animated frame, less those that are all black: under Wine a new window shows its empty
        surface, black, until something is drawn into it."""
        before = self.screen_before.rgb
        start = next(i for i, shot in enumerate(self.shots) if shot.picture.rgb != before)
        return [shot for shot in self.shots[start:self.first_animated] if shot.picture.rgb != splash.black()]

    def steps_from(self, capture, shots):
        return [splash.fade_in_steps_shown(shot.picture.rgb, capture, self.references.background.rgb)
                for shot in shots]

    def test_fade_in_rises_step_by_step_from_its_capture_to_the_background(self):
        # The capture is what the window's place showed when it was taken: the screen beneath,
        # or the new window's own empty surface, black, where the platform showed that first.
        opening = self.opening()
        self.assertTrue(opening, "the window showed nothing before its animation")
        for capture in (self.screen_before.rgb, splash.black()):
            steps = self.steps_from(capture, opening)
            if all(steps):
                break
        else:
            # Told against the screen, the capture that normally explains them.
            steps = self.steps_from(self.screen_before.rgb, opening)
            unexplained = [i for i, found in enumerate(steps) if not found]
            for i in unexplained:
                opening[i].picture.save_png(self.session.path(f"not-a-fade-step-{i}.png"))
            self.fail(f"looks {unexplained} of the {len(opening)} before the animation are no "
                      "step of a cross-fade from the window's place to the background "
                      "(saved as not-a-fade-step-N.png)")
        lowest = [found[0] for found in steps]
        self.assertEqual(lowest, sorted(lowest), "the fade-in went backwards")
        self.assertTrue(any(0 < k < 255 for k in lowest), f"no step between the capture and the "
                        f"picture was seen (steps {lowest}): the change was not gradual")
        background = self.references.background.rgb
        later = [shot for shot in self.shots[self.first_animated:]
                 if splash.is_fade_in_step(shot.picture.rgb, capture, background, 1, 254)]
        self.assertFalse(later, "a fade-in step showed after the animation had begun")

    def test_fade_in_starts_from_what_the_screen_showed(self):
        steps = self.steps_from(self.screen_before.rgb, self.opening())
        self.assertTrue(steps and all(steps),
                        "the fade-in does not start from the screen as it was before the window opened")
        self.assertTrue(any(found[0] <= 128 for found in steps),
                        "no early step, where the screen still shows through, was seen")

    def test_fade_in_ends_on_the_background(self):
        # The first animated frame shows the background wherever nothing moves yet: the fire
        # climbs one row a step from the bottom, at most one step a frame, and the number of
        # frames since the fade-in is bounded by the time since its last step was seen.
        first = self.shots[self.first_animated]
        last_fading = self.shots[self.first_animated - 1]
        frames = int((first.after - last_fading.before) / SLEEP_PER_FRAME) + 1
        still_rows = 176 - frames
        if still_rows <= 0:
            # A busy machine can take longer over one look than the fire needs to reach the
            # top: then no row is known to be still, and there is nothing to check.
            self.skipTest(f"{first.after - last_fading.before:.2f} s between the last fading look "
                          "and the first animated one: too late to tell which rows are still")
        background = self.references.background
        differing = [(x, y) for y in range(still_rows) for x in range(splash.WIDTH)
                     if first.picture.pixel(x, y) != background.pixel(x, y) and not splash.in_button(x, y)
                     and not splash.in_status(x, y)
                     and not (splash.in_text_rows(x, y)
                              and splash.could_be_text_over(first.picture.pixel(x, y), background.pixel(x, y)))]
        if differing:
            first.picture.save_png(self.session.path("first-animated-frame.png"))
        self.assertEqual(differing[:10], [], f"{len(differing)} pixels of rows 0 to {still_rows - 1} "
                         "of the first animated frame differ from the background")

    def test_the_status_line_names_the_music_key_from_the_first_frame(self):
        font = Cells(12)
        expected = font.text_pixels(MUSIC_HINT.encode(), splash.STATUS_WIDTH - font.width * len(MUSIC_HINT))
        for index in (self.first_animated, len(self.shots) - 1):
            picture = self.shots[index].picture
            red = {(x, y) for y in range(splash.STATUS_HEIGHT) for x in range(splash.STATUS_WIDTH)
                   if picture.pixel(splash.STATUS_LEFT + x, splash.STATUS_TOP + y) == (255, 0, 0)}
            self.assertEqual(red, expected, f"look {index}: the status line does not show the hint")

    # --- the animation ---------------------------------------------------------------------

    def animated(self):
        return [shot.picture for shot in self.shots[self.first_animated:]]

    def test_fire_burns(self):
        # The fire steps on the frames whose scroll position has an odd number of set bits, and
        # no three frames in a row lack one; the text tells how many frames lie between looks.
        frames = self.animated()
        texts = [splash.text_pixels(frame) for frame in frames]
        compared = 0
        for earlier, later in zip(range(len(frames)), range(1, len(frames))):
            distance = splash.scroll_distance(texts[earlier], texts[later])
            if distance is not None and distance >= 3:
                compared += 1
                # The bottom rows, where the fire is fed and burns from its first step.
                fire = [splash.region(frames[i], 0, 150, splash.WIDTH, 29) for i in (earlier, later)]
                self.assertTrue(fire[0] != fire[1], f"animated looks {earlier} and {later}, "
                                f"{distance} frames apart: the fire stood still")
        self.assertGreater(compared, 0, "no two looks were far enough apart to compare")
        background = self.references.background
        heated = [(x, y) for y in range(160, 179) for x in range(splash.WIDTH)
                  if frames[-1].pixel(x, y) != background.pixel(x, y)]
        self.assertGreater(len(heated), splash.WIDTH, "no fire shows above the bottom rows")

    def test_fire_adds_only_its_colours_to_the_background(self):
        background = self.references.background
        frames = self.animated()
        for index in (0, len(frames) // 2, len(frames) - 1):
            frame = frames[index]
            wrong = [(x, y) for y in range(splash.HEIGHT) for x in range(splash.WIDTH)
                     if not splash.in_button(x, y) and not splash.in_status(x, y)
                     and not splash.could_be_fire_over(frame.pixel(x, y), background.pixel(x, y))
                     and not (splash.in_text_rows(x, y)
                              and splash.could_be_text_over(frame.pixel(x, y), background.pixel(x, y)))]
            with self.subTest(frame=index):
                self.assertEqual(wrong[:10], [], f"{len(wrong)} pixels are not the background plus a "
                                 "fire colour (nor text in the slot)")

    def test_left_column_and_bottom_row_keep_the_background(self):
        background = self.references.background
        edge = [(0, y) for y in range(178)] + [(x, 179) for x in range(splash.WIDTH)]
        for index, frame in enumerate(self.animated()):
            changed = [point for point in edge if frame.pixel(*point) != background.pixel(*point)]
            self.assertEqual(changed[:10], [], f"animated look {index}: the fire reached pixels that "
                             "never burn")

    def test_credits_enter_the_slot_from_the_right_and_move_left(self):
        looks = self.shots[self.first_animated:]
        texts = [splash.text_pixels(shot.picture) for shot in looks]
        first_with_text = next((i for i, text in enumerate(texts) if text), None)
        self.assertIsNotNone(first_with_text, "no credits text showed in the slot")
        self.assertGreater(min(x for x, _ in texts[first_with_text]),
                           splash.SLOT_LEFT + splash.SLOT_WIDTH // 2,
                           "the text first showed in the left half of the slot")
        # A torn look (see splash) shows its text rows from two frames; such a pair is not
        # explained by one distance, but most pairs must be.
        travelled, pairs, explained = 0, 0, 0
        for earlier, later in zip(range(len(looks)), range(1, len(looks))):
            if len(texts[earlier]) > 60 and len(texts[later]) > 60:
                pairs += 1
                distance = splash.scroll_distance(texts[earlier], texts[later])
                if distance is None:
                    continue
                explained += 1
                frames = (looks[later].after - looks[earlier].before) / SLEEP_PER_FRAME + 1
                self.assertLessEqual(distance, frames, "the text moved more than a column a frame")
                travelled += distance
        self.assertGreater(explained, pairs // 2, f"only {explained} of {pairs} pairs of looks show the "
                           "text moved left and otherwise unchanged")
        self.assertGreater(travelled, 0, "the text stood still")

    def test_slot_rows_below_the_text_show_no_text(self):
        background = self.references.background
        for index, frame in enumerate(self.animated()):
            wrong = [(x, y) for y in range(26, 31) for x in range(splash.SLOT_LEFT, splash.SLOT_RIGHT + 1)
                     if not splash.could_be_fire_over(frame.pixel(x, y), background.pixel(x, y))]
            self.assertEqual(wrong[:10], [], f"animated look {index}: rows 26 to 30 of the slot "
                             "show something other than the burning background")


class StillSplash(OpeningSplash):
    """The same start with the system's animations turned off."""
    animations = False

    def test_the_first_look_shows_the_whole_picture(self):
        before = self.screen_before.rgb
        shown = [shot for shot in self.shots if shot.picture.rgb not in (before, splash.black())]
        self.assertTrue(shown and splash.is_animated(shown[0].picture, self.references),
                        "the window showed something before its picture: a fade-in")

    def test_the_fire_stands_still(self):
        first = self.shots[self.first_animated]
        later = next(shot for shot in self.shots if shot.before - first.after >= 0.5)
        fire = [splash.region(shot.picture, 0, 60, splash.WIDTH, 119) for shot in (first, later)]
        self.assertEqual(fire[0], fire[1], "the fire moved")
        background = self.references.background
        self.assertGreater(sum(1 for x in range(splash.WIDTH) if first.picture.pixel(x, 170) != background.pixel(x, 170)),
                           splash.WIDTH // 4, "no fire burns")

    def test_hover_changes_at_once(self):
        install = splash.BUTTONS[0][3]
        self.session.move_mouse_into_window(install + splash.BUTTON_WIDTH // 2, splash.BUTTON_TOP + 10)
        seen = set()
        for _ in range(8):
            seen.update(splash.button_levels(splash.look(self.session, self.position).picture,
                                             self.references, "install", install))
        self.assertIn(splash.SOLID, seen, "the button under the pointer did not turn solid")
        self.assertLessEqual(seen, {splash.SOLID, splash.HALF}, "the button faded through levels")

    # The fade-in, the burning fire and the hint in a scenario of their own are not this one's.
    test_fade_in_rises_step_by_step_from_its_capture_to_the_background = None
    test_fade_in_starts_from_what_the_screen_showed = None
    test_fade_in_ends_on_the_background = None
    test_fire_burns = None


if __name__ == "__main__":
    harness.main()
