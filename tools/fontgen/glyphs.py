"""The Terminal font's glyphs: all 256 code points of code page 437 in one cell size.

Letters, digits, signs and line drawing come from the X11 misc-fixed fonts of Debian's
xfonts-base, read through FreeType; the shades and blocks are drawn here, so that a run of
them tiles without a seam in any cell size.
"""
import os

import freetype

SOURCE_DIR = "/usr/share/fonts/X11/misc"

# The pictures that code page 437 shows for the control codes 0x01 to 0x1F (0x00 is blank).
CONTROL_PICTURES = "\0☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼"
DELETE_PICTURE = "⌂"

def _light(x, y):
    """The light shade: a dot on every other pixel of every other row, staggered."""
    return y % 2 == 0 and x % 2 == y // 2 % 2


# Drawn glyphs: whether the pixel at column x, row y of a w x h cell is set. The light and dark
# shades repeat every 2 columns and 4 rows, the medium one every 2 and 2, so all of them tile
# in cells of an even width and of a height divisible by 4.
DRAWN = {
    0xB0: lambda x, y, w, h: _light(x, y),
    0xB1: lambda x, y, w, h: (x + y) % 2 == 0,
    0xB2: lambda x, y, w, h: not _light(x, y),
    0xDB: lambda x, y, w, h: True,
    0xDC: lambda x, y, w, h: y >= h // 2,
    0xDD: lambda x, y, w, h: x < w // 2,
    0xDE: lambda x, y, w, h: x >= w // 2,
    0xDF: lambda x, y, w, h: y < h // 2,
}


class GlyphError(Exception):
    pass


def cp437_char(code):
    """The character that code page 437 shows for a byte (its pictures for control codes)."""
    if code < 0x20:
        return CONTROL_PICTURES[code]
    if code == 0x7F:
        return DELETE_PICTURE
    return bytes([code]).decode("cp437")


def drawn(inside, width, height):
    return tuple("".join("#" if inside(x, y, width, height) else "." for x in range(width))
                 for y in range(height))


def _blank_row(row):
    return "#" not in row


def fit_height(rows, ascent, height):
    """Takes rows out above the baseline until `height` remain, keeping the baseline where it
    is for every glyph: the top row when it is blank, else the highest blank row above the
    baseline (the gap under an accent), else the top row (a line that runs through the cell,
    as every glyph of its kind loses the same row)."""
    rows = list(rows)
    while len(rows) > height:
        above = [y for y in range(ascent) if _blank_row(rows[y])]
        del rows[above[0] if above else 0]
        ascent -= 1
    return tuple(rows)


class SourceFont:
    """A fixed-width bitmap font read through FreeType, by Unicode character."""

    def __init__(self, file_name):
        path = os.path.join(SOURCE_DIR, file_name)
        if not os.path.isfile(path):
            raise GlyphError(f"{path} is missing (Debian package xfonts-base)")
        self.face = freetype.Face(path)
        self.face.select_size(0)
        self.width = self.face.available_sizes[0].width
        self.height = self.face.available_sizes[0].height
        self.ascent = self.face.size.ascender // 64

    def rows(self, char):
        """The character's cell, `height` rows, the baseline under row `ascent` - 1."""
        cell = [["."] * self.width for _ in range(self.height)]
        if char == "\0":
            return ["".join(row) for row in cell]
        if not self.face.get_char_index(ord(char)):
            raise GlyphError(f"{self.face.family_name.decode()} {self.width}x{self.height} "
                             f"has no glyph for U+{ord(char):04X}")
        self.face.load_char(char, freetype.FT_LOAD_RENDER | freetype.FT_LOAD_TARGET_MONO)
        glyph = self.face.glyph
        bitmap = glyph.bitmap
        for row in range(bitmap.rows):
            y = self.ascent - glyph.bitmap_top + row
            for column in range(bitmap.width):
                x = glyph.bitmap_left + column
                if bitmap.buffer[row * bitmap.pitch + column // 8] & (0x80 >> column % 8):
                    if not (0 <= x < self.width and 0 <= y < self.height):
                        raise GlyphError(f"U+{ord(char):04X} reaches outside its cell")
                    cell[y][x] = "#"
        return ["".join(row) for row in cell]


def cells(width, height, source_file):
    """The 256 glyphs of one size, each `height` strings of `width` "#" (ink) and "."
    characters, and the size's ascent; drawn from a misc-fixed font of the same width and at
    least the same height."""
    source = SourceFont(source_file)
    if source.width != width or source.height < height:
        raise GlyphError(f"{source_file} is {source.width}x{source.height}, "
                         f"which does not give {width}x{height} cells")
    glyphs = [drawn(DRAWN[code], width, height) if code in DRAWN
              else fit_height(source.rows(cp437_char(code)), source.ascent, height)
              for code in range(256)]
    return glyphs, source.ascent - (source.height - height)
