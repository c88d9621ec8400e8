#!/usr/bin/env python3
"""Draws the Updater's art: the program icon and the skin archive.

    make_art.py OUT_FOLDER

writes OUT_FOLDER/CorvaneUpdater.ico and OUT_FOLDER/skin/update.zip (the
markup files beside this script and the images drawn here). Everything is
drawn by this script; nothing is copied from elsewhere.
"""
import math
import os
import struct
import sys
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

BLUE = (0x1E, 0x6F, 0xE8)
BLUE_DARK = (0x16, 0x55, 0xB8)
TRACK = (0xE3, 0xE8, 0xEF)


class Canvas:
    """RGBA pixels with coverage-based (anti-aliased) shapes."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = [list(fill) for _ in range(width * height)]

    def blend(self, x, y, rgb, alpha):
        if not (0 <= x < self.width and 0 <= y < self.height) or alpha <= 0:
            return
        px = self.pixels[y * self.width + x]
        a = min(alpha, 1.0)
        out_a = a + px[3] / 255 * (1 - a)
        for i in range(3):
            base = px[i] * px[3] / 255 * (1 - a)
            px[i] = round((rgb[i] * a + base) / out_a) if out_a > 0 else 0
        px[3] = round(out_a * 255)

    def shape(self, inside, rgb, alpha=1.0, box=None, samples=4):
        """Fills the points for which inside(x, y) holds, 4x4 supersampled."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        step = 1 / samples
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                hits = sum(inside(x + (i + 0.5) * step, y + (j + 0.5) * step)
                           for i in range(samples) for j in range(samples))
                if hits:
                    self.blend(x, y, rgb, alpha * hits / samples ** 2)

    def round_rect(self, left, top, right, bottom, radius, rgb, alpha=1.0, samples=4):
        def inside(x, y):
            if not (left <= x < right and top <= y < bottom):
                return False
            cx = min(max(x, left + radius), right - radius)
            cy = min(max(y, top + radius), bottom - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
        self.shape(inside, rgb, alpha, (int(left), int(top), math.ceil(right), math.ceil(bottom)), samples)

    def png(self):
        rows = b"".join(b"\0" + bytes(v for px in self.pixels[y * self.width:(y + 1) * self.width] for v in px)
                        for y in range(self.height))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                + chunk(b"IEND", b""))


def draw_logo(size):
    """The Corvane mark: a blue rounded square with a white upward arrow."""
    c = Canvas(size, size)
    s = size / 32
    c.round_rect(1 * s, 1 * s, 31 * s, 31 * s, 7 * s, BLUE)
    c.round_rect(1 * s, 16 * s, 31 * s, 31 * s, 7 * s, BLUE_DARK, 0.35)

    def arrow(x, y):
        x, y = x / s, y / s
        head = y >= 7 and y <= 16 and abs(x - 16) <= (y - 7) * 0.95
        stem = 15 <= y <= 25 and abs(x - 16) <= 2.6
        return head or stem
    c.shape(arrow, (255, 255, 255))
    return c


def ico(images):
    """An icon file holding PNG images (read by Windows Vista and later, and Wine)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    return header + entries + blobs


def skin_images():
    images = {}
    # Menu icons, 13 pixels each: "show" (a window) and "exit" (a power
    # sign) side by side, the hot ones in the row below.
    sprite = Canvas(26, 26)
    for row, show_rgb, exit_rgb in ((0, BLUE, (0x8A, 0x94, 0xA3)), (13, BLUE_DARK, (0xD9, 0x3B, 0x2F))):
        def window_glyph(x, y, top=row):
            y -= top
            inside = 1 <= x <= 12 and 2 <= y <= 11
            hollow = 2.2 <= x <= 10.8 and 5 <= y <= 9.8
            return inside and not hollow
        sprite.shape(window_glyph, show_rgb, box=(0, row, 13, row + 13))

        def power_glyph(x, y, top=row):
            x, y = x - 13 - 6.5, y - top - 7
            r = math.hypot(x, y)
            ring = 3.6 <= r <= 5.0 and not (y < 0 and abs(x) < 2.6)
            stem = abs(x) <= 0.7 and -6 <= y <= 0.5
            return ring or stem
        sprite.shape(power_glyph, exit_rgb, box=(13, row, 26, row + 13))
    images["default.png"] = sprite
    # Menu frame and its shadow window's image: a white rounded panel with a
    # hairline border and a tinted icon gutter (the items leave their first
    # 25 pixels to it), ringed by two soft grey lines in the 5-pixel border
    # that the shadow window shows around the menu. Every pixel is either
    # opaque or fully transparent, so the ring looks the same where layered
    # windows are not blended with what lies behind them. The corner
    # rectangle 32,11,11,11 keeps the curves, the ring and the gutter whole.
    frame = Canvas(64, 40)
    frame.round_rect(2, 2, 62, 38, 7, (0xEE, 0xF0, 0xF3), samples=1)
    frame.round_rect(3, 3, 61, 37, 6, (0xE1, 0xE5, 0xEA), samples=1)
    frame.round_rect(4, 4, 60, 36, 5, (0xD0, 0xD6, 0xDE), samples=1)
    frame.round_rect(5, 5, 59, 35, 4, (0xC3, 0xCB, 0xD6), samples=1)
    frame.round_rect(6, 6, 58, 34, 3, (255, 255, 255), samples=1)
    for y in range(7, 33):
        for x in range(6, 31):
            frame.pixels[y * frame.width + x] = [0xF3, 0xF5, 0xF9, 255]
    images["menu_bk.png"] = frame
    # Title bar: a blue band, one pixel wide and stretched.
    header = Canvas(1, 44)
    for y in range(44):
        t = y / 43
        header.pixels[y] = [round(BLUE[i] * (1 - t) + BLUE_DARK[i] * t) for i in range(3)] + [255]
    images["header_bk.png"] = header
    # Progress bar track and fill (stretched to the control's width).
    track = Canvas(20, 8)
    track.round_rect(0, 0, 20, 8, 4, TRACK)
    images["progress_bk.png"] = track
    fore = Canvas(20, 8)
    fore.round_rect(0, 0, 20, 8, 4, BLUE)
    images["progress_fore.png"] = fore
    # Close button: normal, hot and pushed states.
    for state, bg, alpha in (("normal", (255, 255, 255), 0.0), ("hot", (0xE8, 0x4A, 0x3C), 1.0),
                             ("pushed", (0xB8, 0x36, 0x2A), 1.0)):
        button = Canvas(28, 28)
        button.round_rect(2, 2, 26, 26, 4, bg, alpha)
        button.shape(lambda x, y: 9 <= x <= 19 and 9 <= y <= 19 and
                     (abs((x - 9) - (y - 9)) <= 0.9 or abs((x - 9) - (19 - y)) <= 0.9), (255, 255, 255))
        images["close_%s.png" % state] = button
    images["logo.png"] = draw_logo(24)
    return images


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "skin"), exist_ok=True)
    with open(os.path.join(out, "CorvaneUpdater.ico"), "wb") as f:
        f.write(ico([(size, draw_logo(size).png()) for size in (16, 32, 48)]))
    archive = os.path.join(out, "skin", "update.zip")
    with zipfile.ZipFile(archive + ".tmp", "w", zipfile.ZIP_DEFLATED) as z:
        for name in ("update.xml", "update_menu.xml"):
            z.write(os.path.join(HERE, name), name)
        for name, canvas in sorted(skin_images().items()):
            z.writestr(name, canvas.png())
    os.replace(archive + ".tmp", archive)


if __name__ == "__main__":
    main()
