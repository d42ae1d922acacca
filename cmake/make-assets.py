#!/usr/bin/env python3
"""Draw Quellaro's image assets; Pillow encodes them.

Writes, relative to the repository root:
  src/app/res/quellaro.ico   application icon, 32x32 and 16x16, 4 bpp (16 colours)
  src/about/res/about.jpg    154x154 baseline JPEG shown in the About box

Nothing in either file depends on the time or the machine, so running the
script again gives the same bytes. Needs Pillow (Debian: python3-pil).

Usage:  /usr/bin/python3 cmake/make-assets.py [--out-dir REPO_ROOT]
"""

import argparse
import io
import os
import struct

from PIL import Image, ImageDraw

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
    """A square 16-colour image and its transparency mask; colour None
    paints transparent (black under a set mask bit, as Windows expects)."""

    def __init__(self, size):
        self.size = size
        self.image = Image.new("P", (size, size), BLACK)
        self.image.putpalette([v for rgb in PALETTE for v in rgb])
        self.mask = Image.new("1", (size, size), 1)
        self._colour = ImageDraw.Draw(self.image)
        self._mask = ImageDraw.Draw(self.mask)

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, inclusive corners."""
        self._colour.rectangle((x0, y0, x1, y1), fill=BLACK if c is None else c)
        self._mask.rectangle((x0, y0, x1, y1), fill=1 if c is None else 0)

    def set(self, x, y, c):
        self.rect(x, y, x, y, c)

    def line(self, x0, y0, x1, y1, c):
        self._colour.line((x0, y0, x1, y1), fill=BLACK if c is None else c)
        self._mask.line((x0, y0, x1, y1), fill=1 if c is None else 0)


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


def icon_entry(cv):
    """One ICO image: BITMAPINFOHEADER (height counts both masks), palette,
    4-bpp colours and the AND mask, rows bottom-up and padded to 4 bytes."""
    n = cv.size
    colours = cv.image.tobytes("raw", ("P;4", (n * 4 + 31) // 32 * 4, -1))
    mask = cv.mask.tobytes("raw", ("1", (n + 31) // 32 * 4, -1))
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    return header + bytes(cv.image.getpalette("BGRX")) + colours + mask


# Pillow's ICO writer makes PNG or 8-bit entries only, and the exe's icon
# is 16 colours, so the directory is put together here.
def build_ico(canvases):
    entries = [icon_entry(cv) for cv in canvases]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for cv, data in zip(canvases, entries):
        out += struct.pack("<BBBBHHII", cv.size, cv.size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(entries)


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


def to_jpeg(pic):
    data = bytes(int(clamp01(c) * 255.0 + 0.5) for row in pic.px for p in row for c in p)
    out = io.BytesIO()
    # Baseline, no chroma subsampling, standard Huffman tables.
    Image.frombytes("RGB", (pic.w, pic.h), data).save(out, "JPEG", quality=85, subsampling=0)
    return out.getvalue()


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
    write(os.path.join(args.out_dir, "src", "about", "res", "about.jpg"), to_jpeg(about_picture()))


if __name__ == "__main__":
    main()
