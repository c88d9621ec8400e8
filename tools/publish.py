#!/usr/bin/env python3
"""Builds an update package and its manifest for the Corvane Updater.

From a folder holding the new version of the product it writes, into the
output folder:
  NAME-VERSION.tar.xz  every file of the folder below a top folder NAME, in
                       blocks of 8 MB (written by the xz tool)
  configure.xml        the package name with its SHA-256 and size, and one
                       filelist with every file (backslash paths) and the
                       MD5 and SHA-256 digests of its contents
  configure.xml.sig    with --key: the manifest's signature (see
                       manifest_key.py), which an Updater built with the
                       key's public half requires

File names are taken as the build machine has them (UTF-8) and written, in the
manifest and as the package's member names, in the ANSI code page of the
Windows machines the update is for (936 unless --codepage says otherwise),
since the Updater works in that code page; a name it cannot hold is refused.

The Updater installs from the package's top folder named after the package
name cut before its last "-", so NAME may hold "-" only when a VERSION is
given, and VERSION may hold none.

With --base OLD_FOLDER BASE_VERSION (any number of times) it also writes one
delta package per base, NAME-VERSION-from-BASE_VERSION.tar.xz, for products
that have that version installed: files unchanged since the base are left
out, new files come whole, and changed files come as a zstd patch against
the base's copy (written by the zstd tool), or whole when the patch would
not be much smaller or the file is too large to patch in bounded memory.
The manifest names each delta in a "delta" element after "package".
"""

import argparse
import codecs
import hashlib
import os
import shutil
import stat
import subprocess
import sys
import tarfile
import tempfile
from xml.sax.saxutils import escape

# Blocks of the xz stream: the Updater decodes one block per thread, each
# thread holding about a block of output and the dictionary.
XZ_BLOCK_SIZE = 8 << 20

DEFAULT_CODE_PAGE = 936

# A patch is taken only when it is smaller than this share of the new file;
# otherwise the file comes whole (the package's xz compresses it too).
PATCH_SHARE = 0.5
# The Updater holds a patched file's base and the decoder's window, each up
# to this size, in memory: larger files come whole.
PATCH_FILE_LIMIT = 128 << 20
# The smallest window the zstd format has, and the largest the Updater
# decodes (2 ** 27 bytes, PATCH_FILE_LIMIT).
MIN_WINDOW_LOG = 10
MAX_WINDOW_LOG = 27


class PublishError(Exception):
    pass


def check_name_part(kind, text):
    if not text or any(c in text for c in '/\\:*?"<>|') or text[0] == '.' or text[-1] in '. ':
        raise PublishError(f'{kind} "{text}" is not usable in a file name')
    if not text.isascii() or not text.isprintable():
        raise PublishError(f'{kind} "{text}" must be printable ASCII')


def package_file_name(name, version):
    check_name_part('name', name)
    if not version:
        if '-' in name:
            raise PublishError(f'name "{name}" holds "-": give a version, or the Updater '
                               'would look for the top folder "' + name.rsplit('-', 1)[0] + '"')
        return name + '.tar.xz'
    check_name_part('version', version)
    if '-' in version:
        raise PublishError(f'version "{version}" must not hold "-": the Updater cuts the '
                           'package name at its last "-" to find the top folder')
    return f'{name}-{version}.tar.xz'


def code_page_codec(code_page):
    """The Python codec of a Windows code page number; refused when Python
    knows no such code page."""
    try:
        return codecs.lookup(f'cp{code_page}').name
    except LookupError:
        raise PublishError(f'code page {code_page} is not known') from None


def xml_encoding_name(code_page):
    return 'GBK' if code_page == 936 else f'windows-{code_page}'


def check_component(rel, component, codec):
    # The Updater refuses what Windows could not store or would fold into
    # another name, so such a file would only fail the update later.
    bad = set('\\:*?"<>|')
    if (not component.isprintable() or bad & set(component)
            or component in ('.', '..') or component[-1] in '. '):
        raise PublishError(f'file "{rel}": "{component}" is not a usable Windows file name')
    try:
        component.encode(codec)
    except UnicodeEncodeError:
        raise PublishError(f'file "{rel}": "{component}" cannot be written in the target code page '
                           f'({codec})') from None


