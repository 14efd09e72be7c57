"""What the splash window should show, worked out from its own pictures: the steps of the
fade-in, the fire's colours over the background, the buttons' fade levels and the credits text
in its slot. Pictures are harness Screenshots (packed 8-bit RGB rows).

The reference pictures come from the platform's picture loader inside Wine (zav-testctl
decode), the same decoder that the installer uses, so every comparison here is exact.
"""
import collections
import os
import time
import unittest

from harness import config

WIDTH, HEIGHT = 416, 180
PICTURES = os.path.join(config.REPO, "assets", "pictures")

# The picture buttons, left to right: name, hot-button value, picture file, left column.
BUTTON_TOP, BUTTON_WIDTH, BUTTON_HEIGHT = 139, 80, 20
BUTTONS = (("install", 1, "install.jpg", 4), ("info", 2, "about.jpg", 88), ("exit", 3, "exit.jpg", 172))
SOLID, HALF = 0, 15  # fade levels

# The scroller's slot; the credits strip is 16 rows high, so only rows 10 to 25 get text.
SLOT_LEFT, SLOT_TOP, SLOT_WIDTH, SLOT_HEIGHT = 122, 10, 279, 21
SLOT_RIGHT = SLOT_LEFT + SLOT_WIDTH - 1
TEXT_ROWS = range(SLOT_TOP, SLOT_TOP + 16)
# The status line's rectangle: columns 120 to 401, rows 36 to 49.
STATUS_LEFT, STATUS_TOP, STATUS_WIDTH, STATUS_HEIGHT = 120, 36, 282, 14


def centred(screen):
    """Screen position (x, y) of a window of the splash's size centred on the screen."""
    return (screen[0] - WIDTH) // 2, (screen[1] - HEIGHT) // 2


class References:
    """The background and the three button pictures as the platform decodes them."""

    def __init__(self, session):
        self.background = session.decode_picture(os.path.join(PICTURES, "background.jpg"))
        self.buttons = {name: session.decode_picture(os.path.join(PICTURES, file))
                        for name, _, file, _ in BUTTONS}
        if (self.background.width, self.background.height) != (WIDTH, HEIGHT):
            raise AssertionError(f"the background decodes to {self.background.width} x "
                                 f"{self.background.height}, not {WIDTH} x {HEIGHT}")


# A look at the window's place on the screen, and the times just before and just after it
# was taken: the picture shows the screen at some moment between the two.
Shot = collections.namedtuple("Shot", "before after picture")

# Wine hands the window's pixels to the X server, which reads them a moment later; if the
# program copies its next frame meanwhile, a look can show the upper rows of one frame over the
# lower rows of an earlier one ("torn"). Rare, but the helpers below accept such a look as
# what it is: two frames of the same fade-in.


def look(session, position):
    """The splash-sized area of the screen at `position` (the window's top-left corner)."""
    before = time.monotonic()
    picture = session.screenshot().crop(position[0], position[1], WIDTH, HEIGHT)
    return Shot(before, time.monotonic(), picture)


def black():
    """The fade-in's capture where the window's place shows black: the virtual screen's root
    is black, and so is a new window under Wine before anything is drawn into it."""
    return bytes(WIDTH * HEIGHT * 3)


