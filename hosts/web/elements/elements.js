// The custom elements, one per class of the library, defined once the module is ready. Each
// element holds one control in its shadow root; its properties are JS properties and attributes
// read and written through the control's dispatcher, its events DOM events named as the
// control's (KeyPress, Change...) whose detail holds the arguments a listener may change.
(function () {
  "use strict";
  var TWIPS_PER_PIXEL = 15;

  function check(result) {
    if (result && result.error !== undefined) {
      var e = new Error(result.error);
      e.code = result.code;
      throw e;
    }
    return result.value;
  }

  // An attribute's text as a value of the property's type: a Boolean attribute is true when
  // present, unless it says "false" or "0".
  function fromAttribute(type, text) {
    if (type === "Boolean") return text !== null && text !== "false" && text !== "0";
    if (text === null) return undefined;
    if (type === "Integer" || type === "Long") {
      var n = Number(text);
      return text.trim() !== "" && Number.isInteger(n) ? n : text;
    }
    if (type === "Single") {
      var f = Number(text);
      return text.trim() !== "" && Number.isFinite(f) ? f : text;
    }
    return text;
  }

  function defineClass(info) {
    var attributes = {}; // attribute name -> property
    info.properties.forEach(function (p) {
      if (p.let && ["Font", "Picture", "Object"].indexOf(p.type) < 0)
        attributes[p.name.toLowerCase()] = p;
    });
    var isText = info.properties.some(function (p) { return p.name === "Text" && p.let; });

    var Element = class extends HTMLElement {
      static get observedAttributes() { return Object.keys(attributes); }
      constructor() {
        super();
        var root = this.attachShadow({ mode: "open", delegatesFocus: true });
        var style = document.createElement("style");
        style.textContent = ":host{display:inline-block;position:relative;vertical-align:top}" +
          ":host([hidden]){display:none}";
        root.appendChild(style);
        this._surface = document.createElement("div");
        root.appendChild(this._surface);
        this._handle = 0;
        this._reflecting = false;
        if (isText && this.attachInternals) this._internals = this.attachInternals();
      }
      connectedCallback() {
        if (this._handle) return;
        this._handle = check(Module.tessivraCreate(info.progId, this._surface, this));
        // Attributes written in the page's markup are the control's first settings.
        for (var i = 0; i < this.attributes.length; ++i) {
          var a = this.attributes[i];
          if (attributes[a.name]) this.attributeChangedCallback(a.name, null, a.value);
        }
        this._sync();
      }
      disconnectedCallback() {
        if (!this._handle) return;
        Module.tessivraDestroy(this._handle);
        this._handle = 0;
      }
      attributeChangedCallback(name, old, text) {
        if (!this._handle || this._reflecting) return;
        var p = attributes[name];
        check(Module.tessivraSet(this._handle, p.name, fromAttribute(p.type, text)));
      }
      // The control reported a changed property: its attribute follows.
      tessivraChanged(property) {
        var p = attributes[property.toLowerCase()];
        if (p && p.get) {
          var v = Module.tessivraGet(this._handle, p.name);
          if (v.error === undefined) {
            this._reflecting = true;
            if (p.type === "Boolean") this.toggleAttribute(p.name.toLowerCase(), !!v.value);
            else this.setAttribute(p.name.toLowerCase(), String(v.value));
            this._reflecting = false;
          }
        }
        if (property === "Text") this._sync();
      }
      // A message box this control showed is its check failing: the element is invalid with
      // the box's words until the text changes.
      tessivraMessage(prompt) {
        if (this._internals)
          this._internals.setValidity({ typeMismatch: true }, prompt, this._anchor());
      }
      tessivraValid() { if (this._internals) this._internals.setValidity({}); }
      // The control's events are made into DOM events only for the types someone listens to on
      // the element itself: a key raises four of them, and a page rarely hears them all.
      addEventListener(type, listener, options) {
        if (!this.tessivraListened) this.tessivraListened = {};
        this.tessivraListened[type] = true;
        super.addEventListener(type, listener, options);
      }
      _anchor() { return this._surface.querySelector("input") || undefined; }
      _sync() {
        if (!this._internals || !this._handle) return;
        var text = Module.tessivraGet(this._handle, "Text");
        if (text.error !== undefined) return;
        this._internals.setFormValue(text.value);
      }
      // Form association: the text takes part in submission; a reset empties it.
      formResetCallback() { if (this._handle) this.Text = ""; }
      get form() { return this._internals ? this._internals.form : null; }
      get validity() { return this._internals ? this._internals.validity : undefined; }
      get validationMessage() { return this._internals ? this._internals.validationMessage : ""; }
      checkValidity() { return this._internals ? this._internals.checkValidity() : true; }
      reportValidity() { return this._internals ? this._internals.reportValidity() : true; }
      // Loads the control from a property bag kept as JSON.
      tessivraLoad(json) { check(Module.tessivraLoad(this._handle, json)); this._sync(); }
      tessivraSave() { return check(Module.tessivraSave(this._handle)); }
      tessivraResize(widthTwips, heightTwips) {
        check(Module.tessivraResize(this._handle, widthTwips, heightTwips));
      }
    };
    if (isText) Element.formAssociated = true;
    info.properties.forEach(function (p) {
      Object.defineProperty(Element.prototype, p.name, {
        get: function () { return check(Module.tessivraGet(this._handle, p.name)); },
        set: function (v) { check(Module.tessivraSet(this._handle, p.name, v)); },
        configurable: true
      });
    });
    info.methods.forEach(function (m) {
      Element.prototype[m] = function () {
        return check(Module.tessivraCall(this._handle, m, Array.prototype.slice.call(arguments)));
      };
    });
    if (isText) {
      // A change of the text clears a failed check and updates the form's value.
      var connected = Element.prototype.connectedCallback;
      Element.prototype.connectedCallback = function () {
        connected.call(this);
        if (this._listening) return;
        this._listening = true;
        // The form's value follows the text when it can be read: when the element is left, and
        // when the form gathers its data; not at every key, which would cost the whole text.
        HTMLElement.prototype.addEventListener.call(this, "focusout", function () { this._sync(); });
        var form = this._internals && this._internals.form, element = this;
        if (form)
          form.addEventListener("formdata", function (e) {
            element._sync();
            var name = element.getAttribute("name");
            if (name) e.formData.set(name, element.Text);
          });
      };
    }
    customElements.define(info.tag, Element);
    return info;
  }

  // <tessivra-form src="form.json">: each control of the form file placed at its position.
  class TessivraForm extends HTMLElement {
    static get observedAttributes() { return ["src"]; }
    attributeChangedCallback() { if (this.isConnected) this._load(); }
    connectedCallback() {
      // Set here, not in the constructor: an element being created may not gain attributes.
      this.style.position = "relative";
      this.style.display = "block";
      this._load();
    }
    _load() {
      var src = this.getAttribute("src");
      if (!src || this._loading === src) return;
      this._loading = src;
      var form = this;
      fetch(src)
        .then(function (r) {
          if (!r.ok) throw new Error(src + ": " + r.status + " " + r.statusText);
          return r.json();
        })
        .then(function (doc) { form.build(doc); })
        .catch(function (e) {
          form.dataset.error = String(e.message || e);
          form.dispatchEvent(new CustomEvent("error", { detail: { message: form.dataset.error } }));
        });
    }
    // Builds the form from a parsed form file; every field is checked before anything is made.
    build(doc) {
      if (!doc || !Array.isArray(doc.controls)) throw new Error("a form file lists its controls");
      var byProgId = {};
      Module.tessivraClassList.forEach(function (c) { byProgId[c.progId.toLowerCase()] = c; });
      var plan = doc.controls.map(function (c, i) {
        var where = "control " + (i + 1);
        if (typeof c !== "object" || c === null) throw new Error(where + " is not an object");
        var cls = typeof c.progId === "string" && byProgId[c.progId.toLowerCase()];
        if (!cls) throw new Error(where + ": no class " + JSON.stringify(c.progId));
        ["left", "top", "width", "height"].forEach(function (k) {
          if (!Number.isFinite(c[k]) || c[k] < (k === "width" || k === "height" ? 0 : -2147483648) ||
              c[k] > 2147483647)
            throw new Error(where + ": " + k + " must be a number of twips");
        });
        if (c.bag !== undefined && (typeof c.bag !== "object" || !Array.isArray(c.bag.entries)))
          throw new Error(where + ": its bag has no list of entries");
        return { c: c, cls: cls };
      });
      this.textContent = "";
      var form = this;
      plan.forEach(function (p) {
        var el = document.createElement(p.cls.tag);
        if (typeof p.c.name === "string") el.id = p.c.name;
        el.style.position = "absolute";
        el.style.left = p.c.left / TWIPS_PER_PIXEL + "px";
        el.style.top = p.c.top / TWIPS_PER_PIXEL + "px";
        form.appendChild(el);
        if (p.c.bag) el.tessivraLoad(JSON.stringify(p.c.bag));
        el.tessivraResize(p.c.width, p.c.height);
      });
      this.dispatchEvent(new CustomEvent("load"));
    }
  }

  function defineAll() {
    Module.tessivraClassList = Module.tessivraClasses().map(defineClass);
    customElements.define("tessivra-form", TessivraForm);
    document.dispatchEvent(new CustomEvent("tessivra-ready"));
  }

  var previous = Module.onRuntimeInitialized;
  Module.onRuntimeInitialized = function () {
    if (previous) previous();
    defineAll();
  };
})();
