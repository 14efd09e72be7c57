"""Writes small MS-CAB cabinets with stored (uncompressed) data and any file names at all,
including the ones no packing tool would write: names that climb out of the destination,
absolute names, device names.
"""
import struct

HEADER_SIZE = 36
FOLDER_SIZE = 8
FILE_FIXED_SIZE = 16
DATA_HEADER_SIZE = 8
BLOCK_SIZE = 32768
DOS_DATE = ((2026 - 1980) << 9) | (1 << 5) | 1  # 1 January 2026
DOS_TIME = 12 << 11                              # 12:00:00
ATTRIBUTE_ARCHIVE = 0x20
NAME_IS_UTF8 = 0x80


def cabinet(files):
    """Bytes of a one-folder cabinet holding `files`, a list of (stored name, bytes) or (stored
    name, bytes, attributes), in order.

    Names are bytes or text (encoded as Latin-1, as stored names are 8-bit); the attributes are
    ATTRIBUTE_ARCHIVE unless given (with NAME_IS_UTF8 for a name in UTF-8). No checksums.
    """
    names = [entry[0] if isinstance(entry[0], bytes) else entry[0].encode("latin-1") for entry in files]
    attributes = [entry[2] if len(entry) > 2 else ATTRIBUTE_ARCHIVE for entry in files]
    payload = b"".join(entry[1] for entry in files)
    blocks = [payload[i:i + BLOCK_SIZE] for i in range(0, len(payload), BLOCK_SIZE)] or [b""]
    entries_size = sum(FILE_FIXED_SIZE + len(name) + 1 for name in names)
    files_offset = HEADER_SIZE + FOLDER_SIZE
    data_offset = files_offset + entries_size
    total = data_offset + sum(DATA_HEADER_SIZE + len(block) for block in blocks)

    out = bytearray()
    out += b"MSCF" + struct.pack("<IIIIIBBHHHHH", 0, total, 0, files_offset, 0, 3, 1,
                                 1, len(files), 0, 0x1234, 0)
    out += struct.pack("<IHH", data_offset, len(blocks), 0)  # stored, no compression
    offset = 0
    for name, attribute, entry in zip(names, attributes, files):
        out += struct.pack("<IIHHHH", len(entry[1]), offset, 0, DOS_DATE, DOS_TIME, attribute)
        out += name + b"\0"
        offset += len(entry[1])
    for block in blocks:
        out += struct.pack("<IHH", 0, len(block), len(block)) + block
    assert len(out) == total
    return bytes(out)
