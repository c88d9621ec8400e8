#!/usr/bin/env python3
"""Makes the benchmarks' file tree: about SIZE_MB megabytes in SIZE_MB * 10
files of lognormal sizes (at most 4 MB) in 40 folders of 7 subfolders.

    make_bench_tree.py FOLDER SIZE_MB

The sizes and the text are the same on every run (a fixed seed); the noise
is new.
"""

import os
import random
import sys


def make_tree(root, size_mb):
    count = max(1, size_mb * 10)
    rng = random.Random(4)
    words = [bytes(rng.choice(b'abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9))) for _ in range(4000)]
    total = 0
    for i in range(count):
        size = int(rng.lognormvariate(11, 1.0)) + 1000
        size = min(size, 4 << 20)
        folder = os.path.join(root, f'dir{i % 40:02d}', f'sub{i % 7}')
        os.makedirs(folder, exist_ok=True)
        # Half noise, half text: compresses about as well as program files do.
        noise = os.urandom(size // 2)
        text = b' '.join(rng.choice(words) for _ in range(size // 10))[: size - len(noise)]
        with open(os.path.join(folder, f'file{i:04d}.bin'), 'wb') as out:
            out.write(noise + text)
        total += size
    print(f'{total / 1048576:.1f} MB in {count} files')


if __name__ == '__main__':
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    make_tree(sys.argv[1], int(sys.argv[2]))
