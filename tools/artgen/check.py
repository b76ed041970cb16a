#!/usr/bin/python3
"""Checks the committed pictures against the generator and against what the demo needs.

usage: check.py ASSETS_DIR             every check below; exit status 1 on any failure
       check.py --regen ASSETS_DIR     runs artgen.py into a temporary folder and compares
                                       every file byte for byte with ASSETS_DIR
       check.py --dump ASSETS_DIR OUT  writes OUT/<name>.words: each picture decoded by
                                       Pillow as little-endian 0x00RRGGBB words, row by row
"""
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

import artgen  # noqa: E402
import font  # noqa: E402
import pcx  # noqa: E402

failures = []


def expect(cond, what):
    if not cond:
        failures.append(what)
        print('FAIL:', what)


def words_of(rgb):
    rgb = rgb.astype(np.uint32)
    return (rgb[..., 0] << 16) | (rgb[..., 1] << 8) | rgb[..., 2]


def pillow_rgb(path):
    with Image.open(path) as im:
        return im.size, np.array(im.convert('RGB'))


def parse_strict(data, name):
    """Walks the file as the demo's decoder would, insisting on the encoder's rules:
    header fields, runs 1..63 never starting with code 0xC0, zero padding up to the
    0x0C marker. Returns the indices (height, width) or None."""
    w = int.from_bytes(data[8:10], 'little') - int.from_bytes(data[4:6], 'little') + 1
    h = int.from_bytes(data[10:12], 'little') - int.from_bytes(data[6:8], 'little') + 1
    bpl = int.from_bytes(data[66:68], 'little')
    expect(data[0] == 10 and data[1] == 5 and data[2] == 1 and data[3] == 8,
           '%s: manufacturer/version/encoding/bpp are %s' % (name, list(data[:4])))
    expect(data[65] == 1, '%s: %d planes' % (name, data[65]))
    expect(bpl == w + (w & 1), '%s: %d bytes per line for width %d' % (name, bpl, w))
    out = bytearray()
    pos = 128
    total = bpl * h
    tail = len(data) - 769
    while len(out) < total and pos < tail:
        c = data[pos]
        pos += 1
        if c == 0xC0:
            expect(False, '%s: code 0xC0 at %d' % (name, pos - 1))
            return None
        if c > 0xC0:
            out += bytes([data[pos]]) * (c - 0xC0)
            pos += 1
        else:
            out.append(c)
    expect(len(out) == total, '%s: image data runs out' % name)
    expect(all(b == 0 for b in data[pos:tail]), '%s: padding is not zero' % name)
    expect(data[tail] == 0x0C, '%s: no palette marker' % name)
    if len(out) != total:
        return None
    return np.frombuffer(bytes(out), np.uint8).reshape(h, bpl)[:, :w]


def check_font(words):
    widths = font.scan_widths(words)
    expect(len(widths) == 52, 'font: %d glyphs' % len(widths))
    named = dict(zip([font.CHARSET[k:k + 1] for k in range(len(widths))], widths))
    for ch, want in ((b'a', 12), (b'b', 12), (b'i', 6), (b'm', 18), (b'w', 19), (b'.', 3), (b':', 3)):
        expect(named.get(ch) == want, 'font: %r is %s wide, want %d' % (ch, named.get(ch), want))
    expect(widths and min(widths) >= 3 and max(widths) <= 19, 'font: widths out of 3..19')
    mean = sum(widths) / max(1, len(widths))
    expect(9.5 <= mean <= 11.0, 'font: mean width %.2f' % mean)
    ink_cols = np.where((words != 0).any(0))[0]
    expect(ink_cols[-1] == words.shape[1] - 1, 'font: last glyph does not reach the last column')
    last = ink_cols[-1]
    run = 0
    while last - run in set(ink_cols.tolist()):
        run += 1
    expect(run == 4, 'font: ":" has %d ink columns' % run)


def check_owl(name, rgb):
    key = rgb[0, 0]
    is_key = (rgb == key).all(-1)
    # every key pixel must be reachable from the border through key pixels: none inside the owl
    h, w = is_key.shape
    seen = np.zeros_like(is_key)
    stack = [(y, x) for y in range(h) for x in (0, w - 1) if is_key[y, x]]
    stack += [(y, x) for x in range(w) for y in (0, h - 1) if is_key[y, x]]
    while stack:
        y, x = stack.pop()
        if seen[y, x]:
            continue
        seen[y, x] = True
        for ny, nx in ((y - 1, x), (y + 1, x), (y, x - 1), (y, x + 1)):
            if 0 <= ny < h and 0 <= nx < w and is_key[ny, nx] and not seen[ny, nx]:
                stack.append((ny, nx))
    expect((seen == is_key).all(), '%s: key colour inside the owl' % name)
    owl = rgb[~is_key].astype(int)
    dist = np.abs(owl - key.astype(int)).sum(-1)
    expect(dist.min() >= 120, '%s: an owl pixel is within %d of the key (halo)' % (name, dist.min()))
    expect(0.3 < (~is_key).mean() < 0.9, '%s: owl covers %.2f of the sprite' % (name, (~is_key).mean()))


