"""Screen captures: reading the X server's window dumps, reading pixels, writing PNG files.

Only the standard library is used; a capture is kept as packed 8-bit RGB rows.
"""
import struct
import zlib

from .proc import HarnessError

XWD_HEADER_FIELDS = 25
XWD_COLOR_SIZE = 12
ZPIXMAP = 2
MSB_FIRST = 1


class Screenshot:
    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise HarnessError(f"picture of {width} x {height} needs {width * height * 3} bytes, got {len(rgb)}")
        self.width = width
        self.height = height
        self.rgb = bytes(rgb)

    @classmethod
    def from_bgra(cls, width, height, data):
        """A picture from 32-bit pixels stored blue, green, red, spare byte, rows top-down."""
        if len(data) != width * height * 4:
            raise HarnessError(f"{width} x {height} pixels need {width * height * 4} bytes, got {len(data)}")
        rgb = bytearray(width * height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = data[2::4], data[1::4], data[0::4]
        return cls(width, height, rgb)

    def to_ppm(self):
        """The picture as a binary PPM file's bytes."""
        return b"P6 %d %d 255\n" % (self.width, self.height) + self.rgb

    @classmethod
    def from_xwd(cls, data):
        """Decodes an X window dump of a 24-bit true-colour screen (3 or 4 bytes a pixel)."""
        if len(data) < XWD_HEADER_FIELDS * 4:
            raise HarnessError("window dump is too short to hold a header")
        fields = struct.unpack(">25I", data[:XWD_HEADER_FIELDS * 4])
        header_size, _, pixmap_format, _, width, height = fields[:6]
        byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
        red_mask, green_mask, blue_mask = fields[14:17]
        colours = fields[19]
        if pixmap_format != ZPIXMAP or bits_per_pixel not in (24, 32):
            raise HarnessError(f"window dump format {pixmap_format}/{bits_per_pixel} bpp is not handled "
                               "(start the screen with depth 24)")
        masks = (red_mask, green_mask, blue_mask)
        if masks != (0xFF0000, 0xFF00, 0xFF):
            raise HarnessError(f"window dump colour masks {masks} are not handled")
        start = header_size + colours * XWD_COLOR_SIZE
        pixels = data[start:start + bytes_per_line * height]
        if len(pixels) < bytes_per_line * height:
            raise HarnessError("window dump is shorter than its picture")
        # With the least significant byte first a pixel is stored blue, green, red (, pad);
        # with the most significant first (pad,) red, green, blue.
        size = bits_per_pixel // 8
        red, green, blue = (size - 3, size - 2, size - 1) if byte_order == MSB_FIRST else (2, 1, 0)
        rgb = bytearray(width * height * 3)
        for y in range(height):
            row = pixels[y * bytes_per_line:y * bytes_per_line + width * size]
            out = y * width * 3
            rgb[out:out + width * 3:3] = row[red::size]
            rgb[out + 1:out + width * 3:3] = row[green::size]
            rgb[out + 2:out + width * 3:3] = row[blue::size]
        return cls(width, height, rgb)

    def pixel(self, x, y):
        """(red, green, blue) of one pixel."""
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"pixel ({x}, {y}) is outside the {self.width} x {self.height} picture")
        at = (y * self.width + x) * 3
        return tuple(self.rgb[at:at + 3])

    def crop(self, x, y, width, height):
        if x < 0 or y < 0 or x + width > self.width or y + height > self.height:
            raise IndexError(f"area {x},{y} {width}x{height} is outside the {self.width} x {self.height} picture")
        rows = [self.rgb[((y + row) * self.width + x) * 3:((y + row) * self.width + x + width) * 3]
                for row in range(height)]
        return Screenshot(width, height, b"".join(rows))

    def mean(self):
        """Average (red, green, blue) of the whole picture."""
        count = self.width * self.height
        return tuple(sum(self.rgb[channel::3]) / count for channel in range(3))

    def colours(self):
        """The set of distinct (red, green, blue) values."""
        return {self.rgb[at:at + 3] for at in range(0, len(self.rgb), 3)}

    def count_differences(self, other, tolerance=0):
        """Number of pixels where some channel differs from `other` by more than `tolerance`."""
        if (self.width, self.height) != (other.width, other.height):
            raise HarnessError("pictures of different sizes cannot be compared")
        differing = 0
        for at in range(0, len(self.rgb), 3):
            a, b = self.rgb[at:at + 3], other.rgb[at:at + 3]
            if a != b and max(abs(a[i] - b[i]) for i in range(3)) > tolerance:
                differing += 1
        return differing

    def save_png(self, path):
        stride = self.width * 3
        # Filter type 0 (none) before every row.
        raw = b"".join(b"\0" + self.rgb[y * stride:(y + 1) * stride] for y in range(self.height))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            for kind, body in ((b"IHDR", header), (b"IDAT", zlib.compress(raw, 6)), (b"IEND", b"")):
                out.write(struct.pack(">I", len(body)) + kind + body)
                out.write(struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
        return path
