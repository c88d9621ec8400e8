#!/usr/bin/env python3
"""Images of the ui_text tests: state images, a progress bar and the shadow."""
import struct
import sys
import zlib
from pathlib import Path


def png(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a)"""
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
                     + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    solid = {"red": (255, 0, 0), "green": (0, 255, 0), "blue": (0, 0, 255), "gray": (128, 128, 128),
             "yellow": (255, 255, 0)}
    for name, (r, g, b) in solid.items():
        png(out / f"{name}.png", 20, 20, lambda x, y, c=(r, g, b): (*c, 255))
    # Column x has red x: an unscaled copy shows its own column numbers.
    png(out / "bar.png", 200, 12, lambda x, y: (x, 0x80, 0x20, 255))
    # Two 8x8 frames side by side: blue, then green.
    png(out / "frames.png", 16, 8, lambda x, y: (0, 0, 255, 255) if x < 8 else (0, 255, 0, 255))
    # Shadow: transparent edge, opaque grey middle.
    png(out / "menu_bk.png", 64, 64,
        lambda x, y: (40, 40, 40, 255 if 8 <= x < 56 and 8 <= y < 56 else 60))


if __name__ == "__main__":
    main()
