#!/usr/bin/python3
"""Writes every picture of the demo under OUTDIR (default: the repository's assets/), at
its store name with '/' for the backslash. Deterministic: a second run gives the same bytes.

usage: artgen.py [OUTDIR]
"""
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import backdrop  # noqa: E402
import font  # noqa: E402
import frames  # noqa: E402
import owls  # noqa: E402
import pcx  # noqa: E402
import texture  # noqa: E402

# Exact file sizes of the store's entries; the demo's console trace prints them.
SIZES = {
    'data/font2.pcx': 10261,
    'data/owl1.pcx': 8171,
    'data/owl2.pcx': 12848,
    'data/owl3.pcx': 10282,
    'data/tausta.pcx': 16427,
    'data/tex1.pcx': 71922,
}
# frames in the store's order (byte order of their names) with their sizes
_FRAME_ORDER = [1] + list(range(10, 20)) + [2] + list(range(20, 25)) + list(range(3, 10))
_FRAME_SIZES = [24652, 23221, 22840, 22174, 23168, 23360, 22737, 23640, 22399, 21838, 23433,
                26593, 22668, 23567, 22242, 21329, 20105, 26506, 26914, 25611, 25401, 23516,
                22396, 22497]
for _n, _size in zip(_FRAME_ORDER, _FRAME_SIZES):
    SIZES['data/kelmo/%d.pcx' % _n] = _size

EXPECTED_DIMENSIONS = {'data/font2.pcx': (740, 23), 'data/owl1.pcx': (156, 180),
                       'data/owl2.pcx': (166, 168), 'data/owl3.pcx': (133, 194),
                       'data/tausta.pcx': (320, 200), 'data/tex1.pcx': (256, 256)}
for _n in range(1, 25):
    EXPECTED_DIMENSIONS['data/kelmo/%d.pcx' % _n] = (320, 180)


def pictures():
    """Yields (name, indices, palette) for every picture, in the store's order."""
    yield ('data/font2.pcx',) + font.build()
    for k in (1, 2, 3):
        yield ('data/owl%d.pcx' % k,) + owls.SPRITES['owl%d' % k]()
    yield ('data/tausta.pcx',) + backdrop.build()
    yield ('data/tex1.pcx',) + texture.build()
    for n in _FRAME_ORDER:
        yield ('data/kelmo/%d.pcx' % n,) + frames.build(n)


def encode_all():
    """Yields (name, file bytes, indices, palette)."""
    for name, indices, palette in pictures():
        h, w = indices.shape
        assert (w, h) == EXPECTED_DIMENSIONS[name], name
        yield name, pcx.encode(indices, palette, SIZES[name]), indices, palette


def main(argv):
    usage = __doc__.strip().split('\n\n')[-1] + '\n' + __doc__.split('\n\n')[0] + '\n'
    if argv[1:] in (['--help'], ['-h']):
        sys.stdout.write(usage)
        return 0
    if len(argv) > 2 or any(a.startswith('-') for a in argv[1:]):
        sys.stderr.write(usage)
        return 2
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    outdir = argv[1] if len(argv) > 1 else os.path.join(root, 'assets')
    for name, data, indices, _ in encode_all():
        path = os.path.join(outdir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)
        print('%-22s %6d bytes (%d used by the picture)' % (name, len(data),
                                                           pcx.encoded_length(indices)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
