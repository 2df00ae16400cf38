// The ES module entry of the package: the CommonJS module dist/quorvel.js, its API as named
// exports and as the default export. Both entries share one module instance, so `import` and
// `require` in one program see the same reference tables.
import quorvel from "./dist/quorvel.js";

export const { CQuorvel, QuorvelError, ready, islandIds, version, CLSID } = quorvel;
export default quorvel;
