// The control's JavaScript face: quorvel.CQuorvel with LoadTables, LoadDataObjects and CalcTaxes,
// synchronous, over the engine compiled above (createQuorvelModule; js/engine.js starts it).
//
// One module instance stands for one thread: every CQuorvel made from it shares the instance's
// reference tables.

// ISLAND_IDS: the data islands of a host page, in the order the engine takes them, written in by
// the build from the C++ library's list (wasm/CMakeLists.txt).

// Error numbers of failures found on this side of the boundary (the engine's own numbers).
const TYPE_MISMATCH = 13;
const OBJECT_NOT_SET = 91;
const ISLAND_MISSING = 1001;
const OUT_OF_MEMORY = 7;

// The one error type of the control: `number` and `description`, as script always saw them.
class QuorvelError extends Error {
  constructor(number, description) {
    super(`error ${number}: ${description}`);
    this.name = "QuorvelError";
    this.number = number;
    this.description = description;
  }
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// The instantiated engine (js/engine.js): at once, or once `ready` has settled where a browser
// refuses to compile it synchronously.
let engine = null;

function readyEngine() {
  if (!engine) {
    throw new QuorvelError(OBJECT_NOT_SET,
      "the WebAssembly engine is not ready yet: await quorvel.ready before using a control");
  }
  return engine;
}

// A value as a message names it: "a number", "null", ...
function kindOf(value) {
  if (value === null) return "null";
  return /^[aeiou]/.test(typeof value) ? `an ${typeof value}` : `a ${typeof value}`;
}

// Half of a surrogate pair without its other half (or the halves the wrong way round).
const LONE_SURROGATE = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/;

// Refuses a string UTF-8 cannot encode, `what` saying which: TextEncoder would write U+FFFD for
// a lone surrogate, and the engine would calculate with that instead.
function checkWellFormed(text, what) {
  if (typeof text.isWellFormed === "function" ? text.isWellFormed() : !LONE_SURROGATE.test(text)) return;
  const position = text.search(LONE_SURROGATE);
  const code = text.charCodeAt(position).toString(16).toUpperCase();
  throw new QuorvelError(TYPE_MISMATCH,
    `${what} cannot be encoded as UTF-8: a lone surrogate U+${code} at position ${position}`);
}

// Copies a string (as UTF-8) or a Uint8Array into the engine's memory: [pointer, size]. The
// pointer is never null, even for no bytes; the caller frees it. `what` names the text in errors.
function copyIn(value, what) {
  if (typeof value === "string") checkWellFormed(value, what);
  const capacity = typeof value === "string" ? value.length * 3 + 1 : value.length + 1;
  const pointer = engine._malloc(capacity);
  if (!pointer) throw new QuorvelError(OUT_OF_MEMORY, "out of memory");
  if (typeof value === "string") {
    const { written } = encoder.encodeInto(value, engine.HEAPU8.subarray(pointer, pointer + capacity));
    return [pointer, written];
  }
  engine.HEAPU8.set(value, pointer);
  return [pointer, value.length];
}

// Throws the failure the engine reported, when `status` is not 0.
function check(status) {
  if (status !== 0) throw new QuorvelError(status, outcomeText());
}

// The text the engine's last call left: its result, or the description of its failure.
function outcomeText() {
  const data = engine._quorvel_outcome_data();
  return decoder.decode(engine.HEAPU8.subarray(data, data + engine._quorvel_outcome_size()));
}

// --- Hosts: where a control finds its six islands -------------------------------------------
// A host is a function (islandId, load) => the island's text (a string or UTF-8 bytes), or
// undefined when it has no such island (the engine then fails the load naming the island).
// `load` is a Map that lives for one load, for what a host finds once and uses for every island.

// A host whose own failure (a function, getter or Proxy that throws) fails the load with 1001,
// like a missing island, before any table is touched.
function guardedHost(what, read) {
  return (islandId, load) => {
    try {
      return read(islandId, load);
    } catch (error) {
      if (error instanceof QuorvelError) throw error;
      throw new QuorvelError(ISLAND_MISSING,
        `island "${islandId}": ${what} failed: ${messageOf(error)}`);
    }
  };
}

// What a thrown value says, even when reading it throws too.
function messageOf(error) {
  try {
    return error instanceof Error ? error.message : String(error);
  } catch {
    return "a failure that cannot be described";
  }
}

// Islands handed out by an object, by identifier: { taxData: "<xml ...", ... }.
function objectHost(islands) {
  return guardedHost("reading it from the host object", (islandId) => islands[islandId]);
}

// Islands handed out by a function (islandId) => text.
function functionHost(islands) {
  return guardedHost("the host function", (islandId) => islands(islandId));
}

// A browser window: the control's page (js/page_host.js).
function isWindow(value) {
  try {
    return value !== null && typeof value === "object" && value.window === value &&
           typeof value.document === "object";
  } catch {
    return false;  // a Proxy or an object whose getters throw: not a window
  }
}

// The host function for what the control was created with.
function hostOf(host) {
  if (host === undefined || host === null) {
    if (typeof window === "object" && isWindow(window)) return pageHost(window);
    throw new QuorvelError(OBJECT_NOT_SET,
      "a control needs a host: outside a page, pass an object or a function that gives the " +
      "island texts by identifier");
  }
  if (typeof host === "function") return functionHost(host);
  if (isWindow(host)) return pageHost(host);
  if (typeof host === "object") return objectHost(host);
  throw new QuorvelError(TYPE_MISMATCH,
    `a control's host must be an object or a function, not ${kindOf(host)}`);
}

// An island's text from the host, checked: a string, bytes, or undefined when absent.
function islandFrom(host, islandId, load) {
  const text = host(islandId, load);
  if (text === undefined || text === null) return undefined;
  if (typeof text === "string" || text instanceof Uint8Array) return text;
  throw new QuorvelError(TYPE_MISMATCH,
    `island "${islandId}": the host gave ${kindOf(text)}, not the island's text`);
}

// --- The control ----------------------------------------------------------------------------

// The sales-tax control. `host`: an object or a function giving the six island texts by
// identifier; in a page, nothing (the page's invis frame) or a window.
class CQuorvel {
  #host;

