"""Windows icon writer: one 32 x 32 image, 8 bits per pixel, 256-entry palette.

Layout: ICONDIR (6 bytes), one ICONDIRENTRY (16 bytes), then the image: a 40-byte
BITMAPINFOHEADER (height doubled for the XOR and AND halves), 256 RGBQUAD palette entries,
the XOR pixels (one palette index a pixel, rows bottom-up, padded to 4 bytes) and the
1-bit AND mask (1 = transparent, rows bottom-up, padded to 4 bytes).
"""
import struct


class IcoError(Exception):
    pass


def _median_cut(colours, limit):
    """colours: {rgb tuple: count}. Returns at most `limit` representative colours."""
    boxes = [sorted(colours.items())]

    def spread(box):
        best = (-1, 0)
        for ch in range(3):
            vals = [c[ch] for c, _ in box]
            best = max(best, (max(vals) - min(vals), -ch))
        return best

    while len(boxes) < limit:
        # split the box with the largest channel range (ties: the most pixels, then first)
        scored = [(spread(b)[0] * sum(n for _, n in b), i) for i, b in enumerate(boxes)
                  if len(b) > 1]
        if not scored:
            break
        _, idx = max(scored, key=lambda s: (s[0], -s[1]))
        box = boxes.pop(idx)
        ch = -spread(box)[1]
        box.sort(key=lambda cn: (cn[0][ch], cn[0]))
        total = sum(n for _, n in box)
        acc, cut = 0, 1
        for k, (_, n) in enumerate(box):
            acc += n
            if acc * 2 >= total:
                cut = max(1, min(len(box) - 1, k + 1))
                break
        boxes.insert(idx, box[cut:])
        boxes.insert(idx, box[:cut])
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple((sum(c[ch] * n for c, n in box) + total // 2) // total
                             for ch in range(3)))
    return palette


def encode(size, rgb, opaque):
    """rgb: size*size*3 bytes (top row first); opaque: size*size booleans."""
    if size != 32:
        raise IcoError("only 32 x 32 icons are written, got %d" % size)
    if len(rgb) != size * size * 3 or len(opaque) != size * size:
        raise IcoError("icon pixel data has the wrong length")
    pixels = [tuple(rgb[3 * i:3 * i + 3]) for i in range(size * size)]
    counts = {}
    for p, o in zip(pixels, opaque):
        if o:
            counts[p] = counts.get(p, 0) + 1
    # entry 0 is black: transparent pixels use it, so AND 1 / XOR 0 leaves the screen as is
    if len(counts) <= 255:
        palette = sorted(counts)
    else:
        palette = _median_cut(counts, 255)
    palette = [(0, 0, 0)] + palette
    palette += [(0, 0, 0)] * (256 - len(palette))
    cache = {}

    def nearest(p):
        if p not in cache:
            best = None
            for i, q in enumerate(palette):
                if i == 0:
                    continue
                d = (p[0] - q[0]) ** 2 + (p[1] - q[1]) ** 2 + (p[2] - q[2]) ** 2
                if best is None or d < best[0]:
                    best = (d, i)
            cache[p] = best[1]
        return cache[p]

    xor_row = (size + 3) // 4 * 4
    and_row = ((size + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray()
        bits = bytearray(and_row)
        for x in range(size):
            i = y * size + x
            if opaque[i]:
                row.append(nearest(pixels[i]))
            else:
                row.append(0)
                bits[x >> 3] |= 0x80 >> (x & 7)
        row += bytes(xor_row - size)
        xor += row
        andm += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(andm),
                         0, 0, 256, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    image = header + pal + bytes(xor) + bytes(andm)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), 6 + 16)
    return icondir + entry + image
