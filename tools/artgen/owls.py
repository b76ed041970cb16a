"""Three owl sprites on flat key colours (the key is the top-left pixel and index 0).

Drawn without anti-aliasing, straight into palette indices, so no pixel of the owl blends
toward the key: the demo keys the background out exactly.
  owl1 156x180: a tawny owl perched on a branch, wide awake.
  owl2 166x168: a snowy owl swooping with spread wings, fierce.
  owl3 133x194: a tall violet long-eared owl in a scarf, winking.
"""
import numpy as np
from PIL import Image, ImageDraw


class Canvas:
    """Indexed drawing surface with named colours; index 0 is the key."""

    def __init__(self, width, height, key, colours):
        self.names = {}
        self.pal = [(0, 0, 0)] * 256
        self.pal[0] = key
        for i, (name, rgb) in enumerate(colours, start=1):
            assert rgb != key
            self.names[name] = i
            self.pal[i] = rgb
        self.img = Image.new('P', (width, height), 0)
        self.d = ImageDraw.Draw(self.img)

    def __getitem__(self, name):
        return self.names[name]

    def ellipse(self, cx, cy, rx, ry, fill, outline=None, width=2):
        self.d.ellipse((cx - rx, cy - ry, cx + rx, cy + ry), fill=self[fill],
                       outline=None if outline is None else self[outline], width=width)

    def poly(self, pts, fill, outline=None, width=2):
        self.d.polygon([tuple(map(int, p)) for p in pts], fill=self[fill])
        if outline is not None:
            self.d.line([tuple(map(int, p)) for p in pts + [pts[0]]], fill=self[outline],
                        width=width, joint='curve')

    def line(self, pts, fill, width=2):
        self.d.line([tuple(map(int, p)) for p in pts], fill=self[fill], width=width, joint='curve')

    def arc(self, cx, cy, rx, ry, start, end, fill, width=2):
        self.d.arc((cx - rx, cy - ry, cx + rx, cy + ry), start, end, fill=self[fill], width=width)

    def result(self):
        """(indices, palette); pockets of key colour shut inside the owl become ink, so the
        key only ever marks the open background."""
        a = np.array(self.img, dtype=np.uint8)
        key = a == 0
        h, w = a.shape
        outside = np.zeros_like(key)
        stack = [(y, x) for y in range(h) for x in (0, w - 1)]
        stack += [(y, x) for x in range(w) for y in (0, h - 1)]
        while stack:
            y, x = stack.pop()
            if 0 <= y < h and 0 <= x < w and key[y, x] and not outside[y, x]:
                outside[y, x] = True
                stack += [(y - 1, x), (y + 1, x), (y, x - 1), (y, x + 1)]
        a[key & ~outside] = self['ink']
        return a, self.pal


def eye(c, cx, cy, r, iris, pupil_dx=0, pupil_dy=0):
    c.ellipse(cx, cy, r, r, 'ink', None)
    c.ellipse(cx, cy, r - 2, r - 2, iris, None)
    c.ellipse(cx + pupil_dx, cy + pupil_dy, r * 0.5, r * 0.5, 'ink', None)
    c.ellipse(cx + pupil_dx - r * 0.22, cy + pupil_dy - r * 0.25, r * 0.16, r * 0.16, 'glint', None)