def collect_files(source, codec):
    """Relative paths ('/'-separated) of every regular file, sorted."""
    found = []
    for folder, dirs, files in os.walk(source):
        dirs.sort()
        for entry in sorted(dirs + files):
            full = os.path.join(folder, entry)
            rel = os.path.relpath(full, source).replace(os.sep, '/')
            mode = os.lstat(full).st_mode
            if stat.S_ISLNK(mode):
                raise PublishError(f'"{rel}" is a symbolic link; packages hold plain files only')
            if stat.S_ISDIR(mode):
                continue
            if not stat.S_ISREG(mode):
                raise PublishError(f'"{rel}" is not a regular file')
            for component in rel.split('/'):
                check_component(rel, component, codec)
            found.append(rel)
    if not found:
        raise PublishError(f'"{source}" holds no files')
    seen = {}
    for rel in found:
        other = seen.setdefault(rel.lower(), rel)
        if other != rel:
            raise PublishError(f'"{other}" and "{rel}" differ only in case, which Windows cannot hold apart')
    return sorted(found)


class HashingReader:
    """Hands a file to tarfile while computing its MD5 and SHA-256 on the way."""

    def __init__(self, stream):
        self.stream = stream
        self.md5 = hashlib.md5()
        self.sha256 = hashlib.sha256()

    def read(self, size=-1):
        data = self.stream.read(size)
        self.md5.update(data)
        self.sha256.update(data)
        return data


def xz_command(preset):
    """The xz tool writing blocks of XZ_BLOCK_SIZE, which the Updater decodes
    on several threads at once."""
    tool = shutil.which('xz')
    if tool is None:
        raise PublishError('the xz tool (xz-utils) is needed to write the package')
    return [tool, '-c', '-q', f'-{preset}', '--check=crc64', '-T0', f'--block-size={XZ_BLOCK_SIZE}']


def write_package(source, name, files, out, preset, codec, strong):
    """Writes the tar.xz into the open binary stream; returns {rel: md5} and
    fills strong with {rel: sha256}."""
    members = [(f'{name}/{rel}', os.path.join(source, *rel.split('/'))) for rel in files]
    member_strong = {}
    digests = write_tar_xz(members, out, preset, codec, member_strong)
    strong.update({rel: member_strong[f'{name}/{rel}'] for rel in files})
    return {rel: digests[f'{name}/{rel}'] for rel in files}


def write_tar_xz(members, out, preset, codec, strong=None):
    """Writes the (member name, file) pairs as a tar.xz into the open binary
    stream; returns {member name: md5} and fills strong, when given, with
    {member name: sha256}."""
    digests = {}
    xz = subprocess.Popen(xz_command(preset), stdin=subprocess.PIPE, stdout=out)
    try:
        # ustar: the plain format that every tar reader knows; its names are
        # bytes, which the Updater reads in its code page.
        with tarfile.open(fileobj=xz.stdin, mode='w|', format=tarfile.USTAR_FORMAT, encoding=codec,
                          errors='strict') as tar:
            for member, full in members:
                rel = member.split('/', 1)[1]
                info = tarfile.TarInfo(member)
                st = os.stat(full)
                info.size = st.st_size
                info.mtime = int(st.st_mtime)
                info.mode = 0o644
                try:
                    with open(full, 'rb') as stream:
                        reader = HashingReader(stream)
                        tar.addfile(info, reader)
                except ValueError as error:
                    raise PublishError(f'"{rel}": {error}') from None
                digests[member] = reader.md5.hexdigest()
                if strong is not None:
                    strong[member] = reader.sha256.hexdigest()
    finally:
        xz.stdin.close()
        status = xz.wait()
    if status != 0:
        raise PublishError(f'xz failed with status {status}')
    return digests


def sha256_attribute(rel, strong):
    """The file's SHA-256 attribute, written beside its MD5."""
    return f' sha256="{strong[rel]}"' if strong and rel in strong else ''


def package_attributes(package_digest):
    """The package's SHA-256 and size, which the Updater checks after the
    download, before it records or unpacks anything."""
    if not package_digest:
        return ''
    sha256, size = package_digest
    return f' sha256="{sha256}" size="{size}"'


def file_sha256_and_size(path):
    digest = hashlib.sha256()
    size = 0
    with open(path, 'rb') as stream:
        for block in iter(lambda: stream.read(1 << 20), b''):
            digest.update(block)
            size += len(block)
    return digest.hexdigest(), size


def signature_text(manifest_bytes, key_path):
    """configure.xml.sig: the ECDSA P-256 signature of the manifest's exact
    bytes, r and s as 64 bytes (the form Windows' CNG verifies), and the id of
    the key it was made with."""
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    try:
        import manifest_key
        from cryptography.hazmat.primitives import hashes
        from cryptography.hazmat.primitives.asymmetric import ec, utils
    except ImportError as error:
        raise PublishError(f'signing needs python3-cryptography ({error})') from None
    try:
        key = manifest_key.load_private_key(key_path)
    except manifest_key.ManifestKeyError as error:
        raise PublishError(str(error)) from None
    r, s = utils.decode_dss_signature(key.sign(manifest_bytes, ec.ECDSA(hashes.SHA256())))
    signature = r.to_bytes(32, 'big') + s.to_bytes(32, 'big')
    key_id = manifest_key.key_id(manifest_key.public_point(key))
    return (f'corvane manifest signature 1\r\nkey {key_id}\r\n'
            f'ecdsa-p256-sha256 {signature.hex()}\r\n').encode('ascii')


