#!/usr/bin/env python3
"""The demo stops on reaching order 16, so the song must have closed by then: rendered through
our engine up to order 16, its last 50 ms stay below -40 dBFS RMS while the close is still heard
a second earlier. usage: close_level.py XMRENDER SONG.xm WORKDIR"""
import array
import math
import subprocess
import sys
import wave

xmrender, song, work = sys.argv[1:4]
out = work + "/close.wav"
subprocess.run([xmrender, "--order", "16", song, out], check=True)
with wave.open(out) as w:
    samples = array.array("h", w.readframes(w.getnframes()))


def rms_dbfs(end_frame):
    part = samples[2 * (end_frame - 2205):2 * end_frame]  # 50 ms, both channels
    power = sum(s * s for s in part) / len(part)
    return 10 * math.log10(power / 32768.0 ** 2) if power else -math.inf


frames = len(samples) // 2
last, earlier = rms_dbfs(frames), rms_dbfs(frames - 44100)
print("last 50 ms %.1f dBFS, a second earlier %.1f dBFS" % (last, earlier))
print("PASS" if last < -40 and earlier > -30 and frames > 40 * 44100 else "FAIL")
