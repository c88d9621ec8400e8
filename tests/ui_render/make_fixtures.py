#!/usr/bin/env python3
"""PNG images with alpha and skin archives for the ui_render tests.

Usage: make_fixtures.py OUTPUT_FOLDER
"""
import os
import struct
import sys
import zipfile
import zlib

GREEN, BLUE, TILE_A, TILE_B = (0, 255, 0, 255), (0, 0, 255, 255), (200, 0, 0, 255), (0, 0, 200, 255)


def png(width, height, pixel):
    """An RGBA PNG; pixel(x, y) gives (r, g, b, a)."""
    rows = b''
    for y in range(height):
        rows += b'\0' + b''.join(bytes(pixel(x, y)) for x in range(width))

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) +
            chunk(b'IEND', b''))


def nine(x, y):
    """12 x 12 nine-grid with 4-pixel corners marked at their outer pixels; the
    top edge is two colours side by side, so stretching and tiling differ."""
    if (x, y) in ((0, 0), (11, 11)):
        return (0, 0, 0, 255) if x == 0 else (10, 10, 10, 255)
    if y < 4 and 4 <= x < 8:
        return (0, 200, 200, 255) if x < 6 else (200, 0, 200, 255)
    cells = [[(255, 0, 0), None, (0, 255, 0)],
             [(255, 128, 0), (128, 128, 128), (0, 128, 255)],
             [(0, 0, 255), (128, 0, 128), (255, 255, 0)]]
    return cells[y // 4][x // 4] + (255,)


IMAGES = {
    'blue.png': png(8, 8, lambda x, y: BLUE),
    'green.png': png(8, 8, lambda x, y: GREEN),
    'nine.png': png(12, 12, nine),
    'tile.png': png(4, 4, lambda x, y: TILE_A if x < 2 else TILE_B),
    'alpha.png': png(2, 2, lambda x, y: (255, 0, 0, 128)),
    # Left half opaque magenta, right half half-transparent magenta.
    'mask.png': png(4, 2, lambda x, y: (255, 0, 255, 255) if x < 2 else (255, 0, 255, 128)),
    # Alpha ramp over a colour ramp, for blends.
    'ramp.png': png(16, 16, lambda x, y: (16 * x, 255 - 16 * y, 90, 16 * x + 15)),
    'big.png': png(512, 512, lambda x, y: (x & 0xFF, y & 0xFF, (x ^ y) & 0xFF, 128 + ((x + y) & 0x7F))),
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    skin = os.path.join(out, 'skin')
    os.makedirs(skin, exist_ok=True)
    for name, data in IMAGES.items():
        with open(os.path.join(skin, name), 'wb') as f:
            f.write(data)
    with open(os.path.join(skin, 'empty.png'), 'wb'):
        pass
    with open(os.path.join(skin, 'broken.png'), 'wb') as f:
        f.write(IMAGES['nine.png'][:60])
    # A file reachable only by its own path, outside the skin folder.
    with open(os.path.join(out, 'outside.png'), 'wb') as f:
        f.write(IMAGES['green.png'])

    # The same images in an archive, one member in another case and folder.
    with zipfile.ZipFile(os.path.join(skin, 'skin.zip'), 'w') as z:
        for name, data in IMAGES.items():
            method = zipfile.ZIP_STORED if name == 'tile.png' else zipfile.ZIP_DEFLATED
            z.writestr(zipfile.ZipInfo(name), data, method)
        z.writestr(zipfile.ZipInfo('Sub/Blue.PNG'), IMAGES['blue.png'], zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('empty.png'), b'', zipfile.ZIP_STORED)
    with open(os.path.join(skin, 'broken.zip'), 'wb') as f:
        f.write(b'PK\x03\x04 not an archive')


if __name__ == '__main__':
    main()
