"""Font strip: 52 bold glyphs in one 740x23 row, cut apart by their empty columns.

Each glyph is a DejaVu Sans Condensed Bold letter with a sunset gradient and a near-black outline;
the outline is part of the glyph, so letters drawn edge to edge still read apart.
"""
import numpy as np
from PIL import Image, ImageDraw, ImageFont

WIDTH, HEIGHT = 740, 23
CHARSET = b"abcdefghijklmnopqrstuwvxyz\xe4\xf61234567890,.()?!-'[]=+;:"
FONT_PATH = '/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf'
FONT_SIZE = 19

# Widths the demo's layout depends on (columns of ink, outline included). ':' has four
# columns of which the loader keeps three, since the strip's last column never joins a glyph.
FIXED_WIDTHS = {b'a': 12, b'b': 12, b'i': 6, b'm': 18, b'w': 19, b'.': 3, b':': 4}
# Glyphs that carry an outline on their right side only, to stay narrow.
RIGHT_OUTLINE_ONLY = {b'.'}

BG, OUTLINE, EDGE0, CORE0 = 0, 1, 2, 2 + HEIGHT
OUTLINE_RGB = (22, 10, 34)

TOP_ROW = 1  # strip row of the highest outline pixel
CORE_LEVEL, EDGE_LEVEL = 150, 70  # coverage thresholds of solid ink and of its rim


def gradient(t):
    """Ink colour at height t (0 top .. 1 bottom): pale gold, amber, hot pink."""
    stops = [(0.0, (255, 252, 214)), (0.35, (255, 212, 72)), (0.6, (255, 136, 40)),
             (0.85, (240, 60, 120)), (1.0, (170, 40, 170))]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            u = (t - t0) / (t1 - t0)
            return tuple(int(round(a + (b - a) * u)) for a, b in zip(c0, c1))
    return stops[-1][1]


def palette():
    pal = [(0, 0, 0)] * 256
    pal[OUTLINE] = OUTLINE_RGB
    for row in range(HEIGHT):
        c = gradient(max(0.0, min(1.0, (row - 3) / 15.0)))
        pal[CORE0 + row] = c
        # anti-aliased rim: two thirds of the way from the ink toward the outline
        pal[EDGE0 + row] = tuple((2 * o + ci) // 3 for o, ci in zip(OUTLINE_RGB, c))
    # unused entries stay black; every entry an ink pixel uses is non-zero
    return pal


def render_core(ch, font):
    """Coverage (0..255) of one character, cropped to its ink columns, rows of the strip."""
    im = Image.new('L', (64, 64))
    ImageDraw.Draw(im).text((12, 10), ch.decode('latin-1'), font=font, fill=255)
    a = np.array(im)
    cols = np.where((a > 0).any(0))[0]
    return a[:, cols[0]:cols[-1] + 1]


def glyph_cell(ch, font):
    """(indices array HEIGHTxw) of one glyph with outline, w = its ink width."""
    cov = render_core(ch, font)
    both = ch not in RIGHT_OUTLINE_ONLY
    # crop to the columns the thresholds below will keep
    keep = np.where((cov >= EDGE_LEVEL).any(0))[0]
    cov = cov[:, keep[0]:keep[-1] + 1]
    target = FIXED_WIDTHS.get(ch)
    core_w = cov.shape[1] if target is None else target - (2 if both else 1)
    if core_w != cov.shape[1]:
        img = Image.fromarray(cov).resize((core_w, cov.shape[0]), Image.BILINEAR)
        cov = np.array(img)
    # rows: the 64-pixel render has its tallest ink at row 13; put that at strip row TOP_ROW+1
    cov = cov[13 - (TOP_ROW + 1):13 - (TOP_ROW + 1) + HEIGHT].copy()
    for col in (0, core_w - 1):
        # a resampled outer column may fall under the threshold; keep its strongest pixel
        if cov[:, col].max() < EDGE_LEVEL:
            cov[np.argmax(cov[:, col]), col] = EDGE_LEVEL
    core = cov >= CORE_LEVEL
    edge = (cov >= EDGE_LEVEL) & ~core
    ink = core | edge
    pad = np.zeros((HEIGHT, core_w + 2), bool)
    pad[:, 1:-1] = ink
    dil = pad.copy()
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            dil |= np.roll(np.roll(pad, dy, 0), dx, 1)
    out = np.zeros((HEIGHT, core_w + 2), np.uint8)
    out[dil] = OUTLINE
    rows = np.arange(HEIGHT)[:, None].repeat(core_w, 1)
    inner = out[:, 1:-1]
    inner[edge] = (EDGE0 + rows)[edge]
    inner[core] = (CORE0 + rows)[core]
    if not both:
        out = out[:, 1:]
    return out


def glyph_cells():
    font = ImageFont.truetype(FONT_PATH, FONT_SIZE)
    return [glyph_cell(CHARSET[k:k + 1], font) for k in range(len(CHARSET))]


def build():
    """(indices HEIGHTxWIDTH, palette). The last glyph ends on the strip's last column."""
    cells = glyph_cells()
    widths = [c.shape[1] for c in cells]
    spare = WIDTH - sum(widths)
    # spread the spare columns as gaps in front of every glyph
    n = len(cells)
    gaps = [(spare * (k + 1)) // n - (spare * k) // n for k in range(n)]
    assert min(gaps) >= 1
    img = np.zeros((HEIGHT, WIDTH), np.uint8)
    x = 0
    for gap, cell in zip(gaps, cells):
        x += gap
        img[:, x:x + cell.shape[1]] = cell
        x += cell.shape[1]
    assert x == WIDTH
    return img, palette()


def scan_widths(rgb_words):
    """Glyph widths found by the font loader's column scan over decoded pixel words
    (array HEIGHTxWIDTH of ints); mirrors the loader, including the last-column rule."""
    height, width = rgb_words.shape
    empty = ~(rgb_words != 0).any(0)
    widths = []
    c = 0
    for _ in range(len(CHARSET)):
        start = None
        while c < width:
            col = c
            c += 1
            if start is None:
                if not empty[col]:
                    start = col
                    if col == width - 1:
                        widths.append(0)
                        break
                continue
            if empty[col]:
                widths.append(col - start)
                break
            if col == width - 1:
                widths.append(col - start)
                break
        else:
            break
    return widths
