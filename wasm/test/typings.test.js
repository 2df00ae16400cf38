// The TypeScript typings accept the documented uses and refuse wrong ones (test/typings/usage.ts),
// and name the islands the engine takes.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { spawnSync } = require("node:child_process");
const { ISLAND_IDS } = require("./support");

test("quorvel.d.ts compiles the documented uses and refuses the wrong ones", () => {
  const tsc = require.resolve("typescript/bin/tsc");
  const run = spawnSync(process.execPath, [tsc, "-p", path.join(__dirname, "typings")],
                        { encoding: "utf8" });
  assert.equal(run.status, 0, run.stdout + run.stderr);
});

test("the typings' IslandId is the engine's frozen list quorvel.islandIds, in order", () => {
  const union = /type IslandId =([^;]*);/.exec(fs.readFileSync(path.join(__dirname, "../quorvel.d.ts"), "utf8"));
  assert.ok(union, "quorvel.d.ts declares type IslandId");
  assert.deepEqual([...union[1].matchAll(/"([^"]+)"/g)].map(([, id]) => id), ISLAND_IDS);
  assert.ok(Object.isFrozen(ISLAND_IDS));
});
