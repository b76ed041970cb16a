"""The 24 animation frames, 320x180: "kelmo", a chalk-drawn runner in a beanie with a
long scarf, on a dark ground. Frames 1-19 are one stride cycle that loops; frames 20-24
carry the same stride on into a leap. Lines boil a little from frame to frame, as
hand-drawn animation does."""
import math

import numpy as np
from PIL import Image, ImageDraw

WIDTH, HEIGHT = 320, 180
LOOP = 19
COUNT = 24
SS = 3  # supersampling of the strokes

GROUND = (10, 9, 22)
INKS = [('chalk', (250, 246, 226)), ('scarf', (255, 96, 64)), ('hat', (80, 220, 255)),
        ('stripe', (255, 220, 60)), ('dust', (150, 140, 190))]
LEVELS = 12  # shades from the ground up to each ink


def palette():
    pal = [GROUND]
    for _, ink in INKS:
        for k in range(1, LEVELS + 1):
            u = k / LEVELS
            pal.append(tuple(int(round(g + (c - g) * u)) for g, c in zip(GROUND, ink)))
    pal += [(0, 0, 0)] * (256 - len(pal))
    return pal


class Pen:
    """Wobbly supersampled strokes; the wobble is seeded per frame."""

    def __init__(self, layers, rng):
        self.layers = layers
        self.rng = rng

    def _jit(self, p, amount=0.9):
        return ((p[0] + self.rng.normal(0, amount)) * SS, (p[1] + self.rng.normal(0, amount)) * SS)

    def line(self, ink, pts, width):
        d = self.layers[ink]
        # split every segment so that the wobble bends the line, not just its ends
        dense = []
        for a, b in zip(pts, pts[1:]):
            n = max(1, int(math.hypot(b[0] - a[0], b[1] - a[1]) / 7))
            for k in range(n):
                u = k / n
                dense.append((a[0] + (b[0] - a[0]) * u, a[1] + (b[1] - a[1]) * u))
        dense.append(pts[-1])
        j = [self._jit(p, 0.5) for p in dense]
        wv = width * SS * (0.85 + 0.3 * self.rng.rand())
        d.line(j, fill=255, width=int(wv), joint='curve')
        for p in (j[0], j[-1]):
            r = wv / 2
            d.ellipse((p[0] - r, p[1] - r, p[0] + r, p[1] + r), fill=255)

    def circle(self, ink, cx, cy, r, width, fill=False):
        pts = []
        start = self.rng.uniform(0, 2 * math.pi)
        for k in range(26):
            a = start + 2 * math.pi * k / 24  # overshoots a little, like a quick hand
            rr = r + self.rng.normal(0, 0.5)
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        if fill:
            self.layers[ink].polygon([(x * SS, y * SS) for x, y in pts], fill=255)
        self.line(ink, pts, width)


def limb(origin, a1, l1, a2, l2):
    """Two-bone limb: angles from straight down, positive toward +x (running direction)."""
    k = (origin[0] + l1 * math.sin(a1), origin[1] + l1 * math.cos(a1))
    e = (k[0] + l2 * math.sin(a2), k[1] + l2 * math.cos(a2))
    return [origin, k, e]


