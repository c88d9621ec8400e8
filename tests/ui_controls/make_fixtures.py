#!/usr/bin/env python3
"""Skins of the ui_controls tests: archives, a skin folder and a benchmark skin.

Usage: make_fixtures.py OUTPUT_FOLDER
"""
import os
import struct
import sys
import zipfile
import zlib


def png(width, height, argb):
    """A solid-colour 32-bit PNG."""
    a, r, g, b = (argb >> 24) & 255, (argb >> 16) & 255, (argb >> 8) & 255, argb & 255
    row = b'\0' + bytes((r, g, b, a)) * width
    raw = row * height

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw))
            + chunk(b'IEND', b''))


# The window base skin: system buttons, a caption label, an unnamed button.
def window_skin(caption='0,0,0,30', extra=''):
    return (
        '<?xml version="1.0" encoding="utf-8"?>\n'
        f'<Window size="400,300" caption="{caption}" sizebox="4,4,4,4" mininfo="200,150" {extra}>\n'
        '  <VerticalLayout name="root" bkcolor="#FFFFFFFF">\n'
        '    <HorizontalLayout name="titlebar" height="30" bkcolor="#FF202020">\n'
        '      <Label name="title" width="100" text="Skin test" />\n'
        '      <Button name="plain" width="30" bkcolor="#FF00FF00" />\n'
        '      <Button name="minbtn" width="30" bkcolor="#FF0000FF" />\n'
        '      <Button name="maxbtn" width="30" bkcolor="#FF00FFFF" />\n'
        '      <Button name="restorebtn" width="30" visible="false" bkcolor="#FFFF00FF" />\n'
        '      <Button name="closebtn" width="30" bkcolor="#FFFF0000" />\n'
        '      <Control name="filler" />\n'
        '    </HorizontalLayout>\n'
        '    <Control name="body" />\n'
        '  </VerticalLayout>\n'
        '</Window>\n')


# Colours at known places, for reading the painted pixels back.
PIXEL_SKIN = (
    '<?xml version="1.0" encoding="utf-8"?>\n'
    '<Window size="300,200">\n'
    '  <Image name="blue.png" />\n'
    '  <Default name="Control" value="bkcolor=&quot;#FF808080&quot;" />\n'
    '  <VerticalLayout name="root" bkcolor="#FFFFFFFF" inset="5,5,5,5" childpadding="10">\n'
    '    <HorizontalLayout name="row" height="50">\n'
    '      <Control name="red" width="100" bkcolor="#FFFF0000" />\n'
    '      <Control name="grey" />\n'
    '      <Container name="imaged" width="60" bkimage="blue.png">\n'
    '        <Control name="dot" float="true" pos="10,10,30,30" bkcolor="#FF00FF00" />\n'
    '      </Container>\n'
    '    </HorizontalLayout>\n'
    '    <TileLayout name="tiles" columns="3" childpadding="0">\n'
    '      <Control name="t0" height="40" bkcolor="#FF112233" />\n'
    '      <Control name="t1" height="40" bkcolor="#FF445566" />\n'
    '      <Control name="t2" height="40" bkcolor="#FF778899" />\n'
    '      <Control name="t3" height="40" bkcolor="#FFAABBCC" />\n'
    '    </TileLayout>\n'
    '  </VerticalLayout>\n'
    '</Window>\n')

INCLUDED = (
    '<Part>\n'
    '  <Default name="Label" value="height=&quot;7&quot;" />\n'
    '  <Control name="inc_a" height="10" />\n'
    '  <Label name="inc_b" />\n'
    '</Part>\n')

SELF_INCLUDE = '<Window><Control name="again" /><Include source="self.xml" count="2" /></Window>\n'


def bench_skin(rows=100, columns=19):
    """rows * (columns + 1) + 1 controls: 2001 with the defaults."""
    lines = ['<?xml version="1.0" encoding="utf-8"?>', '<Window size="800,600">',
             '  <VerticalLayout bkcolor="#FFFFFFFF" vscrollbar="true">']
    for r in range(rows):
        lines.append(f'    <HorizontalLayout height="24" childpadding="2" name="row{r}">')
        for c in range(columns):
            colour = 0xFF000000 | ((r * 2654435761 + c * 40503) & 0xFFFFFF)
            lines.append(f'      <Control name="c{r}_{c}" bkcolor="#{colour:08X}" padding="1,1,1,1" />')
        lines.append('    </HorizontalLayout>')
    lines += ['  </VerticalLayout>', '</Window>', '']
    return '\n'.join(lines)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        'window.xml': window_skin(),
        'caption300.xml': window_skin('0,0,300,30'),
        'round.xml': window_skin(extra='roundcorner="8,8"'),
        'pixels.xml': PIXEL_SKIN,
        'part.xml': INCLUDED,
        'self.xml': SELF_INCLUDE,
        'childself.xml': '<Window><ChildLayout name="nested" xmlfile="childself.xml"/></Window>\n',
        'empty.xml': '',
        'declaration.xml': '<?xml version="1.0" encoding="utf-8"?>\n',
        'doctype.xml': '<!DOCTYPE Window>\n',
    }
    with zipfile.ZipFile(os.path.join(out, 'skin.zip'), 'w') as z:
        for name, text in files.items():
            z.writestr(zipfile.ZipInfo(name), text.encode('utf-8'), zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo('blue.png'), png(20, 20, 0xFF0000FF), zipfile.ZIP_STORED)

    # A second archive resource, larger than the first, with a skin of its own.
    with zipfile.ZipFile(os.path.join(out, 'second.zip'), 'w') as z:
        z.writestr(zipfile.ZipInfo('window.xml'), '<Window><Control name="second"/></Window>\n', zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo('padding.bin'), bytes(range(256)) * 256, zipfile.ZIP_STORED)

    # The same skins as plain files in a folder, and one as a module resource.
    folder = os.path.join(out, 'files')
    os.makedirs(folder, exist_ok=True)
    for name in ('window.xml', 'part.xml', 'self.xml'):
        with open(os.path.join(folder, name), 'w', encoding='utf-8') as f:
            f.write(files[name])

    # Module resources of the test program: a skin including resource 102.
    with open(os.path.join(out, 'res101.xml'), 'w', encoding='utf-8') as f:
        f.write('<Window><VerticalLayout><Control/><Include source="102"/></VerticalLayout></Window>\n')

    with zipfile.ZipFile(os.path.join(out, 'bench.zip'), 'w') as z:
        z.writestr(zipfile.ZipInfo('bench.xml'), bench_skin().encode('utf-8'), zipfile.ZIP_DEFLATED)


if __name__ == '__main__':
    main()
