#!/usr/bin/env python3
"""Skin archives and files for the ui_core tests, made with python's zipfile.

Usage: make_fixtures.py OUTPUT_FOLDER
"""
import os
import struct
import subprocess
import sys
import zipfile
import zlib

SKIN = (
    '<?xml version="1.0" encoding="utf-8"?>\n'
    '<Window size="400,300" caption="0,0,0,30">\n'
    '  <!-- the main layout -->\n'
    '  <VerticalLayout bkcolor="#FFFFFFFF">\n'
    '    <Label name="title" text="Tom &amp; Jerry" />\n'
    '    <Button name="close" text="\u5173\u95ed" />\n'
    '  </VerticalLayout>\n'
    '</Window>\n'
)
FOUR_MB = 4 * 1024 * 1024


def sized_skin(size):
    """A valid document of exactly size bytes."""
    head, tail = '<Window text="', '"/>'
    return (head + 'x' * (size - len(head) - len(tail)) + tail).encode('ascii')


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    skin = SKIN.encode('utf-8')

    with zipfile.ZipFile(os.path.join(out, 'skin.zip'), 'w') as z:
        z.writestr(zipfile.ZipInfo('update.xml'), skin, zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('stored.xml'), skin, zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo('Sub/Menu.XML'), skin, zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('empty.xml'), b'', zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo('big/exact.xml'), sized_skin(FOUR_MB), zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('big/over.xml'), sized_skin(FOUR_MB + 1), zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('images/'), b'')
        z.writestr(zipfile.ZipInfo('\u5173\u95ed.xml'), skin, zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('binary.bin'), bytes(range(256)) * 300, zipfile.ZIP_DEFLATED)

    # An archive behind a prefix, as a self-extracting program carries it.
    with zipfile.ZipFile(os.path.join(out, 'plain.zip'), 'w') as z:
        z.writestr(zipfile.ZipInfo('update.xml'), skin, zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('skin/stored.txt'), b'stored text', zipfile.ZIP_STORED)
    with open(os.path.join(out, 'plain.zip'), 'rb') as f:
        plain = f.read()
    with open(os.path.join(out, 'prefixed.zip'), 'wb') as f:
        f.write(b'MZ' + b'\0' * 4094 + plain)

    # Hostile member names for extraction to files.
    with zipfile.ZipFile(os.path.join(out, 'escape.zip'), 'w') as z:
        z.writestr(zipfile.ZipInfo('ok/inside.txt'), b'inside', zipfile.ZIP_DEFLATED)
        for name in ('../outside.txt', 'a/../../outside2.txt', '/abs.txt', 'C:/drive.txt', 'a\\..\\b.txt',
                     'aux.txt', 'sub/NUL'):
            info = zipfile.ZipInfo('x')
            info.filename = name  # zipfile would otherwise clean the name
            z.writestr(info, b'evil', zipfile.ZIP_STORED)

    # The zip tool adds extended timestamps ("UT" extra fields).
    stamp_dir = os.path.join(out, 'stamped')
    os.makedirs(stamp_dir, exist_ok=True)
    stamped = os.path.join(stamp_dir, 'stamped.txt')
    with open(stamped, 'wb') as f:
        f.write(b'stamped ' * 1000)
    os.utime(stamped, (1600000000, 1600000000))
    subprocess.run(['zip', '-q', '-9', os.path.join(out, 'stamped.zip'), 'stamped.txt'],
                   cwd=stamp_dir, check=True)

    # Streamed from standard input, zip writes the sizes and CRC after the
    # data (flag bit 3) and zeros in the local header.
    streamed = subprocess.run(['zip', '-q', '-', '-'], input=SKIN.encode('utf-8') * 20,
                              stdout=subprocess.PIPE, check=True).stdout
    with open(os.path.join(out, 'streamed.zip'), 'wb') as f:
        f.write(streamed)

    # Zip64 records as Info-ZIP writes them: asked for (-fz), and for a
    # member read from standard input into an archive file.
    z64_dir = os.path.join(out, 'z64')
    os.makedirs(z64_dir, exist_ok=True)
    with open(os.path.join(z64_dir, 'update.xml'), 'wb') as f:
        f.write(skin)
    subprocess.run(['zip', '-q', '-fz', os.path.join(out, 'zip64.zip'), 'update.xml'], cwd=z64_dir, check=True)
    subprocess.run(['zip', '-q', os.path.join(out, 'stdin64.zip'), '-'], input=skin * 20, check=True)

    # Names as other tools store them, written raw over ASCII stand-ins of
    # the same length: UTF-8 without the flag behind Info-ZIP's Unicode path
    # field (0x7075) and without it, and GBK names, one whose second byte is
    # 0x5C.
    named = {
        'AAAAAA.xml': ('\u6309\u94ae.xml'.encode('utf-8'), True, b'button'),
        'BB.xml': ('\u6dfa.xml'.encode('gbk'), False, b'shallow'),
        'CCCC.xml': ('\u5173\u95ed.xml'.encode('gbk'), False, b'close'),
        # Info-ZIP on Linux: UTF-8 without the flag and without the field.
        'DDDDDD.xml': ('\u56fe\u7247.xml'.encode('utf-8'), False, b'picture'),
    }
    path = os.path.join(out, 'names.zip')
    with zipfile.ZipFile(path, 'w') as z:
        for stand_in, (raw, unicode_field, data) in named.items():
            assert len(stand_in) == len(raw)
            info = zipfile.ZipInfo(stand_in)
            if unicode_field:
                utf8 = raw.decode('utf-8').encode('utf-8')
                info.extra = struct.pack('<HHBI', 0x7075, 5 + len(utf8), 1, zlib.crc32(raw)) + utf8
            z.writestr(info, data, zipfile.ZIP_DEFLATED)
    with open(path, 'rb') as f:
        data = f.read()
    for stand_in, (raw, _, _) in named.items():
        data = data.replace(stand_in.encode('ascii'), raw)
    with open(path, 'wb') as f:
        f.write(data)

    skin_dir = os.path.join(out, 'skin')
    os.makedirs(skin_dir, exist_ok=True)
    with open(os.path.join(skin_dir, 'update.xml'), 'wb') as f:
        f.write(skin)
    with open(os.path.join(skin_dir, 'empty.xml'), 'wb') as f:
        pass
    with open(os.path.join(skin_dir, 'exact.xml'), 'wb') as f:
        f.write(sized_skin(FOUR_MB))
    with open(os.path.join(skin_dir, 'over.xml'), 'wb') as f:
        f.write(sized_skin(FOUR_MB + 1))
    with open(os.path.join(skin_dir, 'utf16le.xml'), 'wb') as f:
        f.write(b'\xff\xfe' + SKIN.encode('utf-16-le'))


if __name__ == '__main__':
    main()
