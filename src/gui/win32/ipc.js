// Added by the web view for every new document, so window.ipc.postMessage
// exists before any script of the page runs. It hands each text to the web
// view's own message channel; anything but a string is dropped here.
Object.defineProperty(window, 'ipc', {
  value: Object.freeze({
    postMessage: function (message) {
      if (typeof message === 'string') window.chrome.webview.postMessage(message);
    },
  }),
});
