// The control's JavaScript face: quorvel.CQuorvel with LoadTables, LoadDataObjects and CalcTaxes,
// synchronous, over the engine compiled above (createQuorvelModule). This part closes the
// function opened in js/open.js.
//
// One module instance stands for one thread: every CQuorvel made from it shares the instance's
// reference tables.

// The data islands of a host page, in the order the engine takes them.
const ISLAND_IDS = Object.freeze(["taxData", "TaxModelHdrData", "TaxModelData", "TaxGroupData",
                                  "TaxGroupItemData", "TaxStatusData"]);

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

// The instantiated engine, once `ready` has settled.
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

// Copies a string (as UTF-8) or a Uint8Array into the engine's memory: [pointer, size]. The
// pointer is never null, even for no bytes; the caller frees it.
function copyIn(value) {
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
// A host is a function from an island's identifier to its text (a string or UTF-8 bytes), or to
// undefined when it has no such island (the engine then fails the load naming the island).

// Islands handed out by an object, by identifier: { taxData: "<xml ...", ... }.
function objectHost(islands) {
  return (islandId) => islands[islandId];
}

// Islands handed out by a function (islandId) => text; its own failures fail the load.
function functionHost(islands) {
  return (islandId) => {
    try {
      return islands(islandId);
    } catch (error) {
      if (error instanceof QuorvelError) throw error;
      throw new QuorvelError(ISLAND_MISSING,
        `island "${islandId}": the host function failed: ${error && error.message || error}`);
    }
  };
}

// The islands of a browser page, reached as they always were: from the control's window to its
// parent window, then the parent's member "invis" (a frame of that name), then that frame's
// document, then the element with the island's identifier. Today's island is
// <script type="application/xml" id="taxData">...</script>, its text the rowset document.
function pageHost(window) {
  return (islandId) => islandElementText(invisDocument(window), islandId);
}

function invisDocument(window) {
  let invis;
  let document;
  try {
    invis = window.parent.invis;
    document = invis && invis.document;
  } catch (error) {
    throw new QuorvelError(ISLAND_MISSING,
      `cannot reach the frame "invis" of the control's parent window: ${error.message}`);
  }
  if (!invis) {
    throw new QuorvelError(ISLAND_MISSING,
      'the control\'s parent window has no frame named "invis" (the frame that holds the data ' +
      "islands): the control's page must be a frame beside it");
  }
  if (!document) {
    throw new QuorvelError(ISLAND_MISSING,
      'the member "invis" of the control\'s parent window is no frame: it has no document');
  }
  return document;
}

function islandElementText(document, islandId) {
  const element = document.getElementById(islandId);
  if (!element) {
    throw new QuorvelError(ISLAND_MISSING,
      `island "${islandId}": the document of the frame "invis" has no element with this id`);
  }
  const tag = String(element.localName).toLowerCase();
  const type = String(element.getAttribute("type") || "").trim().toLowerCase();
  if (tag === "script" && (type === "application/xml" || type === "text/xml")) {
    return element.textContent;
  }
  const hint = tag === "xml"
    ? " (today's browsers read an <xml> element as HTML and lose the document)" : "";
  throw new QuorvelError(ISLAND_MISSING,
    `island "${islandId}": the element is a <${tag}${type ? ` type="${type}"` : ""}>, not a ` +
    `<script type="application/xml"> holding the rowset document${hint}`);
}

function isWindow(value) {
  return value !== null && typeof value === "object" && value.window === value &&
         typeof value.document === "object";
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
function islandFrom(host, islandId) {
  const text = host(islandId);
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
    const [pointer, size] = copyIn(pstrLines);
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
    const texts = ISLAND_IDS.map((islandId) => islandFrom(this.#host, islandId));
    const table = wasm._malloc(8 * ISLAND_IDS.length);
    if (!table) throw new QuorvelError(OUT_OF_MEMORY, "out of memory");
    const copies = [];
    try {
      wasm.HEAPU32.fill(0, table >> 2, (table >> 2) + 2 * ISLAND_IDS.length);
      texts.forEach((text, index) => {
        if (text === undefined) return;
        const [pointer, size] = copyIn(text);
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

// Settles when the engine is instantiated, with the API itself.
const ready = createQuorvelModule().then((instance) => {
  engine = instance;
  return api;
});

// QUORVEL_VERSION: the project's version, written in by the build (wasm/CMakeLists.txt).
const api = Object.freeze({ ready, CQuorvel, QuorvelError, islandIds: ISLAND_IDS,
                           version: QUORVEL_VERSION });

if (typeof module === "object" && module !== null && "exports" in module) {
  module.exports = api;
} else {
  globalThis.quorvel = api;
}
})();
