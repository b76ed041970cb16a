"""Background picture, 320x200: a night over lake hills with a big moon, in flat
posterized bands so that it stays crisp and compresses into runs."""
import numpy as np
from PIL import Image, ImageDraw

WIDTH, HEIGHT = 320, 200


def lerp(c0, c1, u):
    return tuple(int(round(a + (b - a) * u)) for a, b in zip(c0, c1))


def build():
    rng = np.random.RandomState(77)
    pal = [(0, 0, 0)] * 256
    # 0..23: sky bands from deep indigo to the warm glow over the hills
    sky_top, sky_mid, sky_low = (8, 6, 30), (58, 22, 92), (196, 72, 110)
    for i in range(24):
        u = i / 23
        pal[i] = lerp(sky_top, sky_mid, u / 0.6) if u < 0.6 else lerp(sky_mid, sky_low, (u - 0.6) / 0.4)
    STAR = [24, 25, 26]
    pal[24], pal[25], pal[26] = (255, 250, 230), (170, 170, 220), (110, 100, 170)
    MOON, MOON_DARK, HALO0 = 27, 28, 29      # 29..32 halo rings
    pal[MOON], pal[MOON_DARK] = (255, 236, 190), (226, 196, 150)
    for k in range(4):
        pal[HALO0 + k] = lerp((120, 60, 130), (60, 24, 96), k / 3)
    HILL = [40, 41, 42, 43]
    pal[40], pal[41], pal[42], pal[43] = (92, 40, 110), (60, 26, 84), (34, 16, 56), (14, 8, 26)
    WATER0 = 50  # 50..57 water bands
    for k in range(8):
        pal[WATER0 + k] = lerp((40, 20, 70), (10, 6, 24), k / 7)
    GLINT = 58
    pal[GLINT] = (250, 210, 160)
    BRANCH, LEAF, OWL, EYE = 60, 61, 62, 63
    pal[BRANCH], pal[LEAF], pal[OWL], pal[EYE] = (6, 4, 12), (10, 8, 20), (4, 3, 9), (255, 200, 40)

    horizon = 128
    img = Image.new('P', (WIDTH, HEIGHT))
    img.putpalette([c for rgb in pal for c in rgb])
    a = np.zeros((HEIGHT, WIDTH), np.uint8)
    for y in range(horizon):
        a[y, :] = min(23, y * 24 // horizon)
    for _ in range(140):
        sx, sy = rng.randint(0, WIDTH), rng.randint(0, horizon - 30)
        a[sy, sx] = STAR[rng.randint(0, 3)] if rng.rand() < 0.8 else STAR[0]
    img.putdata(a.ravel().tolist())
    d = ImageDraw.Draw(img)
    mx, my = 226, 52
    for k, r in enumerate((44, 38, 33, 29)):
        d.ellipse((mx - r, my - r, mx + r, my + r), fill=HALO0 + 3 - k)
    d.ellipse((mx - 24, my - 24, mx + 24, my + 24), fill=MOON)
    for cx, cy, r in ((-8, -6, 6), (7, 5, 8), (-4, 12, 4), (10, -12, 3)):
        d.ellipse((mx + cx - r, my + cy - r, mx + cx + r, my + cy + r), fill=MOON_DARK)

    # hill layers: far ones lighter, each a sum of slow sines
    xs = np.arange(WIDTH)
    for layer, (base, amp, seed) in enumerate(((100, 22, 1), (112, 16, 2), (122, 12, 3))):
        r = np.random.RandomState(seed)
        prof = base - amp * (0.6 * np.sin(xs / 41.0 + r.rand() * 6) + 0.4 * np.sin(xs / 17.0 + r.rand() * 6))
        pts = [(int(x), int(v)) for x, v in zip(xs, prof)] + [(WIDTH - 1, horizon), (0, horizon)]
        d.polygon(pts, fill=HILL[layer])
    # pines on the nearest ridge
    for px in range(4, WIDTH, 11):
        h = 10 + (px * 7) % 9
        base = 127
        d.polygon([(px - 4, base), (px, base - h), (px + 4, base)], fill=HILL[3])
    # lake: bands darkening toward the viewer, with the moon's path of glints
    for y in range(horizon, HEIGHT):
        band = min(7, (y - horizon) * 8 // (HEIGHT - horizon))
        d.line([(0, y), (WIDTH - 1, y)], fill=WATER0 + band)
    for y in range(horizon + 2, HEIGHT, 3):
        spread = 6 + (y - horizon) // 2
        for _ in range(2):
            gx = mx + rng.randint(-spread, spread + 1)
            gw = rng.randint(2, 7)
            d.line([(gx, y), (gx + gw, y)], fill=GLINT if rng.rand() < 0.7 else STAR[1])

    # a branch from the left with an owl silhouette
    d.line([(0, 150), (60, 140), (118, 146)], fill=BRANCH, width=5)
    d.line([(60, 140), (86, 126)], fill=BRANCH, width=3)
    for lx, ly in ((86, 124), (96, 150), (40, 140), (110, 143)):
        d.ellipse((lx - 5, ly - 3, lx + 5, ly + 3), fill=LEAF)
    ox, oy = 70, 138
    d.ellipse((ox - 11, oy - 30, ox + 11, oy + 2), fill=OWL)
    d.ellipse((ox - 10, oy - 40, ox + 10, oy - 20), fill=OWL)
    d.polygon([(ox - 10, oy - 36), (ox - 8, oy - 46), (ox - 4, oy - 38)], fill=OWL)
    d.polygon([(ox + 10, oy - 36), (ox + 8, oy - 46), (ox + 4, oy - 38)], fill=OWL)
    for ex in (ox - 5, ox + 4):
        d.rectangle((ex, oy - 32, ex + 1, oy - 31), fill=EYE)
    return np.array(img, dtype=np.uint8), pal
