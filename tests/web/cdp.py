"""Headless Chromium driven over its DevTools protocol, and a local web server, in the Python
standard library alone.

Browser starts Debian's chromium with --remote-debugging-pipe (commands on file descriptor 3,
replies and events on 4, one JSON message per NUL-terminated record), WebGL on SwiftShader and
a private profile folder that goes away with it. Page is one tab attached in flat mode.
Server serves a folder on 127.0.0.1 at a random port in 20000-29999, records every request with
the bytes sent, and can answer chosen paths with other bytes or a 404; nothing it sends may be
cached, so a browser shared by several tests always gets what the server holds now.
"""
import base64
import http.server
import json
import os
import queue
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

CHROMIUM = os.environ.get("BRUMELT_CHROMIUM", "/usr/bin/chromium")


class ProtocolError(Exception):
    pass


class Browser:
    def __init__(self, window_size=(1920, 1080), extra_args=()):
        self.profile = tempfile.mkdtemp(prefix="brumelt-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def place_pipes():
            # The numbers the protocol expects; dup first, since a pipe may already sit on 3 or 4.
            a, b = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        args = [
            CHROMIUM, "--headless=new", "--no-sandbox", "--use-gl=angle",
            "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--remote-debugging-pipe", f"--user-data-dir={self.profile}",
            f"--window-size={window_size[0]},{window_size[1]}",
            "--no-first-run", "--no-default-browser-check", "--disable-extensions",
            "--disable-background-networking", "--disable-component-update", "--mute-audio",
            "--disable-renderer-backgrounding", "--disable-background-timer-throttling",
            *extra_args, "about:blank",
        ]
        self.process = subprocess.Popen(args, pass_fds=(3, 4), preexec_fn=place_pipes,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._next_id = 0
        self._lock = threading.Lock()
        self._replies = {}
        self._reply_ready = threading.Condition(self._lock)
        self.events = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        pending = b""
        while True:
            chunk = os.read(self._from_browser, 1 << 16)
            if not chunk:
                break
            pending += chunk
            while b"\0" in pending:
                record, pending = pending.split(b"\0", 1)
                message = json.loads(record)
                if "id" in message:
                    with self._lock:
                        self._replies[message["id"]] = message
                        self._reply_ready.notify_all()
                else:
                    self.events.put(message)
        with self._lock:
            self._replies[None] = {"error": {"message": "the browser went away"}}
            self._reply_ready.notify_all()

    def send(self, method, params=None, session=None, timeout=60):
        with self._lock:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._lock:
            while ident not in self._replies:
                if None in self._replies:
                    raise ProtocolError(f"{method}: the browser went away")
                left = deadline - time.monotonic()
                if left <= 0:
                    raise ProtocolError(f"{method}: no reply in {timeout} s")
                self._reply_ready.wait(left)
            reply = self._replies.pop(ident)
        if "error" in reply:
            raise ProtocolError(f"{method}: {reply['error'].get('message')}")
        return reply.get("result", {})

    def new_page(self):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})
        return Page(self, target, session["sessionId"])

    def close(self):
        try:
            self.send("Browser.close", timeout=5)
        except ProtocolError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)


class Page:
    def __init__(self, browser, target, session):
        self.browser, self.target, self.session = browser, target, session
        self.console = []  # (type, text) of every console call, in order
        self.network = []  # every Network.* event's params with its method, once Network is on
        for domain in ("Runtime", "Page"):
            self.send(f"{domain}.enable")
        self.send("Emulation.setFocusEmulationEnabled", {"enabled": True})

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def _drain_events(self):
        while True:
            try:
                event = self.browser.events.get_nowait()
            except queue.Empty:
                return
            if event.get("sessionId") != self.session:
                continue
            if event["method"] == "Runtime.consoleAPICalled":
                text = " ".join(str(a.get("value", a.get("description", "")))
                                for a in event["params"]["args"])
                self.console.append((event["params"]["type"], text))
            elif event["method"].startswith("Network."):
                self.network.append({"method": event["method"], **event["params"]})

    def console_lines(self):
        self._drain_events()
        return list(self.console)

    def network_events(self):
        self._drain_events()
        return list(self.network)

    def navigate(self, url):
        self.send("Page.navigate", {"url": url})

    def evaluate(self, expression, user_gesture=False, await_promise=False, timeout=60):
        result = self.send("Runtime.evaluate", {
            "expression": expression, "returnByValue": True, "userGesture": user_gesture,
            "awaitPromise": await_promise}, timeout=timeout)
        self._drain_events()
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise ProtocolError(f"{expression}: {text}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=60, interval=0.05):
        """Polls until the expression is truthy; returns its value."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                value = self.evaluate(expression)
            except ProtocolError:
                value = None  # the page is between documents
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError(f"waited {timeout} s for {expression}")
            time.sleep(interval)

    def press_key(self, key, code, key_code):
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", {"type": kind, "key": key, "code": code,
                                                 "windowsVirtualKeyCode": key_code})

    def screenshot_png(self):
        return base64.b64decode(self.send("Page.captureScreenshot", {"format": "png"})["data"])

    def close(self):
        self.browser.send("Target.closeTarget", {"targetId": self.target})


class Server:
    """Serves `root` on 127.0.0.1; `overrides` maps a URL path to bytes, or to None for a 404."""

    def __init__(self, root):
        self.root = root
        self.overrides = {}
        self.requests = []  # (path, bytes sent, time.monotonic() at the end)
        self._lock = threading.Lock()
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                              ".wasm": "application/wasm", ".js": "text/javascript",
                              ".pack": "application/octet-stream"}

            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=server.root, **kwargs)

            def do_GET(self):
                path = self.path.split("?", 1)[0]
                before = self._sent
                if path in server.overrides:
                    body = server.overrides[path]
                    if body is None:
                        self.send_error(404)
                    else:
                        self.send_response(200)
                        self.send_header("Content-Type", self.guess_type(path))
                        self.send_header("Content-Length", str(len(body)))
                        self.end_headers()
                        self.wfile.write(body)
                else:
                    super().do_GET()
                with server._lock:
                    server.requests.append((path, self._sent - before, time.monotonic()))

            def end_headers(self):
                self.send_header("Cache-Control", "no-store")
                super().end_headers()

            def setup(self):
                super().setup()
                self._sent = 0
                raw = self.wfile
                handler = self

                class Counting:
                    def write(self, data):
                        handler._sent += len(data)
                        return raw.write(data)

                    def __getattr__(self, name):
                        return getattr(raw, name)

                self.wfile = Counting()

            def log_message(self, *args):
                pass

        class Quiet(http.server.ThreadingHTTPServer):
            def handle_error(self, request, client_address):
                # A tab closed in the middle of the music's download is no error of the page's.
                if not isinstance(sys.exc_info()[1], ConnectionError):
                    super().handle_error(request, client_address)

        for _ in range(50):
            self.port = random.randint(20000, 29999)
            try:
                self.httpd = Quiet(("127.0.0.1", self.port), Handler)
                break
            except OSError:
                continue
        else:
            raise OSError("no free port in 20000-29999")
        self.httpd.daemon_threads = True
        self._thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self._thread.start()

    @property
    def url(self):
        return f"http://127.0.0.1:{self.port}/"

    def requested(self, path):
        with self._lock:
            return [r for r in self.requests if r[0] == path]

    def clear(self):
        with self._lock:
            self.requests.clear()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
