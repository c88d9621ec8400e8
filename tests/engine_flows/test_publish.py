"""Native tests of the publisher tool: what it writes and what it refuses."""

import hashlib
import os
import subprocess
import sys
import tarfile
import tempfile
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
import publish  # noqa: E402


class PublishTest(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.src = os.path.join(self.temp.name, 'src')
        self.out = os.path.join(self.temp.name, 'out')
        self.write('Skin/update.zip', b'skin')
        self.write('bin/core.dll', b'\x00\x01core')
        self.write('readme.txt', b'readme\r\n')

    def tearDown(self):
        self.temp.cleanup()

    def manifest(self, codec='gbk'):
        """The manifest's root element; expat reads no double-byte code page,
        so the text is decoded here and given without its declaration."""
        with open(os.path.join(self.out, 'configure.xml'), 'rb') as stream:
            text = stream.read().decode(codec)
        return ET.fromstring(text.split('?>', 1)[1])

    def write(self, rel, data):
        path = os.path.join(self.src, *rel.split('/'))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as out:
            out.write(data)

    def test_package_and_manifest_match(self):
        package, count = publish.publish(self.src, 'corvane', '2.1', self.out)
        self.assertEqual(os.path.basename(package), 'corvane-2.1.tar.xz')
        self.assertEqual(count, 3)
        with tarfile.open(package, 'r:xz') as tar:
            members = {m.name: tar.extractfile(m).read() for m in tar.getmembers()}
            self.assertTrue(all(m.isreg() for m in tar.getmembers()))
        self.assertEqual(set(members), {'corvane/Skin/update.zip', 'corvane/bin/core.dll', 'corvane/readme.txt'})
        root = self.manifest()
        self.assertEqual(root.tag, 'configure')
        self.assertEqual(root.find('package').text, 'corvane-2.1.tar.xz')
        listed = {f.text: f.get('md5') for f in root.find('filelist')}
        self.assertEqual(set(listed), {'Skin\\update.zip', 'bin\\core.dll', 'readme.txt'})
        for path, digest in listed.items():
            data = members['corvane/' + path.replace('\\', '/')]
            self.assertEqual(digest, hashlib.md5(data).hexdigest(), path)

    def test_signed_manifest_verifies_with_the_key_and_lists_sha256(self):
        import manifest_key
        from cryptography.exceptions import InvalidSignature
        from cryptography.hazmat.primitives import hashes
        from cryptography.hazmat.primitives.asymmetric import ec, utils
        key_path = os.path.join(self.temp.name, 'k.pem')
        key = manifest_key.new_key(key_path)
        with self.assertRaises(manifest_key.ManifestKeyError):
            manifest_key.new_key(key_path)
        package, _ = publish.publish(self.src, 'corvane', '2.1', self.out, key=key_path)
        signature_path = os.path.join(self.out, 'configure.xml.sig')
        with open(os.path.join(self.out, 'configure.xml'), 'rb') as stream:
            manifest = stream.read()
        with open(signature_path, 'rb') as stream:
            lines = stream.read().decode('ascii').split('\r\n')
        self.assertEqual(lines[:2], ['corvane manifest signature 1',
                                     'key ' + manifest_key.key_id(manifest_key.public_point(key))])
        raw = bytes.fromhex(lines[2].split(' ')[1])
        der = utils.encode_dss_signature(int.from_bytes(raw[:32], 'big'), int.from_bytes(raw[32:], 'big'))
        key.public_key().verify(der, manifest, ec.ECDSA(hashes.SHA256()))
        with self.assertRaises(InvalidSignature):
            key.public_key().verify(der, manifest.replace(b'2.1', b'2.2', 1), ec.ECDSA(hashes.SHA256()))
        root = self.manifest()
        with open(package, 'rb') as stream:
            data = stream.read()
        self.assertEqual(root.find('package').get('sha256'), hashlib.sha256(data).hexdigest())
        self.assertEqual(root.find('package').get('size'), str(len(data)))
        for entry in root.find('filelist'):
            with open(os.path.join(self.src, *entry.text.split('\\')), 'rb') as stream:
                self.assertEqual(entry.get('sha256'), hashlib.sha256(stream.read()).hexdigest(), entry.text)
        # Published unsigned again, the old signature goes; unversioned is never signed.
        publish.publish(self.src, 'corvane', '2.1', self.out)
        self.assertFalse(os.path.exists(signature_path))
        with self.assertRaises(publish.PublishError):
            publish.publish(self.src, 'corvane', '', self.out, key=key_path)

    def test_large_packages_come_in_blocks(self):
        self.write('big.bin', os.urandom(20 << 20))
        package, _ = publish.publish(self.src, 'tool', '1.0', self.out, preset=0)
        listing = subprocess.run(['xz', '--robot', '--list', package], capture_output=True, text=True,
                                 check=True).stdout
        totals = next(line.split('\t') for line in listing.splitlines() if line.startswith('totals'))
        self.assertEqual(totals[1], '1')  # one stream
        self.assertEqual(totals[2], '3')  # of three blocks of at most 8 MB

    def test_no_version_gives_the_bare_name(self):
        package, _ = publish.publish(self.src, 'tool', '', self.out)
        self.assertEqual(os.path.basename(package), 'tool.tar.xz')

    def test_names_that_break_the_stem_rule_are_refused(self):
        for name, version in (('my-tool', ''), ('tool', '2.1-beta'), ('', '1.0'), ('a/b', '1.0')):
            with self.assertRaises(publish.PublishError, msg=(name, version)):
                publish.publish(self.src, name, version, self.out)
        self.assertFalse(os.path.exists(self.out))

    def test_files_windows_cannot_hold_are_refused(self):
        for rel in ('bad:name.txt', 'trailing.', 'thai\u0e01.txt'):
            with self.subTest(rel=rel):
                self.write(rel, b'x')
                with self.assertRaisesRegex(publish.PublishError, rel):
                    publish.publish(self.src, 'tool', '1.0', self.out)
                os.unlink(os.path.join(self.src, rel))

    def test_names_are_written_in_the_target_code_page(self):
        # Chinese in the default 936, a Latin letter in 1252; each refused
        # by the code page that cannot hold it.
        cases = ((936, 'gbk', '\u6570\u636e/\u914d\u7f6e \u6587\u4ef6.ini', 'caf\u00e9 \u00fe.txt'),
                 (1252, 'cp1252', 'caf\u00e9 \u00fe.txt', '\u6570\u636e.txt'))
        for code_page, codec, held, refused in cases:
            with self.subTest(code_page=code_page):
                self.write(held, b'')
                publish.publish(self.src, 'tool', '1.0', self.out, code_page=code_page)
                # Read as Latin-1, the member names give back their bytes.
                with tarfile.open(os.path.join(self.out, 'tool-1.0.tar.xz'), 'r:xz', encoding='latin-1') as tar:
                    raw = [name.encode('latin-1') for name in tar.getnames()]
                self.assertIn(('tool/' + held).encode(codec), raw)
                with open(os.path.join(self.out, 'configure.xml'), 'rb') as stream:
                    declared = 'GBK' if code_page == 936 else f'windows-{code_page}'
                    self.assertTrue(stream.read().startswith(f'<?xml version="1.0" encoding="{declared}" ?>'.encode()))
                listed = {f.text: f.get('md5') for f in self.manifest(codec).find('filelist')}
                self.assertEqual(listed[held.replace('/', '\\')], hashlib.md5(b'').hexdigest())
                self.write(refused, b'x')
                with self.assertRaisesRegex(publish.PublishError, refused):
                    publish.publish(self.src, 'tool', '1.0', self.out, code_page=code_page)
                for rel in (held, refused):
                    os.unlink(os.path.join(self.src, *rel.split('/')))

    def test_links_and_case_twins_are_refused(self):
        os.symlink('readme.txt', os.path.join(self.src, 'link.txt'))
        with self.assertRaises(publish.PublishError):
            publish.publish(self.src, 'tool', '1.0', self.out)
        os.unlink(os.path.join(self.src, 'link.txt'))
        self.write('README.TXT', b'twin')
        with self.assertRaises(publish.PublishError):
            publish.publish(self.src, 'tool', '1.0', self.out)

    def test_delta_carries_what_changed_since_each_base(self):
        # setUp's tree is the new version; each base differs from it in its own way.
        core = os.urandom(64 << 10)
        self.write('bin/core.dll', core[:1000] + b'new' + core[1003:])
        bases = {
            '1.0': {'Skin/update.zip': b'skin', 'bin/core.dll': core, 'readme.txt': b'old\r\n', 'gone.txt': b'x'},
            '0.9': {'Skin/update.zip': b'old skin', 'bin/core.dll': os.urandom(64 << 10)},
        }
        # rel: (how the delta carries it, as patch / whole / left out)
        expected = {
            '1.0': {'Skin\\update.zip': 'out', 'bin\\core.dll': 'patch', 'readme.txt': 'whole'},
            '0.9': {'Skin\\update.zip': 'whole', 'bin\\core.dll': 'whole', 'readme.txt': 'whole'},
        }
        folders = []
        for version, files in bases.items():
            folder = os.path.join(self.temp.name, 'base-' + version)
            for rel, data in files.items():
                os.makedirs(os.path.dirname(os.path.join(folder, rel)), exist_ok=True)
                with open(os.path.join(folder, rel), 'wb') as out:
                    out.write(data)
            folders.append((folder, version))
        publish.publish(self.src, 'corvane', '2.0', self.out, bases=folders)
        deltas = self.manifest().findall('delta')
        self.assertEqual([d.get('base') for d in deltas], ['1.0', '0.9'])
        for delta, (folder, version) in zip(deltas, folders):
            with self.subTest(base=version):
                path = os.path.join(self.out, delta.get('package'))
                self.assertEqual(delta.get('package'), f'corvane-2.0-from-{version}.tar.xz')
                self.assertEqual(int(delta.get('size')), os.path.getsize(path))
                carried = {p.text: 'patch' for p in delta.findall('patch')}
                carried.update({w.text: 'whole' for w in delta.findall('whole')})
                self.assertEqual({rel: carried.get(rel, 'out') for rel in expected[version]}, expected[version])
                with tarfile.open(path, 'r:xz') as tar:
                    members = {m.name: tar.extractfile(m).read() for m in tar.getmembers()}
                for rel in (w.text for w in delta.findall('whole')):
                    with open(os.path.join(self.src, *rel.split('\\')), 'rb') as stream:
                        self.assertEqual(members['corvane-2.0-from/' + rel.replace('\\', '/')], stream.read())
                for patch in delta.findall('patch'):
                    base = os.path.join(folder, *patch.text.split('\\'))
                    with open(base, 'rb') as stream:
                        self.assertEqual(patch.get('md5'), hashlib.md5(stream.read()).hexdigest())
                    rebuilt = subprocess.run(['zstd', '-d', '-q', '-c', '--long=27', f'--patch-from={base}'],
                                             input=members[patch.get('member').replace('\\', '/')],
                                             capture_output=True, check=True).stdout
                    with open(os.path.join(self.src, *patch.text.split('\\')), 'rb') as stream:
                        self.assertEqual(rebuilt, stream.read())
        with self.assertRaises(publish.PublishError):
            publish.publish(self.src, 'corvane', '2.0', self.out, bases=[(folders[0][0], '1-0')])

    def test_command_line_reports_errors_without_output(self):
        self.assertEqual(publish.main([self.src, 'tool', '1-0', '-o', self.out]), 1)
        self.assertEqual(publish.main([self.src, 'tool', '1.0', '-o', self.out]), 0)
        self.assertEqual(sorted(os.listdir(self.out)), ['configure.xml', 'tool-1.0.tar.xz'])


if __name__ == '__main__':
    unittest.main()
