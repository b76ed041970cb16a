#!/usr/bin/python3
"""Writes a contact sheet PNG of every committed picture at 1:1 (not for the repository).

usage: contact_sheet.py ASSETS_DIR OUT.png
Also shows a caption set the way the demo's font writer places glyphs (edge to edge,
8 pixels per space) and the texture tiled 2x2, where a seam would show."""
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

import font  # noqa: E402


def load(assets, name):
    with Image.open(os.path.join(assets, name)) as im:
        return np.array(im.convert('RGB'))


def set_text(strip, text, bg):
    """Glyphs cut by the loader's column scan, drawn edge to edge over `bg` (keyed with 0)."""
    words = strip.astype(np.uint32).sum(-1)
    empty = (words == 0).all(0)
    glyphs = {}
    c, k = 0, 0
    while k < len(font.CHARSET) and c < strip.shape[1]:
        while c < strip.shape[1] and empty[c]:
            c += 1
        start = c
        while c < strip.shape[1] - 1 and not empty[c]:
            c += 1
        glyphs[font.CHARSET[k]] = strip[:, start:c]
        k += 1
    out = bg.copy()
    x = 4
    for ch in text.encode('latin-1'):
        if ch == 0x20:
            x += 8
            continue
        g = glyphs.get(ch)
        if g is None:
            continue
        region = out[4:4 + g.shape[0], x:x + g.shape[1]]
        ink = g.sum(-1) > 0
        region[ink[:, :region.shape[1]]] = g[:, :region.shape[1]][ink[:, :region.shape[1]]]
        x += g.shape[1]
    return out


def main(assets, out):
    tiles = []
    strip = load(assets, 'data/font2.pcx')
    tiles.append(strip)
    tex = load(assets, 'data/tex1.pcx')
    for line in ('hei vain', 'pihan puolella zimpa', 'ottaa haasteita vastaan',
                 'p\xe4ss\xeaeej\xe4\xe4ni'.replace('\xea', 'e'), 'nyt loppuu jee nyt loppuu',
                 'huhuu   (( o , 0 ))  whut up !! [1234567890] = +;: ?'):
        bg = np.tile(tex, (1, 4, 1))[:32, :740] // 2
        tiles.append(set_text(strip, line, bg))
    owls = [load(assets, 'data/owl%d.pcx' % k) for k in (1, 2, 3)]
    row = np.zeros((200, 740, 3), np.uint8) + 40
    x = 0
    for o in owls:
        row[:o.shape[0], x:x + o.shape[1]] = o
        x += o.shape[1] + 6
    # the owls keyed over the texture, as the owl scene shows them
    for o in owls:
        key = (o == o[0, 0]).all(-1)
        bg = np.tile(tex, (1, 1, 1))[:o.shape[0], :o.shape[1]]
        comp = np.where(key[..., None], bg, o)
        if x + o.shape[1] <= 740:
            row[:o.shape[0], x:x + o.shape[1]] = comp
        x += o.shape[1] + 6
    tiles.append(row)
    back = np.zeros((512, 330 + 512, 3), np.uint8) + 40
    back[:200, :320] = load(assets, 'data/tausta.pcx')
    back[:, 330:] = np.tile(tex, (2, 2, 1))
    tiles.append(back)
    frames = [load(assets, 'data/kelmo/%d.pcx' % n) for n in range(1, 25)]
    grid = np.zeros((6 * 182, 4 * 322, 3), np.uint8) + 90
    for n, f in enumerate(frames):
        r, c = divmod(n, 4)
        grid[r * 182:r * 182 + 180, c * 322:c * 322 + 320] = f
    width = max(t.shape[1] for t in tiles + [grid])
    parts = []
    for t in tiles + [grid]:
        pad = np.zeros((t.shape[0] + 6, width, 3), np.uint8) + 20
        pad[:t.shape[0], :t.shape[1]] = t
        parts.append(pad)
    Image.fromarray(np.concatenate(parts, 0)).save(out)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
