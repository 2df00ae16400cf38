// The control's behaviour in Node: shared tables per module instance, loads that fail whole,
// errors with number and description, and the hosts a control accepts.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { ISLAND_IDS, examples, freshModule, islandsOf, moduleFile, nativeCalc, nativeOutcome,
        root, transactionsIn } = require("./support");

const exampleIslands = islandsOf(path.join(examples, "tables"));
const transactions = transactionsIn(path.join(examples, "transactions"))
  .map((file) => fs.readFileSync(file, "utf8"));
const firstTransaction = transactions[0];
const expectedFirst = fs.readFileSync(
  path.join(examples, "transactions/01-in-town-sale.expected"), "utf8");

// The example islands with every tax's rate changed: loading them changes every result.
const otherRates = { ...exampleIslands,
  taxData: exampleIslands.taxData.replace(/TaxRate="[^"]*"/g, 'TaxRate="12.5"') };

// Asserts that `call` throws a QuorvelError with this number and a description matching `pattern`.
function assertFails(quorvel, call, number, pattern) {
  assert.throws(call, (error) => {
    assert.ok(error instanceof Error, "an Error");
    assert.ok(error instanceof quorvel.QuorvelError, "a QuorvelError");
    assert.equal(error.number, number, error.description);
    assert.match(error.description, pattern);
    assert.equal(error.message, `error ${number}: ${error.description}`);
    return true;
  });
}

test("a module instance starts without tables and all its controls share them", async () => {
  const quorvel = await freshModule();
  const loader = new quorvel.CQuorvel(exampleIslands);
  const other = new quorvel.CQuorvel(() => undefined);  // a host without islands
  assert.equal(other.CalcTaxes(firstTransaction), "NODATA");
  loader.LoadTables();
  assert.equal(other.CalcTaxes(firstTransaction), expectedFirst);
  assert.equal(other.CalcTaxes("<xml/>"), "NOHEADER");

  const otherInstance = await freshModule();  // another "thread": tables of its own
  assert.equal(new otherInstance.CQuorvel({}).CalcTaxes(firstTransaction), "NODATA");
  assert.equal(other.CalcTaxes(firstTransaction), expectedFirst);
});

test("LoadTables and LoadDataObjects both replace the tables", async () => {
  const quorvel = await freshModule();
  const examplesControl = new quorvel.CQuorvel(exampleIslands);
  const otherControl = new quorvel.CQuorvel(otherRates);
  for (const load of ["LoadTables", "LoadDataObjects"]) {
    otherControl[load]();
    assert.notEqual(examplesControl.CalcTaxes(firstTransaction), expectedFirst, load);
    examplesControl[load]();
    assert.equal(otherControl.CalcTaxes(firstTransaction), expectedFirst, load);
  }
});

// Loads that must fail, each on islands with other rates, so that any part of them that got in
// would change the results.
const badLoads = [
  { name: "an island the host does not have", number: 1001, pattern: /island "TaxStatusData"/,
    host: () => ({ ...otherRates, TaxStatusData: undefined }) },
  { name: "an island that is not XML", number: 1001,
    pattern: /island "TaxGroupData" is not well-formed XML/,
    host: () => ({ ...otherRates, TaxGroupData: "<xml><rs:data>" }) },
  { name: "a bad row in the last island", number: 1002,
    pattern: /^TaxStatusData row 1: attribute "crExemptType"/,
    host: () => ({ ...otherRates,
                   TaxStatusData: otherRates.TaxStatusData.replace('crExemptType="Tax"', 'crExemptType="tax"') }) },
  { name: "a value that is no number", number: 13, pattern: /^taxData row 2: attribute "Sequence"/,
    host: () => ({ ...otherRates,
                   taxData: otherRates.taxData.replace('Sequence="2"', 'Sequence="x2"') }) },
  { name: "a key twice", number: 457, pattern: /^TaxGroupData row 2/,
    host: () => ({ ...otherRates,
                   TaxGroupData: otherRates.TaxGroupData.replace('iKey="2"', 'iKey="1"') }) },
  { name: "a host function that fails", number: 1001,
    pattern: /^island "TaxModelData": the host function failed: disk on fire$/,
    host: () => (id) => {
      if (id === "TaxModelData") throw new Error("disk on fire");
      return otherRates[id];
    } },
  { name: "a host object whose getter throws", number: 1001,
    pattern: /^island "TaxGroupData": reading it from the host object failed: locked$/,
    host: () => Object.defineProperty({ ...otherRates }, "TaxGroupData",
                                      { get() { throw new TypeError("locked"); } }) },
  { name: "a host Proxy that throws", number: 1001,
    pattern: /^island "TaxStatusData": reading it from the host object failed: too deep$/,
    host: () => new Proxy(otherRates, { get(islands, id) {
      if (id === "TaxStatusData") throw new RangeError("too deep");
      return islands[id];
    } }) },
  { name: "a revoked Proxy", number: 1001,
    pattern: /^island "taxData": reading it from the host object failed: .*revoked/,
    host: () => {
      const { proxy, revoke } = Proxy.revocable(otherRates, {});
      revoke();
      return proxy;
    } },
  { name: "a host that gives no text", number: 13,
    pattern: /^island "taxData": the host gave a number, not the island's text$/,
    host: () => ({ ...otherRates, taxData: 42 }) },
];

test("a failed load throws its error and leaves the tables as they were", async (t) => {
  const quorvel = await freshModule();
  const control = new quorvel.CQuorvel(exampleIslands);
  control.LoadTables();
  const before = transactions.map((text) => control.CalcTaxes(text));
  for (const bad of badLoads) {
    await t.test(bad.name, () => {
      assertFails(quorvel, () => new quorvel.CQuorvel(bad.host()).LoadTables(), bad.number,
                  bad.pattern);
      assert.deepEqual(transactions.map((text) => control.CalcTaxes(text)), before);
    });
  }
  // A module instance that never loaded stays without tables.
  const fresh = await freshModule();
  assertFails(fresh, () => new fresh.CQuorvel(badLoads[2].host()).LoadDataObjects(), 1002, /./);
  assert.equal(new fresh.CQuorvel({}).CalcTaxes(firstTransaction), "NODATA");
});

test("calculation errors carry the native number and description", async (t) => {
  const quorvel = await freshModule();
  const control = new quorvel.CQuorvel(exampleIslands);
  control.LoadTables();
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "quorvel-wasm-"));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  const badTransactions = {
    "unknown-tax-model": firstTransaction.replace('TaxModel="1"', 'TaxModel="99"'),
    "price-no-number": firstTransaction.replace('NetPrice="149.99"', 'NetPrice="12,5x"'),
    "quantity-overflow": firstTransaction.replace('QtyShipped="2"', 'QtyShipped="1000000000000000"'),
  };
  for (const [name, text] of Object.entries(badTransactions)) {
    assert.notEqual(text, firstTransaction, `${name}: the example changed`);
    const file = path.join(folder, `${name}.xml`);
    fs.writeFileSync(file, text);
    const native = nativeOutcome(nativeCalc(file, path.join(examples, "tables")));
    assert.ok(native.error, `${name}: the native build fails`);
    assertFails(quorvel, () => control.CalcTaxes(text), native.error.number,
                new RegExp(`^${native.error.description.replace(/[.*+?^${}()|[\]\\]/g, "\\$&")}$`));
  }
});

