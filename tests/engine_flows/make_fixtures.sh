#!/usr/bin/env bash
# Packages for the unpacking, installation and flow tests, made with the
# publisher tool (and, for the packages it refuses to make, with tarfile),
# and with the standard tar writers: GNU tar, bsdtar and python's tarfile.
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

# The flow package cut in about half, where what decodes ends inside a tar
# block past the first header, so that the extraction meets the cut too (a
# cut at a block's end reads as the archive's end); the bytes vary with the
# files' times.
mkdir -p "$OUT/truncated"
size=$(stat -c %s "$OUT/flow/flowpkg-1.2.tar.xz")
cut=$((size / 2))
while [ "$cut" -gt 1 ]; do
    decoded=$(head -c "$cut" "$OUT/flow/flowpkg-1.2.tar.xz" | { xz -dc 2>/dev/null || true; } | wc -c)
    [ "$decoded" -le 512 ] || [ $((decoded % 512)) -eq 0 ] || break
    cut=$((cut - 1))
done
head -c "$cut" "$OUT/flow/flowpkg-1.2.tar.xz" >"$OUT/truncated/flowpkg-1.2.tar.xz"

# Raw xz streams: two streams in a row, and a stream followed by junk.
mkdir -p "$OUT/xz"
{ printf 'first stream, ' | xz -c; printf 'second stream' | xz -c; } >"$OUT/xz/concatenated.xz"
{ printf 'payload' | xz -c; printf 'junk after the stream'; } >"$OUT/xz/trailing.xz"

# The decoder's memory limit: the flow package from the strongest standard
# preset, and with one block whose header claims a 512 MiB dictionary; a
# stream followed by stream padding; an error page.
mkdir -p "$OUT/preset9e" "$OUT/bigdict"
xz -dc "$OUT/flow/flowpkg-1.2.tar.xz" | xz -9e -c >"$OUT/preset9e/flowpkg-1.2.tar.xz"
python3 "$HERE/../support/claim_dictionary.py" "$OUT/flow/flowpkg-1.2.tar.xz" "$OUT/bigdict/flowpkg-1.2.tar.xz"
{ printf 'padded' | xz -c; printf '\0\0\0\0\0\0\0\0'; } >"$OUT/xz/padded.xz"
printf '<html><body>503 Service Unavailable</body></html>\n' >"$OUT/xz/errorpage.html"

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
    'device': member('bad/CON.txt', data=b'device\n'),
    'devicefolder': member('bad/com1/x.txt', data=b'device\n'),
}
for kind, (info, data) in cases.items():
    with lzma.open(f'{out}/{kind}-1.0.tar.xz', 'wb') as xz:
        # GNU format writes the names exactly as given.
        with tarfile.open(fileobj=xz, mode='w', format=tarfile.GNU_FORMAT) as tar:
            ok, ok_data = member('bad/ok.txt', data=b'fine\n')
            tar.addfile(ok, ok_data)
            tar.addfile(info, data)
PY

# Plain PAX tar files: a link whose long target only the PAX header carries
# (for the refusal message), and UTF-8 names that the code page 936 can hold
# and one it cannot.
mkdir -p "$OUT/tar"
python3 - "$OUT/tar" <<'PY'
import io, sys, tarfile
out = sys.argv[1]
info = tarfile.TarInfo('bad/paxlink')
info.type = tarfile.SYMTYPE
info.linkname = '/' + 'x' * 120 + '/target'
with tarfile.open(f'{out}/paxlink.tar', 'w', format=tarfile.PAX_FORMAT) as tar:
    tar.addfile(info)
for name, path in (('utf8', '\u8d44\u6599/\u5173\u95ed.txt'), ('unmappable', '\u05e9\u05dc\u05d5\u05dd.txt')):
    info = tarfile.TarInfo(path)
    info.size = 7
    with tarfile.open(f'{out}/{name}.tar', 'w', format=tarfile.PAX_FORMAT) as tar:
        tar.addfile(info, io.BytesIO(b'closed\n'))
PY

# The same tree from every tar writer: a path of more than 100 characters
# (GNU long names, PAX headers or the ustar prefix, as each writer chooses)
# and a read-only member. Listed in configure.xml; a second version changes
# the read-only file.
LONG=a_folder_whose_name_is_long_enough_to_need_an_extension_header/second_level_folder_name_also_long
make_tree() {
    rm -rf "$work/fmt"
    mkdir -p "$work/fmt/fmtpkg/$LONG"
    printf 'short\n' >"$work/fmt/fmtpkg/short.txt"
    printf 'long path\n' >"$work/fmt/fmtpkg/$LONG/deep.txt"
    printf '%s\n' "$1" >"$work/fmt/fmtpkg/readonly.txt"
    chmod 444 "$work/fmt/fmtpkg/readonly.txt"
    python3 - "$work/fmt/fmtpkg" "$2" <<'PY'
import hashlib, os, sys
root, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
lines = ['<configure>', '<package>fmtpkg-1.0.tar.xz</package>', '<filelist>']
for folder, _, files in sorted(os.walk(root)):
    for name in sorted(files):
        full = os.path.join(folder, name)
        rel = os.path.relpath(full, root).replace('/', '\\')
        lines.append(f'<file md5="{hashlib.md5(open(full, "rb").read()).hexdigest()}">{rel}</file>')
lines += ['</filelist>', '</configure>']
open(os.path.join(out, 'configure.xml'), 'w').write('\n'.join(lines))
PY
}
make_tree 'read-only v1' "$OUT/formats"
tar --format=gnu -C "$work/fmt" -cf "$work/gnu.tar" fmtpkg
tar --format=posix -C "$work/fmt" -cf "$work/posix.tar" fmtpkg
bsdtar -C "$work/fmt" -cf "$work/bsdtar.tar" fmtpkg
bsdtar --format=pax -C "$work/fmt" -cf "$work/bsdtar-pax.tar" fmtpkg
python3 - "$work" <<'PY'
import sys, tarfile
work = sys.argv[1]
for name, kind in (('py-pax', tarfile.PAX_FORMAT), ('py-gnu', tarfile.GNU_FORMAT), ('py-ustar', tarfile.USTAR_FORMAT)):
    with tarfile.open(f'{work}/{name}.tar', 'w', format=kind) as tar:
        tar.add(f'{work}/fmt/fmtpkg', arcname='fmtpkg')
