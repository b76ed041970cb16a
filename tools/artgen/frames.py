"""The 24 animation frames, 320x180: "kelmo", a chalk-drawn runner in a beanie, a jacket
and a long scarf, under a big crescent moon in a pale dusk sky over a pale floor. Frames
1-19 are one stride cycle that loops; frames 20-24 carry the same stride on into a leap.
Lines boil a little from frame to frame, as hand-drawn animation does.

The opening scene shows these pictures into a blur trail and multiplies the result by a
moving light that leaves much of the screen dark at any moment, and the screen can be no
brighter than the picture under it: so the sky and the floor are near white, tinted only a
little toward dusk, and the runner is drawn large in bold, light colours inside dark outlines
that stay readable after the smear. The scenery's marks have no outlines."""
import math

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

WIDTH, HEIGHT = 320, 180
LOOP = 19
COUNT = 24
SS = 3  # supersampling of the strokes
# the runner's hip column: left of centre, where the opening's light falls most often
RUNNER_X = 86

SKY_TOP = (254, 250, 255)    # a pale sky, brightest at the top, where the light falls most
HORIZON = (255, 234, 208)   # warming to a peach glow at the ground line
SKY = 10                    # sky shades, one per band of rows
FLOOR_TOP = (255, 242, 214)  # the lit floor below the ground line
FLOOR_BOTTOM = (255, 248, 232)
FLOOR = 3
OUTLINE_RGB = (36, 20, 58)  # the figure's outlines, eyes and grin
OUTLINE = SKY + FLOOR       # its palette index
INK0 = OUTLINE + 1          # first ink shade
# name, body colour (mid ramp), core colour (top of the ramp)
INKS = [('chalk', (255, 110, 180), (255, 206, 228)),
        ('far', (80, 160, 255), (200, 238, 255)),
        ('jacket', (215, 80, 245), (252, 170, 255)),
        ('skin', (245, 150, 90), (255, 226, 190)),
        ('scarf', (250, 55, 30), (255, 190, 70)),
        ('hat', (40, 180, 255), (170, 250, 255)),
        ('stripe', (245, 170, 0), (255, 250, 150)),
        ('moon', (255, 205, 70), (255, 250, 200)),
        ('dust', (150, 110, 230), (225, 215, 255)),
        ('earth', (232, 165, 125), (255, 225, 190)),
        ('hatch', (255, 140, 255), (255, 225, 255))]
# inks drawn without an outline: the scenery's marks stay light, only the figure and the moon
# carry the dark lines
SOFT = ('hatch', 'dust', 'earth')
LEVELS = 16  # shades from the outline up to each ink's core
BODY_AT = 0.45  # ramp position of the pure body colour; above it the ink whitens to its core
EDGE = 0.5  # a stroke's edge starts halfway from the outline to its body colour


def _mix(a, b, w):
    return [x + (y - x) * w for x, y in zip(a, b)]


def palette():
    pal = [_mix(SKY_TOP, HORIZON, (k / (SKY - 1)) ** 1.3) for k in range(SKY)]
    pal += [_mix(FLOOR_TOP, FLOOR_BOTTOM, k / (FLOOR - 1)) for k in range(FLOOR)]
    pal.append(OUTLINE_RGB)
    for _, body, core in INKS:
        for k in range(1, LEVELS + 1):
            u = k / LEVELS
            if u <= BODY_AT:
                pal.append(_mix(_mix(OUTLINE_RGB, body, EDGE), body, (u / BODY_AT) ** 0.7))
            else:
                pal.append(_mix(body, core, (u - BODY_AT) / (1 - BODY_AT)))
    pal = [tuple(int(round(v)) for v in rgb) for rgb in pal]
    assert len(pal) < 0xC0  # literals stay one byte
    pal += [(0, 0, 0)] * (256 - len(pal))
    return pal