def edge_steps(a):
    """Mean colour step across the wrap seams and inside the picture, both directions."""
    a = a.astype(int)
    inner = (np.abs(np.diff(a, axis=0)).mean() + np.abs(np.diff(a, axis=1)).mean()) / 2
    seam = (np.abs(a[0] - a[-1]).mean() + np.abs(a[:, 0] - a[:, -1]).mean()) / 2
    return seam, inner


def check_texture(rgb, indices):
    seam, inner = edge_steps(rgb)
    expect(seam <= 1.5 * inner, 'tex1: seam step %.2f vs inner %.2f' % (seam, inner))
    expect(len(np.unique(words_of(rgb))) >= 100, 'tex1: too few colours')
    hsv = np.array(Image.fromarray(rgb).convert('HSV'))
    hues = np.histogram(hsv[..., 0][hsv[..., 1] > 80], bins=8, range=(0, 256))[0]
    expect((hues > rgb.shape[0] * rgb.shape[1] * 0.02).sum() >= 4, 'tex1: hues %s' % hues)


def check_frames(frames):
    lum = [f.astype(int).sum(-1) for f in frames]
    for n, l in enumerate(lum, 1):
        # The light multiplies the picture and leaves most of the screen dark, so the picture
        # must average near white (220 of 255 per channel) for the lit patches to show; the
        # figure needs its dark outlines and bright colours to read against that.
        expect(l.mean() >= 660 and (l < 120).mean() > 0.02 and l.max() > 700,
               'kelmo %d: not a dark-outlined figure on a pale ground' % n)
    steps = [np.abs(lum[k + 1] - lum[k]).mean() for k in range(18)]
    wrap = np.abs(lum[0] - lum[18]).mean()
    expect(wrap <= 1.5 * max(steps), 'kelmo: loop seam %.2f vs steps up to %.2f' % (wrap, max(steps)))
    expect(min(steps) > 0, 'kelmo: two loop frames are identical')
    tail = [np.abs(lum[k + 1] - lum[k]).mean() for k in range(18, 23)]
    expect(max(tail) <= 2.0 * max(steps), 'kelmo: frames 20-24 jump (%s)' % tail)


def check_all(assets):
    intended = {name: (idx, pal) for name, idx, pal in artgen.pictures()}
    frames = {}
    for name, size in artgen.SIZES.items():
        path = os.path.join(assets, name)
        if not os.path.exists(path):
            expect(False, '%s: missing' % name)
            continue
        data = open(path, 'rb').read()
        expect(len(data) == size, '%s: %d bytes, want %d' % (name, len(data), size))
        idx, pal = intended[name]
        want = pcx.to_rgb(idx, pal)
        try:
            (w, h), got = pillow_rgb(path)
        except (OSError, ValueError) as e:
            expect(False, '%s: Pillow cannot decode it (%s)' % (name, e))
            continue
        expect((w, h) == artgen.EXPECTED_DIMENSIONS[name], '%s: Pillow sees %dx%d' % (name, w, h))
        expect(got.shape == want.shape and (got == want).all(), '%s: Pillow pixels differ' % name)
        strict = parse_strict(data, name)
        if strict is not None:
            expect((strict == idx).all(), '%s: run-length data differs from the picture' % name)
        if name == 'data/font2.pcx':
            expect(pal[0] == (0, 0, 0), 'font: background entry is not black')
            expect(((words_of(got) == 0) == (idx == 0)).all(), 'font: ink pixel is pure black')
            check_font(words_of(got))
        elif name.startswith('data/owl'):
            check_owl(name, got)
        elif name == 'data/tex1.pcx':
            check_texture(got, idx)
        elif name.startswith('data/kelmo/'):
            frames[int(name[11:-4])] = got
    if len(frames) == 24:
        check_frames([frames[n] for n in range(1, 25)])
    xm = os.path.join(assets, 'data/vantoli.xm')
    if os.path.exists(xm):
        total = sum(artgen.SIZES.values()) + os.path.getsize(xm) + 132 * 31
        expect(total == 781988, 'store total %d' % total)


def regen(assets):
    tmp = tempfile.mkdtemp(prefix='artgen-')
    try:
        subprocess.run([sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                     'artgen.py'), tmp],
                       check=True, stdout=subprocess.DEVNULL)
        for name in artgen.SIZES:
            expect(filecmp.cmp(os.path.join(tmp, name), os.path.join(assets, name), shallow=False),
                   '%s: regenerated bytes differ' % name)
    finally:
        shutil.rmtree(tmp)


def dump(assets, out):
    for name in artgen.SIZES:
        _, rgb = pillow_rgb(os.path.join(assets, name))
        path = os.path.join(out, name + '.words')
        os.makedirs(os.path.dirname(path), exist_ok=True)
        words_of(rgb).astype('<u4').tofile(path)


def main(argv):
    if len(argv) == 3 and argv[1] == '--regen':
        regen(argv[2])
    elif len(argv) == 4 and argv[1] == '--dump':
        dump(argv[2], argv[3])
    elif len(argv) == 2:
        check_all(argv[1])
    else:
        print(__doc__)
        return 2
    print('%d failure(s)' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
