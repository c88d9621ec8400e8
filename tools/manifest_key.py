#!/usr/bin/env python3
"""Makes and shows the keys that sign Corvane update manifests.

    manifest_key.py new PRIVATE.pem      makes a new ECDSA P-256 key pair:
                                          the private key goes to PRIVATE.pem
                                          (readable by its owner only; an
                                          existing file is never replaced),
                                          the public key is printed
    manifest_key.py public PRIVATE.pem   prints the public key of a key pair

The public key is printed in the form the Updater's build takes (the file
named by the CMake option CORVANE_MANIFEST_KEYS holds one or two of them):

    # corvane manifest key <id>
    p256 <128 hex digits: the point's X and Y>

The id is the first 8 bytes of the SHA-256 of the point; a signature names
the key it was made with by it. Needs python3-cryptography.
"""

import hashlib
import os
import sys

from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import ec


class ManifestKeyError(Exception):
    pass


def load_private_key(path):
    try:
        with open(path, 'rb') as stream:
            key = serialization.load_pem_private_key(stream.read(), password=None)
    except (OSError, ValueError, TypeError) as error:
        raise ManifestKeyError(f'{path}: not a private key ({error})') from None
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != 'secp256r1':
        raise ManifestKeyError(f'{path}: not an ECDSA P-256 key')
    return key


def public_point(key):
    """The 64 bytes of the public point, X then Y, as the Updater takes them."""
    numbers = key.public_key().public_numbers()
    return numbers.x.to_bytes(32, 'big') + numbers.y.to_bytes(32, 'big')


def key_id(point):
    return hashlib.sha256(point).digest()[:8].hex()


def public_key_text(key):
    point = public_point(key)
    return f'# corvane manifest key {key_id(point)}\np256 {point.hex()}\n'


def new_key(path):
    key = ec.generate_private_key(ec.SECP256R1())
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    try:
        handle = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    except FileExistsError:
        raise ManifestKeyError(f'{path} exists; a key is never replaced') from None
    with os.fdopen(handle, 'wb') as stream:
        stream.write(pem)
    return key


def main(argv):
    if len(argv) != 2 or argv[0] not in ('new', 'public'):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        key = new_key(argv[1]) if argv[0] == 'new' else load_private_key(argv[1])
    except (ManifestKeyError, OSError) as error:
        print(f'manifest_key: {error}', file=sys.stderr)
        return 1
    sys.stdout.write(public_key_text(key))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
