// The program's web channel, opened as both the engine's page and every
// stage open it: once the channel listens, the transport is locked, so that
// no other script of the page can take the program's messages over.
Object.defineProperty(window, "openProgramChannel", {
  value: function (onOpen) {
    "use strict";
    const transport = qt.webChannelTransport;
    new QWebChannel(transport, onOpen);
    Object.defineProperty(transport, "onmessage",
                          { value: transport.onmessage, writable: false, configurable: false });
  },
  writable: false,
  configurable: false
});
