"""The web page in headless Chromium, against the native capture of the same sources:
  1. ?capture: every frame's checksum, the PCM's and the console trace equal vorru-capture's;
  2. real time after a click: ~50 frames a second on the audio clock, AudioContext time moving,
     no block lost after the first second, each of the six scenes seen and shown, the end at
     order 16 with "play again"; then "play again" and a key press end a second run early;
  3. the single-file page from file://, with sound and, with Web Audio taken away, on the
     silent clock with the page saying so.
Usage: web_test.py BUILD_WEB VORRU_CAPTURE WORKDIR  (prints PASS or FAIL: ...)"""
import functools
import http.server
import os
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Browser  # noqa: E402

SCENES = [(2, 'opening'), (5, 'tunnel'), (8, 'blob cloud'), (10, 'freeze'), (12, 'owl'), (15, 'end')]
# An 8x6 grid of mean colours of a 320x240 picture (the live canvas or a native PNG).
THUMB = """function (picture) {
  var canvas = document.createElement('canvas');
  canvas.width = 320;
  canvas.height = 240;
  var context = canvas.getContext('2d');
  context.drawImage(picture, 0, 0);
  var d = context.getImageData(0, 0, 320, 240).data, t = [];
  for (var by = 0; by < 240; by += 40) for (var bx = 0; bx < 320; bx += 40) for (var c = 0; c < 3; c++) {
    var s = 0;
    for (var y = by; y < by + 40; y++) for (var x = bx; x < bx + 40; x++) s += d[(y * 320 + x) * 4 + c];
    t.push(s / 1600);
  }
  return t;
}"""
STATUS = 'JSON.parse(JSON.stringify(Object.assign({audio: vorruAudioReport()}, vorruStatus)))'


class Failure(Exception):
    pass


def check(ok, what):
    if not ok:
        raise Failure(what)


def distance(a, b):
    return sum(abs(x - y) for x, y in zip(a, b)) / len(a)


def native_capture(capture, work):
    out = os.path.join(work, 'native')
    with open(os.path.join(work, 'native.out'), 'wb') as trace:
        subprocess.run([capture, '--per-order', '--no-mp4', '--sums', out], stdout=trace,
                       stderr=subprocess.DEVNULL, check=True)
    pngs = {int(n[-6:-4]): 'native/' + n for n in os.listdir(out) if n.endswith('.png')}
    sums = open(os.path.join(out, 'sums.txt')).read().split('\n')
    trace = open(os.path.join(work, 'native.out')).read().split('\n')
    return pngs, [s for s in sums if s], [t for t in trace if t]


def test_capture(browser, base, sums, trace):
    started = time.monotonic()
    browser.open(base + '/site/vorru.html?capture')
    status = browser.wait_for("vorruStatus.state == 'ended' && " + STATUS, 180, 0.5)
    seconds = time.monotonic() - started
    web = status['sums'] + ['pcm ' + status['pcmSum']]
    differ = [w for w, n in zip(web, sums) if w != n]
    check(len(web) == len(sums), 'capture: %d web sums, %d native' % (len(web), len(sums)))
    check(not differ, 'capture: %d of %d sums differ, first %s' % (len(differ), len(web), differ[:3]))
    lines = browser.console_lines()
    check(lines == trace, 'capture: the console trace differs from the native one (%d lines, %d)'
          % (len(lines), len(trace)))
    print('capture: %d frames and the PCM identical, trace identical (%d lines), %.1f s'
          % (status['frames'], len(lines), seconds))


