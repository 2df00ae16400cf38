// The demo page's copies stay in step with the examples: the islands of its hidden frame are the
// files of examples/tables/, and its list of examples is examples/transactions/.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { ISLAND_IDS, examples } = require("./support");

const page = path.join(examples, "page");

test("the hidden frame holds the six example islands, byte for byte", () => {
  const html = fs.readFileSync(path.join(page, "islands.html"), "utf8");
  const islands = Object.fromEntries([...html.matchAll(
    /<script type="application\/xml" id="([^"]+)">(.*?)<\/script>/gs)].map((m) => [m[1], m[2]]));
  assert.deepEqual(Object.keys(islands), ISLAND_IDS);
  for (const id of ISLAND_IDS) {
    assert.equal(islands[id], fs.readFileSync(path.join(examples, "tables", `${id}.xml`), "utf8"),
                 `islands.html's ${id} differs from examples/tables/${id}.xml: copy it over`);
  }
});

test("the page offers every example transaction", () => {
  const script = fs.readFileSync(path.join(page, "control.js"), "utf8");
  const list = /const EXAMPLES = \[([^\]]*)\]/.exec(script);
  assert.ok(list, "control.js has its EXAMPLES list");
  const offered = [...list[1].matchAll(/"([^"]+)"/g)].map((m) => m[1]);
  const files = fs.readdirSync(path.join(examples, "transactions"))
    .filter((name) => name.endsWith(".xml")).map((name) => name.slice(0, -4)).sort();
  assert.deepEqual(offered, files);
});
