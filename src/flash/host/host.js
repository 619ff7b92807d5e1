// One player per page. The control sends the movie address through the
// bridge ("" blanks the page); the page answers with the movie's commands and
// with a note when the first frame of a movie is on screen.
(function () {
  "use strict";
  let bridge = null;
  let player = null;
  let generation = 0;

  function blank() {
    if (player) {
      player.remove();
      player = null;
    }
  }

  function load(url) {
    const mine = ++generation;
    blank();
    if (!url)
      return;
    player = window.RufflePlayer.newest().createPlayer();
    const api = player.ruffle();
    api.addFSCommandHandler(function (command, args) {
      if (mine === generation && bridge)
        bridge.fsCommand(String(command), args === undefined || args === null ? "" : String(args));
      return true;
    });
    player.addEventListener("loadeddata", function () {
      // Two animation frames: the first frame has then been drawn.
      requestAnimationFrame(function () {
        requestAnimationFrame(function () {
          if (mine === generation && bridge)
            bridge.firstFrame(url);
        });
      });
    });
    document.getElementById("stage").appendChild(player);
    api.load({ url: url, allowScriptAccess: true }).catch(function () {});
  }

  new QWebChannel(qt.webChannelTransport, function (channel) {
    bridge = channel.objects.bridge;
    bridge.movieRequested.connect(load);
    bridge.ready();
  });
})();