  constructor(host) {
    this.#host = hostOf(host);
  }

  // Calculates one transaction document: the result rowset, "NODATA" before any load on this
  // module instance, or "NOHEADER". Throws QuorvelError.
  CalcTaxes(pstrLines) {
    const wasm = readyEngine();
    if (typeof pstrLines !== "string") {
      throw new QuorvelError(TYPE_MISMATCH,
        `CalcTaxes: the transaction document must be a text, not ${kindOf(pstrLines)}`);
    }
    const [pointer, size] = copyIn(pstrLines, "CalcTaxes: the transaction document");
    try {
      check(wasm._quorvel_calc_taxes(pointer, size));
      return outcomeText();
    } finally {
      wasm._free(pointer);
    }
  }

  // Loads the reference tables from the host; the same as LoadDataObjects.
  LoadTables() {
    this.LoadDataObjects();
  }

  // Loads the reference tables of this module instance from the host's six islands, replacing
  // them; when it fails they stay as they were. Throws QuorvelError.
  LoadDataObjects() {
    const wasm = readyEngine();
    // All six are found before any table is touched.
    const load = new Map();
    const texts = ISLAND_IDS.map((islandId) => islandFrom(this.#host, islandId, load));
    const table = wasm._malloc(8 * ISLAND_IDS.length);
    if (!table) throw new QuorvelError(OUT_OF_MEMORY, "out of memory");
    const copies = [];
    try {
      wasm.HEAPU32.fill(0, table >> 2, (table >> 2) + 2 * ISLAND_IDS.length);
      texts.forEach((text, index) => {
        if (text === undefined) return;
        const [pointer, size] = copyIn(text, `island "${ISLAND_IDS[index]}"`);
        copies.push(pointer);
        // Memory may have grown while copying: take the current view.
        wasm.HEAPU32[(table >> 2) + 2 * index] = pointer;
        wasm.HEAPU32[(table >> 2) + 2 * index + 1] = size;
      });
      check(wasm._quorvel_load_data_objects(table));
    } finally {
      copies.forEach((pointer) => wasm._free(pointer));
      wasm._free(table);
    }
  }
}
