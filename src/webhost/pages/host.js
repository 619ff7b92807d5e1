// The engine's page. It runs the one copy of the engine that every player
// shares; each animation control shows a slot, a window this page opens,
// and its player is put in that slot's document. The program asks over the
// bridge for slots and movies ("" blanks a slot); the page answers with a
// note when a movie's first frame is on screen. A movie's commands leave
// through its slot's own window (see slot.js), never through this page.
(function () {
  "use strict";
  const openWindow = window.open.bind(window);
  // Nothing but this script opens windows.
  window.open = function () { return null; };

  let bridge = null;

  function holdTransport(transport) {
    Object.defineProperty(transport, "onmessage",
                          { value: transport.onmessage, writable: false, configurable: false });
  }
  const slots = new Map(); // slot → { token, window, player, url, movie, generation }

  // This page is never shown, so it gets no animation frames of its own and
  // must not pause the players when it is found hidden: the engine's frame
  // requests are served by whichever slot is on screen.
  window.addEventListener("visibilitychange", function (event) { event.stopImmediatePropagation(); }, true);
  const frameCallbacks = new Map();
  let nextFrameId = 1;
  let frameSource = null; // { window } of the request in flight

  function visibleSlotWindow() {
    for (const slot of slots.values()) {
      const w = slot.window;
      if (w && !w.closed && w.document.visibilityState === "visible")
        return w;
    }
    return null;
  }

  function requestFrame() {
    if (frameCallbacks.size === 0)
      return;
    if (frameSource && !frameSource.window.closed && frameSource.window.document.visibilityState === "visible")
      return;
    const w = visibleSlotWindow();
    frameSource = null;
    if (!w)
      return; // asked again when a slot comes on screen
    const source = frameSource = { window: w };
    w.requestAnimationFrame(function (time) {
      if (frameSource !== source)
        return;
      frameSource = null;
      const callbacks = Array.from(frameCallbacks.values());
      frameCallbacks.clear();
      const now = time + w.performance.timeOrigin - performance.timeOrigin;
      for (const callback of callbacks) {
        try {
          callback(now);
        } catch (error) {
          console.error(error);
        }
      }
      requestFrame();
    });
  }

  window.requestAnimationFrame = function (callback) {
    const id = nextFrameId++;
    frameCallbacks.set(id, callback);
    requestFrame();
    return id;
  };
  window.cancelAnimationFrame = function (id) {
    frameCallbacks.delete(id);
  };

  // Nobody can see the slot: its player stops where it is (the engine
  // suspends its frames, scripts and sound) and goes on from there once the
  // slot is seen again. A player already suspended otherwise is left so.
  function pauseOrResume(slot) {
    const api = slot.player && slot.player.ruffle();
    if (!api)
      return;
    if (!slot.onScreen && !api.suspended) {
      api.suspend();
      slot.pausedHere = true;
    } else if (slot.onScreen && slot.pausedHere) {
      slot.pausedHere = false;
      api.resume();
    }
  }

  function blank(slot) {
    if (slot.player) {
      slot.player.remove();
      slot.player = null;
    }
  }

  function show(id) {
    const slot = slots.get(id);
    if (!slot)
      return;
    const mine = ++slot.generation;
    blank(slot);
    const w = slot.window, url = slot.url, movie = slot.movie;
    if (!w || w.closed || !url)
      return;
    const player = window.RufflePlayer.newest().createPlayer();
    slot.player = player;
    w.document.getElementById("stage").appendChild(player);
    const api = player.ruffle();
    api.addFSCommandHandler(function (command, args) {
      if (mine === slot.generation && typeof w.sendCommand === "function")
        w.sendCommand(movie, String(command), args === undefined || args === null ? "" : String(args));
      return true;
    });
    // A movie the engine cannot play shows what a missing one shows:
    // nothing (the engine would put up its own panel, in English). The
    // panel is caught as it is added, before it is ever drawn.
    const watch = new MutationObserver(function () {
      const root = player.shadowRoot;
      if (!root || !(root.getElementById("panic") || root.getElementById("message-overlay")))
        return;
      watch.disconnect();
      if (mine !== slot.generation)
        return;
      blank(slot);
      if (bridge)
        bridge.movieFailed(id, movie);
    });
    if (player.shadowRoot)
      watch.observe(player.shadowRoot, { childList: true, subtree: true });
    slot.pausedHere = false;
    player.addEventListener("loadeddata", function () {
      pauseOrResume(slot);
      // Two of the slot's own animation frames: the first frame has then
      // been drawn where the user sees it.
      w.requestAnimationFrame(function () {
        w.requestAnimationFrame(function () {
          if (mine === slot.generation && bridge)
            bridge.firstFrame(id, movie);
        });
      });
    });
    api.load({ url: url }).catch(function () {});
  }

  // Each slot window calls this as it loads, with the token its address
  // carries: windows are matched to slots by token, whatever order they
  // open in.
  window.slotReady = function (token, w) {
    let id = 0, slot = null;
    for (const [key, value] of slots) {
      if (value.token === token) {
        id = key;
        slot = value;
      }
    }
    if (!slot || slot.window)
      return;
    slot.window = w;
    w.document.addEventListener("visibilitychange", requestFrame);
    requestFrame();
    show(id);
  };

  // The program's channel is this script's alone: once it listens, no other
  // script of the page can take the transport's messages over.
  const transport = qt.webChannelTransport;
  new QWebChannel(transport, function (channel) {
    bridge = channel.objects.bridge;
    bridge.slotRequested.connect(function (id, address) {
      const token = new URL(address).hash.slice(1);
      slots.set(id, { token: token, window: null, player: null, url: "", movie: 0, generation: 0,
                      onScreen: true, pausedHere: false });
      openWindow(address, "_blank");
    });
    bridge.movieRequested.connect(function (id, url, movie) {
      const slot = slots.get(id);
      if (!slot)
        return;
      slot.url = url;
      slot.movie = movie;
      show(id);
    });
    bridge.slotShown.connect(function (id, shown) {
      const slot = slots.get(id);
      if (!slot)
        return;
      slot.onScreen = shown;
      pauseOrResume(slot);
    });
    bridge.slotClosed.connect(function (id) {
      const slot = slots.get(id);
      if (!slot)
        return;
      slot.generation++;
      blank(slot);
      slots.delete(id);
      requestFrame();
    });
    bridge.ready();
  });
  holdTransport(transport);
})();
