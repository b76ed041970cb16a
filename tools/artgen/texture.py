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
    # each scale is a cushion: a rounded-square dome, lit from the top left
    d = (np.abs(u) ** 4 + np.abs(v) ** 4) ** 0.25 * 2.0   # 0 centre .. 1 groove
    height = np.clip(1.0 - d ** 5, 0, 1) * 6.0 + np.clip(1.0 - d * d, 0, 1) * 9.0
    gy = np.gradient(height, axis=0)
    gx = np.gradient(height, axis=1)
    # the gradient across a groove mixes two scales; the groove is drawn dark anyway
    nz = 1.0 / np.sqrt(gx * gx + gy * gy + 1.0)
    lx, ly, lz = -0.5, -0.6, 0.62
    diffuse = np.clip((-gx * lx - gy * ly + lz) * nz / np.sqrt(lx * lx + ly * ly + lz * lz), 0, 1)
    spec = np.clip(diffuse, 0, 1) ** 24
    groove = d > 0.95
    cell_id = (row * 8 + col) % 64
    jitter = rng.uniform(-0.08, 0.08, 64)[cell_id]

    # one hue per scale, taken from the field at the scale's centre; every fourth row of
    # scales is gold, which the tunnel turns into rings running toward the viewer
    cy = (row * cell + cell // 2) % SIZE
    cx = (col * cell + cell // 2 - (row % 2) * (cell // 2)) % SIZE
    cell_hue = 0.5 + 0.55 * hue[cy, cx] + jitter
    gold = (row % 4) == 1
    h = np.where(gold, 0.11 + 0.02 * u, cell_hue + 0.04 * v) % 1.0
    s = np.clip(0.85 - 0.7 * spec + 0.06 * grain, 0, 1)
    val = np.clip(0.12 + 0.8 * diffuse + 0.1 * grain + 0.3 * spec, 0, 1)
    val = np.where(groove, 0.1, val)
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
