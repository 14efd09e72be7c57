#!/usr/bin/python3
"""Reads the built program back and checks what it carries: icon 100 (one 32 x 32 image with 256
colours), dialog template 101 (a borderless centred box with one edit control), the application
manifest, an import table that names only kernel32 and msvcrt (every other library is loaded from
the system folder by the program itself), and a load configuration that keeps even those two in
the system folder.

    check_program.py PROGRAM.exe...
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24
IMPORTED_LIBRARIES = ["KERNEL32.dll", "msvcrt.dll"]
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


class PeImage:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not a PE32+ (x86-64) image")
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i) for i in range(16)]
        self.rsrc_rva, self.rsrc_size = self.directories[2]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            vsize, rva, rawsize, rawptr = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((rva, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA %#x outside every section" % rva)

    def resources(self):
        """{(type, name): bytes} for every resource whose type and name are numbers."""
        base = self.offset(self.rsrc_rva)
        found = {}

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield ident, target

        for type_id, type_dir in entries(0):
            for name_id, name_dir in entries(type_dir & 0x7FFFFFFF):
                for _lang, leaf in entries(name_dir & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(rva)
                    found[(type_id, name_id)] = self.data[start:start + size]
        return found


    def imported_libraries(self):
        names = []
        entry = self.offset(self.directories[1][0])
        while struct.unpack_from("<I", self.data, entry + 12)[0]:
            name = self.offset(struct.unpack_from("<I", self.data, entry + 12)[0])
            names.append(self.data[name:self.data.index(b"\0", name)].decode())
            entry += 20
        return names

    def dependent_load_flags(self):
        """(record size, flags) of the load configuration, or None without one."""
        rva, size = self.directories[10]
        if not rva:
            return None
        record = self.offset(rva)
        return struct.unpack_from("<I", self.data, record)[0], struct.unpack_from("<H", self.data, record + 0x4E)[0]


def check_manifest(blob, failures):
    if blob is None:
        failures.append("no application manifest (resource 1 of type 24)")
        return
    root = ElementTree.fromstring(blob)
    found = {element.tag.split("}")[1]: element for element in root.iter()}
    level = found.get("requestedExecutionLevel")
    expect(failures, "manifest execution level", level is not None and level.get("level"), "asInvoker")
    systems = [element.get("Id") for element in root.iter() if element.tag.endswith("supportedOS")]
    expect(failures, "manifest names Windows 10 and 11 as supported", WINDOWS_10 in systems, True)
    controls = [element.get("version") for element in root.iter() if element.tag.endswith("assemblyIdentity")
                and element.get("name") == "Microsoft.Windows.Common-Controls"]
    expect(failures, "manifest common controls version", controls, ["6.0.0.0"])
    # Per-monitor aware (v2, falling back to v1; true/pm before those names), so that the
    # program scales itself sharply rather than being smoothed by the system.
    expect(failures, "manifest DPI awareness",
           {tag: found[tag].text for tag in found if tag.startswith("dpiAware")},
           {"dpiAware": "true/pm", "dpiAwareness": "PerMonitorV2, PerMonitor"})


def read_sz_or_ordinal(blob, pos):
    """A template field: 0 (none), 0xFFFF and an ordinal, or a NUL-terminated UTF-16 text."""
    first = struct.unpack_from("<H", blob, pos)[0]
    if first == 0xFFFF:
        return ("ordinal", struct.unpack_from("<H", blob, pos + 2)[0]), pos + 4
    end = pos
    while struct.unpack_from("<H", blob, end)[0] != 0:
        end += 2
    return blob[pos:end].decode("utf-16-le"), end + 2


def check_dialog(blob, failures):
    style, exstyle, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", blob, 0)
    expect(failures, "dialog style", style, 0x90000860)
    expect(failures, "dialog extended style", exstyle, 0)
    expect(failures, "dialog controls", count, 1)
    expect(failures, "dialog rectangle", (x, y, cx, cy), (0, 0, 336, 149))
    pos = 18
    menu, pos = read_sz_or_ordinal(blob, pos)
    window_class, pos = read_sz_or_ordinal(blob, pos)
    title, pos = read_sz_or_ordinal(blob, pos)
    expect(failures, "dialog menu, class and title", (menu, window_class, title), ("", "", ""))
    point = struct.unpack_from("<H", blob, pos)[0]
    face, pos = read_sz_or_ordinal(blob, pos + 2)
    expect(failures, "dialog font", (point, face), (8, "MS Sans Serif"))
    pos = (pos + 3) & ~3  # items are DWORD-aligned
    style, exstyle, x, y, cx, cy, ident = struct.unpack_from("<IIhhhhH", blob, pos)
    expect(failures, "edit style", style, 0x50010004)
    expect(failures, "edit extended style", exstyle, 0)
    expect(failures, "edit rectangle", (x, y, cx, cy), (10, 10, 316, 128))
    expect(failures, "edit identifier", ident, 101)
    window_class, pos = read_sz_or_ordinal(blob, pos + 18)
    text, pos = read_sz_or_ordinal(blob, pos)
    extra = struct.unpack_from("<H", blob, pos)[0]
    # 0x81 is the predefined edit class.
    expect(failures, "edit class, text and creation data", (window_class, text, extra),
           (("ordinal", 0x81), "", 0))


def check_icon(resources, failures):
    group = resources.get((RT_GROUP_ICON, 100))
    if group is None:
        failures.append("no icon group 100")
        return
    _reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    expect(failures, "icon group kind and images", (kind, count), (1, 1))
    width, height, colours, _r, _planes, bits, size, ident = struct.unpack_from("<BBBBHHIH", group, 6)
    expect(failures, "icon size and colours", (width, height, colours), (32, 32, 0))
    image = resources.get((RT_ICON, ident))
    if image is None:
        failures.append("icon image %d missing" % ident)
        return
    header = struct.unpack_from("<IiiHH", image, 0)
    expect(failures, "icon image header (size, width, doubled height, planes, bits)", header,
           (40, 32, 64, 1, 8))
    expect(failures, "icon image bytes", len(image), size)


def expect(failures, what, actual, wanted):
    if actual != wanted:
        failures.append("%s: %r, expected %r" % (what, actual, wanted))


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    return max(check(path) for path in sys.argv[1:])


def check(path):
    try:
        with open(path, "rb") as f:
            image = PeImage(f.read())
        resources = image.resources()
        libraries = image.imported_libraries()
        load_flags = image.dependent_load_flags()
    except (OSError, ValueError, struct.error) as error:
        print("check_program: cannot read %s: %s" % (path, error), file=sys.stderr)
        return 1
    failures = []
    expect(failures, "imported libraries", libraries, IMPORTED_LIBRARIES)
    expect(failures, "load configuration (size, dependent-load flags)", load_flags,
           (0x70, LOAD_LIBRARY_SEARCH_SYSTEM32))
    check_manifest(resources.get((RT_MANIFEST, 1)), failures)
    dialog = resources.get((RT_DIALOG, 101))
    if dialog is None:
        failures.append("no dialog template 101")
    else:
        check_dialog(dialog, failures)
    check_icon(resources, failures)
    for failure in failures:
        print("FAIL %s: %s" % (path, failure))
    print("%s: %d problems" % (path, len(failures)) if failures
          else "%s: icon, dialog, manifest, imports and load configuration as they should be" % path)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
