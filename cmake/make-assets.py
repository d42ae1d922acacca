#!/usr/bin/env python3
"""Generate Quellaro's image assets.

Writes, relative to the repository root:
  src/app/res/quellaro.ico   application icon, 32x32 and 16x16, 4 bpp (16 colours)
  src/about/res/about.jpg    154x154 baseline JPEG shown in the About box

Only the Python 3 standard library is used; the JPEG is produced by the small
baseline encoder below (integer DCT, standard tables), so the output is
byte-for-byte reproducible on any platform.

Usage:  python3 cmake/make-assets.py [--out-dir REPO_ROOT]
"""

import argparse
import os
import struct

# ---------------------------------------------------------------------------
# Icon
# ---------------------------------------------------------------------------

# Standard 16-colour Windows/VGA palette, as (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0  black
    (0x80, 0x00, 0x00),  # 1  dark red
    (0x00, 0x80, 0x00),  # 2  dark green
    (0x80, 0x80, 0x00),  # 3  olive
    (0x00, 0x00, 0x80),  # 4  navy
    (0x80, 0x00, 0x80),  # 5  purple
    (0x00, 0x80, 0x80),  # 6  teal
    (0xC0, 0xC0, 0xC0),  # 7  light grey
    (0x80, 0x80, 0x80),  # 8  dark grey
    (0xFF, 0x00, 0x00),  # 9  red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]
BLACK, DRED, NAVY, LGREY, DGREY, RED, BLUE, WHITE = 0, 1, 4, 7, 8, 9, 12, 15

SQRT_HALF = 0.5 ** 0.5


