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
// Each player makes a sound output of its own, which the browser feeds
// continuously once it runs, silence included: a few per cent of a core for
// the four players of menu animations that mostly play no sound. An output
// runs as the engine starts its movie (the engine holds the movie back
// while its output is not running), and is suspended a second later unless
// the movie has played a sound; the first sound runs it again. Meanwhile the
// engine's own requests to run it are only noted.
(function () {
  const NativeAudioContext = window.AudioContext;
  if (!NativeAudioContext)
    return;
  const nativeResume = NativeAudioContext.prototype.resume;
  const nativeSuspend = NativeAudioContext.prototype.suspend;
  const sounding = new WeakSet();
  const idle = new WeakSet();
  window.AudioContext = class extends NativeAudioContext {
    constructor(options) {
      super(options);
      setTimeout(() => {
        if (!sounding.has(this)) {
          idle.add(this);
          nativeSuspend.call(this);
        }
      }, 1000);
    }
    resume() {
      return idle.has(this) ? Promise.resolve() : nativeResume.call(this);
    }
  };
  const nativeStart = AudioScheduledSourceNode.prototype.start;
  AudioScheduledSourceNode.prototype.start = function () {
    const context = this.context;
    sounding.add(context);
    if (idle.has(context)) {
      idle.delete(context);
      nativeResume.call(context);
    }
    return nativeStart.apply(this, arguments);
  };
})();
// A movie frame that draws exactly what the one before drew is not drawn
// again: most menu animations stand still most of the time, and the engine
// draws every frame in full at the movie's frame rate, which costs the
// page, its compositor and the window a redraw each time. While a player
// draws a frame (the engine's page brackets each frame with begin() and
// end()), the drawing calls on its canvas are only recorded. At the end of
// the frame they are compared with the previous frame's: the same calls,
// with the same values and the same unedited paths and gradients, on a
// canvas the frame begins by filling entirely ("copy"), leave the canvas as
// it is, and are dropped. Anything else (an image, a pattern, text, a call
// whose answer the engine reads) draws the frame as it comes.
window.canvasFrames = (function () {
  const context = CanvasRenderingContext2D.prototype;
  const recorded = new Set(["resetTransform", "setTransform", "transform", "translate", "scale", "rotate",
                            "save", "restore", "fill", "stroke", "fillRect", "clearRect", "strokeRect",
                            "beginPath", "closePath", "moveTo", "lineTo", "bezierCurveTo", "quadraticCurveTo",
                            "rect", "arc", "arcTo", "ellipse", "clip", "setLineDash"]);
  const recordedSettings = new Set(["fillStyle", "strokeStyle", "globalAlpha", "globalCompositeOperation",
                                    "lineWidth", "lineCap", "lineJoin", "miterLimit", "lineDashOffset",
                                    "imageSmoothingEnabled", "imageSmoothingQuality", "filter"]);
  const methods = new Map();
  const setters = new Map();
  const canvasOf = Object.getOwnPropertyDescriptor(context, "canvas").get;
  const edits = new WeakMap(); // path or gradient → number of edits
  const canvases = new WeakMap(); // canvas → { calls, previous, frame }
  let frame = 0;
  let inFrame = false;
  let touched = [];

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
  function drawNow(ctx) {
    const state = stateOf(canvasOf.call(ctx));
    if (state.calls) {
      const calls = state.calls;
      state.calls = null;
      replay(ctx, calls);
    }
    state.previous = null;
  }
  function plain(value) {
    return value === null || typeof value !== "object" || value instanceof Path2D || value instanceof CanvasGradient;
  }
  function record(calls, name, args, setting) {
    calls.push({ name: name, args: args, setting: setting,
                 edits: args.map(function (value) { return typeof value === "object" && value ? edits.get(value) || 0 : 0; }) });
  }
  function sameCalls(a, b) {
    if (!b || a.length !== b.length)
      return false;
    for (let i = 0; i < a.length; ++i) {
      const x = a[i], y = b[i];
      if (x.name !== y.name || x.setting !== y.setting || x.args.length !== y.args.length)
        return false;
      for (let j = 0; j < x.args.length; ++j) {
        if (x.args[j] !== y.args[j] || x.edits[j] !== y.edits[j])
          return false;
      }
    }
    return true;
  }
  // Whether the frame begins by replacing every pixel of the canvas, so
  // that drawing it again over the last frame gives the last frame.
  function fillsCanvas(calls, canvas) {
    if (calls.length === 0 || calls[0].name !== "resetTransform")
      return false;
    let copy = false;
    for (let i = 1; i < Math.min(calls.length, 6); ++i) {
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
        if (calls && recorded.has(name) && args.every(plain)) {
          record(calls, name, args, false);
          return undefined;
        }
        if (calls)
          drawNow(this);
        return method.apply(this, args);
      };
    } else if (descriptor.get && descriptor.set) {
      setters.set(name, descriptor.set);
      Object.defineProperty(context, name, {
        configurable: true,
        enumerable: descriptor.enumerable,
        get: function () {
          if (inFrame && stateOf(canvasOf.call(this)).calls)
            drawNow(this);
          return descriptor.get.call(this);
        },
        set: function (value) {
          const calls = recording(this);
          if (calls && recordedSettings.has(name) && plain(value)) {
            record(calls, name, [value], true);
            return;
          }
          if (calls)
            drawNow(this);
          descriptor.set.call(this, value);
        },
      });
    }
  }
  // Paths and gradients can be added to after they are first drawn.
  for (const type of [Path2D, CanvasGradient]) {
    for (const name of Object.getOwnPropertyNames(type.prototype)) {
      const method = type.prototype[name];
      if (name === "constructor" || typeof method !== "function")
        continue;
      type.prototype[name] = function () {
        edits.set(this, (edits.get(this) || 0) + 1);
        return method.apply(this, arguments);
      };
    }
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
    // Frames drawn and frames dropped as unchanged, for the curious.
    drawn: 0,
    dropped: 0,
    begin: function () {
      ++frame;
      inFrame = true;
      touched = [];
    },
    end: function () {
      inFrame = false;
      for (const ctx of touched) {
        const canvas = canvasOf.call(ctx);
        const state = stateOf(canvas);
        const calls = state.calls;
        state.calls = null;
        if (!calls)
          continue;
        if (sameCalls(calls, state.previous)) {
          ++this.dropped;
          continue;
        }
        ++this.drawn;
        replay(ctx, calls);
        state.previous = fillsCanvas(calls, canvas) ? calls : null;
      }
      touched = [];
    },
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
  // No GPU is assumed: the canvas renderer starts at once, where the WebGL
  // ones would first fail to get a context.
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
