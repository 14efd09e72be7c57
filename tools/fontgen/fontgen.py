"""The "Terminal" raster font that the Wine prefixes get: code page 437 in the two cell sizes
the installer asks for, 6 x 8 (the info text) and 8 x 12 (the status line), as a .fon file.

assetgen writes it to assets/fonts/terminal.fon; see README.md beside this file.
"""
from PIL import Image

import fon_writer
import glyphs

FACE_NAME = "Terminal"
OEM_CHARSET = 255
WEIGHT = 400
# Cell width and height, and the misc-fixed font of that width each is drawn from.
SIZES = ((6, 8, "6x9.pcf.gz"), (8, 12, "8x13.pcf.gz"))
COPYRIGHT = "Code page 437 from the public domain X11 misc-fixed fonts"
MODULE_NAME = "TERMINAL"
DESCRIPTION = "FONTRES 100,96,96 : Terminal 6, 9 (OEM)"

FontError = glyphs.GlyphError


def faces():
    out = []
    for width, height, source in SIZES:
        cells, ascent = glyphs.cells(width, height, source)
        out.append(fon_writer.Face(FACE_NAME, width, height, ascent, WEIGHT, OEM_CHARSET,
                                   COPYRIGHT, cells))
    return out


def fon(faces):
    """The .fon file's bytes."""
    return fon_writer.fon(MODULE_NAME, DESCRIPTION, faces)


def write_preview(face, path, scale=3):
    """A PNG of the face's 256 glyphs, 16 to a row, code 0x00 at the top left."""
    gap = 2
    sheet = Image.new("L", (16 * (face.width + gap), 16 * (face.height + gap)), 64)
    for code, rows in enumerate(face.glyphs):
        left, top = code % 16 * (face.width + gap), code // 16 * (face.height + gap)
        for y, row in enumerate(rows):
            for x, pixel in enumerate(row):
                sheet.putpixel((left + x, top + y), 255 if pixel == "#" else 0)
    sheet.resize((sheet.width * scale, sheet.height * scale), Image.Resampling.NEAREST).save(path)
