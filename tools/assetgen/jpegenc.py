"""Baseline JPEG (JFIF) encoder in pure integer arithmetic.

Writes SOF0 (baseline, 8-bit samples), three components (Y, Cb, Cr) without chroma
subsampling, the quantisation tables of ITU-T T.81 Annex K scaled by the IJG quality rule,
and the standard Huffman tables of Annex K.3. Everything is integer arithmetic, so the same
pixels give the same bytes on every machine.
"""

# Annex K.1 / K.2 quantisation tables, natural (row-major) order.
_LUMA_Q = [
    16, 11, 10, 16, 24, 40, 51, 61,
    12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56,
    14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77,
    24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101,
    72, 92, 95, 98, 112, 100, 103, 99]
_CHROMA_Q = [
    17, 18, 24, 47, 99, 99, 99, 99,
    18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99,
    47, 66, 99, 99, 99, 99, 99, 99] + [99] * 32

# Zig-zag order: ZIGZAG[k] is the natural index of the k-th coefficient.
ZIGZAG = [
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63]

# Annex K.3 Huffman tables: (counts of codes of length 1..16, symbols).
_DC_LUMA = ([0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0], list(range(12)))
_DC_CHROMA = ([0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0], list(range(12)))
_AC_LUMA = ([0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D], [
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xA1, 0x08, 0x23, 0x42, 0xB1, 0xC1, 0x15, 0x52,
    0xD1, 0xF0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0A, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2A, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9A, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6,
    0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3,
    0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8,
    0xE9, 0xEA, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA])
_AC_CHROMA = ([0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77], [
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xA1, 0xB1, 0xC1, 0x09, 0x23, 0x33,
    0x52, 0xF0, 0x15, 0x62, 0x72, 0xD1, 0x0A, 0x16, 0x24, 0x34, 0xE1, 0x25, 0xF1, 0x17, 0x18,
    0x19, 0x1A, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9A, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4,
    0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA,
    0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
    0xE8, 0xE9, 0xEA, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA])

# cos(k*pi/16) * 8192, rounded, k = 0..8 (fixed here so no libm rounding can creep in).
_COS = [8192, 8035, 7568, 6811, 5793, 4551, 3135, 1598, 0]
_SCALE_BITS = 28  # each 1-D pass scales by 2**14


def _cos_scaled(a):
    a %= 32
    if a <= 8:
        return _COS[a]
    if a <= 16:
        return -_COS[16 - a]
    if a <= 24:
        return -_COS[a - 16]
    return _COS[32 - a]


# DCT basis: M[u][x] = C(u)/2 * cos((2x+1)u*pi/16) * 2**14, C(0) = 1/sqrt(2).
_M = [[(5793 if u == 0 else _cos_scaled((2 * x + 1) * u)) for x in range(8)] for u in range(8)]


class JpegError(Exception):
    pass


def _check_table(table, name):
    counts, symbols = table
    if sum(counts) != len(symbols) or len(set(symbols)) != len(symbols):
        raise JpegError("Huffman table %s is inconsistent" % name)


def _ac_symbols_complete(symbols):
    wanted = {0x00, 0xF0} | {(r << 4) | s for r in range(16) for s in range(1, 11)}
    return set(symbols) == wanted


for _t, _n in ((_DC_LUMA, "DC luma"), (_DC_CHROMA, "DC chroma"), (_AC_LUMA, "AC luma"),
               (_AC_CHROMA, "AC chroma")):
    _check_table(_t, _n)
if not (_ac_symbols_complete(_AC_LUMA[1]) and _ac_symbols_complete(_AC_CHROMA[1])):
    raise JpegError("AC Huffman tables do not cover every run/size symbol")


