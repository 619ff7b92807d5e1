// A window's stage: the engine's page opened it, and puts on it the player
// of each animation control of that window, where the control is. The
// movies' commands leave through this window's own web channel, which the
// program bound to this one window: a command can only ever be the command
// of a control of the window whose stage sent it, whatever the page says.
(function () {
  "use strict";
  let own = null;
  const waiting = [];

  window.sendCommand = function (slot, movie, command, args) {
    const message = [Number(slot), Number(movie), String(command), String(args)];
    if (own)
      own.fsCommand(...message);
    else
      waiting.push(message);
  };

  // No other script of the page can take the channel over (see channel.js).
  openProgramChannel(function (channel) {
    own = channel.objects.stage;
    for (const message of waiting.splice(0))
      own.fsCommand(...message);
  });

  if (window.opener && typeof window.opener.stageReady === "function")
    window.opener.stageReady(location.hash.slice(1), window);
})();
