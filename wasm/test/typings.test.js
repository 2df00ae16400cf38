// The TypeScript typings accept the documented uses and refuse wrong ones (test/typings/usage.ts).
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const path = require("node:path");
const { spawnSync } = require("node:child_process");

test("quorvel.d.ts compiles the documented uses and refuses the wrong ones", () => {
  const tsc = require.resolve("typescript/bin/tsc");
  const run = spawnSync(process.execPath, [tsc, "-p", path.join(__dirname, "typings")],
                        { encoding: "utf8" });
  assert.equal(run.status, 0, run.stdout + run.stderr);
});
