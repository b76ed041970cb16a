"""PCX writer: version 5, run-length encoded, one 8-bit plane, 256-colour palette at the end.

Files are padded to an exact byte size: zero bytes go between the end of the image data
and the 0x0C palette marker, where readers never look (they stop once the image is full
and fetch the palette from the last 768 bytes).
"""
import struct

import numpy as np

HEADER_SIZE = 128
PALETTE_TAIL = 769  # marker byte + 256 * RGB


def bytes_per_line(width):
    """Scan-line length in bytes: the width rounded up to an even number."""
    return width + (width & 1)


def encode_line(line):
    """Run-length codes of one scan line (sequence of ints 0..255).

    Runs are 1..63 long; a value of 0xC0 or above is always written as a run, even alone,
    so that it cannot be mistaken for a run code."""
    out = bytearray()
    n = len(line)
    i = 0
    while i < n:
        v = line[i]
        j = i + 1
        while j < n and j - i < 63 and line[j] == v:
            j += 1
        count = j - i
        if count == 1 and v < 0xC0:
            out.append(v)
        else:
            out.append(0xC0 | count)
            out.append(v)
        i = j
    return bytes(out)


def header(width, height):
    bpl = bytes_per_line(width)
    h = struct.pack('<BBBBHHHHHH', 10, 5, 1, 8, 0, 0, width - 1, height - 1, 72, 72)
    h += bytes(48)                      # 16-colour header palette, unused at 8 bits
    h += struct.pack('<BBHHHH', 0, 1, bpl, 1, 0, 0)
    h += bytes(HEADER_SIZE - len(h))
    assert len(h) == HEADER_SIZE
    return h


def encode(indices, palette, size, pad_index=None):
    """Whole file of exactly `size` bytes.

    indices: uint8 array (height, width) of palette indices.
    palette: 256 (r, g, b) tuples.
    pad_index: value of the padding column of odd widths (defaults to the row's last pixel,
    which keeps the run going).
    Raises AssertionError when the encoded picture does not fit the size."""
    height, width = indices.shape
    bpl = bytes_per_line(width)
    assert len(palette) == 256
    body = bytearray(header(width, height))
    for row in indices:
        line = [int(v) for v in row]
        if bpl > width:
            line.append(line[-1] if pad_index is None else pad_index)
        body += encode_line(line)
    budget = size - PALETTE_TAIL
    assert len(body) <= budget, 'picture needs %d bytes, budget %d' % (len(body), budget)
    body += bytes(budget - len(body))
    body.append(0x0C)
    for rgb in palette:
        body += bytes(int(c) for c in rgb)
    assert len(body) == size
    return bytes(body)


def encoded_length(indices):
    """Header plus run-length data, without palette or padding: what must fit the budget."""
    height, width = indices.shape
    bpl = bytes_per_line(width)
    total = HEADER_SIZE
    for row in indices:
        line = [int(v) for v in row]
        if bpl > width:
            line.append(line[-1])
        total += len(encode_line(line))
    return total


def to_rgb(indices, palette):
    """RGB uint8 array (height, width, 3) of an indexed picture."""
    pal = np.array(palette, dtype=np.uint8)
    return pal[indices]
