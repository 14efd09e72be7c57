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


def cabinet(files):
    """Bytes of a one-folder cabinet holding `files`, a list of (stored name, bytes), in order.

    Names are bytes or text (encoded as Latin-1, as stored names are 8-bit). No checksums.
    """
    names = [name if isinstance(name, bytes) else name.encode("latin-1") for name, _ in files]
    payload = b"".join(data for _, data in files)
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
    for name, (_, data) in zip(names, files):
        out += struct.pack("<IIHHHH", len(data), offset, 0, DOS_DATE, DOS_TIME, ATTRIBUTE_ARCHIVE)
        out += name + b"\0"
        offset += len(data)
    for block in blocks:
        out += struct.pack("<IHH", 0, len(block), len(block)) + block
    assert len(out) == total
    return bytes(out)