PY
for kind in gnu posix bsdtar bsdtar-pax py-pax py-gnu py-ustar; do
    mkdir -p "$OUT/formats/$kind"
    xz -c "$work/$kind.tar" >"$OUT/formats/$kind/fmtpkg-1.0.tar.xz"
done
make_tree 'read-only v2' "$OUT/formats/second"
tar --format=posix -C "$work/fmt" -cf - fmtpkg | xz -c >"$OUT/formats/second/fmtpkg-1.0.tar.xz"

# The flow package's files again, from GNU tar in its PAX (posix) format.
mkdir -p "$OUT/flow-pax/flowpkg"
cp -r "$work/flow/." "$OUT/flow-pax/flowpkg/"
tar --format=posix -C "$OUT/flow-pax" -cf - flowpkg | xz -c >"$OUT/flow-pax/flowpkg-1.2.tar.xz"
rm -rf "$OUT/flow-pax/flowpkg"
cp "$OUT/flow/configure.xml" "$OUT/flow-pax/configure.xml"

# Deltas: version 1.0 of a product as installed (delta/v1) and version 2.0
# (delta/v2), published with a delta from 1.0: bin\core.dll changed a
# little (a patch), readme.txt changed (whole, too small to patch),
# new\added.txt new, data\table.dat unchanged, old\removed.txt gone. Beside
# it the same with the patch damaged, with the patch asking for a 1 GiB
# window, and with a delta only from another base (0.5), which patches
# bin\\core.dll too.
python3 - "$OUT/delta" <<'PY'
import os, random, sys
out = sys.argv[1]
rng = random.Random(27)
core = bytearray(rng.randbytes(96 * 1024))
older = bytearray(core)
older[10000:10004] = b'0.5!'
trees = {
    'v0': {'bin/core.dll': bytes(older), 'data/table.dat': b'table\n', 'readme.txt': b'readme 0.5\r\n'},
    'v1': {'bin/core.dll': bytes(core), 'data/table.dat': b'table\n', 'readme.txt': b'readme 1.0\r\n',
           'old/removed.txt': b'removed in 2.0\n'},
}
core[5000:5004] = b'2.0!'
core[70000:70000] = b'inserted in 2.0'
trees['v2'] = {'bin/core.dll': bytes(core), 'data/table.dat': b'table\n', 'readme.txt': b'readme 2.0\r\n',
               'new/added.txt': b'added in 2.0\n'}
for tree, files in trees.items():
    for rel, data in files.items():
        path = os.path.join(out, tree, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)
PY
"${PUBLISH[@]}" "$OUT/delta/v2" flowdelta 2.0 -o "$OUT/delta/published" --base "$OUT/delta/v1" 1.0 >/dev/null
"${PUBLISH[@]}" "$OUT/delta/v2" flowdelta 2.0 -o "$OUT/delta/otherbase" --base "$OUT/delta/v0" 0.5 >/dev/null
python3 - "$OUT/delta" <<'PY'
import hashlib, io, lzma, os, re, shutil, subprocess, sys, tarfile
out = sys.argv[1]
name = 'flowdelta-2.0-from-1.0.tar.xz'
member = 'flowdelta-2.0-from.patches/bin/core.dll.zst'
new = open(os.path.join(out, 'v2', 'bin', 'core.dll'), 'rb').read()
wide = subprocess.run(['zstd', '-q', '--long=30', '-c'], input=new, stdout=subprocess.PIPE, check=True).stdout

def damaged(data):
    data = bytearray(data)
    data[len(data) // 2] ^= 0x55
    return bytes(data)

for case, change in (('damaged', damaged), ('widewindow', lambda data: wide)):
    folder = os.path.join(out, case)
    shutil.copytree(os.path.join(out, 'published'), folder)
    with tarfile.open(os.path.join(out, 'published', name), 'r:xz') as tar:
        members = [(info, tar.extractfile(info).read()) for info in tar.getmembers()]
    with lzma.open(os.path.join(folder, name), 'wb') as xz, tarfile.open(fileobj=xz, mode='w',
                                                                          format=tarfile.USTAR_FORMAT) as tar:
        for info, data in members:
            data = change(data) if info.name == member else data
            info.size = len(data)
            tar.addfile(info, io.BytesIO(data))
    # The manifest keeps up with the rewritten package: only its patch is bad.
    package = open(os.path.join(folder, name), 'rb').read()
    manifest = os.path.join(folder, 'configure.xml')
    text = open(manifest, 'rb').read()
    text = re.sub(rb'(<delta [^>]*package="' + re.escape(name.encode()) + rb'" sha256=")[0-9a-f]+(" size=")[0-9]+',
                  lambda m: m.group(1) + hashlib.sha256(package).hexdigest().encode() + m.group(2)
                  + str(len(package)).encode(), text)
    open(manifest, 'wb').write(text)
PY
