#!/usr/bin/env bash
# Inputs for the dependency checks, made with the standard native tools.
set -euo pipefail
out=$1
cd "$out"

# Binary data with CR, LF, ^Z and NUL bytes, which text-mode I/O would mangle.
python3 - <<'PY'
import os, random
r = random.Random(1234)
data = bytes(r.randrange(256) for _ in range(200000)) + b"\r\n\x1a\x00\r\r\n"
open("payload.bin", "wb").write(data)
PY

xz -k -9 payload.bin

mkdir -p tree/docs/deep
cp payload.bin tree/docs/deep/payload.bin
printf 'line one\r\nline two\n' > tree/readme.txt
tar --format=gnu -cf tree.tar tree

python3 - <<'PY'
import struct, zlib
data = open("payload.bin", "rb").read()
c = zlib.compressobj(9, zlib.DEFLATED, -15)
open("payload.deflate", "wb").write(c.compress(data) + c.flush())
open("payload.crc", "w").write("%08x" % zlib.crc32(data))

# A 3x2 RGBA PNG with known pixels.
w, h = 3, 2
pixels = [(255, 0, 0, 255), (0, 255, 0, 128), (0, 0, 255, 0),
          (10, 20, 30, 40), (200, 100, 50, 255), (1, 2, 3, 4)]
raw = b""
for y in range(h):
    raw += b"\x00" + b"".join(bytes(p) for p in pixels[y * w:(y + 1) * w])
def chunk(tag, body):
    return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) \
      + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
open("pixels.png", "wb").write(png)
PY
