#!/usr/bin/env python3
"""Images for the ui_paint tests, written as PNGs with zlib and struct.

Usage: make_fixtures.py OUTPUT_FOLDER
"""
import os
import struct
import sys
import zlib


def png(width, height, rgba):
    """A truecolour-with-alpha PNG of one colour."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)
    row = b'\0' + bytes(rgba) * width
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(row * height)) + chunk(b'IEND', b''))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, size, colour in (('red.png', (4, 3), (255, 0, 0, 255)),
                               ('half.png', (2, 2), (0, 0, 255, 128))):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(png(size[0], size[1], colour))


if __name__ == '__main__':
    main()
