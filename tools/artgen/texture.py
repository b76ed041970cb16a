"""Tunnel texture, 256x256, seamless both ways: a grid of glowing panels framed by bright
ribs with rivets where the ribs cross, coloured by a rainbow that winds diagonally.

The tunnel wraps u around the tube and v along its depth, so the ribs across u become
spokes, the ribs across v become rings, and the diagonal rainbow becomes a spiral. The
grid is 16 texels both ways and every term is periodic in 256, so the tunnel and the
warp, which wrap both coordinates, never show a seam."""
import numpy as np
from PIL import Image

SIZE = 256
COLOURS = 192  # indices stay below 0xC0, so every literal costs one byte
CELL = 16


def periodic_noise(rng, octaves):
    """Smooth noise that wraps at SIZE: random Fourier terms with integer frequencies."""
    y, x = np.mgrid[0:SIZE, 0:SIZE] / SIZE * 2 * np.pi
    out = np.zeros((SIZE, SIZE))
    for kx, ky, amp in octaves:
        phase = rng.uniform(0, 2 * np.pi)
        out += amp * np.sin(kx * x + ky * y + phase)
    return out


def hsv_to_rgb(h, s, v):
    """Vectorised HSV -> RGB, all in 0..1."""
    h = (h % 1.0) * 6.0
    i = np.floor(h).astype(int) % 6
    f = h - np.floor(h)
    p, q, t = v * (1 - s), v * (1 - s * f), v * (1 - s * (1 - f))
    r = np.choose(i, [v, q, p, p, t, v])
    g = np.choose(i, [t, v, v, q, p, p])
    b = np.choose(i, [p, p, t, v, v, q])
    return np.stack([r, g, b], -1)


def build():
    rng = np.random.RandomState(4321)
    y, x = np.mgrid[0:SIZE, 0:SIZE].astype(float)
    grain = periodic_noise(rng, [(kx, ky, 1.0 / (abs(kx) + abs(ky)))
                                 for kx in range(-12, 13, 4) for ky in range(-12, 13, 3)
                                 if kx or ky])
    grain /= np.abs(grain).max()

    # position inside the cell, -0.5..0.5 with the ribs on the cell borders
    u = (x + 0.5) % CELL / CELL - 0.5
    v = (y + 0.5) % CELL / CELL - 0.5
    col = (x // CELL).astype(int)
    row = (y // CELL).astype(int)
    edge = np.maximum(np.abs(u), np.abs(v))              # 0 centre .. 0.5 border
    rib = np.clip((edge - 0.40) / 0.06, 0, 1)            # 1 on the rib
    groove = np.exp(-((edge - 0.37) / 0.025) ** 2)       # dark cut between panel and rib
    # rivets where the ribs cross
    cu, cv = np.abs(u) - 0.5, np.abs(v) - 0.5
    rivet = np.clip(1.0 - np.hypot(cu, cv) / 0.16, 0, 1)

    # panels: a pillow lit from the upper left with a glowing core
    pillow = np.clip(1.0 - (edge / 0.37) ** 3, 0, 1)
    light = np.clip(0.55 - 0.9 * u - 0.7 * v, 0, 1) * pillow
    core = np.exp(-(u * u + v * v) / 0.02)

    # the rainbow winds once around the texture: 2 turns along v, 1 along u
    hue = (x + 2 * y) / SIZE + 0.04 * grain
    tile = rng.uniform(-0.05, 0.05, (SIZE // CELL, SIZE // CELL))[row, col]
    # every fourth ring of panels is darker, so depth reads as a rhythm
    dim = np.where(row % 4 == 0, 0.6, 1.0)

    panel_v = dim * (0.34 + 0.5 * light + 0.6 * core) * pillow + 0.05 * grain
    panel_s = np.clip(0.95 - 0.5 * core * pillow, 0, 1)
    # the ribs are rounded, brightest along the cell border, so both sides of a border match
    crest = np.clip(1.0 - (0.5 - edge) / 0.1, 0, 1)
    rib_v = 0.8 + 0.3 * crest + 0.06 * grain
    val = np.where(rib > 0, rib * rib_v + (1 - rib) * panel_v, panel_v)
    val = val * (1 - 0.85 * groove * (1 - rib))
    val = np.maximum(val, rivet ** 0.5)
    sat = np.where(rib > 0, (1 - rib) * panel_s + rib * (0.8 - 0.45 * crest), panel_s)
    sat = sat * (1 - 0.8 * rivet)
    h = np.where(rib > 0.5, hue + 0.08, hue + tile)       # warm-shifted metal on the ribs

    rgb = hsv_to_rgb(h, np.clip(sat, 0, 1), np.clip(val, 0, 1))
    img = Image.fromarray((rgb * 255 + 0.5).astype(np.uint8), 'RGB')
    q = img.quantize(colors=COLOURS, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    indices = np.array(q, dtype=np.uint8)
    pal = q.getpalette()[:COLOURS * 3]
    palette = [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    assert indices.max() < COLOURS
    return indices, palette
