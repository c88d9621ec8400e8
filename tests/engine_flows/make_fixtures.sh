#!/usr/bin/env bash
# Packages for the unpacking, installation and flow tests, made with the
# publisher tool (and, for the packages it refuses to make, with tarfile).
set -euo pipefail
OUT=$1
HERE=$(cd "$(dirname "$0")" && pwd)
PUBLISH=(python3 "$HERE/../../tools/publish.py")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Three files, listed in this order: bin\core.dll, data\table.dat, readme.txt.
mkdir -p "$work/flow/bin" "$work/flow/data"
printf 'core version 2\n' >"$work/flow/bin/core.dll"
printf 'table version 2\n' >"$work/flow/data/table.dat"
printf 'readme version 2\r\n' >"$work/flow/readme.txt"
"${PUBLISH[@]}" "$work/flow" flowpkg 1.2 -o "$OUT/flow" >/dev/null

# One file under the three forms of the stem rule.
mkdir -p "$work/stem"
printf 'stem file\n' >"$work/stem/stem.txt"
"${PUBLISH[@]}" "$work/stem" tool 2.1.0 -o "$OUT/stem-versioned" >/dev/null
"${PUBLISH[@]}" "$work/stem" tool "" -o "$OUT/stem-plain" >/dev/null
"${PUBLISH[@]}" "$work/stem" my-tool 2.1 -o "$OUT/stem-dashed" >/dev/null

# A package whose name does not match its top folder.
mkdir -p "$OUT/mismatch"
cp "$OUT/stem-versioned/tool-2.1.0.tar.xz" "$OUT/mismatch/other-2.1.0.tar.xz"
cp "$OUT/stem-versioned/configure.xml" "$OUT/mismatch/configure.xml"

# The flow package cut in half.
mkdir -p "$OUT/truncated"
size=$(stat -c %s "$OUT/flow/flowpkg-1.2.tar.xz")
head -c $((size / 2)) "$OUT/flow/flowpkg-1.2.tar.xz" >"$OUT/truncated/flowpkg-1.2.tar.xz"

# Raw xz streams: two streams in a row, and a stream followed by junk.
mkdir -p "$OUT/xz"
{ printf 'first stream, ' | xz -c; printf 'second stream' | xz -c; } >"$OUT/xz/concatenated.xz"
{ printf 'payload' | xz -c; printf 'junk after the stream'; } >"$OUT/xz/trailing.xz"

# Packages with a member that must never be written: each starts with a
# harmless file so that a reader that only checks the first member fails.
mkdir -p "$OUT/refused"
python3 - "$OUT/refused" <<'PY'
import io, lzma, sys, tarfile

out = sys.argv[1]

def member(name, kind=tarfile.REGTYPE, data=b'', link=''):
    info = tarfile.TarInfo(name)
    info.type = kind
    info.size = len(data) if kind == tarfile.REGTYPE else 0
    info.linkname = link
    info.mode = 0o644
    return info, (io.BytesIO(data) if kind == tarfile.REGTYPE else None)

cases = {
    'dotdot': member('bad/../../../corvane_dotdot_probe.txt', data=b'escaped\n'),
    'absolute': member('/corvane_abs_probe.txt', data=b'escaped\n'),
    'drive': member('C:/corvane_drive_probe.txt', data=b'escaped\n'),
    'backslash': member('bad\\..\\..\\..\\corvane_backslash_probe.txt', data=b'escaped\n'),
    'trailingdots': member('bad/.../corvane_dots_probe.txt', data=b'escaped\n'),
    'symlink': member('bad/link', tarfile.SYMTYPE, link='/etc'),
    'hardlink': member('bad/hard', tarfile.LNKTYPE, link='bad/ok.txt'),
    'fifo': member('bad/fifo', tarfile.FIFOTYPE),
    'chardev': member('bad/char', tarfile.CHRTYPE),
}
for kind, (info, data) in cases.items():
    with lzma.open(f'{out}/{kind}-1.0.tar.xz', 'wb') as xz:
        # GNU format writes the names exactly as given.
        with tarfile.open(fileobj=xz, mode='w', format=tarfile.GNU_FORMAT) as tar:
            ok, ok_data = member('bad/ok.txt', data=b'fine\n')
            tar.addfile(ok, ok_data)
            tar.addfile(info, data)
PY
