#!/usr/bin/env python3
"""End-to-end check of the custom elements in headless Chromium, driven over the DevTools
protocol through --remote-debugging-pipe: the keys are trusted input events, as a user's are.

    check_elements.py PAGE_DIR SHOT_DIR

PAGE_DIR holds index.html and the elements' module; each element's screenshot is written to
SHOT_DIR and checked at known points. Prints one line per check and exits non-zero when any fails.
"""
import base64
import os
import sys
import time

from cdp import Browser, decode_png, near, pixel, type_keys


def main():
    page_dir, shot_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(shot_dir, exist_ok=True)
    failures = []

    def check(what, ok, detail=""):
        print(("ok      " if ok else "FAILED  ") + what + (": " + detail if detail else ""))
        if not ok:
            failures.append(what)

    browser = Browser()
    try:
        target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        browser.session = browser.send("Target.attachToTarget",
                                       {"targetId": target, "flatten": True})["sessionId"]
        browser.send("Page.enable")
        browser.send("Runtime.enable")
        browser.send("Page.navigate", {"url": "file://" + page_dir + "/index.html"})
        for _ in range(100):
            if browser.evaluate("!!customElements.get('tessivra-form') && "
                                "!!document.getElementById('upper').Text !== undefined"):
                break
            time.sleep(0.1)
        else:
            raise RuntimeError("the elements were never defined")

        # Typing into the upper-case element: each character is a trusted key.
        browser.evaluate("document.getElementById('upper').focus()")
        type_keys(browser, "straße")
        type_keys(browser, "µ")
        upper = browser.evaluate("document.getElementById('upper').Text")
        check("upper case of typed keys", upper == "STRAßEµ", repr(upper))
        shown = browser.evaluate(
            "document.getElementById('upper').shadowRoot.querySelector('input').value")
        check("the element's <input> shows the control's text", shown == upper, repr(shown))

        # Leaving a MailText without "@": the check's message box and the element's validity.
        browser.evaluate("document.getElementById('mail').focus()")
        type_keys(browser, "Bad.Address")
        type_keys(browser, "\t")
        dialogs = [e["params"]["message"] for e in browser.events]
        check("leaving a bad address shows one message", len(dialogs) == 1, repr(dialogs))
        invalid = browser.evaluate("document.getElementById('mail').matches(':invalid')")
        check("a bad address makes the element :invalid", invalid is True)
        reported = browser.evaluate("document.getElementById('mail').reportValidity()")
        check("reportValidity() answers false", reported is False)
        mail = browser.evaluate("document.getElementById('mail').Text")
        check("typed capitals arrive in lower case", mail == "bad.address", repr(mail))
        form_value = browser.evaluate(
            "new FormData(document.getElementById('f')).get('mail')")
        check("the address takes part in the form's data", form_value == "bad.address",
              repr(form_value))
        browser.evaluate("var m = document.getElementById('mail'); m.focus();")
        type_keys(browser, "@")
        check("a change of the text clears the failed check",
              browser.evaluate("document.getElementById('mail').matches(':valid')") is True)

        # The currency layout once the amount box is left.
        browser.evaluate("document.getElementById('amount').focus()")
        type_keys(browser, "1234.5")
        type_keys(browser, "\t")
        amount = browser.evaluate("document.getElementById('amount').Text")
        check("the amount is laid out on leaving", amount == "1,234.50", repr(amount))

        # A listener that zeroes KeyAscii cancels the key.
        browser.evaluate("""
            var l = document.getElementById('lower');
            l.addEventListener('KeyPress', function (e) { if (e.detail.KeyAscii === 120) e.detail.KeyAscii = 0; });
            l.focus();""")
        type_keys(browser, "AxB")
        lower = browser.evaluate("document.getElementById('lower').Text")
        check("a listener's KeyAscii = 0 cancels the key", lower == "ab", repr(lower))

        # The elements' script interface: attributes, properties, errors, events, the form.
        api = browser.evaluate(r"""(function () {
          var out = {};
          var t = document.createElement('tessivra-texto-em-minusculo');
          t.setAttribute('maxlength', '3');
          document.body.appendChild(t);
          out.attributeToProperty = t.MaxLength;
          t.Text = 'Kept Whole';
          out.assignedTextKept = t.Text;
          out.textReflected = t.getAttribute('text');
          try { t.MaxLength = 'many'; out.badValue = 'accepted'; }
          catch (e) { out.badValue = e.code; }
          try { t.MaxLength = 1e40; out.hugeValue = 'accepted'; }
          catch (e) { out.hugeValue = e.code; }
          try { t.NoSuchMember = 1; out.unknown = 'accepted'; } catch (e) { out.unknown = 'refused'; }
          out.unknownStaysJs = t.NoSuchMember;
          var codes = [];
          t.addEventListener('KeyDown', function (e) { codes.push(e.detail.KeyCode); });
          t.Text = '';
          var input = t.shadowRoot.querySelector('input');
          input.focus();
          input.dispatchEvent(new KeyboardEvent('keydown', {key: 'q', keyCode: 81, bubbles: true, cancelable: true}));
          out.keyDownDetail = codes;
          out.limitHoldsTyping = t.Text;
          t.remove();
          out.goneThrows = (function () { try { return t.Text; } catch (e) { return 'refused'; } })();

          var form = document.createElement('tessivra-form');
          document.body.appendChild(form);
          form.build({controls: [
            {name: 'c1', progId: 'Tessivra.Moeda', left: 150, top: 300, width: 1500, height: 300,
             bag: {entries: [{key: 'Text', type: 'String', value: '12'}]}},
            {name: 'c2', progId: 'tessivra.mailtext', left: 0, top: 900, width: 2000, height: 300}]});
          var c1 = document.getElementById('c1');
          out.formMade = [c1.localName, c1.style.left, c1.style.top, c1.Text,
                          document.getElementById('c2').localName];
          try { form.build({controls: [{progId: 'Tessivra.Nothing', left: 0, top: 0, width: 1, height: 1}]}); }
          catch (e) { out.badClass = e.message; }
          try { form.build({controls: [{progId: 'Tessivra.Moeda', left: 0, top: 0, width: -5, height: 1}]}); }
          catch (e) { out.badSize = e.message; }
          out.badFileLeftFormAlone = !!document.getElementById('c1');
          try { form.build({controls: [{progId: 'Tessivra.Moeda', left: 0, top: 0, width: 1, height: 1,
                                        bag: {entries: [{key: 'Text', type: 'Integer', value: 99999}]}}]}); }
          catch (e) { out.badBag = e.code; }
          form.remove();
          return out;
        })()""")
        check("an attribute sets its property", api["attributeToProperty"] == 3, repr(api))
        check("MaxLength never cuts an assigned text", api["assignedTextKept"] == "Kept Whole")
        check("a changed property is reflected as its attribute",
              api["textReflected"] == "Kept Whole", repr(api["textReflected"]))
        # The dispatcher's refusal, as IDispatch reports it: DISP_E_TYPEMISMATCH.
        check("a value of the wrong type is refused as a type mismatch",
              api["badValue"] == -2147352571, repr(api["badValue"]))
        check("a number too large is refused with 6", api["hugeValue"] == 6, repr(api["hugeValue"]))
        check("a name the class lacks stays the page's own", api["unknownStaysJs"] == 1)
        check("KeyDown's detail carries the key code", api["keyDownDetail"] == [81],
              repr(api["keyDownDetail"]))
        check("MaxLength holds typing back", api["limitHoldsTyping"] == "q",
              repr(api["limitHoldsTyping"]))
        check("a removed element's control is gone", api["goneThrows"] == "refused")
        check("a form file places each control by ProgId",
              api["formMade"] == ["tessivra-moeda", "10px", "20px", "12", "tessivra-mail-text"],
              repr(api["formMade"]))
        check("an unknown class in a form file is named",
              "Tessivra.Nothing" in api.get("badClass", ""), repr(api.get("badClass")))
        check("a negative size in a form file is refused",
              "width" in api.get("badSize", ""), repr(api.get("badSize")))
        check("a refused form file changes nothing", api["badFileLeftFormAlone"])
        check("a bag value out of its type's range is refused with 6", api.get("badBag") == 6,
              repr(api.get("badBag")))

        # A screenshot of each element, checked at known points.
        browser.evaluate("document.activeElement && document.activeElement.blur()")
        border = (44, 44, 44)
        points = {
            # element: [(x, y, colour, what)] in CSS pixels from the element's top left; a colour
            # of None asks only that something be drawn near there
            "upper": [(0, 5, border, "the box's border"),
                      (4, 10, None, "the text in the box")],
            "lower": [(0, 5, border, "the box's border")],
            "mail": [(0, 5, border, "the box's border")],
            "url": [(0, 5, border, "the box's border"),
                    (256, 12, (0, 128, 0), "the check mark's green on its button")],
            "amount": [(0, 5, border, "the box's border")],
            "count": [(0, 5, border, "the box's border"),
                      (33, 4, (239, 239, 239), "the up arrow's face"),
                      (39, 6, (0, 0, 0), "the up arrow's glyph at the top"),
                      (39, 14, (0, 0, 0), "the down arrow's glyph below it")],
            "clock": [(8, 9, None, "the time's text")],
            "about": [(40, 160, (0, 0, 128), "the logo's dark blue"),
                      (120, 185, (255, 255, 255), "the panel's white below the logo")],
        }
        for name, checks in points.items():
            rect = browser.evaluate(
                "(function(){var r=document.getElementById('%s').getBoundingClientRect();"
                "return [r.left, r.top, r.width, r.height];})()" % name)
            shot = browser.send("Page.captureScreenshot", {
                "format": "png",
                "clip": {"x": rect[0], "y": rect[1], "width": max(rect[2], 1),
                         "height": max(rect[3], 1), "scale": 1}})
            data = base64.b64decode(shot["data"])
            with open(os.path.join(shot_dir, name + ".png"), "wb") as f:
                f.write(data)
            png = decode_png(data)
            check("screenshot of " + name + " is its size",
                  abs(png[0] - rect[2]) <= 1 and abs(png[1] - rect[3]) <= 1,
                  "%dx%d" % (png[0], png[1]))
            for x, y, colour, what in checks:
                if x >= png[0] or y >= png[1]:
                    check(name + ": " + what, False, "outside the element")
                    continue
                got = pixel(png, x, y)
                if colour is None:
                    # Something is drawn there: not the page's white.
                    region = [pixel(png, i, j) for i in range(x, min(x + 40, png[0]))
                              for j in range(max(0, y - 4), min(y + 4, png[1]))]
                    check(name + ": " + what, any(not near(p, (255, 255, 255), 60) for p in region))
                else:
                    check(name + ": " + what, near(got, colour), "colour %s" % (got,))
        clock = browser.evaluate(
            "Array.from(document.getElementById('clock').shadowRoot.querySelectorAll('[data-part]'))"
            ".map(function (e) { return e.textContent; }).join('')")
        check("the clock shows a time", any(ch.isdigit() for ch in clock or ""), repr(clock))
    finally:
        browser.close()
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
