"""A headless Chromium driven through its DevTools protocol over a pipe (no network, no extra
package): open a page offline, wait until it says it is ready, take screenshots, evaluate script,
and keep every request, console message and uncaught exception the page caused."""

import base64
import fcntl
import json
import os
import shutil
import subprocess
import tempfile
import time

CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")

# WebGL through SwiftShader, the software renderer: no GPU is needed.
FLAGS = [
    "--headless",
    "--no-sandbox",
    "--use-gl=angle",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--no-first-run",
    "--no-default-browser-check",
    "--disable-extensions",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    # Any host name fails to resolve: a page that tries the network gets nothing.
    "--host-resolver-rules=MAP * ~NOTFOUND",
]


def _above_four(descriptor):
    """The descriptor moved above 4, so that placing the pipes on 3 and 4 in the child cannot
    overwrite one with the other."""
    moved = fcntl.fcntl(descriptor, fcntl.F_DUPFD, 10)
    os.close(descriptor)
    return moved


class Browser:
    def __init__(self, width=1200, height=900):
        self._profile = tempfile.mkdtemp(prefix="meshprobe-chromium-")
        to_chromium_read, to_chromium_write = os.pipe()
        from_chromium_read, from_chromium_write = os.pipe()
        to_chromium_read = _above_four(to_chromium_read)
        from_chromium_write = _above_four(from_chromium_write)
        command = [CHROMIUM, *FLAGS, "--remote-debugging-pipe",
                   "--user-data-dir=" + self._profile,
                   "--window-size=%d,%d" % (width, height), "about:blank"]
        # The protocol runs on descriptors 3 (to Chromium) and 4 (from it); bash, unlike dash,
        # takes descriptors above 9 in a redirection.
        self._process = subprocess.Popen(
            ["bash", "-c", 'exec "$@" 3<&%d 4>&%d' % (to_chromium_read, from_chromium_write),
             "chromium", *command],
            pass_fds=(to_chromium_read, from_chromium_write),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_chromium_read)
        os.close(from_chromium_write)
        self._out = os.fdopen(to_chromium_write, "wb", buffering=0)
        self._in = os.fdopen(from_chromium_read, "rb", buffering=0)
        self._buffer = b""
        self._next_id = 0
        self._session = None
        self.events = []
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self._session = self.call("Target.attachToTarget",
                                  {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Network", "Log"):
            self.call(domain + ".enable")
        self.call("Network.emulateNetworkConditions", {
            "offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        self.call("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def _message(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("Chromium did not answer in time")
            chunk = self._in.read(1 << 20)
            if not chunk:
                raise RuntimeError("Chromium closed its protocol pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, timeout=120):
        self._next_id += 1
        request = {"id": self._next_id, "method": method, "params": params or {}}
        if self._session is not None:
            request["sessionId"] = self._session
        self._out.write(json.dumps(request).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            message = self._message(deadline)
            if message.get("id") == self._next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            if "method" in message:
                self.events.append(message)

    def evaluate(self, expression, timeout=120):
        result = self.call("Runtime.evaluate", {
            "expression": expression, "returnByValue": True, "awaitPromise": True}, timeout)
        if "exceptionDetails" in result:
            raise RuntimeError("script failed: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def open(self, url, timeout=120):
        """Opens `url` and waits until the page marks itself ready (data-ready on <html>) or, for
        a page without that mark, until it has loaded. Returns the seconds it took."""
        start = time.monotonic()
        self.call("Page.navigate", {"url": url}, timeout)
        deadline = start + timeout
        while time.monotonic() < deadline:
            # While the page is replaced, it may have no root element yet.
            state = self.evaluate("[document.readyState, document.documentElement && "
                                  "document.documentElement.getAttribute('data-ready'), "
                                  "!!document.getElementById('meshprobe-data')]")
            if state[0] == "complete" and (state[1] == "yes" or not state[2]):
                return time.monotonic() - start
            time.sleep(0.1)
        raise TimeoutError("%s was not ready within %s s" % (url, timeout))

    def screenshot(self):
        """The page as PNG bytes."""
        return base64.b64decode(self.call("Page.captureScreenshot", {"format": "png"})["data"])

    def requests(self):
        return [e["params"]["request"]["url"] for e in self.events
                if e["method"] == "Network.requestWillBeSent"]

    def errors(self):
        """Console errors and warnings, uncaught exceptions and the browser's own error log."""
        found = []
        for e in self.events:
            p = e["params"]
            if e["method"] == "Runtime.exceptionThrown":
                found.append(p["exceptionDetails"].get("text", "exception"))
            elif e["method"] == "Runtime.consoleAPICalled" and p["type"] in ("error", "warning",
                                                                             "assert"):
                found.append(" ".join(str(a.get("value", a.get("description")))
                                      for a in p["args"]))
            elif e["method"] == "Log.entryAdded" and p["entry"]["level"] in ("error", "warning"):
                found.append(p["entry"]["text"])
        return found

    def close(self):
        try:
            self._out.close()
            self._process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._in.close()
        shutil.rmtree(self._profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