class PixelCanvas:
    """A square grid of palette indices; None means transparent."""

    def __init__(self, size):
        self.size = size
        self.px = [[None] * size for _ in range(size)]

    def set(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, inclusive corners."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        """Bresenham line."""
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy


def draw_pin(cv, cx, top, cap_w, cap_h, neck_w, neck_h, collar_w, needle_h):
    """An upright red push-pin centred on column cx, its cap starting at row
    `top`: a rounded cap, a narrower neck, a wide collar and a steel needle.
    Widths are odd so the pin is symmetric about cx; the right-hand side is
    shaded and the cap carries a white glint."""
    def band(w, y0, y1, round_top=False, round_bottom=False):
        x0, x1 = cx - w // 2, cx + w // 2
        cv.rect(x0, y0, x1, y1, RED)
        cv.rect(x1, y0, x1, y1, DRED)               # shaded right edge
        if round_top:
            cv.set(x0, y0, None)
            cv.set(x1, y0, None)
        if round_bottom:
            cv.set(x0, y1, None)
            cv.set(x1, y1, None)
        return x0, x1

    y = top
    x0, x1 = band(cap_w, y, y + cap_h - 1, round_top=True, round_bottom=True)
    cv.line(x0 + 1, y + cap_h - 1, x1 - 1, y + cap_h - 1, DRED)   # cap rim
    cv.set(x0 + 1, y + 1, WHITE)                                  # glint
    if cap_h >= 5:
        cv.set(x0 + 1, y + 2, WHITE)
        cv.set(x0 + 2, y + 1, WHITE)
    y += cap_h
    band(neck_w, y, y + neck_h - 1)
    y += neck_h
    x0, x1 = band(collar_w, y, y + 1, round_top=True, round_bottom=True)
    cv.line(x0, y + 1, x1, y + 1, DRED)                           # collar underside
    cv.set(x0, y + 1, None)
    cv.set(x1, y + 1, None)
    y += 2
    cv.line(cx, y, cx, y + needle_h - 1, LGREY)                   # needle
    cv.set(cx, y + needle_h - 1, DGREY)


def icon32():
    cv = PixelCanvas(32)
    # Window: drop shadow, blue frame, navy title bar, white client area.
    cv.rect(3, 10, 27, 31, DGREY)
    cv.rect(1, 8, 25, 29, BLUE)
    cv.rect(2, 9, 24, 12, NAVY)
    cv.rect(2, 13, 24, 28, WHITE)
    # System-menu box at the left of the title bar.
    cv.rect(3, 10, 5, 11, LGREY)
    # Text lines in the client area.
    for y, x1 in ((16, 18), (19, 21), (22, 15), (25, 19)):
        cv.rect(4, y, x1, y, LGREY)
    # Push-pin stuck through the window's top-right corner.
    draw_pin(cv, cx=24, top=0, cap_w=9, cap_h=5, neck_w=5, neck_h=3,
             collar_w=11, needle_h=5)
    return cv


def icon16():
    cv = PixelCanvas(16)
    cv.rect(1, 5, 15, 15, DGREY)
    cv.rect(0, 4, 14, 14, BLUE)
    cv.rect(1, 5, 13, 6, NAVY)
    cv.rect(1, 7, 13, 13, WHITE)
    for y, x1 in ((9, 8), (11, 10)):
        cv.rect(2, y, x1, y, LGREY)
    draw_pin(cv, cx=11, top=0, cap_w=5, cap_h=3, neck_w=3, neck_h=1,
             collar_w=7, needle_h=3)
    return cv


def dib_4bpp(cv):
    """BITMAPINFOHEADER + palette + XOR mask + AND mask for one icon image."""
    n = cv.size
    xor_stride = ((n * 4 + 31) // 32) * 4
    and_stride = ((n + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for y in range(n - 1, -1, -1):              # bottom-up
        row = cv.px[y]
        xb = bytearray(xor_stride)
        ab = bytearray(and_stride)
        for x, c in enumerate(row):
            if c is None:
                ab[x >> 3] |= 0x80 >> (x & 7)   # transparent
                c = 0
            xb[x >> 1] |= c << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(xb))
        and_rows.append(bytes(ab))
    pixels = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII",
                         40, n, 2 * n, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + pal + pixels


def build_ico(canvases):
    images = [(cv.size, dib_4bpp(cv)) for cv in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0,
                           1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


# ---------------------------------------------------------------------------
# About picture (anti-aliased vector drawing in floating point, RGB 0..1)
# ---------------------------------------------------------------------------

def clamp01(t):
    return 0.0 if t < 0.0 else 1.0 if t > 1.0 else t


def smoothstep(e0, e1, t):
    t = clamp01((t - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexrgb(s):
    return tuple(int(s[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def sd_round_box(px, py, cx, cy, hx, hy, r):
    """Signed distance to a rounded rectangle centred at (cx, cy)."""
    qx = abs(px - cx) - hx + r
    qy = abs(py - cy) - hy + r
    ox, oy = max(qx, 0.0), max(qy, 0.0)
    return (ox * ox + oy * oy) ** 0.5 + min(max(qx, qy), 0.0) - r


class Picture:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0)] * w for _ in range(h)]

    def fill(self, bbox, sdf, colour, alpha=1.0, soft=None):
        """Paint where sdf(x, y) < 0 (pixel-centre coordinates).

        colour is an (r, g, b) tuple or a function (x, y) -> (r, g, b).
        With soft=(inner, outer) the coverage fades smoothly between those
        distances instead of being anti-aliased over one pixel."""
        x0, y0, x1, y1 = bbox
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w - 1, int(x1) + 1), min(self.h - 1, int(y1) + 1)
        for y in range(y0, y1 + 1):
            row = self.px[y]
            py = y + 0.5
            for x in range(x0, x1 + 1):
                px = x + 0.5
                d = sdf(px, py)
                if soft is None:
                    cov = clamp01(0.5 - d)
                else:
                    cov = 1.0 - smoothstep(soft[0], soft[1], d)
                cov *= alpha
                if cov <= 0.0:
                    continue
                c = colour(px, py) if callable(colour) else colour
                row[x] = mix(row[x], c, cov)


def draw_window(pic, x0, y0, x1, y1, title, frame, client, lines, shadow):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0, (y1 - y0) / 2.0
    r = 3.0
    # Soft drop shadow.
    pic.fill((x0 - 6, y0 - 4, x1 + 10, y1 + 12),
             lambda x, y: sd_round_box(x, y, cx + 2.0, cy + 3.5, hx, hy, r),
             hexrgb("24405e"), alpha=shadow, soft=(-3.0, 6.0))
    # Frame (also forms the title bar's outline).
    pic.fill((x0, y0, x1, y1),
             lambda x, y: sd_round_box(x, y, cx, cy, hx, hy, r), frame)
    # Title bar: slightly lighter at the top.
    tb = 13.0
    tcy = y0 + 1.0 + tb / 2.0
    top, bottom = mix(title, (1, 1, 1), 0.18), title
    pic.fill((x0, y0, x1, y0 + tb + 2),
             lambda x, y: sd_round_box(x, y, cx, tcy, hx - 1.0, tb / 2.0, r - 1.0),
             lambda x, y: mix(top, bottom, clamp01((y - y0) / tb)))
    # Client area.
    ccy0, ccy1 = y0 + tb + 1.0, y1 - 1.0
    pic.fill((x0, ccy0, x1, ccy1),
             lambda x, y: sd_round_box(x, y, cx, (ccy0 + ccy1) / 2.0,
                                       hx - 1.0, (ccy1 - ccy0) / 2.0, 1.5),
             client)
    # Content placeholder bars.
    for i, frac in enumerate(lines):
        ly = ccy0 + 9.0 + 8.0 * i
        if ly + 3 > ccy1 - 4:
            break
        lx0, lx1 = x0 + 8.0, x0 + 8.0 + (x1 - x0 - 16.0) * frac
        lcx, lcy = (lx0 + lx1) / 2.0, ly
        pic.fill((lx0 - 2, ly - 3, lx1 + 2, ly + 3),
                 lambda x, y, lcx=lcx, lcy=lcy, hw=(lx1 - lx0) / 2.0:
                     sd_round_box(x, y, lcx, lcy, hw, 1.6, 1.6),
                 mix(client, title, 0.22))


def draw_pushpin(pic, tip, length_scale):
    """A red push-pin leaning to the upper right, its needle at `tip`."""
    tx, ty = tip
    s = length_scale
    ux, uy = SQRT_HALF, -SQRT_HALF         # axis, towards the head
    vx, vy = SQRT_HALF, SQRT_HALF          # across, towards lower right

    def local(x, y):
        dx, dy = x - tx, y - ty
        return dx * ux + dy * uy, dx * vx + dy * vy

    def slab(u0, u1, hw, r):
        uc, hu = (u0 + u1) / 2.0, (u1 - u0) / 2.0

        def sdf(x, y):
            u, v = local(x, y)
            return sd_round_box(u, v, uc, 0.0, hu, hw, r)
        return sdf

    def shaded(base, dark, light):
        def colour(x, y):
            _, v = local(x, y)
            c = mix(base, dark, smoothstep(-1.0 * s, 5.0 * s, v))
            return mix(c, light, 1.0 - smoothstep(-5.0 * s, -1.5 * s, v))
        return colour

    bbox = (tx - 4, ty - 34 * s, tx + 34 * s, ty + 4)
    red, dred, pink = hexrgb("e23b2e"), hexrgb("8c1a14"), hexrgb("ff8f80")
    steel, dsteel = hexrgb("c9ced6"), hexrgb("6d737c")

    # Shadow cast on the window, offset down-right.
    def shadow(x, y):
        return min(slab(0.0, 11.0 * s, 1.0 * s, 1.0 * s)(x - 2.0, y + 0.5),
                   slab(11.0 * s, 27.0 * s, 6.0 * s, 2.5 * s)(x - 3.5, y + 2.0))
    pic.fill((tx - 2, ty - 30 * s, tx + 34 * s, ty + 8), shadow,
             hexrgb("0f2740"), alpha=0.20, soft=(-1.5, 3.0))
    # Needle.
    pic.fill(bbox, slab(-1.0 * s, 12.0 * s, 0.9 * s, 0.9 * s),
             shaded(steel, dsteel, (1, 1, 1)))
    # Collar (flat disc seen edge-on).
    pic.fill(bbox, slab(10.5 * s, 14.0 * s, 7.5 * s, 1.6 * s),
             shaded(red, dred, pink))
    # Neck.
    pic.fill(bbox, slab(13.5 * s, 21.0 * s, 3.4 * s, 1.0 * s),
             shaded(red, dred, pink))
    # Cap.
    pic.fill(bbox, slab(20.5 * s, 27.0 * s, 6.4 * s, 2.8 * s),
             shaded(red, dred, pink))
    # Glint on the cap.
    hx_, hy_ = tx + (23.8 * s) * ux + (-3.6 * s) * vx, ty + (23.8 * s) * uy + (-3.6 * s) * vy
    pic.fill((hx_ - 4, hy_ - 4, hx_ + 4, hy_ + 4),
             lambda x, y: ((x - hx_) ** 2 + (y - hy_) ** 2) ** 0.5 - 1.4 * s,
             (1, 1, 1), alpha=0.85)


def about_picture():
    n = 154
    pic = Picture(n, n)
    # Background: soft vertical gradient, light blue to near-white.
    # Towards the right edge it eases into the dialog's button-face grey so
    # the picture sits quietly next to the text area.
    top, bottom, face = hexrgb("c4dcf2"), hexrgb("f2f4f7"), hexrgb("f0f0f0")
    for y in range(n):
        c = mix(top, bottom, smoothstep(0.0, 1.0, (y + 0.5) / n))
        pic.px[y] = [mix(c, face, 0.55 * smoothstep(96.0, n, x + 0.5))
                     for x in range(n)]
    # A faint glow behind the windows.
    pic.fill((0, 0, n, n),
             lambda x, y: ((x - 96.0) ** 2 + (y - 78.0) ** 2) ** 0.5 - 30.0,
             (1, 1, 1), alpha=0.35, soft=(-10.0, 48.0))
    # Back windows: muted; front window: vivid, pinned.
    draw_window(pic, 12, 16, 92, 80, hexrgb("9fb3c8"), hexrgb("8aa0b6"),
                hexrgb("eef2f6"), (0.7, 0.5, 0.6), 0.16)
    draw_window(pic, 28, 34, 110, 100, hexrgb("6f93b9"), hexrgb("5f83a9"),
                hexrgb("f3f6f9"), (0.6, 0.8, 0.4), 0.20)
    draw_window(pic, 44, 54, 136, 136, hexrgb("2b6cc4"), hexrgb("1f4f93"),
                hexrgb("ffffff"), (0.75, 0.55, 0.85, 0.45, 0.65), 0.28)
    draw_pushpin(pic, (112.0, 65.0), 1.25)
    return pic


# ---------------------------------------------------------------------------
# Baseline JPEG encoder (JFIF, 8-bit, 3 components, 4:4:4, standard tables)
# ---------------------------------------------------------------------------

# Quantisation tables from ITU-T T.81 Annex K.1, natural (row-major) order.
QUANT_LUMA = [
    16, 11, 10, 16, 24, 40, 51, 61,
    12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56,
    14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77,
    24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101,
    72, 92, 95, 98, 112, 100, 103, 99,
]
QUANT_CHROMA = [
    17, 18, 24, 47, 99, 99, 99, 99,
    18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99,
    47, 66, 99, 99, 99, 99, 99, 99,
] + [99] * 32

# Huffman tables from ITU-T T.81 Annex K.3: (code counts per length 1..16, symbols).
DC_LUMA = ([0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0], list(range(12)))
DC_CHROMA = ([0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0], list(range(12)))
AC_LUMA = ([0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d], [
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06,
    0x13, 0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08,
    0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28,
    0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75,
    0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
    0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9,
    0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4,
    0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa,
])
AC_CHROMA = ([0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77], [
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41,
    0x51, 0x07, 0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91,
    0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26,
    0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74,
    0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
    0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
    0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7,
    0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4,
    0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa,
])

# round(8192 * cos(k * pi / 16)) for k = 0..7; fixed so the DCT is pure integer.
COS_Q13 = [8192, 8035, 7568, 6811, 5793, 4551, 3135, 1598]


def _cos_q13(m):
    """8192 * cos(m * pi / 16) for any integer m, from COS_Q13."""
    m %= 32
    if m > 16:
        m = 32 - m
    if m < 8:
        return COS_Q13[m]
    return 0 if m == 8 else -COS_Q13[16 - m]


# DCT basis, scaled by 2^13, including C(0) = 1/sqrt(2) ~ 5793/8192.
DCT_BASIS = [[(COS_Q13[4] if u == 0 else _cos_q13((2 * x + 1) * u))
              for x in range(8)] for u in range(8)]


def zigzag_order():
    order = []
    for s in range(15):
        cells = [(i, s - i) for i in range(8) if 0 <= s - i < 8]
        if s % 2 == 0:
            cells.reverse()   # even diagonals run bottom-left to top-right
        order.extend(r * 8 + c for r, c in cells)
    return order


ZIGZAG = zigzag_order()


def scaled_quant(table, quality):
    scale = 5000 // quality if quality < 50 else 200 - 2 * quality
    return [min(255, max(1, (q * scale + 50) // 100)) for q in table]


def huffman_codes(table):
    bits, vals = table
    assert sum(bits) == len(vals) and len(set(vals)) == len(vals)
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[vals[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def write(self, value, length):
        self.acc = (self.acc << length) | (value & ((1 << length) - 1))
        self.n += length
        while self.n >= 8:
            self.n -= 8
            byte = (self.acc >> self.n) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0x00)
        self.acc &= (1 << self.n) - 1

    def flush(self):
        if self.n:
            self.write((1 << (8 - self.n)) - 1, 8 - self.n)


def fdct_quantise(block, quant):
    """Forward DCT of 64 level-shifted samples, quantised, in zig-zag order."""
    # Rows then columns; intermediate values carry the 2^13 basis scale once.
    tmp = [0] * 64
    for y in range(8):
        row = block[y * 8:y * 8 + 8]
        for u in range(8):
            b = DCT_BASIS[u]
            tmp[y * 8 + u] = sum(b[x] * row[x] for x in range(8))
    coef = [0] * 64
    for u in range(8):
        col = [tmp[y * 8 + u] for y in range(8)]
        for v in range(8):
            b = DCT_BASIS[v]
            s = sum(b[y] * col[y] for y in range(8))
            # F = s / (4 * 2^26); quantised value = round(F / q), half away from 0.
            den = quant[v * 8 + u] << 28
            mag = (abs(s) * 2 + den) // (2 * den)
            coef[v * 8 + u] = mag if s >= 0 else -mag
    return [coef[i] for i in ZIGZAG]


def magnitude(value):
    """(category, bits) for a DC difference or AC coefficient."""
    a = abs(value)
    cat = a.bit_length()
    return cat, (value if value >= 0 else value + (1 << cat) - 1)


def encode_block(bw, zz, prev_dc, dc_codes, ac_codes):
    diff = zz[0] - prev_dc
    cat, bits = magnitude(diff)
    code, length = dc_codes[cat]
    bw.write(code, length)
    if cat:
        bw.write(bits, cat)
    run = 0
    for k in range(1, 64):
        c = zz[k]
        if c == 0:
            run += 1
            continue
        while run > 15:
            code, length = ac_codes[0xF0]
            bw.write(code, length)
            run -= 16
        cat, bits = magnitude(c)
        code, length = ac_codes[(run << 4) | cat]
        bw.write(code, length)
        bw.write(bits, cat)
        run = 0
    if run:
        code, length = ac_codes[0x00]
        bw.write(code, length)
    return zz[0]


def marker(code, payload=b""):
    if not payload:
        return struct.pack(">BB", 0xFF, code)
    return struct.pack(">BBH", 0xFF, code, len(payload) + 2) + payload


def encode_jpeg(rgb_rows, width, height, quality=85):
    """rgb_rows: height lists of width (r, g, b) byte tuples."""
    # Colour conversion (JFIF YCbCr, 16-bit fixed point), level-shifted by -128.
    planes = [[[0] * width for _ in range(height)] for _ in range(3)]
    for y in range(height):
        for x in range(width):
            r, g, b = rgb_rows[y][x]
            yy = (19595 * r + 38470 * g + 7471 * b + 32768) >> 16
            cb = (-11059 * r - 21709 * g + 32768 * b + 32768) >> 16
            cr = (32768 * r - 27439 * g - 5329 * b + 32768) >> 16
            planes[0][y][x] = yy - 128
            planes[1][y][x] = max(-128, min(127, cb))
            planes[2][y][x] = max(-128, min(127, cr))

    ql, qc = scaled_quant(QUANT_LUMA, quality), scaled_quant(QUANT_CHROMA, quality)
    tables = [(ql, huffman_codes(DC_LUMA), huffman_codes(AC_LUMA)),
              (qc, huffman_codes(DC_CHROMA), huffman_codes(AC_CHROMA)),
              (qc, huffman_codes(DC_CHROMA), huffman_codes(AC_CHROMA))]

    bw = BitWriter()
    prev = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for ci in range(3):
                plane = planes[ci]
                block = []
                for y in range(by, by + 8):
                    row = plane[min(y, height - 1)]
                    block.extend(row[min(x, width - 1)] for x in range(bx, bx + 8))
                q, dc, ac = tables[ci]
                prev[ci] = encode_block(bw, fdct_quantise(block, q), prev[ci], dc, ac)
    bw.flush()

    out = bytearray(marker(0xD8))                                   # SOI
    out += marker(0xE0, b"JFIF\x00" + struct.pack(">BBBHHBB", 1, 1, 0, 1, 1, 0, 0))
    for tid, table in ((0, ql), (1, qc)):                           # DQT
        out += marker(0xDB, bytes([tid]) + bytes(table[i] for i in ZIGZAG))
    out += marker(0xC0, struct.pack(">BHHB", 8, height, width, 3)   # SOF0
                  + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    for cls_id, hufftab in ((0x00, DC_LUMA), (0x10, AC_LUMA),          # DHT
                         (0x01, DC_CHROMA), (0x11, AC_CHROMA)):
        out += marker(0xC4, bytes([cls_id]) + bytes(hufftab[0]) + bytes(hufftab[1]))
    out += marker(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))  # SOS
    out += bw.out
    out += marker(0xD9)                                             # EOI
    return bytes(out)


def to_bytes_rgb(pic):
    return [[tuple(int(clamp01(c) * 255.0 + 0.5) for c in p) for p in row]
            for row in pic.px]


# ---------------------------------------------------------------------------

def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (path, len(data)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out-dir", default=os.path.dirname(here),
                    help="repository root to write into (default: %(default)s)")
    args = ap.parse_args()

    write(os.path.join(args.out_dir, "src", "app", "res", "quellaro.ico"),
          build_ico([icon32(), icon16()]))
    pic = about_picture()
    write(os.path.join(args.out_dir, "src", "about", "res", "about.jpg"),
          encode_jpeg(to_bytes_rgb(pic), pic.w, pic.h, quality=85))


if __name__ == "__main__":
    main()
