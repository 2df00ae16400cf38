// --- The control's exports; this part closes the function opened in js/open.js ---------------
// module.exports in Node (CommonJS), the global `quorvel` in a page, where the page's
// <object classid> controls are upgraded too.

let settleReady;
const ready = new Promise((resolve, reject) => { settleReady = { resolve, reject }; });

// QUORVEL_VERSION: the project's version, written in by the build (wasm/CMakeLists.txt).
const api = Object.freeze({ ready, CQuorvel, QuorvelError, islandIds: ISLAND_IDS, CLSID,
                           version: QUORVEL_VERSION });

const started = startEngine();
engine = started.instance;
if (engine) {
  settleReady.resolve(api);
} else {
  started.ready.then((instance) => {
    engine = instance;
    settleReady.resolve(api);
  }, settleReady.reject);
}

if (typeof module === "object" && module !== null && "exports" in module) {
  module.exports = api;
} else {
  globalThis.quorvel = api;
  if (typeof document === "object" && isWindow(window)) {
    upgradeObjects(document, adoptedClassIds(document.currentScript));
  }
}
})();