def wait_for_fade_in(session, references, position, before_step=200, timeout=30):
    """The first look at the window showing a fade-in step from black between 1 and
    `before_step`, so that many steps (3 ms or more each) are still to come. A test whose
    looks were too slow to catch the fade-in that early is skipped: it has nothing to learn."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if not session.program.running:
            raise AssertionError(f"the program ended (exit code {session.program.process.returncode}) "
                                 "before its fade-in showed")
        shot = look(session, position)
        steps = fade_in_steps_shown(shot.picture.rgb, black(), references.background.rgb)
        if any(1 <= k <= before_step for k in steps):
            return shot
        if any(k > before_step for k in steps) or is_animated(shot.picture, references):
            raise unittest.SkipTest(f"the fade-in was first seen past step {before_step}")
    raise AssertionError(f"no fade-in step showed within {timeout} s")


# --- byte arithmetic on whole pictures ------------------------------------------------------

_SATURATE = bytes([0] + [255] * 255)


def saturating_add(a, b):
    """min(255, a + b) for every pair of bytes, done on big integers with 16-bit lanes."""
    lanes_a, lanes_b = bytearray(2 * len(a)), bytearray(2 * len(b))
    lanes_a[0::2], lanes_b[0::2] = a, b
    total = (int.from_bytes(lanes_a, "little") + int.from_bytes(lanes_b, "little")).to_bytes(2 * len(a), "little")
    low, carry = total[0::2], total[1::2].translate(_SATURATE)
    return (int.from_bytes(low, "little") | int.from_bytes(carry, "little")).to_bytes(len(a), "little")


def _minus(k):
    """Translation table for max(0, value - k)."""
    return bytes(max(0, value - k) for value in range(256))


def fade_in_step(capture, background, k):
    """RGB bytes of fade-in step k: the capture darkened by k plus the background darkened by
    255 - k, added with saturation. Step 0 is the capture, step 255 the background."""
    return saturating_add(capture.translate(_minus(k)), background.translate(_minus(255 - k)))


def fade_in_steps_shown(frame, capture, background):
    """Every step k whose picture equals `frame` (bytes), in increasing order; several when
    the capture and the picture leave them indistinguishable, two for a torn look, none when
    it is no fade step."""
    steps = _whole_steps(frame, capture, background)
    return steps if steps else _torn_steps(frame, capture, background)


def _whole_steps(frame, capture, background):
    sample = slice(0, None, 97)
    small_capture, small_background, small_frame = capture[sample], background[sample], frame[sample]
    return [k for k in range(256)
            if fade_in_step(small_capture, small_background, k) == small_frame
            and fade_in_step(capture, background, k) == frame]


def _torn_steps(frame, capture, background, row=WIDTH * 3):
    """The two steps of a torn look: the rows down to some row show one step, the rest
    another. The fade-in moves on every 3 ms or so, but on a busy machine the X server can
    stop in the middle of its read for longer, so the two may lie any number of steps apart."""
    top, bottom = slice(0, row), slice(len(frame) - row, len(frame))
    for upper_step in _whole_steps(frame[top], capture[top], background[top]):
        for lower_step in _whole_steps(frame[bottom], capture[bottom], background[bottom]):
            if upper_step != lower_step:
                upper = fade_in_step(capture, background, upper_step)
                lower = fade_in_step(capture, background, lower_step)
                split = next(at for at in range(0, len(frame), row) if frame[at:at + row] != upper[at:at + row])
                if frame[split:] == lower[split:]:
                    return sorted((upper_step, lower_step))
    return []


def is_fade_in_step(frame, capture, background, least=0, most=255):
    """True when the frame is a fade-in step from `capture` between `least` and `most`."""
    return any(least <= k <= most for k in fade_in_steps_shown(frame, capture, background))


# --- regions -------------------------------------------------------------------------------

def region(picture, x, y, width, height):
    """RGB bytes of a rectangle of the picture, row after row."""
    return picture.crop(x, y, width, height).rgb


def button_area(picture, left):
    return region(picture, left, BUTTON_TOP, BUTTON_WIDTH, BUTTON_HEIGHT)


def in_button(x, y):
    return BUTTON_TOP <= y < BUTTON_TOP + BUTTON_HEIGHT and any(
        left <= x < left + BUTTON_WIDTH for _, _, _, left in BUTTONS)


def in_slot(x, y):
    return SLOT_LEFT <= x <= SLOT_RIGHT and SLOT_TOP <= y < SLOT_TOP + SLOT_HEIGHT


def in_status(x, y):
    return STATUS_LEFT <= x < STATUS_LEFT + STATUS_WIDTH and STATUS_TOP <= y < STATUS_TOP + STATUS_HEIGHT


# --- button fades ----------------------------------------------------------------------------

def blend(picture_byte, frame_byte, level):
    """A button byte at a fade level: from the picture's byte toward the frame's by level/30
    of their difference, truncated toward the picture's byte."""
    if picture_byte < frame_byte:
        return picture_byte + (frame_byte - picture_byte) * level // 30
    return picture_byte - (picture_byte - frame_byte) * level // 30


