// The WebAssembly build answers byte for byte as the native command line does: results, early
// answers and errors (number and description), on the example transactions and the sample cases.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { casesDir, examples, freshModule, islandsOf, nativeCalc, nativeOutcome, outcome,
        transactionsIn } = require("./support");

// Asserts that the control's outcome on `file` is the native one, byte for byte.
function assertSameAsNative(control, file, tablesFolder) {
  const native = nativeOutcome(nativeCalc(file, tablesFolder));
  const wasm = outcome(() => control.CalcTaxes(fs.readFileSync(file, "utf8")));
  assert.deepEqual(wasm, native, path.basename(file));
  if (wasm.result !== undefined) {
    assert.ok(Buffer.from(wasm.result, "utf8").equals(nativeCalc(file, tablesFolder).stdout));
  }
  return wasm;
}

test("every example transaction gives the native result and its .expected file", async () => {
  const quorvel = await freshModule();
  const tables = path.join(examples, "tables");
  const control = new quorvel.CQuorvel(islandsOf(tables));
  control.LoadTables();
  const files = transactionsIn(path.join(examples, "transactions"));
  assert.notEqual(files.length, 0, "no example transactions found");
  for (const file of files) {
    const { result } = assertSameAsNative(control, file, tables);
    assert.equal(result, fs.readFileSync(file.replace(/\.xml$/, ".expected"), "utf8"));
  }
});

const skipCases = !fs.existsSync(casesDir) && `no sample cases at ${casesDir}`;

test("every sample case gives the native results, errors and load failures", { skip: skipCases },
  async (t) => {
    const quorvel = await freshModule();
    const names = fs.readdirSync(casesDir).filter((name) =>
      fs.statSync(path.join(casesDir, name)).isDirectory()).sort();
    assert.notEqual(names.length, 0);
    for (const name of names) {
      await t.test(name, () => checkCase(quorvel, path.join(casesDir, name)));
    }
  });

async function checkCase(quorvel, folder) {
  const files = transactionsIn(folder, "trans-");
  const expected = (file) => fs.readFileSync(file.replace(/\.xml$/, ".expected"), "utf8");
  if (fs.existsSync(path.join(folder, "NOTABLES"))) {
    // Nothing loaded: a module instance of its own.
    const control = new (await freshModule()).CQuorvel({});
    for (const file of files) {
      assert.equal(control.CalcTaxes(fs.readFileSync(file, "utf8")), expected(file), file);
    }
    return;
  }
  const control = new quorvel.CQuorvel(islandsOf(folder));
  const loadExpected = fs.readFileSync(path.join(folder, "load.expected"), "utf8").trim();
  if (loadExpected.startsWith("ERROR")) {
    // The native tool fails every transaction with the load's error; the control keeps the
    // tables it had (those of the case before).
    const before = files.map((file) => outcome(() => control.CalcTaxes(fs.readFileSync(file, "utf8"))));
    const load = outcome(() => control.LoadTables());
    assert.deepEqual(load, nativeOutcome(nativeCalc(files[0], folder)), "load");
    const after = files.map((file) => outcome(() => control.CalcTaxes(fs.readFileSync(file, "utf8"))));
    assert.deepEqual(after, before, "the failed load changed the tables");
    return;
  }
  control.LoadTables();
  for (const file of files) {
    const wasm = assertSameAsNative(control, file, folder);
    if (expected(file).startsWith("ERROR")) {
      assert.ok(wasm.error, `${path.basename(file)}: ${expected(file).trim()} expected`);
    } else {
      assert.equal(wasm.result, expected(file), path.basename(file));
    }
  }
}
