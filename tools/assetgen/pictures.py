"""The four splash pictures and the icon, drawn from code."""
from math import sqrt

from raster import (Image, Mask, Rng, clamp01, dexp, dsin, gradient, hexrgb, mix,
                    smoothstep, PI)
import fonts

WIDTH, HEIGHT = 416, 180
BUTTON_W, BUTTON_H = 80, 20

# Where the renderer draws over the background (window coordinates, both ends included).
SLOT = (122, 10, 400, 30)
STATUS = (120, 36, 401, 49)
BUTTONS = (4, 139, 251, 158)


def bitmap_mask(rows, cell, ss, pad, blur):
    """Scaled bitmap text as a smooth anti-aliased mask (pixel resolution).

    Every cell becomes cell x cell pixels; the shape is blurred at ss-times resolution and
    thresholded, which rounds the corners and straightens the stair-steps, then averaged
    down to coverage.
    """
    bw, bh = len(rows[0]), len(rows)
    s = cell * ss
    w = (bw * cell + 2 * pad) * ss
    h = (bh * cell + 2 * pad) * ss
    a = [0.0] * (w * h)
    for gy in range(bh):
        for gx in range(bw):
            if rows[gy][gx]:
                for y in range((pad + gy * cell) * ss, (pad + gy * cell) * ss + s):
                    base = y * w + (pad + gx * cell) * ss
                    for x in range(s):
                        a[base + x] = 1.0
    hi = Mask(w, h, a).box_blur(blur, passes=2)
    hi = hi.map(lambda v: 1.0 if v >= 0.5 else 0.0)
    return hi.downsample(ss)


def grow(mask, r, passes=1, gain=3.0):
    """A softly widened copy of a mask (for outlines and glows)."""
    return mask.box_blur(r, passes).map(lambda v: clamp01(v * gain))


# ---------------------------------------------------------------------------------------
# Background


def _sky(x, y):
    t = y / (HEIGHT - 1.0)
    c = gradient([(0.0, hexrgb("0b1233")), (0.36, hexrgb("0a1640")),
                  (0.58, hexrgb("060b22")), (0.70, hexrgb("020409")),
                  (1.0, hexrgb("000000"))], t)
    # a faint cool haze around the moon (upper left)
    dx, dy = x - 58.0, y - 30.0
    d2 = dx * dx + dy * dy
    haze = 0.20 * dexp(-d2 / 1800.0) + 0.06 * dexp(-d2 / 9000.0)
    return (c[0] + haze * 0.55, c[1] + haze * 0.7, c[2] + haze * 1.0)


def _ridge(x, base, amp, seed):
    """Height of a range of hills at column x (sum of a few sines)."""
    v = 0.0
    for k, (f, a) in enumerate(((0.011, 1.0), (0.027, 0.55), (0.061, 0.28), (0.13, 0.12))):
        v += a * dsin(x * f * 2.0 * PI / 3.0 + seed * (k + 1) * 1.7)
    return base - amp * v


def _stars(img, rng):
    for _ in range(120):
        x = int(rng.uniform() * WIDTH)
        y = int(rng.uniform() * 120)
        # keep the display panel (scroller slot and status line) free of stars
        if SLOT[0] - 6 <= x <= SLOT[2] + 6 and y <= STATUS[3] + 6:
            rng.uniform()  # keep the draws in step with the other stars
            continue
        b = rng.uniform()
        b = 0.25 + 0.75 * b * b * b
        tint = mix((1.0, 1.0, 1.0), (0.7, 0.8, 1.0), rng.uniform())
        fade = 1.0 - smoothstep(90.0, 125.0, y)
        img.add(x, y, tint, b * fade)
        if b > 0.75:  # a little cross on the brightest ones
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                img.add(x + dx, y + dy, tint, b * fade * 0.35)


def _moon(img):
    cx, cy, r = 58.0, 30.0, 15.0
    ox, oy = cx + 6.5, cy - 4.5  # the shadow disc that cuts the crescent

    def inside(fx, fy):
        dx, dy = fx - cx, fy - cy
        if dx * dx + dy * dy > r * r:
            return False
        ex, ey = fx - ox, fy - oy
        return ex * ex + ey * ey > (r - 1.5) * (r - 1.5)

    def colour(x, y):
        t = clamp01((y - (cy - r)) / (2 * r))
        return mix(hexrgb("fff6dc"), hexrgb("e9c98a"), t)

    img.shape(inside, int(cx - r) - 1, int(cy - r) - 1, int(cx + r) + 1, int(cy + r) + 1,
              colour)


