// The demo pages' copies stay in step with the examples: the islands of their hidden frames are
// the files of examples/tables/, and the demo page's list of examples is examples/transactions/.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { ISLAND_IDS, examples } = require("./support");


// The islands of each demo's hidden frame, by identifier: the text inline, or the file its src
// names.
const demos = [
  { name: "the demo page", file: "page/islands.html",
    islands: /<script type="application\/xml" id="([^"]+)">(.*?)<\/script>/gs },
  { name: "the legacy demo", file: "legacy-page/islands.html",
    islands: /<XML ID="([^"]+)"(?: SRC="([^"]+)"><\/XML>|>(.*?)<\/XML>)/gs },
];

for (const demo of demos) {
  test(`${demo.name}: the hidden frame holds the six example islands, byte for byte`, () => {
    const file = path.join(examples, demo.file);
    const html = fs.readFileSync(file, "utf8");
    const islands = Object.fromEntries([...html.matchAll(demo.islands)].map(([, id, ...found]) => {
      const [src, text] = found.length === 2 ? found : [undefined, found[0]];
      return [id, src ? fs.readFileSync(path.resolve(path.dirname(file), src), "utf8") : text];
    }));
    assert.deepEqual(Object.keys(islands), ISLAND_IDS);
    for (const id of ISLAND_IDS) {
      assert.equal(islands[id], fs.readFileSync(path.join(examples, "tables", `${id}.xml`), "utf8"),
                   `${demo.file}'s ${id} differs from examples/tables/${id}.xml: copy it over`);
    }
  });
}

test("the page offers every example transaction", () => {
  const script = fs.readFileSync(path.join(examples, "page/control.js"), "utf8");
  const list = /const EXAMPLES = \[([^\]]*)\]/.exec(script);
  assert.ok(list, "control.js has its EXAMPLES list");
  const offered = [...list[1].matchAll(/"([^"]+)"/g)].map((m) => m[1]);
  const files = fs.readdirSync(path.join(examples, "transactions"))
    .filter((name) => name.endsWith(".xml")).map((name) => name.slice(0, -4)).sort();
  assert.deepEqual(offered, files);
});
