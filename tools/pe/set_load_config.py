#!/usr/bin/python3
"""Points a linked program's load-configuration directory at its `_load_config_used` record.

The linker of this tool chain does not fill that directory entry itself, and Windows finds the
record (whose dependent-load flags keep even the program's own imports in the system folder)
only through it. The record's address comes from the linker's map file; its first word is its
size. The image's checksum is made right again afterwards.

    set_load_config.py PROGRAM.exe PROGRAM.map
"""
import array
import re
import struct
import sys

LOAD_CONFIG_DIRECTORY = 10


def fail(message):
    sys.exit(f"set_load_config.py: {message}")


def record_address(map_path):
    with open(map_path) as link_map:
        for line in link_map:
            found = re.match(r"\s+0x([0-9a-f]+)\s+_load_config_used\s*$", line)
            if found:
                return int(found.group(1), 16)
    fail(f"no _load_config_used in {map_path}")


def file_offset(image, sections_at, section_count, rva):
    for i in range(section_count):
        virtual_size, address, raw_size, raw_at = struct.unpack_from("<4I", image, sections_at + 40 * i + 8)
        if address <= rva < address + min(virtual_size, raw_size):
            return raw_at + rva - address
    fail(f"address {rva:#x} lies in no section's file data")


def checksum(image, field):
    """The PE checksum: the image as 16-bit words (its own field taken as 0) summed with the
    carries folded back in, plus the image's length."""
    words = array.array("H", bytes(image[:field]) + b"\0\0\0\0" + bytes(image[field + 4:]) + b"\0" * (len(image) % 2))
    total = sum(words)
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    program, map_path = sys.argv[1:]
    with open(program, "rb") as exe:
        image = bytearray(exe.read())
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", image, pe + 24)[0] != 0x20B:
        fail(f"{program} is not a 64-bit PE program")
    section_count = struct.unpack_from("<H", image, pe + 6)[0]
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    image_base = struct.unpack_from("<Q", image, pe + 24 + 24)[0]
    rva = record_address(map_path) - image_base
    size = struct.unpack_from("<I", image, file_offset(image, pe + 24 + optional_size, section_count, rva))[0]
    struct.pack_into("<2I", image, pe + 24 + 112 + 8 * LOAD_CONFIG_DIRECTORY, rva, size)
    struct.pack_into("<I", image, pe + 24 + 64, checksum(image, pe + 24 + 64))
    with open(program, "wb") as exe:
        exe.write(image)


if __name__ == "__main__":
    main()
