// One control's window onto the engine's page, which opened it: the page
// puts the control's player here. The movie's commands leave through this
// window's own web channel, which the program bound to this one control:
// a command can only ever be the command of the control whose window sent
// it, whatever the page might say.
(function () {
  "use strict";
  let own = null;
  const waiting = [];

  window.sendCommand = function (movie, command, args) {
    const message = [Number(movie), String(command), String(args)];
    if (own)
      own.fsCommand(...message);
    else
      waiting.push(message);
  };

  const transport = qt.webChannelTransport;
  new QWebChannel(transport, function (channel) {
    own = channel.objects.slot;
    for (const message of waiting.splice(0))
      own.fsCommand(...message);
  });
  // No other script of the page can take the channel's messages over.
  Object.defineProperty(transport, "onmessage",
                        { value: transport.onmessage, writable: false, configurable: false });

  if (window.opener && typeof window.opener.slotReady === "function")
    window.opener.slotReady(location.hash.slice(1), window);
})();
