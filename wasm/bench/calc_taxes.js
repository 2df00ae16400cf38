// CalcTaxes through the WebAssembly build beside the same call in the native build.
//
// Usage: node wasm/bench/calc_taxes.js [TRANSACTION_FILE [TABLES_FOLDER]]
// Defaults: the first example transaction and the example tables. Prints microseconds per call
// (the best of several rounds, as the machine may be busy) and the WebAssembly/native ratio.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const { execFileSync } = require("node:child_process");

const root = path.resolve(__dirname, "../..");
const transactionFile = path.resolve(process.argv[2] ||
  path.join(root, "examples/transactions/01-in-town-sale.xml"));
const tablesFolder = path.resolve(process.argv[3] || path.join(root, "examples/tables"));
const nativeBench = path.join(root, "build/quorvel_native_calc_bench");
const ROUNDS = 7;
const ROUND_SECONDS = 0.3;

function nativeMicroseconds() {
  const json = execFileSync(nativeBench, [tablesFolder, transactionFile,
    "--benchmark_format=json", `--benchmark_repetitions=${ROUNDS}`,
    `--benchmark_min_time=${ROUND_SECONDS}`, "--benchmark_report_aggregates_only=false"],
    { encoding: "utf8", stdio: ["ignore", "pipe", "inherit"] });
  const runs = JSON.parse(json).benchmarks.filter((run) => run.run_type === "iteration");
  return Math.min(...runs.map((run) => run.real_time));  // microseconds
}

async function wasmMicroseconds() {
  const quorvel = require(path.join(root, "wasm/dist/quorvel.js"));
  await quorvel.ready;
  const islands = (islandId) => fs.readFileSync(path.join(tablesFolder, `${islandId}.xml`));
  const control = new quorvel.CQuorvel(islands);
  control.LoadTables();
  const transaction = fs.readFileSync(transactionFile, "utf8");
  let calls = 100;
  for (;;) {  // warm up, and find how many calls fill a round
    const start = process.hrtime.bigint();
    for (let i = 0; i < calls; i++) control.CalcTaxes(transaction);
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    if (seconds >= ROUND_SECONDS) break;
    calls = Math.ceil(calls * Math.min(10, 1.5 * ROUND_SECONDS / Math.max(seconds, 1e-4)));
  }
  let best = Infinity;
  for (let round = 0; round < ROUNDS; round++) {
    const start = process.hrtime.bigint();
    for (let i = 0; i < calls; i++) control.CalcTaxes(transaction);
    best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e3 / calls);
  }
  return best;
}

async function main() {
  console.log(`CalcTaxes on ${path.relative(root, transactionFile)} ` +
              `(${fs.statSync(transactionFile).size} bytes), tables ${path.relative(root, tablesFolder)}`);
  const wasm = await wasmMicroseconds();
  const native = nativeMicroseconds();
  console.log(`  WebAssembly (Node ${process.versions.node}): ${wasm.toFixed(2)} us/call`);
  console.log(`  native (build/quorvel_native_calc_bench): ${native.toFixed(2)} us/call`);
  console.log(`  ratio WebAssembly/native: ${(wasm / native).toFixed(2)} (target: at most 2.5)`);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
