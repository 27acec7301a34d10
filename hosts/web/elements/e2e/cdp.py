"""The DevTools protocol over Chromium's --remote-debugging-pipe, with nothing but the standard
library: the browser, trusted key input and the PNG screenshots it answers with."""
import base64
import json
import os
import struct
import subprocess
import time
import zlib


class Browser:
    """Chromium with the protocol on file descriptors 3 (to it) and 4 (from it)."""

    def __init__(self):
        to_r, self.to_w = os.pipe()
        self.from_r, from_w = os.pipe()
        # The pipe ends Chromium reads and writes must be its descriptors 3 and 4.
        command = ("exec chromium --headless --no-sandbox --disable-gpu "
                   "--allow-file-access-from-files --remote-debugging-pipe "
                   "--window-size=900,1000 --force-device-scale-factor=1 about:blank "
                   "3<&%d 4>&%d" % (to_r, from_w))
        self.proc = subprocess.Popen(["bash", "-c", command], pass_fds=(to_r, from_w),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_r)
        os.close(from_w)
        self.next_id = 0
        self.buffer = b""
        self.events = []
        self.session = None

    def send(self, method, params=None, wait=True):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.to_w, json.dumps(message).encode() + b"\0")
        if not wait:
            return self.next_id
        return self.reply(self.next_id)

    def read(self, timeout=30):
        deadline = time.time() + timeout
        while b"\0" not in self.buffer:
            if time.time() > deadline:
                raise TimeoutError("no answer from the browser")
            chunk = os.read(self.from_r, 1 << 20)
            if not chunk:
                raise EOFError("the browser went away")
            self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(raw)

    def reply(self, wanted):
        while True:
            message = self.read()
            if message.get("id") == wanted:
                if "error" in message:
                    raise RuntimeError(message["error"])
                return message.get("result", {})
            self.on_event(message)

    def on_event(self, message):
        # A message box is the browser's own modal one: answer it as the user would, so that
        # the control's handler returns.
        if message.get("method") == "Page.javascriptDialogOpening":
            self.events.append(message)
            self.send("Page.handleJavaScriptDialog", {"accept": True}, wait=False)

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise RuntimeError(result["exceptionDetails"].get("exception", {}).get(
                "description", str(result["exceptionDetails"])))
        return result["result"].get("value")

    def close(self):
        self.session = None
        try:
            self.send("Browser.close", wait=False)
        except OSError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def key_params(ch):
    """A trusted key press of one character: its key code as a US keyboard gives it."""
    if ch == "\t":
        return {"key": "Tab", "code": "Tab", "windowsVirtualKeyCode": 9}
    code = ord(ch.upper()) if ch.isascii() and ch.isalnum() else 0
    if ch == ".":
        code = 190
    return {"key": ch, "text": ch, "unmodifiedText": ch, "windowsVirtualKeyCode": code}


def type_keys(browser, text):
    for ch in text:
        params = key_params(ch)
        browser.send("Input.dispatchKeyEvent", dict(params, type="keyDown"))
        up = dict(params, type="keyUp")
        up.pop("text", None)
        up.pop("unmodifiedText", None)
        browser.send("Input.dispatchKeyEvent", up)


def decode_png(data):
    """Width, height, channels and rows of an 8-bit, non-interlaced PNG, as Chromium writes."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "unexpected PNG format"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


def pixel(png, x, y):
    width, height, channels, rows = png
    return tuple(rows[y][x * channels:x * channels + 3])


def near(colour, wanted, tolerance=48):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, wanted))
