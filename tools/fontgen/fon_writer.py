"""Windows raster font files: font resources in the FNT 2.0 format, and the .fon file that
carries them, a 16-bit NE module with no code whose resources are a font directory and the
fonts, as the platform's font loader reads them."""
import collections
import struct

# dfVersion ... dfReserved: 118 bytes. The font directory repeats the first 109 (up to dfFace).
FNT_HEADER = struct.Struct("<HI60sHHHHHHHBBBHBHHBHHBBBBHIIIIB")
DIRECTORY_FIELDS = 109
FNT_VERSION = 0x200
RASTER = 0
FF_MODERN = 0x30  # the low bit clear: fixed pitch
RESOLUTION = 96
FIRST, LAST = 0, 255

# A face of one cell size: `glyphs` holds 256 glyphs, each `height` strings of `width`
# "#" and "." characters.
Face = collections.namedtuple("Face", "name width height ascent weight charset copyright glyphs")


def _bitmap(rows, width):
    """A glyph as FNT stores it: byte columns of 8 pixels, each from the top row down, the
    leftmost pixel in the highest bit."""
    columns = (width + 7) // 8
    out = bytearray()
    for column in range(columns):
        for row in rows:
            bits = row[column * 8:column * 8 + 8].ljust(8, ".")
            out.append(int(bits.replace("#", "1").replace(".", "0"), 2))
    return bytes(out)


def _header(face, size, bits_offset, face_offset):
    width_bytes = (LAST - FIRST + 2) * ((face.width + 7) // 8)
    return FNT_HEADER.pack(
        FNT_VERSION, size, face.copyright.encode("ascii")[:60], RASTER,
        round(face.height * 72 / RESOLUTION), RESOLUTION, RESOLUTION,
        face.ascent, 0, 0,  # no internal or external leading
        0, 0, 0, face.weight, face.charset,
        face.width, face.height, FF_MODERN, face.width, face.width,
        FIRST, LAST, ord("?") - FIRST, ord(" ") - FIRST, width_bytes + width_bytes % 2,
        0, face_offset, 0, bits_offset, 0)


def fnt(face):
    """One face as an FNT 2.0 font resource; returns (resource, its font directory entry)."""
    if len(face.glyphs) != LAST - FIRST + 1:
        raise ValueError(f"{face.name} {face.width}x{face.height} has {len(face.glyphs)} glyphs")
    # After the last character the table has one more entry, a blank of the cell's width.
    glyphs = list(face.glyphs) + [["." * face.width] * face.height]
    bits_offset = FNT_HEADER.size + 4 * len(glyphs)
    bitmaps = [_bitmap(rows, face.width) for rows in glyphs]
    table = b"".join(struct.pack("<HH", face.width, bits_offset + len(bitmaps[0]) * i)
                     for i in range(len(glyphs)))
    face_offset = bits_offset + sum(map(len, bitmaps))
    name = face.name.encode("ascii") + b"\0"
    header = _header(face, face_offset + len(name), bits_offset, face_offset)
    entry = header[:DIRECTORY_FIELDS] + struct.pack("<I", 0) + b"\0" + name  # no device name
    return header + table + b"".join(bitmaps) + name, entry


# --- the NE module -------------------------------------------------------------------------

NE_OFFSET = 0x80
NE_HEADER_SIZE = 0x40
ALIGN_SHIFT = 4  # resources start on 16-byte boundaries
RT_FONTDIR, RT_FONT = 0x8007, 0x8008
FONTDIR_FLAGS, FONT_FLAGS = 0x0C50, 0x1C30  # preloaded, moveable, pure, discardable


def _dos_stub():
    """An MZ header whose program only ends with exit code 1: the file is no program."""
    header = struct.pack("<2s13H", b"MZ", NE_OFFSET, 1, 0, 4, 0, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40, 0)
    stub = header.ljust(0x3C, b"\0") + struct.pack("<I", NE_OFFSET)
    return (stub + bytes([0xB8, 0x01, 0x4C, 0xCD, 0x21])).ljust(NE_OFFSET, b"\0")


def _pascal(text):
    data = text.encode("ascii")
    return bytes([len(data)]) + data


def _align(offset):
    unit = 1 << ALIGN_SHIFT
    return (offset + unit - 1) // unit * unit


def _resource_table(resources, names_at):
    """resources: (type, id or None for the named directory, offset, length) in file order."""
    table = struct.pack("<H", ALIGN_SHIFT)
    for kind in (RT_FONTDIR, RT_FONT):
        entries = [r for r in resources if r[0] == kind]
        table += struct.pack("<HHI", kind, len(entries), 0)
        for _, ident, offset, length in entries:
            flags = FONTDIR_FLAGS if kind == RT_FONTDIR else FONT_FLAGS
            ident = names_at if ident is None else 0x8000 | ident
            table += struct.pack("<HHHHHH", offset >> ALIGN_SHIFT, _align(length) >> ALIGN_SHIFT,
                                 flags, ident, 0, 0)
    return table + struct.pack("<H", 0)


def fon(module_name, description, faces):
    """A .fon file holding the faces as font resources 1, 2, ... and their directory."""
    fonts = [fnt(face) for face in faces]
    directory = struct.pack("<H", len(fonts)) + b"".join(
        struct.pack("<H", number) + entry for number, (_, entry) in enumerate(fonts, 1))
    resources = [(RT_FONTDIR, None, directory)] + [
        (RT_FONT, number, data) for number, (data, _) in enumerate(fonts, 1)]
    names = _pascal("FONTDIR") + b"\0"  # the directory's name, then the end of the names
    resident = _pascal(module_name) + struct.pack("<H", 0) + b"\0"
    imported, entries = b"\0", b"\0\0"  # no imported names, no entry points
    nonresident = _pascal(description) + struct.pack("<H", 0) + b"\0"
    # The resource table: its alignment, a header for each of the two types, an entry for each
    # resource and an end mark. The tables' places count from the NE header, except the last.
    table_size = 2 + 2 * 8 + 12 * len(resources) + 2
    resident_at = NE_HEADER_SIZE + table_size + len(names)
    imported_at = resident_at + len(resident)
    entries_at = imported_at + len(imported)
    nonresident_at = NE_OFFSET + entries_at + len(entries)
    offset = _align(nonresident_at + len(nonresident))
    placed = []
    for kind, ident, data in resources:
        placed.append((kind, ident, offset, len(data)))
        offset += _align(len(data))
    header = struct.pack(
        "<2sBBHHIHHHHIIHHHHHHHHIHHHBBHHHH", b"NE", 5, 10, entries_at, len(entries), 0,
        0x8000,  # a library module
        0, 0, 0, 0, 0, 0, 0, len(nonresident), NE_HEADER_SIZE, NE_HEADER_SIZE,
        resident_at, imported_at, imported_at, nonresident_at, 0, ALIGN_SHIFT, 0,
        2, 0, 0, 0, 0, 0x300)  # for Windows 3.0 and later
    head = (_dos_stub() + header + _resource_table(placed, table_size) + names + resident
            + imported + entries + nonresident)
    return head.ljust(_align(len(head)), b"\0") + b"".join(
        data.ljust(_align(len(data)), b"\0") for _, _, data in resources)