def owl1():
    w, h = 156, 180
    c = Canvas(w, h, (255, 0, 255), [
        ('ink', (34, 20, 14)), ('body', (150, 92, 48)), ('body_dark', (112, 64, 32)),
        ('belly', (226, 186, 128)), ('belly_dark', (196, 150, 96)), ('mark', (120, 70, 36)),
        ('disc', (236, 210, 166)), ('disc_rim', (170, 104, 56)), ('iris', (255, 150, 20)),
        ('glint', (255, 255, 240)), ('beak', (236, 200, 96)), ('wing', (124, 74, 38)),
        ('wing_bar', (196, 150, 96)), ('branch', (96, 70, 52)), ('branch_dark', (62, 44, 34)),
        ('leaf', (90, 170, 70)), ('leaf_dark', (52, 116, 48)), ('talon', (250, 196, 60)),
        ('tuft', (120, 70, 36))])
    cx = 78
    # branch under everything but the feet
    c.poly([(0, 150), (w - 1, 143), (w - 1, 158), (0, 166)], 'branch', 'branch_dark')
    for bx in range(10, w, 26):
        c.line([(bx, 156), (bx + 12, 154)], 'branch_dark', 2)
    c.poly([(124, 148), (150, 126), (154, 130), (132, 150)], 'branch', 'branch_dark')
    c.ellipse(146, 122, 9, 5, 'leaf', 'leaf_dark')
    c.ellipse(18, 140, 10, 5, 'leaf', 'leaf_dark')
    # ear tufts
    c.poly([(cx - 44, 44), (cx - 50, 6), (cx - 24, 30)], 'tuft', 'ink')
    c.poly([(cx + 44, 44), (cx + 50, 6), (cx + 24, 30)], 'tuft', 'ink')
    # body and head
    c.ellipse(cx, 104, 50, 52, 'body', 'ink', 3)
    c.ellipse(cx, 56, 50, 40, 'body', 'ink', 3)
    c.ellipse(cx, 104, 46, 48, 'body', None)
    c.ellipse(cx + 8, 112, 40, 40, 'body_dark', None)
    c.ellipse(cx, 110, 30, 38, 'belly', None)
    c.ellipse(cx + 6, 118, 24, 30, 'belly_dark', None)
    for ry, n in ((86, 3), (100, 4), (114, 4), (128, 3)):
        for k in range(n):
            mx = cx + (k - (n - 1) / 2) * 13
            c.line([(mx - 4, ry), (mx, ry + 4), (mx + 4, ry)], 'mark', 2)
    # wings
    for side in (-1, 1):
        wx = cx + side * 40
        c.poly([(wx - side * 4, 70), (wx + side * 14, 92), (wx + side * 10, 140), (wx - side * 6, 146),
                (wx - side * 14, 110)], 'wing', 'ink')
        for by in (94, 108, 122):
            c.line([(wx - side * 8, by), (wx + side * 8, by + 4)], 'wing_bar', 2)
    # facial discs and eyes
    c.ellipse(cx - 21, 58, 24, 24, 'disc', 'disc_rim', 3)
    c.ellipse(cx + 21, 58, 24, 24, 'disc', 'disc_rim', 3)
    eye(c, cx - 21, 58, 15, 'iris', 2, 1)
    eye(c, cx + 21, 58, 15, 'iris', -2, 1)
    c.line([(cx - 40, 36), (cx - 8, 44)], 'ink', 3)
    c.line([(cx + 40, 36), (cx + 8, 44)], 'ink', 3)
    c.poly([(cx - 6, 70), (cx + 6, 70), (cx, 86)], 'beak', 'ink')
    # talons gripping the branch
    for fx in (cx - 18, cx + 18):
        for k in (-6, 0, 6):
            c.line([(fx + k, 146), (fx + k * 1.3, 154)], 'talon', 4)
            c.line([(fx + k * 1.3, 154), (fx + k * 1.3 - 1, 157)], 'ink', 2)
    return c.result()


def feather(c, p0, p1, r0, r1, fill, outline='ink'):
    """Tapered quill from p0 (radius r0) to a rounded tip at p1 (radius r1)."""
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    n = (dx * dx + dy * dy) ** 0.5
    nx, ny = -dy / n, dx / n
    ang = np.arctan2(dy, dx)
    pts = [(p0[0] + nx * r0, p0[1] + ny * r0)]
    for k in range(9):
        a = ang + np.pi / 2 - np.pi * k / 8
        pts.append((p1[0] + r1 * np.cos(a), p1[1] + r1 * np.sin(a)))
    pts.append((p0[0] - nx * r0, p0[1] - ny * r0))
    c.poly(pts, fill, outline, 1)


