#!/usr/bin/env python3
"""Rewrites an .xz file as one block whose header claims a 512 MiB dictionary.

    claim_dictionary.py IN OUT

The content stays the same and needs only a small dictionary; a decoder
that believes the header sets aside the whole claimed size.
"""
import lzma
import sys
import zlib

STREAM_HEADER_SIZE = 12
LZMA2_ID = 0x21
# Dictionary byte 34: 2 << (34 / 2 + 11) bytes = 512 MiB.
CLAIMED_DICTIONARY = 34


def skip_varint(data, pos):
    while data[pos] & 0x80:
        pos += 1
    return pos + 1


def main():
    with open(sys.argv[1], "rb") as f:
        content = lzma.decompress(f.read())
    xz = bytearray(lzma.compress(content, format=lzma.FORMAT_XZ, check=lzma.CHECK_CRC64,
                                 filters=[{"id": lzma.FILTER_LZMA2, "preset": 6, "dict_size": 1 << 20}]))
    start = STREAM_HEADER_SIZE
    size = (xz[start] + 1) * 4
    flags = xz[start + 1]
    assert flags & 3 == 0, "one filter expected"
    pos = start + 2
    if flags & 0x40:
        pos = skip_varint(xz, pos)
    if flags & 0x80:
        pos = skip_varint(xz, pos)
    assert xz[pos] == LZMA2_ID and xz[pos + 1] == 1
    xz[pos + 2] = CLAIMED_DICTIONARY
    crc = zlib.crc32(bytes(xz[start:start + size - 4]))
    xz[start + size - 4:start + size] = crc.to_bytes(4, "little")
    with open(sys.argv[2], "wb") as f:
        f.write(xz)


if __name__ == "__main__":
    main()
