"""A small DevTools-protocol client over --remote-debugging-pipe, standard library only:
starts headless Chromium, opens one page and drives it (evaluate, click, key, screenshot)."""
import base64
import fcntl
import json
import os
import subprocess
import tempfile
import threading
import time


class Browser:
    def __init__(self, binary, extra_args=()):
        self.profile = tempfile.TemporaryDirectory(prefix='vorru-chromium-')
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        args = [binary, '--headless', '--remote-debugging-pipe', '--no-first-run',
                '--user-data-dir=' + self.profile.name, '--window-size=960,720', *extra_args]
        if os.geteuid() == 0:
            args.append('--no-sandbox')

        # Chromium reads commands on fd 3 and writes replies on fd 4.
        def pipes():
            high_r = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
            high_w = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
            os.dup2(high_r, 3)
            os.dup2(high_w, 4)

        self.proc = subprocess.Popen(args + ['about:blank'], preexec_fn=pipes, pass_fds=(3, 4),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._next_id = 0
        self._results = {}
        self._cond = threading.Condition()
        self.events = []
        self.session = None
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        buffer = b''
        while True:
            data = os.read(self._from_browser, 1 << 16)
            if not data:
                break
            buffer += data
            while b'\0' in buffer:
                raw, buffer = buffer.split(b'\0', 1)
                message = json.loads(raw)
                with self._cond:
                    if 'id' in message:
                        self._results[message['id']] = message
                    else:
                        self.events.append(message)
                    self._cond.notify_all()
        with self._cond:
            self._results[None] = {'error': {'message': 'browser closed'}}
            self._cond.notify_all()

    def send(self, method, params=None, timeout=60, session=True):
        with self._cond:
            self._next_id += 1
            ident = self._next_id
        message = {'id': ident, 'method': method, 'params': params or {}}
        if session and self.session:
            message['sessionId'] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b'\0')
        deadline = time.monotonic() + timeout
        with self._cond:
            while ident not in self._results and None not in self._results:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(method)
                self._cond.wait(left)
            reply = self._results.pop(ident, None) or self._results[None]
        if 'error' in reply:
            raise RuntimeError('%s: %s' % (method, reply['error'].get('message')))
        return reply['result']

    def open(self, url):
        target = self.send('Target.createTarget', {'url': 'about:blank'}, session=False)
        attached = self.send('Target.attachToTarget', {'targetId': target['targetId'], 'flatten': True},
                             session=False)
        self.session = attached['sessionId']
        self.send('Runtime.enable')
        self.send('Page.enable')
        self.send('Page.navigate', {'url': url})

    def evaluate(self, expression, timeout=60):
        reply = self.send('Runtime.evaluate', {'expression': expression, 'returnByValue': True,
                                               'awaitPromise': True}, timeout=timeout)
        if 'exceptionDetails' in reply:
            raise RuntimeError(reply['exceptionDetails'].get('text', 'exception'))
        return reply['result'].get('value')

    def wait_for(self, expression, timeout, step=0.1):
        """The first truthy value of `expression`, polled every `step` seconds."""
        deadline = time.monotonic() + timeout
        error = None
        while time.monotonic() < deadline:
            try:
                value = self.evaluate(expression)
                if value:
                    return value
            except RuntimeError as e:  # the page is still loading
                error = e
            time.sleep(step)
        raise TimeoutError('%s (%s)' % (expression, error))

    def click(self, x, y):
        for kind in ('mousePressed', 'mouseReleased'):
            self.send('Input.dispatchMouseEvent', {'type': kind, 'x': x, 'y': y, 'button': 'left',
                                                   'clickCount': 1})

    def key(self, key='a', code='KeyA', key_code=65):
        for kind in ('keyDown', 'keyUp'):
            self.send('Input.dispatchKeyEvent', {'type': kind, 'key': key, 'code': code,
                                                 'windowsVirtualKeyCode': key_code})

    def screenshot(self, path):
        data = self.send('Page.captureScreenshot', {'format': 'png'})['data']
        with open(path, 'wb') as f:
            f.write(base64.b64decode(data))

    def console_lines(self, kinds=('log',)):
        with self._cond:
            events = list(self.events)
        lines = []
        for e in events:
            if e.get('method') == 'Runtime.consoleAPICalled' and e['params']['type'] in kinds:
                lines.append(' '.join(str(a.get('value', '')) for a in e['params']['args']))
        return lines

    def close(self):
        try:
            self.send('Browser.close', session=False, timeout=5)
        except Exception:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        os.close(self._to_browser)
        self.profile.cleanup()