def owl2():
    w, h = 166, 168
    c = Canvas(w, h, (0, 255, 0), [
        ('ink', (20, 22, 36)), ('snow', (246, 248, 255)), ('shade', (200, 210, 232)),
        ('deep', (150, 162, 196)), ('speck', (40, 44, 66)), ('iris', (255, 214, 0)),
        ('glint', (255, 255, 255)), ('beak', (70, 70, 84)), ('talon', (50, 50, 62))])
    cx = 83
    for side in (-1, 1):
        def P(x, y):
            return (cx + side * x, y)
        wrist = P(52, 20)
        # primaries fan out and down from the wrist
        for k in range(5):
            a = np.radians(22 + k * 19)
            tip = (wrist[0] + side * 26 * np.cos(a), wrist[1] + 30 * np.sin(a))
            feather(c, wrist, tip, 4, 5, 'shade')
            feather(c, (wrist[0] + (tip[0] - wrist[0]) * 0.7, wrist[1] + (tip[1] - wrist[1]) * 0.7),
                    tip, 3, 4, 'deep', None)
        # secondaries along the trailing edge
        for k in range(5):
            base = P(24 + k * 9, 62 - k * 7)
            feather(c, base, (base[0] + side * 2, base[1] + 22 - k * 1.5), 5, 5, 'shade')
        # coverts: the arm of the wing with a scalloped lower edge
        c.poly([P(18, 74), P(28, 40), P(46, 14), P(60, 8), P(64, 22), P(56, 44), P(40, 66)], 'snow', 'ink')
        for k in range(5):
            sx, sy = P(28 + k * 7, 64 - k * 9)
            c.ellipse(sx, sy, 6, 5, 'snow')
            c.arc(sx, sy, 6, 5, 10, 170, 'deep', 1)
        c.line([P(32, 42), P(56, 16)], 'shade', 2)
        for k in range(6):
            sx, sy = P(34 + (k * 9) % 22, 30 + (k * 13) % 20)
            c.arc(sx, sy, 3, 2, 20, 160, 'speck', 2)
    # tail fan under the body
    for k in (-2, -1, 0, 1, 2):
        feather(c, (cx, 120), (cx + k * 7, 156 - abs(k) * 2), 4, 5, 'shade')
    # body with crescent barring
    c.ellipse(cx, 100, 30, 40, 'snow', 'ink', 2)
    c.ellipse(cx + 8, 110, 19, 28, 'shade')
    c.ellipse(cx + 2, 104, 20, 28, 'snow')
    for k in range(14):
        sx = cx - 20 + (k * 11) % 40
        sy = 82 + (k * 17) % 46
        c.arc(sx, sy, 3, 2, 20, 160, 'speck', 2)
    # feathered feet reaching forward, black talons spread
    for side in (-1, 1):
        fx = cx + side * 12
        c.ellipse(fx, 140, 8, 7, 'snow', 'ink')
        for k in (-5, 0, 5):
            c.line([(fx + k, 145), (fx + k * 1.5, 153), (fx + k * 1.5 - 2, 157)], 'talon', 2)
    # head: round, no tufts; fierce brows
    c.ellipse(cx, 52, 30, 27, 'snow', 'ink', 2)
    c.ellipse(cx, 60, 26, 16, 'shade')
    c.ellipse(cx, 56, 24, 18, 'snow')
    eye(c, cx - 12, 52, 8, 'iris', 1, 0)
    eye(c, cx + 12, 52, 8, 'iris', -1, 0)
    c.poly([(cx - 24, 40), (cx - 3, 48), (cx - 5, 44), (cx - 22, 37)], 'ink')
    c.poly([(cx + 24, 40), (cx + 3, 48), (cx + 5, 44), (cx + 22, 37)], 'ink')
    c.poly([(cx - 5, 60), (cx + 5, 60), (cx, 70)], 'beak', 'ink', 1)
    for k in range(5):
        c.ellipse(cx - 16 + k * 8, 32 + (k % 2) * 3, 1.5, 1, 'speck')
    return c.result()


