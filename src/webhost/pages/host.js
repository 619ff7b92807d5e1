// The engine's page. It runs the one copy of the engine that every player
// shares. Each window with animation controls shows a stage, a window this
// page opens, and each control's player (its slot) is put on that stage
// where the control is. The program asks over the bridge for stages, slots,
// places and movies ("" blanks a slot); the page answers with a note when a
// movie's first frame is on screen. A movie's commands leave through its
// stage's own window (see stage.js), never through this page.
(function () {
  "use strict";
  const openWindow = window.open.bind(window);
  const canvasFrames = window.canvasFrames;
  // Nothing but this script opens windows.
  window.open = function () { return null; };

  let bridge = null;

  const stages = new Map(); // stage → { token, window }
  const slots = new Map(); // slot → { stage, box, place, player, url, movie, generation, … }

  // This page is never shown, so it gets no animation frames of its own and
  // must not pause the players when it is found hidden: the engine's frame
  // requests are served by whichever stage is on screen.
  window.addEventListener("visibilitychange", function (event) { event.stopImmediatePropagation(); }, true);
  const frameCallbacks = new Map();
  let nextFrameId = 1;
  let frameSource = null; // { window, timer } of the step waited for

  // The players keep step: they are all given one clock, which advances in
  // whole frames of the fastest movie playing, and between two steps the
  // page asks for no screen frames at all. Each player runs its frames when
  // that clock has gone on by one of its own; players of equal frame rate
  // draw in the same screen frame, and nothing runs sixty times a second.
  // A new player's first request is answered at once (its clock starts
  // there, in step). The tiny excess per step keeps rounding from ever
  // leaving a player just short of its next frame.
  const seenCallbacks = new WeakSet();
  // No player steps faster than the screen refreshes (60 Hz on the school
  // machines' displays): a faster movie's extra frames could never be seen.
  const maxFrameRate = 60;
  let step = 1000 / maxFrameRate; // milliseconds of the fastest movie's frame
  let stepIndex = -Infinity;
  let playerClock = 0;

  function setStep() {
    let fastest = 0;
    for (const slot of slots.values()) {
      const api = slot.player && slot.player.ruffle();
      const rate = api && api.metadata ? Number(api.metadata.frameRate) : 0;
      if (rate > 0)
        fastest = Math.max(fastest, Math.min(rate, maxFrameRate));
    }
    step = 1000 / (fastest || maxFrameRate);
    stepIndex = -Infinity;
  }

  function visibleStageWindow() {
    for (const stage of stages.values()) {
      const w = stage.window;
      if (w && !w.closed && w.document.visibilityState === "visible")
        return w;
    }
    return null;
  }

  function waitingForFirstFrame() {
    for (const callback of frameCallbacks.values()) {
      if (!seenCallbacks.has(callback))
        return true;
    }
    return false;
  }

  // The engine is one WebAssembly instance for every player: once it fails
  // (a panic, its memory at its maximum) it cannot be trusted again, and
  // every player shows the engine's panic panel. The host is told once, with
  // the player that was running when it failed, where that is known: each
  // player's frames come from a callback of its own, matched to its player
  // by the canvas the callback draws on. A callback that fails before it
  // ever drew is the only player's whose callback is not known yet, if just
  // one is in that case (a new movie failing on its first frame).
  const callbackPlayers = new WeakMap(); // frame callback → player
  const playersWithCallback = new WeakSet();
  let engineFailed = false;

  function playerOfCanvas(canvas) {
    for (const slot of slots.values()) {
      const root = slot.player && slot.player.shadowRoot;
      if (root && root.contains(canvas))
        return slot.player;
    }
    return null;
  }

  function slotRunning(callback) {
    const player = callbackPlayers.get(callback);
    const candidates = [];
    for (const [id, slot] of slots) {
      if (slot.player && (player ? slot.player === player : !playersWithCallback.has(slot.player)))
        candidates.push(id);
    }
    return candidates.length === 1 ? candidates[0] : 0;
  }

  function reportEngineFailure(culprit) {
    if (engineFailed)
      return;
    engineFailed = true;
    const slot = slots.get(culprit);
    if (bridge)
      bridge.engineFailed(slot ? culprit : 0, slot ? slot.movie : 0);
  }

  function runFrame(callback) {
    seenCallbacks.add(callback);
    canvasFrames.begin();
    try {
      callback(playerClock);
    } catch (error) {
      console.error(error);
      if (error instanceof WebAssembly.RuntimeError)
        reportEngineFailure(slotRunning(callback));
    } finally {
      canvasFrames.end();
      if (!callbackPlayers.has(callback)) {
        for (const canvas of canvasFrames.canvases) {
          const player = playerOfCanvas(canvas);
          if (player) {
            callbackPlayers.set(callback, player);
            playersWithCallback.add(player);
          }
        }
      }
    }
  }

  function requestFrame() {
    if (frameCallbacks.size === 0)
      return;
    if (frameSource && !frameSource.window.closed && frameSource.window.document.visibilityState === "visible")
      return;
    const w = visibleStageWindow();
    frameSource = null;
    if (!w)
      return; // asked again when a stage comes on screen
    const source = frameSource = { window: w, timer: 0 };
    const wait = waitingForFirstFrame() ? 0 : (stepIndex + 1) * step - performance.now();
    source.timer = w.setTimeout(function () {
      if (frameSource !== source)
        return;
      frameSource = null;
      const index = Math.floor(performance.now() / step);
      const stepped = index > stepIndex;
      if (stepped) {
        if (stepIndex !== -Infinity)
          playerClock += (index - stepIndex) * step * (1 + 1e-9);
        stepIndex = index;
      }
      const due = [];
      for (const [id, callback] of frameCallbacks) {
        if (stepped || !seenCallbacks.has(callback)) {
          due.push(callback);
          frameCallbacks.delete(id);
        }
      }
      due.forEach(runFrame);
      requestFrame();
    }, Math.max(0, wait));
  }

  window.requestAnimationFrame = function (callback) {
    const id = nextFrameId++;
    frameCallbacks.set(id, callback);
    // A new player is not kept waiting for the next step.
    if (frameSource && !seenCallbacks.has(callback)) {
      frameSource.window.clearTimeout(frameSource.timer);
      frameSource = null;
    }
    requestFrame();
    return id;
  };
  window.cancelAnimationFrame = function (id) {
    frameCallbacks.delete(id);
  };

  // Nobody can see the slot's control: its player stops where it is (the engine
  // suspends its frames, scripts and sound) and goes on from there once the
  // slot is seen again. A player already suspended otherwise is left so.
  function showOrHide(slot) {
    if (slot.box)
      slot.box.style.visibility = slot.onScreen ? "" : "hidden";
  }

  function pauseOrResume(slot) {
    showOrHide(slot);
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

  function stageWindow(slot) {
    const stage = stages.get(slot.stage);
    return stage && stage.window && !stage.window.closed ? stage.window : null;
  }

  // The slot's box on its stage, made once the stage's window is there.
  function place(slot) {
    const w = stageWindow(slot);
    if (!w)
      return null;
    if (!slot.box) {
      slot.box = w.document.createElement("div");
      slot.box.className = "player";
      w.document.body.appendChild(slot.box);
    }
    const [x, y, width, height] = slot.place;
    Object.assign(slot.box.style, { left: x + "px", top: y + "px", width: width + "px", height: height + "px" });
    return slot.box;
  }

  function show(id) {
    const slot = slots.get(id);
    if (!slot)
      return;
    const mine = ++slot.generation;
    slot.noteFirstFrame = null;
    blank(slot);
    const w = stageWindow(slot), url = slot.url, movie = slot.movie, renderer = slot.renderer;
    const box = place(slot);
    if (!w || !box || !url)
      return;
    const player = window.RufflePlayer.newest().createPlayer();
    slot.player = player;
    // Drawn by software OpenGL, the engine would put up a notice (in
    // English) about hardware acceleration at the first pointer over it.
    if (player.shadowRoot) {
      const style = document.createElement("style");
      style.textContent = "#hardware-acceleration-modal { display: none !important; }";
      player.shadowRoot.appendChild(style);
    }
    box.appendChild(player);
    showOrHide(slot);
    const api = player.ruffle();
    api.addFSCommandHandler(function (command, args) {
      if (mine === slot.generation && typeof w.sendCommand === "function")
        w.sendCommand(id, movie, String(command), args === undefined || args === null ? "" : String(args));
      return true;
    });
    // A movie the engine cannot play shows what a missing one shows:
    // nothing (the engine would put up its own panel, in English). The
    // panel is caught as it is added, before it is ever drawn.
    const watch = new MutationObserver(function () {
      const root = player.shadowRoot;
      if (!root)
        return;
      if (root.getElementById("panic")) {
        watch.disconnect();
        reportEngineFailure(0);
        return;
      }
      if (!root.getElementById("message-overlay"))
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
      setStep();
      pauseOrResume(slot);
      slot.noteFirstFrame = function () {
        // Two of the stage's own animation frames: the first frame has then
        // been drawn where the user sees it. A player out of sight notes it
        // once it is back.
        w.requestAnimationFrame(function () {
          w.requestAnimationFrame(function () {
            if (mine !== slot.generation || !bridge || !slot.onScreen)
              return;
            slot.noteFirstFrame = null;
            bridge.firstFrame(id, movie);
          });
        });
      };
      if (slot.onScreen)
        slot.noteFirstFrame();
    });
    api.load({ url: url, preferredRenderer: renderer || "canvas" }).catch(function () {});
  }

  // Each stage's window calls this as it loads, with the token its address
  // carries: windows are matched to stages by token, whatever order they
  // open in.
  window.stageReady = function (token, w) {
    let id = 0, stage = null;
    for (const [key, value] of stages) {
      if (value.token === token) {
        id = key;
        stage = value;
      }
    }
    if (!stage || stage.window)
      return;
    stage.window = w;
    w.document.addEventListener("visibilitychange", requestFrame);
    requestFrame();
    for (const [slotId, slot] of slots) {
      if (slot.stage === id)
        show(slotId);
    }
  };

  // The program's channel is this script's alone (see channel.js).
  openProgramChannel(function (channel) {
    bridge = channel.objects.bridge;
    bridge.stageRequested.connect(function (id, address) {
      stages.set(id, { token: new URL(address).hash.slice(1), window: null });
      openWindow(address, "_blank");
    });
    bridge.stageClosed.connect(function (id) {
      stages.delete(id);
      requestFrame();
    });
    bridge.slotRequested.connect(function (id, stage) {
      slots.set(id, { stage: stage, box: null, place: [0, 0, 0, 0], player: null, url: "", movie: 0,
                      generation: 0, onScreen: true, pausedHere: false, noteFirstFrame: null });
    });
    bridge.slotPlaced.connect(function (id, x, y, width, height) {
      const slot = slots.get(id);
      if (!slot)
        return;
      slot.place = [x, y, width, height];
      place(slot);
    });
    bridge.slotFocused.connect(function (id) {
      const slot = slots.get(id);
      if (slot && slot.player)
        slot.player.focus({ preventScroll: true });
    });
    bridge.movieRequested.connect(function (id, url, movie, renderer) {
      const slot = slots.get(id);
      if (!slot)
        return;
      slot.url = url;
      slot.movie = movie;
      slot.renderer = renderer;
      show(id);
    });
    bridge.slotShown.connect(function (id, shown) {
      const slot = slots.get(id);
      if (!slot)
        return;
      slot.onScreen = shown;
      pauseOrResume(slot);
      if (shown && slot.noteFirstFrame)
        slot.noteFirstFrame();
    });
    bridge.slotClosed.connect(function (id) {
      const slot = slots.get(id);
      if (!slot)
        return;
      slot.generation++;
      blank(slot);
      if (slot.box)
        slot.box.remove();
      slots.delete(id);
      setStep();
      requestFrame();
    });
    // The host asks now and then whether the page still answers: a page
    // whose engine never returns is replaced.
    bridge.pinged.connect(function (serial) {
      bridge.pong(serial);
    });
    bridge.ready();
  });
})();