def test_real_time(browser, base, pngs, work):
    browser.open(base + '/site/vorru.html')
    browser.wait_for("document.readyState == 'complete' && window.vorruStatus", 30)
    refs = {order: browser.evaluate('fetch("../%s").then(r => r.blob()).then(createImageBitmap)'
                                    '.then(%s)' % (pngs[order], THUMB)) for order, _ in SCENES}
    time.sleep(1)
    check(browser.evaluate('vorruStatus.frames') == 0, 'real time: frames before the click')
    browser.click(480, 360)
    clicked = time.monotonic()
    browser.wait_for('vorruStatus.frames > 0', 30, 0.02)
    first = time.monotonic() - clicked
    time.sleep(1)
    a, wall_a = browser.evaluate(STATUS), time.monotonic()
    time.sleep(4)
    b, wall_b = browser.evaluate(STATUS), time.monotonic()
    rate = (b['frames'] - a['frames']) / (wall_b - wall_a)
    audio_rate = (b['audio']['currentTime'] - a['audio']['currentTime']) / (wall_b - wall_a)
    check(b['worklet'] and not b['silent'], 'real time: no AudioWorklet or the silent clock')
    check(40 <= rate <= 52, 'real time: %.1f frames a second' % rate)
    check(0.9 <= audio_rate <= 1.1, 'real time: AudioContext time runs at %.2f' % audio_rate)
    dist = {}
    for order, name in SCENES:
        # The order is published while the frame loop waits: the frame after it shows it.
        shown = browser.wait_for('vorruStatus.order >= %d && vorruStatus.frames' % order, 45, 0.05)
        browser.wait_for('vorruStatus.frames > %d' % shown, 5, 0.01)
        shot = browser.evaluate("(%s)(document.getElementById('vorru-canvas'))" % THUMB)
        browser.screenshot(os.path.join(work, 'scene-%02d.png' % order))
        nearest = min(refs, key=lambda o: distance(shot, refs[o]))
        dist[name] = round(distance(shot, refs[order]), 1)
        check(nearest == order and dist[name] < 10,
              'real time: the %s scene looks like order %d (distances %s)'
              % (name, nearest, {o: round(distance(shot, r), 1) for o, r in refs.items()}))
    end = browser.wait_for("vorruStatus.state == 'ended' && " + STATUS, 30, 0.1)
    length = time.monotonic() - clicked
    check(end['audio']['lostAfterFirstSecond'] == 0,
          'real time: %d frames lost after the first second' % end['audio']['lostAfterFirstSecond'])
    check(38 <= length <= 48, 'real time: ended after %.1f s' % length)
    check(browser.evaluate("!document.getElementById('end').classList.contains('hidden')"),
          'real time: no "play again" at the end')
    print('real time: first frame %.2f s after the click, %.1f frames/s, audio clock x%.2f, '
          'scenes seen (distance to native %s), ended after %.1f s, %d frames, %d lost in the '
          'first second' % (first, rate, audio_rate, dist, length, end['frames'],
                            end['audio']['lost']))
    box = browser.evaluate("(function(r){return [r.x + r.width / 2, r.y + r.height / 2]})"
                           "(document.getElementById('again').getBoundingClientRect())")
    browser.click(*box)
    browser.wait_for("vorruStatus.runs == 2 && vorruStatus.frames > 25", 30, 0.05)
    browser.key()
    keyed = time.monotonic()
    early = browser.wait_for("vorruStatus.state == 'ended' && " + STATUS, 5, 0.02)
    check(early['order'] < 4, 'key: ended at order %d' % early['order'])
    check(browser.evaluate("!document.getElementById('end').classList.contains('hidden')"),
          'key: no "play again" after the key')
    print('key: a second run ended %.2f s after the key press' % (time.monotonic() - keyed))


def test_single_file(path, no_audio):
    browser = Browser(BROWSER)
    try:
        browser.open('about:blank')
        if no_audio:
            browser.send('Page.addScriptToEvaluateOnNewDocument',
                         {'source': 'delete window.AudioContext; delete window.webkitAudioContext;'})
        browser.send('Page.navigate', {'url': 'file://' + path})
        browser.wait_for("document.readyState == 'complete' && window.vorruStatus", 30)
        browser.click(480, 360)
        status = browser.wait_for('vorruStatus.frames > 100 && ' + STATUS, 30, 0.1)
        if no_audio:
            check(status['silent'] and 'silent clock' in status['notice'],
                  'single file without Web Audio: the page does not say so')
        else:
            check(status['worklet'] and not status['silent'] and status['audio']['currentTime'] > 1,
                  'single file: no sound from file://')
        print('single file%s: %d frames at order %d, notice "%s"'
              % (' without Web Audio' if no_audio else '', status['frames'], status['order'],
                 status['notice']))
    finally:
        browser.close()


def main():
    build_web, capture, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    pngs, sums, trace = native_capture(capture, work)
    # The page and the native frames from one origin, so the page may read both.
    shutil.copytree(os.path.join(build_web, 'site'), os.path.join(work, 'site'))
    handler = functools.partial(Quiet, directory=work)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = 'http://127.0.0.1:%d' % server.server_port
    try:
        browser = Browser(BROWSER)
        try:
            test_capture(browser, base, sums, trace)
        finally:
            browser.close()
        browser = Browser(BROWSER)
        try:
            test_real_time(browser, base, pngs, work)
        finally:
            browser.close()
        single = os.path.abspath(os.path.join(build_web, 'vorru.html'))
        test_single_file(single, False)
        test_single_file(single, True)
    except (Failure, TimeoutError, RuntimeError) as e:
        print('FAIL: %s' % e)
        return 1
    finally:
        server.shutdown()
    print('PASS')
    return 0


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


BROWSER = shutil.which('chromium-headless-shell') or 'chromium'

if __name__ == '__main__':
    sys.exit(main())
