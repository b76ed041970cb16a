#!/usr/bin/env python3
"""Writes the hand-made seeds of the store, PCX and font corpora. The XM seeds are the
effect songs (music_effects_songs) and dense_seed.xm (fuzz_write_xm_seed). Run from the
repository root; the assets are copied as they are."""
import os
import struct
import sys

USAGE = "usage: make_seeds.py (run from the repository root; takes no arguments)"
if len(sys.argv) > 1:
    if sys.argv[1] in ("-h", "--help"):
        print(USAGE)
        print(__doc__)
        sys.exit(0)
    print(USAGE, file=sys.stderr)
    sys.exit(2)

ROOT = os.path.join("tests", "fuzz", "corpus")


def put(target, name, data):
    os.makedirs(os.path.join(ROOT, target), exist_ok=True)
    with open(os.path.join(ROOT, target, name), "wb") as f:
        f.write(data)


def entry(name, data):
    return name.encode().ljust(128, b"\0") + struct.pack("<I", len(data)) + data


def pcx(width, height, planes, body, palette=True):
    bpl = width + (width & 1)
    head = struct.pack("<BBBBHHHHHH", 10, 5, 1, 8, 0, 0, width - 1, height - 1, 72, 72)
    head = head.ljust(65, b"\0") + struct.pack("<BH", planes, bpl)
    out = head.ljust(128, b"\0") + body
    if palette:
        out += b"\x0c" + bytes((i, 255 - i, i ^ 0x55)[c] for i in range(256) for c in range(3))
    return out


# Store: a blob of two entries, then opens of both and of a missing name, reads, seeks from
# every origin, tells and a second fs_init.
blob = entry("data\\a.pcx", bytes(range(10))) + entry("b.xm", b"Extended Module: " + bytes(20))
ops = b""
ops += b"\x00" + bytes([len(b"data\\a.pcx")]) + b"data\\a.pcx"
ops += b"\x00\x04b.xm" + b"\x00\x07missing"
ops += b"\x01" + struct.pack("<H", 4) + b"\x00" + b"\x01" + struct.pack("<H", 100) + b"\x01"
ops += b"\x02\x00" + struct.pack("<i", -3) + b"\x02" + b"\x03\x00" + b"\x01" + struct.pack("<H", 8) + b"\x00"
ops += b"\x02\x01" + struct.pack("<i", 5) + b"\x01" + b"\x02\x01" + struct.pack("<i", -50) + b"\x00"
ops += b"\x01" + struct.pack("<H", 2) + b"\x01" + b"\x04\x00\x05" + b"\x01\x10\x00\x00"
put("store", "two_entries", struct.pack("<H", len(blob)) + blob + ops)
put("store", "empty_blob", b"\x00\x00\x00\x01a\x01\x10\x00\x00")

# PCX: a 1-plane picture with runs across line ends, a 3-plane picture, and two assets.
put("pcx", "paletted_5x3", pcx(5, 3, 1, b"\xc3\x07\x01\x02\xc4\x09\x05\x06\xc3\x00\x10"))
rgb = b""
for row in range(2):
    for plane in range(3):
        rgb += bytes([0xC4, 40 * plane + row])
put("pcx", "rgb_3x2", pcx(3, 2, 3, rgb, palette=False))
for asset in ("owl1.pcx", "font2.pcx"):
    with open(os.path.join("assets", "data", asset), "rb") as f:
        put("pcx", asset, f.read())

# Font: the demo's strip and character list with a caption, and a tiny hand-made strip.
charset = b"abcdefghijklmnopqrstuwvxyz\xe4\xf61234567890,.()?!-'[]=+;:"
text = b"hei vain, pihan puolella"
with open(os.path.join("assets", "data", "font2.pcx"), "rb") as f:
    strip = f.read()
put("font", "demo_font", bytes([len(charset), len(text), 0, 8, 2, 3]) + charset + text + strip)
tiny = pcx(7, 2, 1, b"\x01\x00\x02\x02\x00\x03\x00\x00" + b"\x01\x00\x02\x00\x00\x03\x00\x00")
put("font", "tiny_strip", bytes([3, 6, 128, 4, 250, 1]) + b"abc" + b"c ab a" + tiny)