def draw_frame(n):
    """Coverage layers of frame n (0-based) -> indexed picture."""
    rng = np.random.RandomState(1000 + n)
    phi = 2 * math.pi * n / LOOP
    leap = max(0, n - (LOOP - 1))                 # 0 in the loop, 1..5 after it
    size = (WIDTH * SS, HEIGHT * SS)
    imgs = {name: Image.new('L', size) for name, _ in INKS}
    pen = Pen({k: ImageDraw.Draw(v) for k, v in imgs.items()}, rng)

    ground_y = 166
    lift = (0, 4, 8, 11, 12, 12)[leap]
    tuck = 0.22 * leap                            # knees come up in the leap
    bob = 3.5 * math.cos(2 * phi) + lift
    hip = (152, ground_y - 70 - bob)
    lean = 0.2 + 0.03 * leap
    neck = (hip[0] + 44 * math.sin(lean), hip[1] - 44 * math.cos(lean))
    head = (neck[0] + 8, neck[1] - 17)

    # far sky: a crescent and stars that stay put and twinkle
    outer = [(268 + 12 * math.cos(a), 30 + 12 * math.sin(a))
             for a in np.linspace(math.radians(-110), math.radians(110), 12)]
    inner = [(262 + 10 * math.cos(a), 30 + 11 * math.sin(a))
             for a in np.linspace(math.radians(80), math.radians(-80), 10)]
    pen.line('stripe', outer + inner + [outer[0]], 1.6)
    star_rng = np.random.RandomState(7)
    for k in range(14):
        sx, sy = star_rng.uniform(10, 310), star_rng.uniform(8, 90)
        if abs(sx - head[0]) < 40 and sy > 20:
            continue
        r = 2.0 + 1.3 * math.sin(phi * (1 + k % 3) + k)
        if r > 1.2:
            pen.line('stripe' if k % 4 == 0 else 'dust', [(sx - r, sy), (sx + r, sy)], 1.2)
            pen.line('stripe' if k % 4 == 0 else 'dust', [(sx, sy - r), (sx, sy + r)], 1.2)

    # ground: a line with dashes sliding left, three dash spacings per loop
    spacing = 38
    shift = (n * spacing * 3 / LOOP) % spacing
    pen.line('chalk', [(6, ground_y + 4), (314, ground_y + 3)], 1.8)
    x = 330 - shift
    while x > 0:
        pen.line('dust', [(x, ground_y + 10), (x - 14, ground_y + 10)], 1.4)
        x -= spacing
    # speed lines behind the runner
    for k, yy in enumerate((hip[1] - 36, hip[1] - 14, hip[1] + 10)):
        length = 34 + 12 * math.sin(phi * 2 + k * 2.1)
        x0 = hip[0] - 44 - 8 * k
        pen.line('dust', [(x0, yy), (x0 - length, yy)], 1.6)

    # legs: far leg first, both in antiphase
    for side, ph in ((0, phi + math.pi), (1, phi)):
        swing = 0.75 * math.sin(ph) + 0.1 + 0.3 * tuck
        bend = 0.25 + 1.1 * max(0.0, math.sin(ph - math.pi / 2 - 0.6)) ** 1.4 + tuck
        pts = limb(hip, swing, 38, swing - bend, 38)
        foot = pts[-1]
        toe = (foot[0] + 11, foot[1] - 1)
        pen.line('chalk', pts + [toe], 4.4 if side else 3.4)
    # torso
    pen.line('chalk', [hip, ((hip[0] + neck[0]) / 2 + 3, (hip[1] + neck[1]) / 2), neck], 4.8)
    # arms counter-swing, thrown up in the leap
    shoulder = (neck[0] - 2, neck[1] + 6)
    for side, ph in ((0, phi), (1, phi + math.pi)):
        swing = 0.9 * math.sin(ph) * (1 - leap / 6) + 0.55 * leap
        pts = limb(shoulder, -swing + lean, 26, -swing + lean - 1.5 + 0.15 * leap, 24)
        pen.line('chalk', pts, 4.0 if side else 3.2)
        pen.circle('chalk', pts[-1][0], pts[-1][1], 3.0, 2.0, fill=True)
    # head, face and beanie
    pen.circle('chalk', head[0], head[1], 14, 3.2)
    pen.circle('chalk', head[0] + 6, head[1] - 2, 1.8, 1.8, fill=True)
    pen.line('chalk', [(head[0] + 2, head[1] + 6), (head[0] + 8, head[1] + 9), (head[0] + 13, head[1] + 5)], 2.0)
    pen.line('hat', [(head[0] - 15, head[1] - 4), (head[0] - 9, head[1] - 18), (head[0] + 4, head[1] - 21),
                     (head[0] + 14, head[1] - 8)], 3.6)
    pen.line('stripe', [(head[0] - 15, head[1] - 5), (head[0] + 14, head[1] - 8)], 3.6)
    tip = (head[0] - 11 - 4 * math.sin(phi * 2), head[1] - 25 + 2 * math.cos(phi * 2))
    pen.line('hat', [(head[0] - 2, head[1] - 20), tip], 2.6)
    pen.circle('stripe', tip[0], tip[1], 3.8, 2.2, fill=True)
    # scarf streaming back, a travelling wave that closes over one loop
    scarf = []
    for k in range(9):
        u = k / 8
        scarf.append((neck[0] - 4 - 78 * u,
                      neck[1] + 5 + 12 * u * u + 8 * u * math.sin(2 * phi - 7.2 * u)))
    pen.line('scarf', scarf, 6.5)
    for k in (3, 5, 7):
        p, q = scarf[k], scarf[k + 1]
        pen.line('stripe', [p, ((p[0] + q[0]) / 2, (p[1] + q[1]) / 2)], 4.0)
    # dust puffs where a foot strikes
    for side, ph in ((0, phi + math.pi), (1, phi)):
        s = math.sin(ph - 0.3)
        if abs(s) < 0.35 and math.cos(ph - 0.3) < 0 and not leap:
            px = hip[0] - 22 - 22 * (1 - abs(s) / 0.35)
            r = 2 + 4 * (1 - abs(s) / 0.35)
            for dx, dy, f in ((0, 0, 1.0), (-1.6, -0.6, 0.7), (1.5, -0.9, 0.6)):
                pen.circle('dust', px + dx * r, ground_y - 1 + dy * r, r * f, 1.3)

    # resolve layers: later inks win, levels from coverage
    out = np.zeros((HEIGHT, WIDTH), np.uint8)
    best = np.zeros((HEIGHT, WIDTH))
    # chalk on a rough board: strokes lose a little here and there, differently every frame
    grain = 1.0 - 0.35 * rng.rand(HEIGHT, WIDTH) ** 3
    order = ['dust', 'chalk', 'scarf', 'hat', 'stripe']
    for name in order:
        k = [i for i, (nm, _) in enumerate(INKS) if nm == name][0]
        cov = np.array(imgs[name].resize((WIDTH, HEIGHT), Image.BOX), dtype=float) / 255.0 * grain
        level = np.round(cov * LEVELS).astype(int)
        take = (level > 0) & (cov >= best * 0.8)
        out[take] = 1 + k * LEVELS + level[take] - 1
        best = np.maximum(best, cov)
    return out


def build(n):
    """Frame n (1-based, 1..24): (indices 180x320, palette)."""
    return draw_frame(n - 1), palette()
