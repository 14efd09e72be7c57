#!/usr/bin/python3
"""Builds installers from the real stub with zav-pe-demo and reads them back with tools that
share no code with it: pefile (sections, checksum, resources), objdump (headers, resource tree),
osslsigncode (signs the result and verifies the signature).

    check_installer_image.py --demo zav-pe-demo --stub STUB.exe --work FOLDER
"""
import argparse
import io
import os
import random
import shutil
import struct
import subprocess
import sys

import pefile
from PIL import Image

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24


def bitmap_image(side, bits):
    """An icon bitmap: header with doubled height, palette, colour rows, transparency mask."""
    rows = ((side * bits + 31) // 32 + (side + 31) // 32) * 4 * side
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, bits, 0, 0, 0, 0, 0, 0)
    return header + bytes(4 << bits if bits <= 8 else 0) + random.randbytes(rows)


def png_image(side):
    out = io.BytesIO()
    Image.frombytes("RGBA", (side, side), random.randbytes(4 * side * side)).save(out, "PNG")
    return out.getvalue()


def ico_file(images):
    """The images after an icon directory whose sizes are left 0: the tool reads the images."""
    offset, directory = 6 + 16 * len(images), struct.pack("<HHH", 0, 1, len(images))
    for image in images:
        directory += struct.pack("<8xII", len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def name(section):
    return section.Name.rstrip(b"\0").decode()


def resources(pe):
    """{(type, id): (language, bytes)}, and whether every table is sorted for the loader."""
    found, tables = {}, [pe.DIRECTORY_ENTRY_RESOURCE.entries]
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        tables.append(kind.directory.entries)
        for entry in kind.directory.entries:
            for language in entry.directory.entries:
                leaf = language.data.struct
                found[(kind.id, entry.id)] = (language.id, pe.get_data(leaf.OffsetToData, leaf.Size))
    return found, all([e.id for e in table] == sorted(e.id for e in table) for table in tables)


def run(*command):
    return subprocess.run(command, capture_output=True, text=True)


class Check:
    def __init__(self, args):
        self.args, self.failures = args, 0
        self.stub = open(args.stub, "rb").read()
        self.stub_pe = pefile.PE(data=self.stub)
        self.data = random.randbytes(70001)
        self.data_path = self.write("data.bin", self.data)

    def write(self, file_name, content):
        with open(os.path.join(self.args.work, file_name), "wb") as out:
            out.write(content)
        return out.name

    def expect(self, condition, what):
        if not condition:
            self.failures += 1
            print("FAIL: " + what)

    def build(self, case, images):
        """The installer with `images` as its icon (None: the stub's icon), checked."""
        path = os.path.join(self.args.work, case + ".exe")
        icon = [self.write(case + ".ico", ico_file(images))] if images else []
        built = run(self.args.demo, self.args.stub, self.data_path, path, *icon)
        assert built.returncode == 0, built.stderr
        pe = pefile.PE(path)
        self.check_sections(case, pe)
        objdump = run("x86_64-w64-mingw32-objdump", "-p", path)
        self.expect(objdump.returncode == 0 and not objdump.stderr and objdump.stdout.count("Leaf: Addr") >= 4,
                    case + ": objdump reads the headers and resources " + objdump.stderr)
        return path, pe

    def check_sections(self, case, pe):
        header, last = pe.OPTIONAL_HEADER, pe.sections[-1]
        self.expect((name(last), last.Characteristics, last.Misc_VirtualSize) ==
                    (".zavdata", 0x40000040, len(self.data)), case + ": .zavdata is the last section")
        self.expect(last.SizeOfRawData == align(len(self.data), header.FileAlignment) and
                    last.PointerToRawData % header.FileAlignment == 0 and
                    pe.get_data(last.VirtualAddress, len(self.data)) == self.data, case + ": its raw data")
        end = max(s.VirtualAddress + s.Misc_VirtualSize for s in pe.sections[:-1])
        self.expect(last.VirtualAddress == align(end, header.SectionAlignment) and
                    all(s.PointerToRawData + s.SizeOfRawData <= last.PointerToRawData for s in pe.sections[:-1]),
                    case + ": .zavdata is last in memory and in the file")
        self.expect(header.SizeOfImage == align(last.VirtualAddress + len(self.data), header.SectionAlignment),
                    case + ": SizeOfImage")
        added = sum(s.SizeOfRawData for s in pe.sections[len(self.stub_pe.sections):])
        self.expect(header.SizeOfInitializedData == self.stub_pe.OPTIONAL_HEADER.SizeOfInitializedData + added,
                    case + ": SizeOfInitializedData counts the added sections")
        self.expect(pe.generate_checksum() == header.CheckSum, case + ": checksum")
        for old, new in zip(self.stub_pe.sections, pe.sections):
            self.expect(name(old) == ".rsrc" or
                        (old.Name, old.VirtualAddress, old.PointerToRawData, old.get_data()) ==
                        (new.Name, new.VirtualAddress, new.PointerToRawData, new.get_data()),
                        case + ": section %s unchanged" % name(old))

    def check_icon(self, case, pe, images, moved):
        (old, _), (new, ordered) = resources(self.stub_pe), resources(pe)
        self.expect(ordered, case + ": resource tables sorted")
        for key in [(RT_DIALOG, 101), (RT_MANIFEST, 1)]:
            self.expect(new.get(key) == old[key], case + ": resource %s unchanged" % (key,))
        language, group = new[(RT_GROUP_ICON, 100)]
        self.expect(language == old[(RT_GROUP_ICON, 100)][0] and
                    struct.unpack_from("<HHH", group) == (0, 1, len(images)), case + ": group 100")
        ids = []
        for i, image in enumerate(images):
            width, height, _, _, planes, _, size, number = struct.unpack_from("<4BHHIH", group, 6 + 14 * i)
            side = struct.unpack_from("<4xi" if image[:4] == b"(\0\0\0" else ">16xI", image)[0]
            ids.append(number)
            self.expect(new.get((RT_ICON, number), (0, b""))[1] == image and size == len(image) and
                        (width, height, planes) == (side % 256, side % 256, 1), case + ": image %d" % i)
        self.expect(sorted(ids) == sorted(k[1] for k in new if k[0] == RT_ICON), case + ": old images gone")
        live = [s for s in pe.sections if name(s) == ".rsrc"]
        self.expect(len(live) == 1 and live[0].VirtualAddress == pe.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress
                    and (name(pe.sections[-2]) == ".rsrc") == moved,
                    case + ": one .rsrc, " + ("moved before .zavdata" if moved else "in its place"))

    def check_signing(self, case, path):
        key, cert, signed = (os.path.join(self.args.work, f) for f in ["key.pem", "cert.pem", case + "-signed.exe"])
        for command in [["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                         "-subj", "/CN=zav-pack test", "-days", "2"],
                        ["osslsigncode", "sign", "-certs", cert, "-key", key, "-in", path, "-out", signed],
                        ["osslsigncode", "verify", "-CAfile", cert, "-in", signed]]:
            result = run(*command)
            self.expect(result.returncode == 0, case + ": " + " ".join(command[:2]) + ": " + result.stderr)
        self.expect(name(pefile.PE(signed).sections[-1]) == ".zavdata", case + ": signed, .zavdata still last")
        again = run(self.args.demo, signed, self.data_path, signed + ".again")
        self.expect(again.returncode == 1 and "signed" in again.stderr, case + ": a signed stub is refused")


def main():
    parser = argparse.ArgumentParser()
    for option in ["--demo", "--stub", "--work"]:
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    if not os.path.exists(args.stub):
        print("FAIL: no stub at %s (build the Windows tree first)" % args.stub)
        return 1
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    random.seed(12)
    check = Check(args)
    path, _ = check.build("plain", None)
    # Past the headers, the stub's bytes (resources included) are the installer's first bytes.
    headers = check.stub_pe.OPTIONAL_HEADER.SizeOfHeaders
    check.expect(open(path, "rb").read()[headers:len(check.stub)] == check.stub[headers:], "plain: stub kept")
    # Small images fit in the old resource section; a large one moves the resources.
    for case, images, moved in [("small-icon", [bitmap_image(16, 4), png_image(16)], False),
                                ("large-icon", [bitmap_image(32, 8), png_image(256)], True)]:
        path, pe = check.build(case, images)
        check.check_icon(case, pe, images, moved)
    check.check_signing("large-icon", path)
    print("%d failures" % check.failures)
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
