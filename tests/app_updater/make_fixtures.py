#!/usr/bin/env python3
"""Fixtures of the Updater's black-box tests.

    make_fixtures.py OUT

OUT/<name>/ holds a package and its configure.xml made by the publisher tool:
    small  three small files (one of them in a subfolder)
    slow   the small files and 400 KB of noise (also OUT/noise.bin), for
           downloads served slowly
    many   400 files of 16 KB noise: an installation that takes a while
    bigdict  the small package with a block that claims a 512 MiB dictionary
    contents  an empty file, a file of 0 bytes in a folder of its own, a
           file whose name holds a blank and Chinese characters (written in
           code page 936), one in a folder whose GBK names hold 0x5C as the
           second byte of a character, and one that the tests install over a
           read-only copy
OUT/skin-tallmenu/skin/update.zip is the Updater's skin (drawn by its art
script) with a menu taller than any screen.
"""
import os
import random
import shutil
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PUBLISH = os.path.join(ROOT, "tools", "publish.py")
MAKE_ART = os.path.join(ROOT, "app", "resources", "make_art.py")
CLAIM_DICTIONARY = os.path.join(ROOT, "tests", "support", "claim_dictionary.py")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def publish(source, name, version, out, preset="6"):
    subprocess.run([sys.executable, PUBLISH, source, name, version, "-o", out, "--preset", preset],
                   check=True, stdout=subprocess.DEVNULL)


def main():
    out = sys.argv[1]
    rng = random.Random(13)
    work = os.path.join(out, "work")
    shutil.rmtree(work, ignore_errors=True)

    small = os.path.join(work, "small")
    write(os.path.join(small, "data", "version.txt"), b"Corvane 2.0\r\n")
    write(os.path.join(small, "data", "presets", "web.xml"), b'<preset name="web"/>\r\n')
    write(os.path.join(small, "readme.txt"), b"Corvane 2.0 readme\r\n")
    publish(small, "small", "2.0", os.path.join(out, "small"))

    bigdict = os.path.join(out, "bigdict")
    os.makedirs(bigdict)
    shutil.copy(os.path.join(out, "small", "configure.xml"), bigdict)
    subprocess.run([sys.executable, CLAIM_DICTIONARY, os.path.join(out, "small", "small-2.0.tar.xz"),
                    os.path.join(bigdict, "small-2.0.tar.xz")], check=True)

    contents = os.path.join(work, "contents")
    write(os.path.join(contents, "data", "empty.cfg"), b"")
    write(os.path.join(contents, "fresh", "deep", "zero.bin"), b"")
    write(os.path.join(contents, "\u6570\u636e \u6587\u4ef6", "\u914d\u7f6e \u8bf4\u660e.txt"), b"GBK named\r\n")
    write(os.path.join(contents, "\u661e \u6dfa", "\u6dfa\u661e.dat"), b"GBK 0x5C\r\n")
    write(os.path.join(contents, "readonly.txt"), b"Corvane 2.0 read-only\r\n")
    publish(contents, "contents", "2.0", os.path.join(out, "contents"))

    slow = os.path.join(work, "slow")
    shutil.copytree(small, slow)
    noise = rng.randbytes(400 * 1024)
    write(os.path.join(slow, "data", "noise.bin"), noise)
    write(os.path.join(out, "noise.bin"), noise)
    publish(slow, "slow", "2.0", os.path.join(out, "slow"), preset="0")

    many = os.path.join(work, "many")
    for i in range(400):
        write(os.path.join(many, "data", "f%03d.bin" % i), rng.randbytes(16 * 1024))
    publish(many, "many", "2.0", os.path.join(out, "many"), preset="0")

    art = os.path.join(work, "art")
    subprocess.run([sys.executable, MAKE_ART, art], check=True)
    tall = os.path.join(out, "skin-tallmenu", "skin", "update.zip")
    os.makedirs(os.path.dirname(tall))
    with zipfile.ZipFile(os.path.join(art, "skin", "update.zip")) as source, \
            zipfile.ZipFile(tall, "w", zipfile.ZIP_DEFLATED) as target:
        for item in source.infolist():
            data = source.read(item)
            if item.filename == "update_menu.xml":
                data = data.replace(b'<Window size="140,78">', b'<Window size="140,2000">')
                assert b"140,2000" in data
            target.writestr(item, data)
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
