// Set up before the engine loads: how our own scheme's files are fetched,
// and the engine's options for every player. Kept out of the page itself:
// the page's content security policy runs no inline script, so a movie
// cannot smuggle any in.
// Qt 6.4 custom schemes do not answer fetch(); the engine loads its
// WebAssembly and the movies with it, so route our own scheme through
// XMLHttpRequest, which they do answer. As a blob the bytes stay out of
// this page's thread and stream straight to the WebAssembly compiler: the
// players start about half a second sooner than through an ArrayBuffer.
(function () {
  const nativeFetch = window.fetch.bind(window);
  window.fetch = function (input, init) {
    const url = new URL(String(typeof input === "string" ? input : (input && input.url) || input),
                        location.href).href;
    if (!url.startsWith(location.protocol))
      return nativeFetch(input, init);
    return new Promise(function (resolve, reject) {
      const request = new XMLHttpRequest();
      request.open("GET", url);
      request.responseType = "blob";
      request.onload = function () {
        if (request.status !== 0 && request.status !== 200) {
          reject(new TypeError("failed to load " + url));
          return;
        }
        const type = url.endsWith(".wasm") ? "application/wasm"
                   : (request.getResponseHeader("Content-Type") || "application/octet-stream");
        resolve(new Response(request.response, { status: 200, headers: { "Content-Type": type } }));
      };
      request.onerror = function () { reject(new TypeError("failed to load " + url)); };
      request.send();
    });
  };
})();
// The menu takes no gamepad input: asking for gamepads (the engine does on
// every frame) would start the browser polling them sixty times a second
// for as long as the page lives.
Object.defineProperty(Navigator.prototype, "getGamepads", { value: function () { return []; } });
// A movie frame that draws exactly what the one before drew is not drawn
// again: most menu animations stand still most of the time, and the engine
// draws every frame in full at the movie's frame rate, which costs the
// page, its compositor and the window a redraw each time.
//
// While a player draws a frame (the engine's page brackets each frame with
// begin() and end()), the drawing calls on its canvas are only recorded,
// each with a snapshot of what its arguments were at the time: numbers and
// strings as they are, a path as the list of what it was built from (the
// engine builds every outline's path anew each frame, from the shape's
// path and a matrix), a gradient by identity and its colour stops. At the
// end of the frame the calls are compared with the previous frame's; the
// same calls on a canvas the frame begins by filling entirely ("copy")
// leave the canvas as it is, and are dropped. Anything whose effect the
// recorder cannot see in the calls themselves draws the frame as it comes,
// and that frame is never dropped: an image, a pattern, text, a call whose
// answer the engine reads, and a filter that names an SVG element (the
// engine draws colour effects on gradients and bitmaps through one SVG
// colour-matrix filter whose values it rewrites for each object: a delayed
// call would take whatever values were written last).
window.canvasFrames = (function () {
  const context = CanvasRenderingContext2D.prototype;
  const recorded = new Set(["resetTransform", "setTransform", "transform", "translate", "scale", "rotate",
                            "save", "restore", "fill", "stroke", "fillRect", "clearRect", "strokeRect",
                            "beginPath", "closePath", "moveTo", "lineTo", "bezierCurveTo", "quadraticCurveTo",
                            "rect", "arc", "arcTo", "ellipse", "clip", "setLineDash"]);
  const recordedSettings = new Set(["fillStyle", "strokeStyle", "globalAlpha", "globalCompositeOperation",
                                    "lineWidth", "lineCap", "lineJoin", "miterLimit", "lineDashOffset",
                                    "imageSmoothingEnabled", "imageSmoothingQuality", "filter"]);
  // Calls that only make an object and leave the canvas and its state as
  // they are.
  const makers = new Set(["createLinearGradient", "createRadialGradient", "createConicGradient"]);
  const methods = new Map();
  const setters = new Map();
  const canvasOf = Object.getOwnPropertyDescriptor(context, "canvas").get;
  const NativePath2D = window.Path2D;
  const NativeDOMMatrixReadOnly = window.DOMMatrixReadOnly;
  // What each path was built from, in order: { name, args } with the
  // arguments' snapshots; a path the recorder cannot describe has none.
  const builtFrom = new WeakMap();
  const edits = new WeakMap(); // gradient → number of colour stops added
  // Paths and gradients that a call recorded in this frame draws with: they
  // must not change before that call reaches the canvas.
  let pending = new WeakSet();
  const canvases = new WeakMap(); // canvas → { calls, previous, frame }
  let frame = 0;
  let inFrame = false;
  let touched = [];
  const unknown = { unknown: true }; // never the same as anything

  function stateOf(canvas) {
    let state = canvases.get(canvas);
    if (!state) {
      state = { calls: null, previous: null, frame: 0 };
      canvases.set(canvas, state);
    }
    return state;
  }
  // The calls being recorded for this context's canvas, or null when they
  // go straight to the canvas.
  function recording(ctx) {
    const canvas = canvasOf.call(ctx);
    const state = stateOf(canvas);
    if (!inFrame) {
      state.previous = null; // drawn outside a frame: nothing to compare with
      return null;
    }
    if (state.frame !== frame) {
      state.frame = frame;
      state.calls = [];
      touched.push(ctx);
    }
    return state.calls;
  }
  function replay(ctx, calls) {
    for (const call of calls) {
      if (call.setting)
        setters.get(call.name).call(ctx, call.args[0]);
      else
        methods.get(call.name).apply(ctx, call.args);
    }
  }
  // Everything recorded so far reaches the canvases, and the rest of this
  // frame goes straight to them; these frames are not compared.
  function drawNow(ctx, why) {
    window.canvasFrames.asItCame = why;
    const state = stateOf(canvasOf.call(ctx));
    if (state.calls) {
      const calls = state.calls;
      state.calls = null;
      replay(ctx, calls);
    }
    state.previous = null;
  }
  function drawAllNow() {
    for (const ctx of touched)
      drawNow(ctx, "a path or gradient changed");
    pending = new WeakSet();
  }

  // A value as it is now, to compare with another frame's.
  function snapshot(value) {
    if (value === null || (typeof value !== "object" && typeof value !== "function"))
      return value;
    if (value instanceof NativePath2D) {
      const steps = builtFrom.get(value);
      return steps ? { path: value, length: steps.length } : unknown;
    }
    if (value instanceof CanvasGradient)
      return { gradient: value, edits: edits.get(value) || 0 };
    if (NativeDOMMatrixReadOnly && value instanceof NativeDOMMatrixReadOnly)
      return { matrix: value.toFloat64Array().join(",") };
    return unknown;
  }
  function sameSnapshot(x, y) {
    if (x === y)
      return x !== unknown;
    if (x === null || y === null || typeof x !== "object" || typeof y !== "object" || x === unknown || y === unknown)
      return false;
    if (x.path || y.path) {
      if (!x.path || !y.path || x.length !== y.length)
        return false;
      if (x.path === y.path)
        return true;
      const a = builtFrom.get(x.path), b = builtFrom.get(y.path);
      for (let i = 0; i < x.length; ++i) {
        if (!sameStep(a[i], b[i]))
          return false;
      }
      return true;
    }
    if (x.gradient || y.gradient)
      return x.gradient === y.gradient && x.edits === y.edits;
    return x.matrix !== undefined && x.matrix === y.matrix;
  }
  function sameStep(a, b) {
    if (a.name !== b.name || a.args.length !== b.args.length)
      return false;
    for (let j = 0; j < a.args.length; ++j) {
      if (!sameSnapshot(a.args[j], b.args[j]))
        return false;
    }
    return true;
  }
  // Arguments the recorder can replay later and compare: plain values,
  // paths it can describe and gradients.
  function recordable(value) {
    if (value === null || (typeof value !== "object" && typeof value !== "function"))
      return true;
    return (value instanceof NativePath2D && builtFrom.has(value)) || value instanceof CanvasGradient;
  }
  function record(calls, name, args, setting) {
    const snapshots = args.map(snapshot);
    for (const value of args) {
      if (value !== null && typeof value === "object")
        pending.add(value);
    }
    calls.push({ name: name, args: args, setting: setting, snapshots: snapshots });
  }
  function sameCalls(a, b) {
    if (!b || a.length !== b.length)
      return false;
    for (let i = 0; i < a.length; ++i) {
      const x = a[i], y = b[i];
      if (x.name !== y.name || x.setting !== y.setting || x.snapshots.length !== y.snapshots.length)
        return false;
      for (let j = 0; j < x.snapshots.length; ++j) {
        if (!sameSnapshot(x.snapshots[j], y.snapshots[j]))
          return false;
      }
    }
    return true;
  }
  // Whether the frame begins by replacing every pixel of the canvas, so
  // that drawing it again over the last frame gives the last frame: it
  // resets the transform, then (after settings only) fills the whole
  // canvas in "copy" mode.
  function fillsCanvas(calls, canvas) {
    if (calls.length === 0 || calls[0].name !== "resetTransform")
      return false;
    let copy = false;
    for (let i = 1; i < calls.length; ++i) {
      const call = calls[i];
      if (call.setting && call.name === "globalCompositeOperation")
        copy = call.args[0] === "copy";
      else if (call.name === "fillRect")
        return copy && call.args[0] <= 0 && call.args[1] <= 0 && call.args[0] + call.args[2] >= canvas.width
               && call.args[1] + call.args[3] >= canvas.height;
      else if (!call.setting)
        return false;
    }
    return false;
  }

  for (const name of Object.getOwnPropertyNames(context)) {
    const descriptor = Object.getOwnPropertyDescriptor(context, name);
    if (name === "constructor" || name === "canvas")
      continue;
    if (typeof descriptor.value === "function") {
      const method = descriptor.value;
      methods.set(name, method);
      context[name] = function () {
        const calls = recording(this);
        const args = Array.prototype.slice.call(arguments);
        if (calls && recorded.has(name) && args.every(recordable)) {
          record(calls, name, args, false);
          return undefined;
        }
        if (calls && !makers.has(name))
          drawNow(this, name);
        return method.apply(this, args);
      };
    } else if (descriptor.get && descriptor.set) {
      setters.set(name, descriptor.set);
      Object.defineProperty(context, name, {
        configurable: true,
        enumerable: descriptor.enumerable,
        get: function () {
          if (inFrame && stateOf(canvasOf.call(this)).calls)
            drawNow(this, name);
          return descriptor.get.call(this);
        },
        set: function (value) {
          const calls = recording(this);
          const svg = name === "filter" && String(value).indexOf("url(") !== -1;
          if (calls && recordedSettings.has(name) && recordable(value) && !svg) {
            record(calls, name, [value], true);
            return;
          }
          if (calls)
            drawNow(this, name + "=" + String(value));
          descriptor.set.call(this, value);
        },
      });
    }
  }

  // Paths note what they are built from. A path or gradient changed while
  // a recorded call still has to draw with it first draws what was
  // recorded.
  window.Path2D = class Path2D extends NativePath2D {
    constructor(from) {
      super(...arguments);
      const args = arguments.length === 0 ? [] : [snapshot(from)];
      if (args.indexOf(unknown) === -1)
        builtFrom.set(this, [{ name: "new", args: args }]);
    }
  };
  for (const name of Object.getOwnPropertyNames(NativePath2D.prototype)) {
    const method = NativePath2D.prototype[name];
    if (name === "constructor" || typeof method !== "function")
      continue;
    NativePath2D.prototype[name] = function () {
      if (pending.has(this))
        drawAllNow();
      const steps = builtFrom.get(this);
      if (steps) {
        const args = Array.prototype.map.call(arguments, snapshot);
        if (args.indexOf(unknown) === -1)
          steps.push({ name: name, args: args });
        else
          builtFrom.delete(this);
      }
      return method.apply(this, arguments);
    };
  }
  for (const name of Object.getOwnPropertyNames(CanvasGradient.prototype)) {
    const method = CanvasGradient.prototype[name];
    if (name === "constructor" || typeof method !== "function")
      continue;
    CanvasGradient.prototype[name] = function () {
      if (pending.has(this))
        drawAllNow();
      edits.set(this, (edits.get(this) || 0) + 1);
      return method.apply(this, arguments);
    };
  }
  // A canvas given a new size is cleared.
  for (const name of ["width", "height"]) {
    const descriptor = Object.getOwnPropertyDescriptor(HTMLCanvasElement.prototype, name);
    Object.defineProperty(HTMLCanvasElement.prototype, name, {
      configurable: true,
      enumerable: descriptor.enumerable,
      get: descriptor.get,
      set: function (value) {
        const state = canvases.get(this);
        if (state) {
          state.previous = null;
          state.frame = 0;
        }
        descriptor.set.call(this, value);
      },
    });
  }

  return {
    // Frames drawn and frames dropped as unchanged, and what last made a
    // frame draw as it came, for the curious.
    drawn: 0,
    dropped: 0,
    asItCame: "",
    // The canvases the last frame drew on.
    canvases: [],
    begin: function () {
      ++frame;
      inFrame = true;
      touched = [];
      pending = new WeakSet();
      this.canvases = [];
    },
    end: function () {
      inFrame = false;
      for (const ctx of touched) {
        const canvas = canvasOf.call(ctx);
        this.canvases.push(canvas);
        const state = stateOf(canvas);
        const calls = state.calls;
        state.calls = null;
        if (!calls) {
          ++this.drawn; // as it came
          continue;
        }
        if (sameCalls(calls, state.previous)) {
          ++this.dropped;
          continue;
        }
        ++this.drawn;
        replay(ctx, calls);
        state.previous = fillsCanvas(calls, canvas) ? calls : null;
      }
      touched = [];
      pending = new WeakSet();
    },
  };
})();
// The engine keeps bitmaps with their colours premultiplied by their alpha,
// as the movie file holds them, and its canvas renderer hands them to the
// canvas as they are; the canvas takes image data as straight colours, so
// every half-transparent pixel came out too dark (a white at half alpha
// over grey drawn as a mid grey). The data is turned straight as the image
// is made: the WebGL renderer, which draws premultiplied colours as such,
// makes no image data.
(function () {
  const NativeImageData = window.ImageData;
  window.ImageData = class ImageData extends NativeImageData {
    constructor(data) {
      if (!(data instanceof Uint8ClampedArray)) {
        super(...arguments);
        return;
      }
      const straight = new Uint8ClampedArray(data);
      for (let i = 0; i < straight.length; i += 4) {
        const alpha = straight[i + 3];
        if (alpha === 0 || alpha === 255)
          continue;
        const scale = 255 / alpha;
        straight[i] = straight[i] * scale;
        straight[i + 1] = straight[i + 1] * scale;
        straight[i + 2] = straight[i + 2] * scale;
      }
      super(straight, ...Array.prototype.slice.call(arguments, 1));
    }
  };
})();
window.RufflePlayer = window.RufflePlayer || {};
// Movies come from whatever medium the school was handed. They get no
// script access (no ExternalInterface, no "javascript:" addresses), no
// browser interaction and no network of their own; fscommand still reaches
// the page, which hands it to the movie's own control.
// The engine's files sit beside this script.
const enginePublicPath = document.currentScript.src.replace(/[^/]*$/, "");
window.RufflePlayer.config = {
  publicPath: enginePublicPath,
  polyfills: false,
  autoplay: "on",
  unmuteOverlay: "hidden",
  splashScreen: false,
  contextMenu: "off",
  scale: "showAll",
  quality: "high",
  wmode: "window",
  // "ShowAll" as Flash Player did it: the bands beside a movie of
  // other proportions show its own background, not black.
  letterbox: "off",
  // Each movie is drawn by the renderer the host names for it: canvas,
  // which starts at once and costs least, unless the movie draws filters
  // or blend modes only the WebGL renderer has.
  preferredRenderer: "canvas",
  // All players share this page: a movie whose script never ends would
  // stop every animation for the engine's default 15 s (and for good, if it
  // loops on every frame). A menu animation's scripts take microseconds.
  maxExecutionDuration: 1,
  allowScriptAccess: true,
  allowNetworking: "all",
  openUrlMode: "deny",
  upgradeToHttps: false,
  showSwfDownload: false,
  warnOnUnsupportedContent: false,
  logLevel: "error",
};
