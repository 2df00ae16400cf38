// Shared helpers of the WebAssembly tests: where things are, fresh module instances, islands
// from folders, and the native command line to compare with.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const { spawnSync } = require("node:child_process");

const root = path.resolve(__dirname, "../..");
const buildDir = path.resolve(process.env.QUORVEL_BUILD_DIR || path.join(root, "build"));
const moduleFile = path.join(root, "wasm/dist/quorvel.js");
const nativeBinary = path.join(buildDir, "quorvel");
const examples = path.join(root, "examples");
// The shared sample cases, beside the repository when they are there at all.
const casesDir = path.resolve(process.env.QUORVEL_CASES || path.join(root, "../shared/cases"));

// The engine's list; the typings test holds it against the typings' own.
const ISLAND_IDS = require(moduleFile).islandIds;

// A new module instance, with tables of its own (a new "thread"), once it is ready.
async function freshModule() {
  delete require.cache[require.resolve(moduleFile)];
  const quorvel = require(moduleFile);
  await quorvel.ready;
  return quorvel;
}

// The six island texts of a folder, by identifier.
function islandsOf(folder) {
  return Object.fromEntries(ISLAND_IDS.map((id) =>
    [id, fs.readFileSync(path.join(folder, `${id}.xml`), "utf8")]));
}

// `build/quorvel calc` on a transaction file: { status, stdout (bytes), stderr (text) }.
function nativeCalc(transactionFile, tablesFolder) {
  const args = ["calc", transactionFile];
  if (tablesFolder) args.splice(1, 0, "--tables", tablesFolder);
  const run = spawnSync(nativeBinary, args, { encoding: "buffer" });
  if (run.error) throw run.error;
  return { status: run.status, stdout: run.stdout, stderr: run.stderr.toString("utf8") };
}

// The error the native command line reported ("quorvel: error N: description"), or null.
function nativeError(stderr) {
  const match = /^quorvel: error (\d+): (.*?)\n?$/s.exec(stderr);
  return match ? { number: Number(match[1]), description: match[2] } : null;
}

// What a call did: { result } or { error: { number, description } }.
function outcome(call) {
  try {
    return { result: call() };
  } catch (error) {
    if (typeof error.number !== "number") throw error;
    return { error: { number: error.number, description: error.description } };
  }
}

// The same shape for a native run.
function nativeOutcome(run) {
  if (run.status === 0) return { result: run.stdout.toString("utf8") };
  const error = nativeError(run.stderr);
  if (!error) throw new Error(`quorvel exited with ${run.status}: ${run.stderr}`);
  return { error };
}

function transactionsIn(folder, prefix = "") {
  return fs.readdirSync(folder).filter((name) => name.startsWith(prefix) && name.endsWith(".xml"))
    .sort().map((name) => path.join(folder, name));
}

module.exports = { root, buildDir, moduleFile, nativeBinary, examples, casesDir, ISLAND_IDS,
                   freshModule, islandsOf, nativeCalc, nativeError, nativeOutcome, outcome,
                   transactionsIn };