def button_levels(frame, references, name, left):
    """The fade levels that the button's area in `frame` can show (two adjacent ones for a
    torn look).

    The fire adds only red and green, and the scroller and the status line lie above the
    buttons, so beneath a button the frame's blue is exactly the background's: the blue
    bytes alone tell the level. Level 0 is also checked on every byte (the picture itself).
    """
    shown = button_area(frame, left)
    picture = references.buttons[name].rgb
    beneath = button_area(references.background, left)
    row = BUTTON_WIDTH * 3
    every = set(range(SOLID, HALF + 1))
    by_row = [{level for level in every
               if all(blend(picture[i], beneath[i], level) == shown[i] for i in range(r * row + 2, (r + 1) * row, 3))}
              for r in range(BUTTON_HEIGHT)]
    levels = sorted(level for level in every.intersection(*by_row) if level != SOLID or shown == picture)
    if levels:
        return levels
    for split in range(1, BUTTON_HEIGHT):
        upper, lower = every.intersection(*by_row[:split]), every.intersection(*by_row[split:])
        torn = {level for a in upper for b in lower if abs(a - b) == 1 for level in (a, b)}
        if torn:
            return sorted(torn)
    return []


def is_animated(frame, references):
    """True for a frame of the animation after the fade-in: every button is drawn half
    transparent (or one step from it) over the frame. The fade-in draws no buttons."""
    return all(set(button_levels(frame, references, name, left)) & {HALF - 1, HALF}
               for name, _, _, left in BUTTONS)


# --- fire -----------------------------------------------------------------------------------

def _palette():
    """(red, green) added by each heat value; the fire adds no blue."""
    colours = []
    for i in range(256):
        if i == 0:
            colours.append((0, 0))
        elif i <= 34:
            colours.append((i + 25, 0))
        elif i <= 54:
            colours.append((i + 25, i - 25))
        elif i <= 94:
            colours.append((i + 70, i))
        elif i <= 199:
            colours.append(((i + 70) % 256, i + 30))
        else:
            colours.append((i, i - 10))
    return colours


FIRE_COLOURS = _palette()
_FIRE_ADDS = set(FIRE_COLOURS)


def could_be_fire_over(pixel, background_pixel):
    """True when `pixel` is the background pixel plus some fire colour, with saturation."""
    red, green, blue = pixel
    base_red, base_green, base_blue = background_pixel
    if blue != base_blue:
        return False
    if red < 255 and green < 255:
        return (red - base_red, green - base_green) in _FIRE_ADDS
    return any(min(255, base_red + add_red) == red and min(255, base_green + add_green) == green
               for add_red, add_green in FIRE_COLOURS)


# --- the credits text -------------------------------------------------------------------------

# The credits are drawn white on black, in shades of grey where the font smooths its edges,
# and combined into the frame by bitwise OR. The background under the slot is dark (its blue
# stays below 16) and the fire adds no blue, so a frame pixel's blue is 128 or more exactly
# where the text's own shade is: those pixels follow the text, whatever burns beneath.
TEXT_SHADE = 128


def text_pixels(frame):
    """Positions (x, y) of the bright half of the credits text's shades in the slot."""
    rows = TEXT_ROWS
    return {(x, y) for y in rows for x in range(SLOT_LEFT, SLOT_RIGHT + 1) if frame.pixel(x, y)[2] >= TEXT_SHADE}


def could_be_text_over(pixel, background_pixel):
    """True when some text shade OR'ed into the pixel beneath can give `pixel`: every bit of the
    blue beneath (which the fire leaves alone) is still set."""
    return pixel[2] & background_pixel[2] == background_pixel[2]


def in_text_rows(x, y):
    return SLOT_LEFT <= x <= SLOT_RIGHT and y in TEXT_ROWS


def scroll_distance(earlier, later, least_overlap=60):
    """How many columns the text moved left from one frame's text pixels to another's, that is
    how many frames lie between them; None if no distance explains both, or too little text
    is seen in both to be sure."""
    for distance in range(SLOT_WIDTH):
        kept = {(x - distance, y) for x, y in earlier if x - distance >= SLOT_LEFT}
        arrived = {(x, y) for x, y in later if x + distance <= SLOT_RIGHT}
        if kept == arrived:
            return distance if len(kept) >= least_overlap else None
    return None
