#!/usr/bin/env python3
"""Compares two renders of the same effect song tick by tick.

usage: compare_renders.py OURS.wav THEIRS.wav [--tick-frames 882] [--ticks-per-row 6]
                          [--stretches]

Both files are 16-bit stereo at the same rate. For every window of one tick the script
estimates the pitch (from rising zero crossings) and the left and right levels (RMS, dB),
takes the median level offset between the two renders as the players' gain difference,
and lists the ticks where the pitch differs by more than 1.5 %, a level by more than
1.5 dB beyond that offset, or one render is silent and the other is not. With --stretches it lists instead, for each
render, every stretch of ticks with sound: first and last tick, level, and the pitch over the
whole stretch (all its rising zero crossings, to a thousandth of a hertz).
"""
import argparse
import array
import math
import statistics
import sys
import wave


def read_wav(path):
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 2:
            sys.exit(f"{path}: need 16-bit stereo")
        data = array.array("h", w.readframes(w.getnframes()))
        if sys.byteorder == "big":
            data.byteswap()
        return w.getframerate(), data


def windows(data, size):
    frames = len(data) // 2
    for start in range(0, frames - size + 1, size):
        left = data[2 * start:2 * (start + size):2]
        right = data[2 * start + 1:2 * (start + size):2]
        yield left, right


def level_db(values):
    power = sum(v * v for v in values) / len(values)
    return 10 * math.log10(power) if power > 1.0 else None


def pitch(left, right, rate):
    return pitch_of([a + b for a, b in zip(left, right)], rate)


def pitch_of(mono, rate):
    crossings = []
    for i in range(1, len(mono)):
        a, b = mono[i - 1], mono[i]
        if a < 0 <= b and b != a:
            crossings.append(i - 1 + (-a) / (b - a))
    if len(crossings) < 3:
        return None
    return (len(crossings) - 1) * rate / (crossings[-1] - crossings[0])


def analyse(path, tick_frames):
    rate, data = read_wav(path)
    out = []
    for left, right in windows(data, tick_frames):
        out.append((pitch(left, right, rate), level_db(left), level_db(right)))
    return out


def stretches(path, tick_frames):
    rate, data = read_wav(path)
    ticks = analyse(path, tick_frames)
    print(f"{path}: {len(data) // 2} frames, {len(ticks)} ticks")
    start = None
    for i, (_, left, right) in enumerate(ticks + [(None, None, None)]):
        if (left is not None or right is not None) and start is None:
            start = i
        elif left is None and right is None and start is not None:
            frames = data[2 * start * tick_frames:2 * i * tick_frames]
            mono = [a + b for a, b in zip(frames[0::2], frames[1::2])]
            levels = [v for t in ticks[start:i] for v in t[1:] if v is not None]
            hz = pitch_of(mono, rate)
            print(f"  ticks {start}-{i - 1}: {max(levels):.1f} dB at most, "
                  + ("no pitch" if hz is None else f"{hz:.3f} Hz"))
            start = None


def fmt(v, unit):
    return "silent" if v is None else f"{v:.1f}{unit}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("ours")
    ap.add_argument("theirs")
    ap.add_argument("--tick-frames", type=int, default=882)
    ap.add_argument("--ticks-per-row", type=int, default=6)
    ap.add_argument("--stretches", action="store_true")
    args = ap.parse_args()
    if args.stretches:
        for path in (args.ours, args.theirs):
            stretches(path, args.tick_frames)
        return
    ours = analyse(args.ours, args.tick_frames)
    theirs = analyse(args.theirs, args.tick_frames)
    n = min(len(ours), len(theirs))
    offsets = [o[k] - t[k] for o, t in zip(ours[:n], theirs[:n]) for k in (1, 2)
               if o[k] is not None and t[k] is not None]
    offset = statistics.median(offsets) if offsets else 0.0
    print(f"ticks compared: {n} (ours {len(ours)}, theirs {len(theirs)}); "
          f"level offset ours - theirs: {offset:+.2f} dB")
    differing = 0
    for i in range(n):
        (po, lo, ro), (pt, lt, rt) = ours[i], theirs[i]
        notes = []
        if po is not None and pt is not None and abs(po - pt) > 0.015 * pt:
            notes.append(f"pitch {po:.1f} vs {pt:.1f} Hz")
        for name, a, b in (("L", lo, lt), ("R", ro, rt)):
            if (a is None) != (b is None):
                notes.append(f"{name} {fmt(a, 'dB')} vs {fmt(b, 'dB')}")
            elif a is not None and abs(a - offset - b) > 1.5:
                notes.append(f"{name} {a - offset - b:+.1f} dB")
        if notes:
            differing += 1
            row, tick = divmod(i, args.ticks_per_row)
            print(f"tick {i:5d} (row {row:3d} tick {tick:2d}): " + "; ".join(notes))
    print(f"differing ticks: {differing} of {n}")


if __name__ == "__main__":
    main()
