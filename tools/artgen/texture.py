"""Tunnel texture, 256x256, seamless both ways: bevelled scales in brick rows over a
slowly turning rainbow field. Every term is periodic in 256, so the tunnel and the warp,
which wrap both coordinates, never show a seam."""
import colorsys

import numpy as np
from PIL import Image

SIZE = 256
COLOURS = 192  # indices stay below 0xC0, so every literal costs one byte


def periodic_noise(rng, octaves):
    """Smooth noise that wraps at SIZE: random Fourier terms with integer frequencies."""
    y, x = np.mgrid[0:SIZE, 0:SIZE] / SIZE * 2 * np.pi
    out = np.zeros((SIZE, SIZE))
    for kx, ky, amp in octaves:
        phase = rng.uniform(0, 2 * np.pi)
        out += amp * np.sin(kx * x + ky * y + phase)
    return out


def build():
    rng = np.random.RandomState(1234)
    y, x = np.mgrid[0:SIZE, 0:SIZE].astype(float)
    t = 2 * np.pi / SIZE
    hue = 0.5 + 0.3 * np.sin(x * t + 0.7) * np.cos(y * t * 2 - 0.3) + 0.2 * np.sin((x - y) * t)
    grain = periodic_noise(rng, [(kx, ky, 1.0 / (abs(kx) + abs(ky)))
                                 for kx in range(-9, 10, 3) for ky in range(-9, 10, 4)])
    grain /= np.abs(grain).max()

    # scales: 32x32 cells, odd rows shifted by half a cell (8 rows, so it wraps)
    cell = 32
    row = (y // cell).astype(int)
    xs = (x + (row % 2) * (cell // 2)) % SIZE
    col = (xs // cell).astype(int)
    u = (xs % cell) / cell - 0.5
    v = (y % cell) / cell - 0.5
    # rounded-square distance: 0 at the centre, 1 at the groove
    d = (np.abs(u) ** 4 + np.abs(v) ** 4) ** 0.25 * 2.0
    bevel = np.clip((d - 0.72) / 0.22, 0, 1)
    light = 1.0 - 0.55 * bevel * (0.5 + 1.2 * (u + v))   # lit from the top left
    light = np.where(d > 0.94, 0.18, light)               # dark groove between scales
    glow = np.exp(-((u * 3.2) ** 2 + (v * 3.2) ** 2))       # jewel in every scale
    cell_id = (row * 8 + col) % 64
    jitter = rng.uniform(-0.08, 0.08, 64)[cell_id]

    # one hue per scale, taken from the field at the scale's centre; every fourth row of
    # scales is gold, which the tunnel turns into rings running toward the viewer
    cy = (row * cell + cell // 2) % SIZE
    cx = (col * cell + cell // 2 - (row % 2) * (cell // 2)) % SIZE
    cell_hue = 0.5 + 0.55 * hue[cy, cx] + jitter
    gold = (row % 4) == 1
    h = np.where(gold, 0.11 + 0.02 * u, cell_hue + 0.04 * v) % 1.0
    s = np.clip(0.8 - 0.55 * glow + 0.06 * grain, 0, 1)
    val = np.clip(light * (0.66 + 0.12 * grain) + 0.4 * glow, 0, 1)
    rgb = np.zeros((SIZE, SIZE, 3))
    flat_h, flat_s, flat_v = h.ravel(), s.ravel(), val.ravel()
    for i in range(flat_h.size):
        rgb.reshape(-1, 3)[i] = colorsys.hsv_to_rgb(flat_h[i], flat_s[i], flat_v[i])
    img = Image.fromarray((rgb * 255 + 0.5).astype(np.uint8), 'RGB')
    q = img.quantize(colors=COLOURS, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    indices = np.array(q, dtype=np.uint8)
    pal = q.getpalette()[:COLOURS * 3]
    palette = [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    assert indices.max() < COLOURS
    return indices, palette