def _panel(img, x0, y0, x1, y1, inner, rim_light, rim_dark):
    """Recessed dark display panel, both ends included."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            edge = min(x - x0, x1 - x, y - y0, y1 - y)
            if edge == 0:
                c = rim_dark if (y == y0 or x == x0) else rim_light
                img.blend(x, y, c, 0.9)
            else:
                t = (y - y0) / float(y1 - y0)
                img.blend(x, y, mix(inner, mix(inner, (0.0, 0.0, 0.0), 0.5), 1.0 - t), 0.92)


def _title(img, text, cx, top):
    rows = fonts.TITLE.render(text)
    cell, pad = 4, 6
    fill = bitmap_mask(rows, cell, 4, pad, 6)
    outline = grow(fill, 1, passes=1, gain=3.0)
    glow = fill.box_blur(4, passes=3)
    shadow = grow(fill, 1, passes=1, gain=2.0)
    ox = cx - fill.w // 2
    oy = top - pad
    cap_top = top
    cap_h = 10 * cell

    def chrome(x, y):
        t = (y - cap_top + 0.5) / cap_h
        c = gradient([(0.0, hexrgb("ffffff")), (0.30, hexrgb("cfe3ff")),
                      (0.52, hexrgb("6f9cf0")), (0.53, hexrgb("1d3a8c")),
                      (0.75, hexrgb("3f73d8")), (1.0, hexrgb("bfe0ff"))], t)
        # a soft diagonal sheen
        u = (x - 0.9 * y - 150.0) / 30.0
        s = 0.10 * dexp(-u * u)
        return (c[0] + s, c[1] + s, c[2] + s)

    img.composite_mask(glow, ox, oy, hexrgb("3a7bff"), opacity=0.85, additive=True)
    img.composite_mask(shadow, ox + 2, oy + 3, (0.0, 0.0, 0.02), opacity=0.75)
    img.composite_mask(outline, ox, oy, hexrgb("050a1e"))
    img.composite_mask(fill, ox, oy, chrome)
    # bevel: light on the upper-left edges, shade on the lower-right ones
    lit = Mask(fill.w, fill.h, [0.0] * (fill.w * fill.h))
    dark = Mask(fill.w, fill.h, [0.0] * (fill.w * fill.h))
    for y in range(fill.h):
        for x in range(fill.w):
            a = fill.a[y * fill.w + x]
            if a > 0.0:
                lit.a[y * fill.w + x] = clamp01(a - fill.get(x - 1, y - 1))
                dark.a[y * fill.w + x] = clamp01(a - fill.get(x + 1, y + 1))
    img.composite_mask(lit, ox, oy, hexrgb("ffffff"), opacity=0.7)
    img.composite_mask(dark, ox, oy, hexrgb("0a1a55"), opacity=0.6)


def background():
    img = Image(WIDTH, HEIGHT)
    img.fill(_sky)
    rng = Rng(0x5A5A2024)
    _stars(img, rng)
    _moon(img)
    # two ranges of dark hills; the fire burns over them from the bottom
    far = [_ridge(x, 132.0, 9.0, 1.3) for x in range(WIDTH)]
    near = [_ridge(x, 150.0, 11.0, 4.1) for x in range(WIDTH)]
    for x in range(WIDTH):
        for y in range(HEIGHT):
            if y + 1 > far[x]:
                d = y - far[x]
                c = mix(hexrgb("0a0f2a"), hexrgb("010103"), clamp01(d / 14.0))
                if d < 1.5:  # moonlit rim
                    c = mix(hexrgb("2a3a78"), c, clamp01(d / 1.5))
                img.blend(x, y, c, clamp01(y + 1 - far[x]))
            if y + 1 > near[x]:
                d = y - near[x]
                c = mix(hexrgb("04050d"), hexrgb("000000"), clamp01(d / 8.0))
                if d < 1.0:
                    c = mix(hexrgb("141c40"), c, clamp01(d))
                img.blend(x, y, c, clamp01(y + 1 - near[x]))
    # the display: scroller slot and status line
    _panel(img, SLOT[0] - 3, SLOT[1] - 3, SLOT[2] + 3, STATUS[3] + 2,
           hexrgb("03050d"), hexrgb("5b74b8"), hexrgb("0d1430"))
    _title(img, "ZAV Installer", WIDTH // 2, 66)
    return img


# ---------------------------------------------------------------------------------------
# Buttons


def _rounded_rect_inside(x0, y0, x1, y1, r):
    """Point test for a rounded rectangle whose outer edges are x0..x1, y0..y1 (floats)."""

    def inside(fx, fy):
        if fx < x0 or fx > x1 or fy < y0 or fy > y1:
            return False
        cx = min(max(fx, x0 + r), x1 - r)
        cy = min(max(fy, y0 + r), y1 - r)
        dx, dy = fx - cx, fy - cy
        return dx * dx + dy * dy <= r * r

    return inside


def button(word):
    img = Image(BUTTON_W, BUTTON_H, hexrgb("000000"))
    w, h = float(BUTTON_W), float(BUTTON_H)
    # dark rim
    img.shape(_rounded_rect_inside(0.0, 0.0, w, h, 4.0), 0, 0, BUTTON_W - 1, BUTTON_H - 1,
              hexrgb("0a1230"))

    def body(x, y):
        t = (y + 0.5) / h
        c = gradient([(0.0, hexrgb("6d92ee")), (0.48, hexrgb("3559b8")),
                      (0.52, hexrgb("1f3680")), (1.0, hexrgb("2c4aa6"))], t)
        return c

    img.shape(_rounded_rect_inside(1.0, 1.0, w - 1.0, h - 1.0, 3.0), 0, 0, BUTTON_W - 1,
              BUTTON_H - 1, body)
    # bevel: light upper inner edge, dark lower inner edge
    top_hi = _rounded_rect_inside(1.0, 1.0, w - 1.0, h - 1.0, 3.0)
    inner = _rounded_rect_inside(2.0, 2.0, w - 2.0, h - 2.0, 2.0)
    img.shape(lambda fx, fy: top_hi(fx, fy) and not inner(fx, fy) and fy < h * 0.5,
              0, 0, BUTTON_W - 1, BUTTON_H - 1, hexrgb("b8ccff"), opacity=0.8)
    img.shape(lambda fx, fy: top_hi(fx, fy) and not inner(fx, fy) and fy >= h * 0.5,
              0, 0, BUTTON_W - 1, BUTTON_H - 1, hexrgb("0c1844"), opacity=0.8)
    # the word, centred, with a one-pixel shadow
    rows = fonts.BUTTON.render(word)
    tw, th = len(rows[0]), len(rows)
    x0 = (BUTTON_W - tw) // 2
    y0 = (BUTTON_H - th) // 2
    for gy in range(th):
        for gx in range(tw):
            if rows[gy][gx]:
                img.blend(x0 + gx + 1, y0 + gy + 1, hexrgb("050b22"), 0.85)
    for gy in range(th):
        for gx in range(tw):
            if rows[gy][gx]:
                img.set(x0 + gx, y0 + gy, mix(hexrgb("ffffff"), hexrgb("d6e4ff"), gy / (th - 1.0)))
    return img


# ---------------------------------------------------------------------------------------
# Icon (32 x 32, drawn in full colour with a coverage mask, quantised by the ICO writer)

ICON_SIZE = 32


def icon():
    """Returns (Image, coverage Mask) for the 32 x 32 program icon."""
    n = ICON_SIZE
    img = Image(n, n, (0.0, 0.0, 0.0))
    cover = Mask(n, n)
    tile = _rounded_rect_inside(0.5, 0.5, n - 0.5, n - 0.5, 6.0)

    # coverage of the tile (the icon's outline)
    ss = 4
    for y in range(n):
        for x in range(n):
            k = 0
            for sy in range(ss):
                for sx in range(ss):
                    if tile(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss):
                        k += 1
            cover.a[y * n + x] = k / float(ss * ss)

    img.fill(lambda x, y: gradient([(0.0, hexrgb("23388a")), (0.55, hexrgb("0c1440")),
                                    (1.0, hexrgb("05060f"))], (y + 0.5) / n))
    # rim light along the top of the tile
    inner = _rounded_rect_inside(1.5, 1.5, n - 1.5, n - 1.5, 5.0)
    img.shape(lambda fx, fy: tile(fx, fy) and not inner(fx, fy) and fy < n * 0.5,
              0, 0, n - 1, n - 1, hexrgb("8fb0ff"), opacity=0.7)

    # the fire: a row of flames rising from the bottom of the tile
    def flame_heat(fx, fy):
        best = 0.0
        for cx, hgt, half in ((6.5, 23.0, 6.0), (16.0, 27.0, 9.0), (25.5, 21.0, 6.0)):
            t = (n - 1.0 - fy) / hgt  # 0 at the bottom, 1 at the tip
            if t < 0.0 or t > 1.0:
                continue
            wob = 1.2 * dsin(fy * 0.9 + cx)
            width = half * sqrt(1.0 - t) * (1.0 - 0.5 * t) * (0.55 + 0.45 * dsin(PI * min(1.0, t * 2.0 + 0.5)))
            if width <= 0.0:
                continue
            d = abs(fx - cx - wob * t) / width
            if d < 1.0:
                best = max(best, (1.0 - d) * (1.0 - 0.55 * t))
        return best

    def flame_inside(fx, fy):
        return flame_heat(fx, fy) > 0.0

    def flame_colour(x, y):
        h = clamp01(flame_heat(x + 0.5, y + 0.5) * 1.6)
        return gradient([(0.0, hexrgb("a01000")), (0.35, hexrgb("ff4a00")),
                         (0.7, hexrgb("ffa000")), (1.0, hexrgb("fff27a"))], h)

    img.shape(lambda fx, fy: tile(fx, fy) and flame_inside(fx, fy), 0, 0, n - 1, n - 1,
              flame_colour)

    # the letter Z from the title face, chrome with a dark outline
    rows = fonts.TITLE.glyph("Z")
    fill = bitmap_mask(rows, 2, 8, 2, 5)  # 16 x 20 glyph plus a 2-pixel margin
    outline = grow(fill, 1, passes=1, gain=3.0)
    ox = (n - fill.w) // 2
    oy = 3 - 2

    def chrome(x, y):
        t = (y - 3 + 0.5) / 20.0
        return gradient([(0.0, hexrgb("ffffff")), (0.45, hexrgb("bcd6ff")),
                         (0.5, hexrgb("2a4cae")), (1.0, hexrgb("9cc8ff"))], t)

    img.composite_mask(outline, ox, oy, hexrgb("03061a"))
    img.composite_mask(fill, ox, oy, chrome)
    return img, cover