def _huffman_codes(table):
    """Canonical code assignment (T.81 Annex C): symbol -> (code, length)."""
    counts, symbols = table
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(counts[length - 1]):
            codes[symbols[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


def _scaled_quant(base, quality):
    if not 1 <= quality <= 100:
        raise JpegError("quality must be 1..100, got %r" % (quality,))
    scale = 5000 // quality if quality < 50 else 200 - quality * 2
    return [min(255, max(1, (q * scale + 50) // 100)) for q in base]


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def put(self, code, length):
        self.acc = (self.acc << length) | code
        self.nbits += length
        while self.nbits >= 8:
            self.nbits -= 8
            byte = (self.acc >> self.nbits) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0x00)  # byte stuffing
        self.acc &= (1 << self.nbits) - 1

    def flush(self):
        if self.nbits:
            self.put((1 << (8 - self.nbits)) - 1, 8 - self.nbits)  # pad with 1-bits


def _magnitude(v):
    """(size category, extra bits) of a DC difference or AC coefficient."""
    a = -v if v < 0 else v
    size = a.bit_length()
    bits = v if v >= 0 else v + (1 << size) - 1
    return size, bits


def _fdct_quantise(block, qtable):
    """block: 64 level-shifted samples (row-major). Returns 64 quantised coefficients."""
    M = _M
    # rows: T[y][u] = sum_x M[u][x] * f[y][x]
    tmp = [0] * 64
    for y in range(8):
        r = block[y * 8:y * 8 + 8]
        for u in range(8):
            m = M[u]
            tmp[y * 8 + u] = (m[0] * r[0] + m[1] * r[1] + m[2] * r[2] + m[3] * r[3]
                              + m[4] * r[4] + m[5] * r[5] + m[6] * r[6] + m[7] * r[7])
    out = [0] * 64
    for u in range(8):
        c = [tmp[y * 8 + u] for y in range(8)]
        for v in range(8):
            m = M[v]
            s = (m[0] * c[0] + m[1] * c[1] + m[2] * c[2] + m[3] * c[3]
                 + m[4] * c[4] + m[5] * c[5] + m[6] * c[6] + m[7] * c[7])
            div = qtable[v * 8 + u] << _SCALE_BITS
            if s >= 0:
                out[v * 8 + u] = (2 * s + div) // (2 * div)
            else:
                out[v * 8 + u] = -((-2 * s + div) // (2 * div))
    return out


def _segment(marker, payload):
    return bytes([0xFF, marker]) + (len(payload) + 2).to_bytes(2, "big") + payload


def encode(width, height, rgb, quality=90):
    """rgb: bytes-like of width*height*3 values (R, G, B, row-major, top row first)."""
    if not (1 <= width <= 65535 and 1 <= height <= 65535):
        raise JpegError("bad picture size %dx%d" % (width, height))
    if len(rgb) != width * height * 3:
        raise JpegError("pixel data has %d bytes, %dx%dx3 = %d expected"
                        % (len(rgb), width, height, width * height * 3))
    qt = [_scaled_quant(_LUMA_Q, quality), _scaled_quant(_CHROMA_Q, quality)]

    # Colour conversion (JFIF), 16-bit fixed point, rounded; level shift by 128.
    planes = [[0] * (width * height) for _ in range(3)]
    py, pb, pr = planes
    for i in range(width * height):
        r, g, b = rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]
        py[i] = ((19595 * r + 38470 * g + 7471 * b + 32768) >> 16) - 128
        pb[i] = ((-11059 * r - 21709 * g + 32768 * b + 32768) >> 16)
        pr[i] = ((32768 * r - 27439 * g - 5329 * b + 32768) >> 16)

    codes = [(_huffman_codes(_DC_LUMA), _huffman_codes(_AC_LUMA)),
             (_huffman_codes(_DC_CHROMA), _huffman_codes(_AC_CHROMA))]
    bw = _BitWriter()
    pred = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for comp in range(3):
                plane = planes[comp]
                block = []
                for y in range(by, by + 8):
                    row = min(y, height - 1) * width
                    for x in range(bx, bx + 8):
                        block.append(plane[row + min(x, width - 1)])  # edge replication
                tbl = 0 if comp == 0 else 1
                coef = _fdct_quantise(block, qt[tbl])
                dc_codes, ac_codes = codes[tbl]
                diff = coef[0] - pred[comp]
                pred[comp] = coef[0]
                size, bits = _magnitude(diff)
                bw.put(*dc_codes[size])
                if size:
                    bw.put(bits, size)
                run = 0
                for k in range(1, 64):
                    v = coef[ZIGZAG[k]]
                    if v == 0:
                        run += 1
                        continue
                    while run > 15:
                        bw.put(*ac_codes[0xF0])
                        run -= 16
                    size, bits = _magnitude(v)
                    if size > 10:
                        raise JpegError("AC coefficient out of range")
                    bw.put(*ac_codes[(run << 4) | size])
                    bw.put(bits, size)
                    run = 0
                if run:
                    bw.put(*ac_codes[0x00])  # end of block
    bw.flush()

    out = bytearray(b"\xFF\xD8")  # SOI
    out += _segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")  # APP0, 1:1 aspect
    for i in range(2):
        out += _segment(0xDB, bytes([i]) + bytes(qt[i][ZIGZAG[k]] for k in range(64)))
    sof = bytes([8]) + height.to_bytes(2, "big") + width.to_bytes(2, "big") + bytes([3])
    sof += bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1])
    out += _segment(0xC0, sof)
    for cls_id, table in ((0x00, _DC_LUMA), (0x10, _AC_LUMA), (0x01, _DC_CHROMA),
                          (0x11, _AC_CHROMA)):
        out += _segment(0xC4, bytes([cls_id]) + bytes(table[0]) + bytes(table[1]))
    out += _segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += bw.out
    out += b"\xFF\xD9"  # EOI
    return bytes(out)
