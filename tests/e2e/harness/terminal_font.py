"""The Terminal raster font that the prefixes get (assets/fonts/terminal.fon), read through
FreeType rather than through the generator that wrote it."""
import ctypes

import freetype

from .config import TERMINAL_FONT


class WinFntHeader(ctypes.Structure):
    """FreeType's FT_WinFNT_HeaderRec up to the last character; the rest is room only."""
    _fields_ = [(name, kind) for names, kind in (
        ("version", ctypes.c_ushort), ("file_size", ctypes.c_ulong), ("copyright", ctypes.c_char * 60),
        ("file_type points vres hres ascent internal external", ctypes.c_ushort),
        ("italic underline strike_out", ctypes.c_ubyte), ("weight", ctypes.c_ushort),
        ("charset", ctypes.c_ubyte), ("pixel_width pixel_height", ctypes.c_ushort),
        ("pitch_and_family", ctypes.c_ubyte), ("avg_width max_width", ctypes.c_ushort),
        ("first_char last_char", ctypes.c_ubyte), ("room", ctypes.c_ubyte * 128))
        for name in names.split()]


def faces(path=TERMINAL_FONT):
    """Every face of the file, in its order, with its header."""
    count = freetype.Face(path).num_faces
    out = []
    for index in range(count):
        face = freetype.Face(path, index)
        header = WinFntHeader()
        if freetype.raw.FT_Get_WinFNT_Header(face._FT_Face, ctypes.byref(header)):
            raise ValueError(f"face {index} of {path} is no Windows font")
        out.append((face, header))
    return out


class Cells:
    """One face of the font: glyphs by byte, as rows of "#" and "."."""

    def __init__(self, height, path=TERMINAL_FONT):
        self.face = next(face for face, header in faces(path) if header.pixel_height == height)
        self.face.select_size(0)
        # The file's one character map, by byte; FreeType selects none of its own accord.
        self.face.set_charmap(self.face.charmaps[0])
        self.width, self.height = self.face.available_sizes[0].width, height

    def glyph(self, code):
        self.face.load_char(code, freetype.FT_LOAD_RENDER | freetype.FT_LOAD_TARGET_MONO)
        bitmap = self.face.glyph.bitmap
        return tuple("".join("#" if bitmap.buffer[y * bitmap.pitch + x // 8] & (0x80 >> x % 8) else "."
                             for x in range(self.width)) for y in range(self.height))

    def text_pixels(self, text, left=0, top=0):
        """{(x, y)} that a line of bytes covers, its first cell's top left at (left, top)."""
        return {(left + column * self.width + x, top + y)
                for column, code in enumerate(text)
                for y, row in enumerate(self.glyph(code))
                for x, pixel in enumerate(row) if pixel == "#"}
