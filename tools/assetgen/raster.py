"""Small deterministic raster toolkit: float RGB images and coverage masks.

Only +, -, *, / and sqrt are used on floats (all correctly rounded in IEEE arithmetic);
sine and exp come from the series below rather than the C library, so the pictures come
out the same to the bit wherever the generator runs.
"""

PI = 3.141592653589793


def dsin(x):
    """sin(x) by range reduction and a Taylor series (deterministic)."""
    twopi = 2.0 * PI
    k = int(x / twopi)
    x -= k * twopi
    if x < 0.0:
        x += twopi
    if x > PI:
        x -= twopi
    if x > PI / 2:
        x = PI - x
    elif x < -PI / 2:
        x = -PI - x
    x2 = x * x
    term = x
    total = x
    for n in range(1, 12):
        term *= -x2 / ((2 * n) * (2 * n + 1))
        total += term
    return total


def dcos(x):
    return dsin(x + PI / 2)


def dexp(x):
    """exp(x) for moderate |x| by halving and a Taylor series (deterministic)."""
    n = 0
    while x > 0.5 or x < -0.5:
        x *= 0.5
        n += 1
    term = 1.0
    total = 1.0
    for k in range(1, 16):
        term *= x / k
        total += term
    for _ in range(n):
        total *= total
    return total


def clamp01(v):
    return 0.0 if v < 0.0 else (1.0 if v > 1.0 else v)


def smoothstep(e0, e1, x):
    t = clamp01((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def hexrgb(s):
    return (int(s[0:2], 16) / 255.0, int(s[2:4], 16) / 255.0, int(s[4:6], 16) / 255.0)


def gradient(stops, t):
    """stops: list of (position, colour) sorted by position."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0))
    return stops[-1][1]


class Rng:
    """xorshift32: a tiny deterministic random source."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF or 1

    def next(self):
        s = self.s
        s ^= (s << 13) & 0xFFFFFFFF
        s ^= s >> 17
        s ^= (s << 5) & 0xFFFFFFFF
        self.s = s
        return s

    def uniform(self):
        return self.next() / 4294967296.0


class Mask:
    """A grid of floats 0..1 (coverage / alpha)."""

    def __init__(self, w, h, data=None):
        self.w, self.h = w, h
        self.a = data if data is not None else [0.0] * (w * h)

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.a[y * self.w + x]
        return 0.0

    def box_blur(self, r, passes=1):
        """Separable box blur of radius r (window 2r+1), zero outside."""
        w, h = self.w, self.h
        a = self.a
        n = 2 * r + 1
        for _ in range(passes):
            b = [0.0] * (w * h)
            for y in range(h):
                row = a[y * w:(y + 1) * w]
                s = 0.0
                for x in range(-r, w + r):
                    if x + r < w:
                        s += row[x + r]
                    if 0 <= x < w:
                        b[y * w + x] = s / n
                    if x - r >= 0:
                        s -= row[x - r]
            c = [0.0] * (w * h)
            for x in range(w):
                s = 0.0
                for y in range(-r, h + r):
                    if y + r < h:
                        s += b[(y + r) * w + x]
                    if 0 <= y < h:
                        c[y * w + x] = s / n
                    if y - r >= 0:
                        s -= b[(y - r) * w + x]
            a = c
        return Mask(w, h, a)

    def map(self, fn):
        return Mask(self.w, self.h, [fn(v) for v in self.a])

    def downsample(self, f):
        w, h = self.w // f, self.h // f
        out = [0.0] * (w * h)
        inv = 1.0 / (f * f)
        for y in range(h):
            for x in range(w):
                s = 0.0
                for yy in range(y * f, y * f + f):
                    base = yy * self.w + x * f
                    for xx in range(f):
                        s += self.a[base + xx]
                out[y * w + x] = s * inv
        return Mask(w, h, out)

    def shifted(self, dx, dy):
        out = [0.0] * (self.w * self.h)
        for y in range(self.h):
            for x in range(self.w):
                out[y * self.w + x] = self.get(x - dx, y - dy)
        return Mask(self.w, self.h, out)


class Image:
    """Float RGB picture, values 0..1, row-major from the top."""

    def __init__(self, w, h, colour=(0.0, 0.0, 0.0)):
        self.w, self.h = w, h
        self.p = [colour] * (w * h)

    def get(self, x, y):
        return self.p[y * self.w + x]

    def set(self, x, y, c):
        self.p[y * self.w + x] = c

    def blend(self, x, y, c, alpha):
        if alpha <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        i = y * self.w + x
        if alpha >= 1.0:
            self.p[i] = c
        else:
            self.p[i] = mix(self.p[i], c, alpha)

    def add(self, x, y, c, amount):
        if amount <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        i = y * self.w + x
        o = self.p[i]
        self.p[i] = (o[0] + c[0] * amount, o[1] + c[1] * amount, o[2] + c[2] * amount)

    def fill(self, fn):
        """fn(x, y) -> colour for every pixel."""
        for y in range(self.h):
            for x in range(self.w):
                self.p[y * self.w + x] = fn(x, y)

    def composite_mask(self, mask, ox, oy, colour, opacity=1.0, additive=False):
        """Put `colour` (a colour or fn(x, y) in picture coordinates) through `mask` at (ox, oy)."""
        fn = colour if callable(colour) else None
        for my in range(mask.h):
            y = oy + my
            if not 0 <= y < self.h:
                continue
            for mx in range(mask.w):
                a = mask.a[my * mask.w + mx] * opacity
                if a <= 0.0:
                    continue
                x = ox + mx
                c = fn(x, y) if fn else colour
                if additive:
                    self.add(x, y, c, a)
                else:
                    self.blend(x, y, c, a)

    def shape(self, inside, x0, y0, x1, y1, colour, ss=4, opacity=1.0):
        """Anti-aliased shape: inside(fx, fy) tells whether a point (pixel units) is in it."""
        inv = 1.0 / (ss * ss)
        fn = colour if callable(colour) else None
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                n = 0
                for sy in range(ss):
                    fy = y + (sy + 0.5) / ss
                    for sx in range(ss):
                        if inside(x + (sx + 0.5) / ss, fy):
                            n += 1
                if n:
                    self.blend(x, y, fn(x, y) if fn else colour, n * inv * opacity)

    def to_bytes(self, dither_seed=None):
        """8-bit RGB bytes; optional +-0.5 LSB deterministic dither against banding."""
        out = bytearray(self.w * self.h * 3)
        rng = Rng(dither_seed) if dither_seed is not None else None
        for i, (r, g, b) in enumerate(self.p):
            d = (rng.uniform() - 0.5) if rng else 0.0
            for k, v in enumerate((r, g, b)):
                q = int(v * 255.0 + 0.5 + d) if v > 0.0 else 0
                out[3 * i + k] = 0 if q < 0 else (255 if q > 255 else q)
        return bytes(out)

