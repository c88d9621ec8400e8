#!/usr/bin/env python3
"""Links the Updater, then checks every slot of its delay-import tables.

    delay_link.py NM DEF_FOLDER -- LINK_COMMAND...

The 32-bit linker drops the stub of an import that is only called through its
__imp_ slot, as every function the SDK declares dllimport is. For a delay
import that slot's first value points into the stub, so without it the slot
holds 0 and the first call jumps there. So after the link this reads the exe's
delay-import tables (found by their symbols, with NM: the linker fills in no
directory entry for them), and where a slot points nowhere it links again
keeping (-u) the stubs of those imports, named as DEF_FOLDER's .def files
export them. The kept ones are remembered in DEF_FOLDER/kept.rsp for the next
link. An exe with a slot that still points nowhere, or without the symbols to
find its tables, is removed and the link fails.
"""
import os
import struct
import subprocess
import sys

SCN_MEM_EXECUTE = 0x20000000
MACHINE_I386 = 0x14C


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('not a PE image')
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from('<HHIIIHH', data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from('<H', data, optional)[0]
        self.wide = magic == 0x20B
        if self.wide:
            self.base = struct.unpack_from('<Q', data, optional + 24)[0]
        else:
            self.base = struct.unpack_from('<I', data, optional + 28)[0]
        self.size = struct.unpack_from('<I', data, optional + 56)[0]
        self.sections = []
        for i in range(sections):
            header = optional + optional_size + 40 * i
            vsize, rva, raw_size, raw = struct.unpack_from('<IIII', data, header + 8)
            flags = struct.unpack_from('<I', data, header + 36)[0]
            self.sections.append((rva, max(vsize, raw_size), raw, flags))

    def offset(self, rva):
        for start, size, raw, _ in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f'RVA {rva:#x} lies in no section')

    def executable(self, va):
        rva = va - self.base
        return any(start <= rva < start + size and flags & SCN_MEM_EXECUTE
                   for start, size, _, flags in self.sections)

    def pointer(self, rva):
        return struct.unpack_from('<Q' if self.wide else '<I', self.data, self.offset(rva))[0]

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b'\0', at)].decode('ascii')

    def empty_delay_slots(self, descriptors):
        """The (library, import) pairs of the delay-import descriptors at these
        addresses whose slot points to no code of the image."""
        empty = []
        width = 8 if self.wide else 4
        ordinal = 1 << (8 * width - 1)
        for descriptor in descriptors:
            attributes, name, _, iat, names = struct.unpack_from('<IIIII', self.data,
                                                                 self.offset(descriptor - self.base))
            # Old-style tables hold addresses rather than RVAs.
            rebase = 0 if attributes & 1 else self.base
            library = self.text(name - rebase)
            i = 0
            while entry := self.pointer(names - rebase + i * width):
                slot = self.pointer(iat - rebase + i * width)
                if not self.executable(slot):
                    empty.append((library, f'#{entry & 0xFFFF}' if entry & ordinal else self.text(entry - rebase + 2)))
                i += 1
        return empty


def delay_descriptors(nm, exe):
    """The addresses of the exe's delay-import descriptors, or None when it has
    no symbols."""
    symbols = subprocess.run([nm, exe], check=True, capture_output=True, text=True).stdout.split('\n')
    if not any(symbols):
        return None
    return [int(line.split()[0], 16) for line in symbols if '__DELAY_IMPORT_DESCRIPTOR_' in line]


def stub_symbols(def_folder, underscore):
    """Each exported import's name, and the symbol of its stub."""
    stubs = {}
    for file in sorted(os.listdir(def_folder)):
        if not file.endswith('.def'):
            continue
        with open(os.path.join(def_folder, file)) as f:
            exports = [line.strip() for line in f if line.startswith('    ')]
        for export in exports:
            stubs[export.split('@')[0]] = ('_' if underscore else '') + export
    return stubs


def link(command, kept_file, kept):
    with open(kept_file, 'w') as f:
        f.writelines(f'-u {symbol}\n' for symbol in sorted(kept))
    extra = [f'-Wl,@{kept_file}'] if kept else []
    return subprocess.call(command + extra)


def main(argv):
    if len(argv) < 5 or argv[3] != '--' or '-o' not in argv:
        sys.exit('usage: delay_link.py NM DEF_FOLDER -- LINK_COMMAND... -o EXE ...')
    nm, def_folder, command = argv[1], argv[2], argv[4:]
    exe = command[command.index('-o') + 1]
    kept_file = os.path.join(def_folder, 'kept.rsp')
    kept = set()
    if os.path.exists(kept_file):
        with open(kept_file) as f:
            kept = {line.split()[1] for line in f if line.startswith('-u ')}
    for attempt in range(2):
        if (status := link(command, kept_file, kept)) != 0:
            return status
        if (descriptors := delay_descriptors(nm, exe)) is None:
            os.remove(exe)
            print(f'{exe}: has no symbols to find its delay-import tables by', file=sys.stderr)
            return 1
        with open(exe, 'rb') as f:
            image = Image(f.read())
        empty = image.empty_delay_slots(descriptors)
        if not empty:
            return 0
        stubs = stub_symbols(def_folder, image.machine == MACHINE_I386)
        missing = {stubs[name] for _, name in empty if name in stubs} - kept
        if attempt or not missing:
            break
        print(f'delay imports: keeping the stubs of {len(missing)} imports the linker dropped')
        kept |= missing
    os.remove(exe)
    for library, name in empty:
        print(f'{exe}: the delay-import slot of {library}!{name} points to no code', file=sys.stderr)
    return 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
