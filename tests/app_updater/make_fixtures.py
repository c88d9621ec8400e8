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
OUT/signing/ holds manifest keys (key1.pem, key2.pem, unknown.pem and
keys.txt, the public halves of key1 and key2) and the small package signed:
    signed1, signed2, unknown  version 2.0 signed with that key
    old      version 1.0 signed with key1
    badpackage, badfile  version 2.0 signed with key1, its package's or
             data\version.txt's SHA-256 (not its MD5) made wrong
    longer   version 2.0 signed with key1, its package one byte longer
             than the manifest's size
OUT/skin-tallmenu/skin/update.zip is the Updater's skin (drawn by its art
script) with a menu taller than any screen.
"""
import os
import random
import re
import shutil
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PUBLISH = os.path.join(ROOT, "tools", "publish.py")
MAKE_ART = os.path.join(ROOT, "app", "resources", "make_art.py")
CLAIM_DICTIONARY = os.path.join(ROOT, "tests", "support", "claim_dictionary.py")
MANIFEST_KEY = os.path.join(ROOT, "tools", "manifest_key.py")
sys.path.insert(0, os.path.join(ROOT, "tools"))
import publish as publisher  # noqa: E402


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def publish(source, name, version, out, preset="6", key=None):
    subprocess.run([sys.executable, PUBLISH, source, name, version, "-o", out, "--preset", preset] +
                   (["--key", key] if key else []), check=True, stdout=subprocess.DEVNULL)


def make_signing(out, small):
    """Keys and signed manifests of the signing tests."""
    signing = os.path.join(out, "signing")
    os.makedirs(signing)
    public = ""
    for name in ("key1", "key2", "unknown"):
        text = subprocess.run([sys.executable, MANIFEST_KEY, "new", os.path.join(signing, name + ".pem")],
                              check=True, capture_output=True, text=True).stdout
        if name != "unknown":
            public += text
    write(os.path.join(signing, "keys.txt"), public.encode("ascii"))
    key1 = os.path.join(signing, "key1.pem")
    for fixture, version, key in (("signed1", "2.0", key1), ("signed2", "2.0", os.path.join(signing, "key2.pem")),
                                  ("unknown", "2.0", os.path.join(signing, "unknown.pem")),
                                  ("old", "1.0", key1), ("badpackage", "2.0", key1), ("badfile", "2.0", key1),
                                  ("longer", "2.0", key1)):
        publish(small, "small", version, os.path.join(signing, fixture), key=key)
    # Signed as they stand: only the one digest (or the package's size, one
    # byte short) is wrong.
    for fixture, pattern in (("badpackage", rb'(<package sha256=")[0-9a-f]'),
                             ("badfile", rb'(sha256=")[0-9a-f](?=[0-9a-f]{63}">data\\version.txt)'),
                             ("longer", rb'( size=")[0-9]+')):
        folder = os.path.join(signing, fixture)
        with open(os.path.join(folder, "configure.xml"), "rb") as stream:
            text = stream.read()
        def alter(match):
            if fixture == "longer":
                return match.group(1) + str(int(match.group(0)[len(match.group(1)):]) - 1).encode()
            # The digit after the attribute's quote becomes another one.
            return match.group(1) + (b"1" if match.group(0).endswith(b"0") else b"0")
        changed, count = re.subn(pattern, alter, text, count=1)
        assert count == 1, fixture
        write(os.path.join(folder, "configure.xml"), changed)
        write(os.path.join(folder, "configure.xml.sig"), publisher.signature_text(changed, key1))


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
    make_signing(out, small)

    # The package the decoder refuses, under the manifest of the small one
    # without the package's digest, so that it is the decoder that refuses it.
    bigdict = os.path.join(out, "bigdict")
    os.makedirs(bigdict)
    with open(os.path.join(out, "small", "configure.xml"), "rb") as stream:
        text = re.sub(rb'<package [^>]*>', b'<package>', stream.read())
    write(os.path.join(bigdict, "configure.xml"), text)
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
