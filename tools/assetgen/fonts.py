"""Bitmap fonts drawn for this project ('#' = ink). Each glyph is a list of equal rows."""


class FontError(Exception):
    pass


def _parse(table, height):
    glyphs = {}
    for ch, rows in table.items():
        rows = rows.split()
        if len(rows) != height or len({len(r) for r in rows}) != 1:
            raise FontError("glyph %r must have %d rows of one width" % (ch, height))
        glyphs[ch] = [[c == "#" for c in r] for r in rows]
    return glyphs


class BitmapFont:
    def __init__(self, table, height, space, gap):
        self.height = height
        self.gap = gap
        self.glyphs = _parse(table, height)
        self.glyphs[" "] = [[False] * space for _ in range(height)]

    def glyph(self, ch):
        if ch not in self.glyphs:
            raise FontError("font has no glyph for %r" % ch)
        return self.glyphs[ch]

    def render(self, text):
        """Bitmap of the whole text: list of rows of booleans."""
        rows = [[] for _ in range(self.height)]
        for i, ch in enumerate(text):
            g = self.glyph(ch)
            for y in range(self.height):
                if i:
                    rows[y].extend([False] * self.gap)
                rows[y].extend(g[y])
        return rows


# Display face for the title: 10 rows, two-cell strokes, drawn scaled and smoothed.
TITLE = BitmapFont({
    "Z": """######## ######## .....### ....###. ...###.. ..###... .###.... ###..... ######## ########""",
    "A": """..####.. .######. ###..### ##....## ##....## ######## ######## ##....## ##....## ##....##""",
    "V": """##....## ##....## ##....## ##....## ##....## ###..### .##..##. .######. ..####.. ...##...""",
    "I": """###### ###### ..##.. ..##.. ..##.. ..##.. ..##.. ..##.. ###### ######""",
    "n": """....... ....... ######. ####### ##...## ##...## ##...## ##...## ##...## ##...##""",
    "s": """....... ....... .###### ####### ##..... ######. .###### .....## ####### ######.""",
    "t": """.##... .##... ###### ###### .##... .##... .##... .##... .##### ..####""",
    "a": """....... ....... ######. ####### .....## .###### ####### ##...## ####### .######""",
    "l": """##. ##. ##. ##. ##. ##. ##. ##. ### .##""",
    "e": """....... ....... .#####. ####### ##...## ####### ####### ##..... ####### .######""",
    "r": """...... ...... ##.### ###### ###... ##.... ##.... ##.... ##.... ##....""",
}, height=10, space=4, gap=1)

# Bold lowercase face for the button words, drawn 1:1: 10 rows, x-height 7, no descenders.
BUTTON = BitmapFont({
    "a": """...... ...... ...... .####. ....## .##### ##..## ##..## ##..## .#####""",
    "b": """##.... ##.... ##.... #####. ##..## ##..## ##..## ##..## ##..## #####.""",
    "e": """...... ...... ...... .####. ##..## ##..## ###### ##.... ##.... .#####""",
    "i": """## ## .. ## ## ## ## ## ## ##""",
    "l": """##. ##. ##. ##. ##. ##. ##. ##. ##. .##""",
    "n": """...... ...... ...... #####. ##..## ##..## ##..## ##..## ##..## ##..##""",
    "o": """...... ...... ...... .####. ##..## ##..## ##..## ##..## ##..## .####.""",
    "s": """...... ...... ...... .##### ##.... ##.... .####. ....## ....## #####.""",
    "t": """..... .##.. .##.. ##### .##.. .##.. .##.. .##.. .##.. ..###""",
    "u": """...... ...... ...... ##..## ##..## ##..## ##..## ##..## ##..## .#####""",
    "x": """...... ...... ...... ##..## ##..## .####. ..##.. .####. ##..## ##..##""",
}, height=10, space=3, gap=1)
