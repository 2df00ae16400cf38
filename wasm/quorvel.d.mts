// Types of quorvel.mjs, the ES module entry: the API of quorvel.d.ts as named exports and as the
// default export.
import quorvel from "./quorvel.js";

export type IslandId = quorvel.IslandId;
export type IslandText = quorvel.IslandText;
export type Host = quorvel.Host;
export type PageWindow = quorvel.PageWindow;

export declare const CQuorvel: typeof quorvel.CQuorvel;
export type CQuorvel = quorvel.CQuorvel;
export declare const QuorvelError: typeof quorvel.QuorvelError;
export type QuorvelError = quorvel.QuorvelError;
export declare const ready: typeof quorvel.ready;
export declare const islandIds: typeof quorvel.islandIds;
export declare const version: typeof quorvel.version;
export declare const CLSID: typeof quorvel.CLSID;

export default quorvel;
