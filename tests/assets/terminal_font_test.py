#!/usr/bin/python3
"""The Terminal font that the Wine prefixes get, read back through FreeType: a fixed-pitch
raster font named "Terminal" in the OEM character set at 6 x 8 and 8 x 12 with all 256
characters, each glyph as the generator drew it."""
import os
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "tools", "fontgen"))
from harness import terminal_font  # noqa: E402
import fontgen  # noqa: E402

RASTER, OEM_CHARSET, NORMAL = 0, 255, 400


class TerminalFontFile(unittest.TestCase):
    def test_is_a_fixed_pitch_raster_font_named_terminal_for_the_oem_character_set(self):
        faces = terminal_font.faces()
        self.assertEqual([(h.pixel_width, h.pixel_height) for _, h in faces], [(6, 8), (8, 12)])
        for face, h in faces:
            with self.subTest(size=f"{h.pixel_width}x{h.pixel_height}"):
                self.assertEqual((face.get_format(), face.family_name, h.file_type, h.charset, h.weight),
                                 (b"Windows FNT", b"Terminal", RASTER, OEM_CHARSET, NORMAL))
                self.assertEqual((h.avg_width, h.max_width, h.pitch_and_family & 1, h.first_char, h.last_char),
                                 (h.pixel_width, h.pixel_width, 0, 0, 255), "fixed pitch, characters 0 to 255")

    def test_every_glyph_reads_back_as_the_generator_drew_it(self):
        for face in fontgen.faces():
            cells = terminal_font.Cells(face.height)
            for code, rows in enumerate(face.glyphs):
                self.assertEqual(cells.glyph(code), rows, f"{face.width}x{face.height} glyph {code:#04x}")


if __name__ == "__main__":
    unittest.main()