class Pen:
    """Wobbly supersampled strokes; the wobble is seeded per frame."""

    def __init__(self, layers, rng):
        self.layers = layers
        self.rng = rng

    def _jit(self, p, amount):
        return ((p[0] + self.rng.normal(0, amount)) * SS, (p[1] + self.rng.normal(0, amount)) * SS)

    def line(self, ink, pts, width, wobble=0.5):
        d = self.layers[ink]
        # split every segment so that the wobble bends the line, not just its ends
        dense = []
        for a, b in zip(pts, pts[1:]):
            n = max(1, int(math.hypot(b[0] - a[0], b[1] - a[1]) / 8))
            for k in range(n):
                u = k / n
                dense.append((a[0] + (b[0] - a[0]) * u, a[1] + (b[1] - a[1]) * u))
        dense.append(pts[-1])
        j = [self._jit(p, wobble) for p in dense]
        wv = width * SS * (0.9 + 0.2 * self.rng.rand())
        d.line(j, fill=255, width=int(wv), joint='curve')
        for p in (j[0], j[-1]):
            r = wv / 2
            d.ellipse((p[0] - r, p[1] - r, p[0] + r, p[1] + r), fill=255)

    def blob(self, ink, pts):
        """Filled shape with a slightly shaky outline."""
        self.layers[ink].polygon([self._jit(p, 0.4) for p in pts], fill=255)

    def disc(self, ink, cx, cy, r):
        self.layers[ink].ellipse(((cx - r) * SS, (cy - r) * SS, (cx + r) * SS, (cy + r) * SS),
                                 fill=255)

    def circle(self, ink, cx, cy, r, width):
        pts = []
        start = self.rng.uniform(0, 2 * math.pi)
        for k in range(27):
            a = start + 2 * math.pi * k / 24  # overshoots a little, like a quick hand
            rr = r + self.rng.normal(0, 0.4)
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        self.line(ink, pts, width, 0.3)


def limb(origin, a1, l1, a2, l2):
    """Two-bone limb: angles from straight down, positive toward +x (running direction)."""
    k = (origin[0] + l1 * math.sin(a1), origin[1] + l1 * math.cos(a1))
    e = (k[0] + l2 * math.sin(a2), k[1] + l2 * math.cos(a2))
    return [origin, k, e]


def _blur(a, sigma):
    img = Image.fromarray(np.clip(a * 255.0, 0, 255).astype(np.uint8), 'L')
    return np.array(img.filter(ImageFilter.GaussianBlur(sigma)), dtype=float) / 255.0


