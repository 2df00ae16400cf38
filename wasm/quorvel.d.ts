// Types of dist/quorvel.js: the Quorvel sales-tax control compiled to WebAssembly.
// In Node it is a CommonJS module (require; quorvel.d.mts types the ES module entry, import); in a
// page, a script that defines the global quorvel.

export = quorvel;
export as namespace quorvel;

declare namespace quorvel {
  /** The identifiers of the six data islands, in the order a load takes them. */
  type IslandId =
    | "taxData"
    | "TaxModelHdrData"
    | "TaxModelData"
    | "TaxGroupData"
    | "TaxGroupItemData"
    | "TaxStatusData";

  /** An island's rowset document, as text or as UTF-8 bytes; null or undefined when absent. */
  type IslandText = string | Uint8Array | null | undefined;

  /**
   * Where a control finds its islands: an object holding them by identifier, or a function that
   * gives one by identifier. In a page, a window (or nothing: the control's own window) whose
   * parent holds a frame named "invis" with <xml id="taxData">... or
   * <script type="application/xml" id="taxData">...
   */
  type Host =
    | { readonly [islandId in IslandId]?: IslandText }
    | ((islandId: IslandId) => IslandText)
    | PageWindow;

  /** A browser window (what a page's `window` is), named without the DOM's types. */
  interface PageWindow {
    readonly window: unknown;
    readonly parent: unknown;
    readonly document: unknown;
  }

  /** Every failure of the control: the error's number and description. */
  class QuorvelError extends Error {
    constructor(number: number, description: string);
    /** The error number: 13 type mismatch, 91 missing attribute or object, 1001 island, ... */
    readonly number: number;
    /** What failed and where. */
    readonly description: string;
  }

  /** The sales-tax control. All controls of one module instance share its reference tables. */
  class CQuorvel {
    /** Creates a control on a host; in a page, without one, on the page it lives in. */
    constructor(host?: Host);
    /** The result rowset of one transaction document, "NODATA" before any load, or "NOHEADER". */
    CalcTaxes(pstrLines: string): string;
    /** Loads the reference tables from the host (the same as LoadDataObjects). */
    LoadTables(): void;
    /** Loads the reference tables from the host; when it fails they stay as they were. */
    LoadDataObjects(): void;
  }

  /** Settled as soon as the file is loaded (later only where a browser refuses to compile it at once). */
  const ready: Promise<typeof quorvel>;

  /** The six island identifiers, in load order. */
  const islandIds: readonly IslandId[];

  /** The control's class identifier, fixed for good: in a page, <object classid> with it is a control. */
  const CLSID: "clsid:A4564123-DCC3-4A90-9079-C45B0D6A00D3";
  /** The version of the engine, "MAJOR.MINOR.PATCH": the C++ library's and the package's. */
  const version: string;
}
