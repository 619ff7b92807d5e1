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