def draw_frame(n):
    """Coverage layers of frame n (0-based) -> indexed picture."""
    rng = np.random.RandomState(2000 + n)
    phi = 2 * math.pi * n / LOOP
    leap = max(0, n - (LOOP - 1))                 # 0 in the loop, 1..5 after it
    size = (WIDTH * SS, HEIGHT * SS)
    imgs = {name: Image.new('L', size) for name, _, _ in INKS}
    pen = Pen({k: ImageDraw.Draw(v) for k, v in imgs.items()}, rng)
    eyes = Image.new('L', size)
    eye_pen = ImageDraw.Draw(eyes)

    ground_y = 171
    lift = (0, 2, 4, 5, 6, 6)[leap]
    tuck = 0.22 * leap                            # knees come up in the leap
    bob = 4.0 * math.cos(2 * phi) + lift
    hip = (RUNNER_X, ground_y - 69 - bob)
    lean = 0.2 + 0.03 * leap
    neck = (hip[0] + 43 * math.sin(lean), hip[1] - 43 * math.cos(lean))
    head = (neck[0] + 9, neck[1] - 19)

    # a big crescent moon that stays put, with twinkling stars
    mx, my, mr = 262, 50, 38
    pen.disc('moon', mx, my, mr)
    star_rng = np.random.RandomState(7)
    for k in range(18):
        sx, sy = star_rng.uniform(12, 308), star_rng.uniform(8, 90)
        if abs(sx - 108) < 50 or math.hypot(sx - mx, sy - my) < mr + 14:
            continue
        r = 3.0 + 1.8 * math.sin(phi * (1 + k % 3) + k)
        if r > 1.5:
            pen.line('dust', [(sx - r, sy), (sx + r, sy)], 2.2, 0.2)
            pen.line('dust', [(sx, sy - r), (sx, sy + r)], 2.2, 0.2)

    # ground: a thick line with dashes sliding left, three dash spacings per loop
    spacing = 40
    shift = (n * spacing * 3 / LOOP) % spacing
    pen.line('earth', [(4, ground_y + 3), (316, ground_y + 2)], 4.0, 0.3)
    x = 340 - shift
    while x > -10:
        pen.line('earth', [(x, ground_y + 8), (x - 16, ground_y + 8)], 3.0, 0.2)
        x -= spacing
    # speed lines behind the runner
    for k, yy in enumerate((hip[1] - 40, hip[1] - 14, hip[1] + 14)):
        length = 30 + 10 * math.sin(phi * 2 + k * 2.1)
        x0 = hip[0] - 48 - 8 * k
        pen.line('dust', [(x0, yy), (x0 - length, yy)], 3.4, 0.3)

    # legs and arms: the far side in blue, the near side in pink chalk
    legs = []
    for side, ph in ((0, phi + math.pi), (1, phi)):
        swing = 0.75 * math.sin(ph) + 0.1 + 0.3 * tuck
        bend = 0.25 + 1.1 * max(0.0, math.sin(ph - math.pi / 2 - 0.6)) ** 1.4 + tuck
        pts = limb(hip, swing, 38, swing - bend, 38)
        foot = pts[-1]
        legs.append(pts + [(foot[0] + 13, foot[1] - 1)])
    shoulder = (neck[0] - 2, neck[1] + 7)
    arms = []
    for side, ph in ((0, phi), (1, phi + math.pi)):
        swing = 0.9 * math.sin(ph) * (1 - leap / 6) + 0.55 * leap
        arms.append(limb(shoulder, -swing + lean, 27, -swing + lean - 1.5 + 0.15 * leap, 25))
    pen.line('far', legs[0], 13.0)
    pen.line('far', arms[0], 11.5)
    pen.disc('far', arms[0][-1][0], arms[0][-1][1], 6.5)
    pen.line('chalk', legs[1], 14.0)
    # torso: a jacket with a chalk outline
    mid = ((hip[0] + neck[0]) / 2 + 3, (hip[1] + neck[1]) / 2)
    pen.line('chalk', [hip, mid, neck], 32, 0.3)
    pen.line('jacket', [hip, mid, neck], 25, 0.3)
    # quick chalk hatching across the jacket, redrawn every frame
    ax, ay = neck[0] - hip[0], neck[1] - hip[1]
    for k in range(4):
        f = 0.2 + 0.2 * k + rng.uniform(-0.04, 0.04)
        cx, cy = hip[0] + ax * f, hip[1] + ay * f
        pen.line('hatch', [(cx - 4, cy + 2), (cx + 4, cy - 3)], 2.2, 0.3)
    # scarf streaming back, a travelling wave that closes over one loop
    scarf = []
    for k in range(9):
        u = k / 8
        scarf.append((neck[0] - 4 - 86 * u,
                      neck[1] + 4 + 14 * u * u + 10 * u * math.sin(2 * phi - 7.2 * u)))
    pen.line('scarf', scarf, 14)
    for k in (2, 4, 6):
        p, q = scarf[k], scarf[k + 1]
        pen.line('stripe', [p, ((p[0] + q[0]) / 2, (p[1] + q[1]) / 2)], 7, 0.2)
    # near arm over the scarf and jacket
    pen.line('chalk', arms[1], 12.5)
    pen.disc('chalk', arms[1][-1][0], arms[1][-1][1], 7.0)
    # head: a filled face with a chalk rim, an eye and a grin
    pen.disc('skin', head[0], head[1], 16)
    pen.circle('chalk', head[0], head[1], 17, 5.0)
    ex, ey = head[0] + 7, head[1] - 2
    eye_pen.ellipse(((ex - 2.6) * SS, (ey - 3.2) * SS, (ex + 2.6) * SS, (ey + 3.2) * SS), fill=255)
    mouth = [(head[0] + 2, head[1] + 7), (head[0] + 8, head[1] + 10), (head[0] + 13, head[1] + 5)]
    eye_pen.line([(x * SS, y * SS) for x, y in mouth], fill=255, width=int(2.2 * SS), joint='curve')
    # beanie: a filled cap with a gold band and a bobbing pompom
    cap = [(head[0] - 17, head[1] - 3), (head[0] - 13, head[1] - 17), (head[0] - 2, head[1] - 24),
           (head[0] + 9, head[1] - 21), (head[0] + 16, head[1] - 8), (head[0] + 17, head[1] - 6)]
    pen.blob('hat', cap)
    pen.line('stripe', [(head[0] - 17, head[1] - 4), (head[0] + 17, head[1] - 7)], 5.5, 0.3)
    tip = (head[0] - 13 - 4 * math.sin(phi * 2), head[1] - 29 + 2 * math.cos(phi * 2))
    pen.line('hat', [(head[0] - 3, head[1] - 22), tip], 4.0)
    pen.disc('stripe', tip[0], tip[1], 5.0)
    # dust puffs where a foot strikes
    for side, ph in ((0, phi + math.pi), (1, phi)):
        s = math.sin(ph - 0.3)
        if abs(s) < 0.35 and math.cos(ph - 0.3) < 0 and not leap:
            px = hip[0] - 24 - 24 * (1 - abs(s) / 0.35)
            r = 2.5 + 4.5 * (1 - abs(s) / 0.35)
            for dx, dy, f in ((0, 0, 1.0), (-1.6, -0.6, 0.7), (1.5, -0.9, 0.6)):
                pen.circle('dust', px + dx * r, ground_y - 2 + dy * r, r * f, 2.6)

    # resolve layers in painting order: each ink's dark outline, then its body on top, so a
    # later part is outlined where it crosses an earlier one
    band = np.clip(np.arange(HEIGHT) * SKY // (ground_y + 2), 0, SKY - 1)
    floor_rows = HEIGHT - (ground_y + 4)
    band[ground_y + 4:] = SKY + np.arange(floor_rows) * FLOOR // floor_rows
    out = np.repeat(band.astype(np.uint8)[:, None], WIDTH, 1)
    order = ['moon', 'dust', 'earth', 'far', 'chalk', 'jacket', 'hatch', 'scarf', 'stripe',
             'skin', 'hat']
    for name in order:
        k = [i for i, (nm, _, _) in enumerate(INKS) if nm == name][0]
        cov = np.array(imgs[name].resize((WIDTH, HEIGHT), Image.BOX), dtype=float) / 255.0
        if name == 'moon':
            # carve the crescent out of the disc: the dark part stays sky
            yy, xx = np.mgrid[0:HEIGHT, 0:WIDTH]
            bite = np.clip((mr - 1 - np.hypot(xx - (mx - 15), yy - (my - 8))) / 1.5, 0, 1)
            cov = cov * (1 - bite)
        body = _blur(cov, 0.6)
        if name not in SOFT:
            out[_blur(cov, 1.5) > 0.12] = OUTLINE
        # the body fills its stroke with few shades (long runs), whitening in the middle
        level = np.round(np.clip(body * 1.25, 0, 1) * LEVELS).astype(int)
        level = np.where(level < LEVELS - 4, level // 3 * 3, level)
        take = level >= 3
        out[take] = INK0 + k * LEVELS + level[take] - 1
    eye = np.array(eyes.resize((WIDTH, HEIGHT), Image.BOX)) > 110
    out[eye] = OUTLINE
    return out


def build(n):
    """Frame n (1-based, 1..24): (indices 180x320, palette)."""
    return draw_frame(n - 1), palette()
