// --- The module instance: one set of tables per thread ----------------------------------------
// Controls on one thread shared one set of tables. In a page, that is every frame of one
// top-level page: the first quorvel.js to run keeps its module instance on the top-level window
// (when that is of the same origin) and the others use it. In Node, each module instance of this
// file has its own.

const SHARED_ENGINE = Symbol.for(`quorvel engine ${CLSID}`);

// { instance: the Emscripten module once it is ready, else null; ready: a promise of it }.
function startEngine() {
  const top = topWindow();
  if (top && top[SHARED_ENGINE]) return top[SHARED_ENGINE];
  const started = { instance: null, ready: null };
  const emscriptenModule = {};
  started.ready = new Promise((resolve, reject) => {
    emscriptenModule.onRuntimeInitialized = () => {
      started.instance = emscriptenModule;
      resolve(emscriptenModule);
    };
    emscriptenModule.onAbort = (reason) => reject(new QuorvelError(OBJECT_NOT_SET,
      `the WebAssembly engine could not start: ${messageOf(reason)}`));
  });
  // Ready when this returns, unless the browser refused to compile synchronously
  // (js/instantiate.js). Failures reach `ready` through onAbort, not the factory's own promise.
  createQuorvelModule(emscriptenModule).catch(() => {});
  if (top) top[SHARED_ENGINE] = started;
  return started;
}

// The top-level window of the page this script runs in, when it may be shared; else null.
function topWindow() {
  if (typeof window !== "object" || !isWindow(window)) return null;
  try {
    const top = window.top;
    void top[SHARED_ENGINE];  // throws when the top-level page is of another origin
    return top;
  } catch {
    return null;
  }
}