def manifest_text(package, version, digests, code_page=DEFAULT_CODE_PAGE, strong=None, package_digest=None,
                  deltas=()):
    # Text that is all ASCII reads the same in every code page (and as the
    # UTF-8 of a declaration without an encoding); other text names its code
    # page, which also keeps TinyXML from reading it as UTF-8.
    ascii_only = all(rel.isascii() for rel in digests) and version.isascii()
    encoding = '' if ascii_only else f' encoding="{xml_encoding_name(code_page)}"'
    lines = [f'<?xml version="1.0"{encoding} ?>', '<configure>']
    if version:
        lines.append(f'    <version>{escape(version)}</version>')
    lines.append(f'    <package{package_attributes(package_digest)}>{escape(package)}</package>')
    lines.extend(delta_lines(deltas))
    lines.append('    <filelist>')
    for rel in sorted(digests):
        path = rel.replace('/', '\\')
        lines.append(f'        <file md5="{digests[rel]}"{sha256_attribute(rel, strong)}>{escape(path)}</file>')
    lines.append('    </filelist>')
    lines.append('</configure>')
    return '\r\n'.join(lines) + '\r\n'


def delta_lines(deltas):
    """The manifest's "delta" elements: for each base, the delta package,
    its SHA-256 and size, each patched file with its patch member and the digest of the
    base copy it applies to, and each file that comes whole. Files of the
    filelist that a delta names neither way are unchanged since its base.
    An Updater that knows no deltas ignores these elements."""
    def attr(text):
        return escape(str(text), {'"': '&quot;'})

    lines = []
    for delta in deltas:
        lines.append(f'    <delta base="{attr(delta["base"])}" package="{attr(delta["package"])}"'
                     f'{package_attributes(delta["digest"])}>')
        for rel, member, base_md5 in delta['patches']:
            lines.append(f'        <patch md5="{base_md5}" member="{attr(member.replace("/", chr(92)))}">'
                         f'{escape(rel.replace("/", chr(92)))}</patch>')
        for rel in delta['whole']:
            lines.append(f'        <whole>{escape(rel.replace("/", chr(92)))}</whole>')
        lines.append('    </delta>')
    return lines


def top_folder(package):
    """The folder the Updater looks for in a package: its name without
    ".tar.xz", cut before the last "-"."""
    stem = package[:-len('.tar.xz')]
    return stem.rsplit('-', 1)[0] if '-' in stem else stem


def delta_file_name(package, base_version):
    check_name_part('base version', base_version)
    if '-' in base_version:
        raise PublishError(f'base version "{base_version}" must not hold "-"')
    return package[:-len('.tar.xz')] + f'-from-{base_version}.tar.xz'


def file_md5(path):
    digest = hashlib.md5()
    with open(path, 'rb') as stream:
        for chunk in iter(lambda: stream.read(1 << 20), b''):
            digest.update(chunk)
    return digest.hexdigest()


def patch_window_log(old_size, new_size):
    """The zstd window that spans the larger of the two files; None when that
    is more than the Updater decodes."""
    log = max(MIN_WINDOW_LOG, max(old_size, new_size).bit_length())
    return log if log <= MAX_WINDOW_LOG else None


