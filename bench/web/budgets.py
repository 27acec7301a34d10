#!/usr/bin/env python3
"""The web budgets, measured in one run of headless Chromium and reported as figures, never
asserted: the eight elements' WebAssembly and script gzipped, against 300 KB; and a key through
<tessivra-texto-em-maiusculo> against a bare <input> with one keydown listener, over the same
10,000 dispatched key events, against 1.5 times.

    budgets.py PAGE_DIR
"""
import gzip
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "hosts", "web", "elements", "e2e"))
from cdp import Browser  # noqa: E402

KEYS = 10000

# Each side gets the same events: a keydown and a keyup of "a" per key, dispatched in turn.
MEASURE = """
(async function () {
  var keys = %d;
  function events(target) {
    var t0 = performance.now();
    for (var i = 0; i < keys; ++i) {
      target.dispatchEvent(new KeyboardEvent('keydown', {key: 'a', keyCode: 65, bubbles: true, cancelable: true}));
      target.dispatchEvent(new KeyboardEvent('keyup', {key: 'a', keyCode: 65, bubbles: true, cancelable: true}));
    }
    return performance.now() - t0;
  }
  var bare = document.createElement('input');
  var seen = 0;
  bare.addEventListener('keydown', function (e) { seen += e.keyCode; });
  document.body.appendChild(bare);
  bare.focus();
  // For scale: a bare <input> whose listener inserts the key itself, as the element does (a
  // dispatched event inserts nothing on its own).
  var inserting = document.createElement('input');
  inserting.addEventListener('keydown', function (e) {
    e.preventDefault();
    this.setRangeText(e.key, this.selectionStart, this.selectionEnd, 'end');
  });
  document.body.appendChild(inserting);
  var el = document.getElementById('upper');
  var input = el.shadowRoot.querySelector('input');
  // One warm-up round each, then the measured rounds.
  events(bare); el.Text = ''; input.focus(); events(input); el.Text = '';
  bare.focus();
  var bareMs = events(bare);
  input.focus();
  var elementMs = events(input);
  inserting.focus();
  events(inserting); inserting.value = '';
  var insertingMs = events(inserting);
  return {bare: bareMs, element: elementMs, inserting: insertingMs, length: el.Text.length,
          seen: seen > 0};
})()
""" % KEYS


def main():
    page_dir = os.path.abspath(sys.argv[1])
    sizes = {}
    for name in ("tessivra-elements.wasm", "tessivra-elements.js"):
        with open(os.path.join(page_dir, name), "rb") as f:
            sizes[name] = len(gzip.compress(f.read(), 9))
    total = sum(sizes.values())
    for name, size in sizes.items():
        print("%-24s %7.1f KB gzipped" % (name, size / 1024))
    print("elements, WebAssembly and script: %.1f KB gzipped (budget 300 KB, %.2f of it)"
          % (total / 1024, total / (300 * 1024)))

    browser = Browser()
    try:
        target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        browser.session = browser.send("Target.attachToTarget",
                                       {"targetId": target, "flatten": True})["sessionId"]
        browser.send("Page.enable")
        browser.send("Runtime.enable")
        browser.send("Page.navigate", {"url": "file://" + page_dir + "/index.html"})
        for _ in range(100):
            if browser.evaluate("!!customElements.get('tessivra-form')"):
                break
            time.sleep(0.1)
        r = browser.evaluate(MEASURE)
    finally:
        browser.close()
    if r["length"] != KEYS:
        print("the element took %d of %d keys" % (r["length"], KEYS))
        return 1
    print("%d keys: bare <input> %.1f ms, <tessivra-texto-em-maiusculo> %.1f ms: %.2f times "
          "(budget 1.5)" % (KEYS, r["bare"], r["element"], r["element"] / r["bare"]))
    print("for scale, a bare <input> inserting each key itself: %.1f ms; the element %.2f times "
          "that" % (r["inserting"], r["element"] / r["inserting"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