def owl3():
    w, h = 133, 194
    c = Canvas(w, h, (0, 255, 255), [
        ('ink', (30, 12, 48)), ('body', (120, 70, 190)), ('body_dark', (86, 46, 150)),
        ('belly', (120, 220, 200)), ('belly_dark', (80, 176, 170)), ('mark', (60, 140, 140)),
        ('disc', (200, 176, 240)), ('iris', (120, 255, 80)), ('glint', (255, 255, 255)),
        ('beak', (255, 190, 60)), ('cheek', (255, 120, 170)), ('scarf', (230, 40, 60)),
        ('scarf_b', (255, 236, 220)), ('feet', (255, 170, 40)), ('tuft', (96, 54, 164))])
    cx = 66
    # long ear tufts
    c.poly([(cx - 30, 40), (cx - 42, 2), (cx - 14, 30)], 'tuft', 'ink')
    c.poly([(cx + 30, 40), (cx + 42, 2), (cx + 14, 30)], 'tuft', 'ink')
    # tall body
    c.ellipse(cx, 118, 42, 64, 'body', 'ink', 3)
    c.ellipse(cx + 8, 126, 32, 54, 'body_dark')
    c.ellipse(cx, 128, 26, 48, 'belly')
    c.ellipse(cx + 6, 136, 18, 38, 'belly_dark')
    for ry in range(100, 170, 12):
        for k in (-1, 0, 1):
            mx = cx + k * 12 + (ry // 12 % 2) * 6 - 3
            c.arc(mx, ry, 4, 3, 20, 160, 'mark', 2)
    # head
    c.ellipse(cx, 52, 42, 36, 'body', 'ink', 3)
    c.ellipse(cx - 17, 52, 19, 19, 'disc')
    c.ellipse(cx + 17, 52, 19, 19, 'disc')
    # left eye open, right eye winking
    eye(c, cx - 17, 52, 12, 'iris', 2, -1)
    c.arc(cx + 17, 50, 10, 8, 20, 160, 'ink', 3)
    c.line([(cx + 5, 44), (cx + 10, 46)], 'ink', 2)
    c.ellipse(cx - 30, 68, 6, 4, 'cheek')
    c.ellipse(cx + 30, 68, 6, 4, 'cheek')
    c.poly([(cx - 6, 62), (cx + 6, 62), (cx, 76)], 'beak', 'ink')
    # striped scarf with a hanging end
    c.poly([(cx - 36, 78), (cx + 36, 78), (cx + 34, 92), (cx - 34, 92)], 'scarf', 'ink')
    for k in range(-30, 34, 12):
        c.line([(cx + k, 80), (cx + k + 4, 90)], 'scarf_b', 4)
    c.poly([(cx + 14, 88), (cx + 30, 88), (cx + 34, 140), (cx + 18, 142)], 'scarf', 'ink')
    for sy in (100, 114, 128):
        c.line([(cx + 18, sy), (cx + 32, sy - 2)], 'scarf_b', 4)
    for k in range(4):
        c.line([(cx + 20 + k * 4, 142), (cx + 20 + k * 4, 150)], 'scarf', 2)
    # wings folded
    c.poly([(cx - 40, 96), (cx - 52, 130), (cx - 40, 168), (cx - 30, 130)], 'body_dark', 'ink')
    c.poly([(cx + 40, 96), (cx + 52, 130), (cx + 40, 168), (cx + 30, 130)], 'body_dark', 'ink')
    # feet
    for fx in (cx - 14, cx + 14):
        for k in (-5, 0, 5):
            c.line([(fx, 178), (fx + k, 190)], 'feet', 4)
    return c.result()


SPRITES = {'owl1': owl1, 'owl2': owl2, 'owl3': owl3}