def write_zstd_patch(old, new, patch, window_log):
    """Writes the zstd patch that rebuilds new from old (with the zstd tool);
    returns its size."""
    tool = shutil.which('zstd')
    if tool is None:
        raise PublishError('the zstd tool (zstd) is needed to write delta packages')
    result = subprocess.run([tool, '-q', '-f', '-19', f'--long={window_log}', f'--patch-from={old}', new,
                             '-o', patch], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        raise PublishError(f'zstd failed on "{new}": {result.stderr.strip()}')
    return os.path.getsize(patch)


def write_delta(source, files, digests, package, base, base_version, out_dir, preset, codec):
    """Writes the delta package that turns the base folder's files into the
    new ones; returns its record for the manifest."""
    if not os.path.isdir(base):
        raise PublishError(f'base "{base}" is not a folder')
    name = delta_file_name(package, base_version)
    top = top_folder(name)
    # Windows finds a file whatever the letter case of its name.
    base_files = {rel.lower(): rel for rel in collect_files(base, codec)}
    members, patches, whole = [], [], []
    with tempfile.TemporaryDirectory(dir=out_dir, prefix='.delta.') as work:
        for index, rel in enumerate(files):
            new = os.path.join(source, *rel.split('/'))
            old_rel = base_files.get(rel.lower())
            if old_rel is not None:
                old = os.path.join(base, *old_rel.split('/'))
                old_md5 = file_md5(old)
                if old_md5 == digests[rel]:
                    continue
                new_size = os.path.getsize(new)
                window_log = patch_window_log(os.path.getsize(old), new_size)
                if window_log is not None and new_size > 0:
                    patch = os.path.join(work, f'{index}.zst')
                    if write_zstd_patch(old, new, patch, window_log) < PATCH_SHARE * new_size:
                        member = f'{top}.patches/{rel}.zst'
                        members.append((member, patch))
                        patches.append((rel, member, old_md5))
                        continue
            members.append((f'{top}/{rel}', new))
            whole.append(rel)
        replace_atomically(out_dir, name, lambda stream: write_tar_xz(members, stream, preset, codec))
    return {'base': base_version, 'package': name, 'digest': file_sha256_and_size(os.path.join(out_dir, name)),
            'patches': patches, 'whole': whole}


def replace_atomically(folder, final_name, write):
    """Writes through write(stream) into a temporary file, then renames it."""
    handle, temp = tempfile.mkstemp(dir=folder, prefix='.' + final_name + '.')
    try:
        os.chmod(temp, 0o644)
        with os.fdopen(handle, 'wb') as stream:
            result = write(stream)
        os.replace(temp, os.path.join(folder, final_name))
        return result
    except BaseException:
        os.unlink(temp)
        raise


def write_signature(out_dir, manifest_bytes, key):
    """configure.xml.sig beside the manifest when signing; otherwise a
    signature left by an earlier run goes, since it belongs to no manifest."""
    path = os.path.join(out_dir, 'configure.xml.sig')
    if key is None:
        if os.path.exists(path):
            os.unlink(path)
        return
    signature = signature_text(manifest_bytes, key)
    replace_atomically(out_dir, 'configure.xml.sig', lambda stream: stream.write(signature))


def publish(source, name, version, out_dir, preset=6, code_page=DEFAULT_CODE_PAGE, key=None, bases=()):
    """bases: (folder, version) pairs of older versions to write deltas from."""
    if not os.path.isdir(source):
        raise PublishError(f'"{source}" is not a folder')
    package = package_file_name(name, version)
    codec = code_page_codec(code_page)
    files = collect_files(source, codec)
    os.makedirs(out_dir, exist_ok=True)
    if key and not version:
        raise PublishError('a signed manifest must name its version: the Updater refuses one without')
    strong = {}
    digests = replace_atomically(out_dir, package,
                                 lambda stream: write_package(source, name, files, stream, preset, codec, strong))
    package_digest = file_sha256_and_size(os.path.join(out_dir, package))
    deltas = [write_delta(source, files, digests, package, base, base_version, out_dir, preset, codec)
              for base, base_version in bases]
    text = manifest_text(package, version, digests, code_page, strong, package_digest, deltas).encode(codec)
    write_signature(out_dir, text, key)
    replace_atomically(out_dir, 'configure.xml', lambda stream: stream.write(text))
    return os.path.join(out_dir, package), len(files)


def main(argv):
    parser = argparse.ArgumentParser(description='Build a Corvane update package and its configure.xml.')
    parser.add_argument('source', help='folder holding the new version, laid out as installed')
    parser.add_argument('name', help='package name; also the top folder inside the package')
    parser.add_argument('version', help='version text appended to the package name ("" for none)')
    parser.add_argument('-o', '--output', default='.', help='output folder (default: current folder)')
    parser.add_argument('--preset', type=int, default=6, choices=range(10), metavar='0-9',
                        help='xz compression preset (default: 6)')
    parser.add_argument('--codepage', type=int, default=DEFAULT_CODE_PAGE, metavar='N',
                        help='ANSI code page of the target Windows machines, for file names '
                             f'(default: {DEFAULT_CODE_PAGE})')
    parser.add_argument('--base', nargs=2, action='append', default=[], metavar=('OLD_FOLDER', 'BASE_VERSION'),
                        help='an older version as installed, and its version: also write a delta package '
                             'from it (any number of times)')
    parser.add_argument('--key', metavar='PRIVATE.pem',
                        help='sign the manifest with this key (made by manifest_key.py); writes '
                             'configure.xml.sig')
    args = parser.parse_args(argv)
    try:
        package, count = publish(args.source, args.name, args.version, args.output, args.preset,
                                 args.codepage, args.key, [tuple(base) for base in args.base])
    except (PublishError, OSError) as error:
        print(f'publish: {error}', file=sys.stderr)
        return 1
    print(f'{package}: {count} files')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
