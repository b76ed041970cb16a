#!/usr/bin/env python3
"""Side-by-side check of xmrender against openmpt123 and xmp (linear interpolation, 44100 Hz).

usage: compare_peers.py [--runs N] XMRENDER OUTDIR SONG...

For each song: renders with the three players, prints the lengths, the best time lag and
correlation of the 100 ms loudness envelopes, the loudness ratio, how many spectral peaks
agree, and the whole-process time of each player (median of N interleaved runs, default 7)
as a multiple of real time, by CPU time (user + system of the process, what the other programs
on a shared machine do not change) and by wall time, with xmrender's speed as a multiple of
each peer's. Needs openmpt123, xmp, sox and python3-numpy. Songs made elsewhere are not in
the repository: Debian's powermanga-data package (sudo apt-get install powermanga-data) has
three XM modules under /usr/share/games/powermanga/sounds/ (music_*.zik).
"""
import os
import statistics
import subprocess
import sys
import time
import wave



def load(path):
    with wave.open(path) as w:
        data = np.frombuffer(w.readframes(w.getnframes()), dtype='<i2')
    return data.astype(np.float64).reshape(-1, 2)


def envelope(x, window=4410):
    mono = x.mean(axis=1)
    n = len(mono) // window
    return np.sqrt((mono[:n * window].reshape(n, window) ** 2).mean(axis=1))


def spectral_peak(x, start, length=16384):
    segment = x[start:start + length].mean(axis=1) * np.hanning(length)
    spectrum = np.abs(np.fft.rfft(segment))
    return int(np.argmax(spectrum[20:])) + 20


def commands(xmrender, song, out):
    return {
        'xmrender': ([xmrender, song, out['xmrender']], [xmrender, song, '/dev/null']),
        'openmpt123': (None, ['openmpt123', '-q', '--batch', '--stdout', '--samplerate', '44100',
                              '--no-float', '--filter', '2', '--dither', '0', song]),
        'xmp': (['xmp', '-q', '-f', '44100', '-i', 'linear', '-P', '100', '-o', out['xmp'], song],
                ['xmp', '-q', '-f', '44100', '-i', 'linear', '-o', '/dev/null', song]),
    }


def render(xmrender, song, outdir):
    base = os.path.join(outdir, os.path.splitext(os.path.basename(song))[0])
    out = {p: f'{base}.{p}.wav' for p in ('xmrender', 'openmpt123', 'xmp')}
    cmds = commands(xmrender, song, out)
    subprocess.run(cmds['xmrender'][0], check=True, stderr=subprocess.DEVNULL)
    subprocess.run(cmds['xmp'][0], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    raw = subprocess.run(cmds['openmpt123'][1], check=True, capture_output=True).stdout
    subprocess.run(['sox', '-t', 'raw', '-r', '44100', '-e', 'signed', '-b', '16', '-c', '2', '-',
                    out['openmpt123']], input=raw, check=True)
    return out, cmds


def compare(ours, peer):
    a, b = load(ours), load(peer)
    ea, eb = envelope(a), envelope(b)
    n = min(len(ea), len(eb))

    def corr(lag):
        x = ea[max(0, lag):n + min(0, lag)]
        y = eb[max(0, -lag):n - max(0, lag)]
        return np.corrcoef(x, y)[0, 1]

    lag = max(range(-20, 21), key=corr)
    m = min(len(a), len(b))
    ratio = np.sqrt((a[:m] ** 2).mean() / (b[:m] ** 2).mean())
    starts = range(44100, m - 20000, 5 * 44100)
    same = sum(1 for s in starts if abs(spectral_peak(a, s) - spectral_peak(b, s)) <= 1)
    return (f'lag {lag * 100} ms, envelope corr {corr(0):.4f}, loudness {20 * np.log10(ratio):+.2f} dB, '
            f'spectral peaks {same}/{len(starts)}')


def usage_line():
    return next(line for line in __doc__.splitlines() if line.startswith('usage:'))


def parse(argv):
    """(runs, xmrender, outdir, songs); exits 0 after --help, 2 on anything it does not know."""
    runs, rest = 7, []
    i = 0
    while i < len(argv):
        a = argv[i]
        if a in ('-h', '--help'):
            print(__doc__.strip())
            sys.exit(0)
        if a == '--runs' and i + 1 < len(argv) and argv[i + 1].isdigit() and int(argv[i + 1]) > 0:
            runs = int(argv[i + 1])
            i += 2
            continue
        if a.startswith('-'):
            print(f'compare_peers.py: unknown option {a}\n{usage_line()}', file=sys.stderr)
            sys.exit(2)
        rest.append(a)
        i += 1
    if len(rest) < 3:
        print(usage_line(), file=sys.stderr)
        sys.exit(2)
    return runs, rest[0], rest[1], rest[2:]


def timed_run(cmd):
    """(wall seconds, CPU seconds of the child: user + system)."""
    t = time.perf_counter()
    child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - t
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        raise subprocess.CalledProcessError(child.returncode, cmd)
    return wall, usage.ru_utime + usage.ru_stime


def main():
    runs, xmrender, outdir, songs = parse(sys.argv[1:])
    global np
    import numpy as np  # after the arguments, so --help works without it
    os.makedirs(outdir, exist_ok=True)
    for song in songs:
        out, cmds = render(xmrender, song, outdir)
        lengths = {p: load(w).shape[0] / 44100 for p, w in out.items()}
        print(os.path.basename(song) + ': length ' +
              ', '.join(f'{p} {s:.3f} s' for p, s in lengths.items()))
        for peer in ('openmpt123', 'xmp'):
            print(f'  vs {peer}: {compare(out["xmrender"], out[peer])}')
        wall = {p: [] for p in cmds}
        cpu = {p: [] for p in cmds}
        for _ in range(runs):
            for p, (_, timed) in cmds.items():
                w, c = timed_run(timed)
                wall[p].append(w)
                cpu[p].append(c)
        for name, times in (('cpu', cpu), ('wall', wall)):
            speed = {p: lengths[p] / max(statistics.median(t), 1e-6) for p, t in times.items()}
            print(f'  speed ({name}): ' + ', '.join(
                f'{p} {statistics.median(t) * 1000:.0f} ms = {speed[p]:.0f}x'
                for p, t in times.items()) +
                '; xmrender/xmp {:.2f}x, xmrender/openmpt123 {:.2f}x'.format(
                    speed['xmrender'] / speed['xmp'], speed['xmrender'] / speed['openmpt123']))

if __name__ == '__main__':
    main()