test("wrong arguments fail with a clear error", async () => {
  const quorvel = await freshModule();
  const control = new quorvel.CQuorvel(exampleIslands);
  for (const value of [undefined, 42, null, { text: firstTransaction }]) {
    assertFails(quorvel, () => control.CalcTaxes(value), 13,
                /^CalcTaxes: the transaction document must be a text, not /);
  }
  assertFails(quorvel, () => new quorvel.CQuorvel(), 91, /^a control needs a host/);
  assertFails(quorvel, () => new quorvel.CQuorvel("taxData"), 13, /host must be an object or a function/);
});

test("a text with a lone surrogate is refused at every entry point, not calculated", async (t) => {
  const quorvel = await freshModule();
  const loaded = new quorvel.CQuorvel(exampleIslands);
  loaded.LoadTables();
  const withTaxData = (text) => ({ ...exampleIslands, taxData: `${exampleIslands.taxData}<!--${text}-->` });
  const entryPoints = {
    "CalcTaxes": [(text) => loaded.CalcTaxes(`${firstTransaction}<!--${text}-->`), /^CalcTaxes: the transaction document/],
    "LoadTables from a host object": [(text) => new quorvel.CQuorvel(withTaxData(text)).LoadTables(), /^island "taxData"/],
    "LoadDataObjects from a host function": [
      (text) => new quorvel.CQuorvel((id) => withTaxData(text)[id]).LoadDataObjects(), /^island "taxData"/],
  };
  const loneSurrogates = { "a high surrogate alone": ["10\uD80042", "D800"], "a low surrogate alone": ["\uDC80", "DC80"],
                           "a pair the wrong way round": ["\uDE00\uD83D", "DE00"] };
  for (const [entry, [call, where]] of Object.entries(entryPoints)) {
    for (const [name, [text, code]] of Object.entries(loneSurrogates)) {
      await t.test(`${entry}: ${name}`, () => {
        assertFails(quorvel, () => call(text), 13, new RegExp(
          `${where.source} cannot be encoded as UTF-8: a lone surrogate U\\+${code} at position \\d+$`));
      });
    }
  }
});

test("a host function is asked for the six islands in order; bytes are text too", async () => {
  const quorvel = await freshModule();
  const asked = [];
  const control = new quorvel.CQuorvel((id) => {
    asked.push(id);
    return new TextEncoder().encode(exampleIslands[id]);
  });
  control.LoadDataObjects();
  assert.deepEqual(asked, ISLAND_IDS);
  assert.equal(control.CalcTaxes(firstTransaction), expectedFirst);
});

test("a control works as soon as the module is required; ready is already settled", async () => {
  delete require.cache[require.resolve(moduleFile)];
  const quorvel = require(moduleFile);
  const control = new quorvel.CQuorvel(exampleIslands);
  assert.equal(control.CalcTaxes(firstTransaction), "NODATA");
  control.LoadTables();
  assert.equal(control.CalcTaxes(firstTransaction), expectedFirst);
  assert.equal(await Promise.race([quorvel.ready, Promise.resolve("pending")]), quorvel);
});

test("the class identifier never changes, and README and the legacy demo use it", async () => {
  const { CLSID } = await freshModule();
  assert.equal(CLSID, "clsid:A4564123-DCC3-4A90-9079-C45B0D6A00D3");
  for (const file of ["README.md", "examples/legacy-page/main.html"]) {
    assert.ok(fs.readFileSync(path.join(root, file), "utf8").includes(CLSID.slice(6)), file);
  }
});
