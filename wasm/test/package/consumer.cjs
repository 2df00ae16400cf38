// consumer.cjs EXAMPLES: the installed package through require, on an example transaction; prints
// the outcome as JSON.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const quorvel = require("quorvel");

const examples = process.argv[2];
const read = (file) => fs.readFileSync(path.join(examples, file), "utf8");

quorvel.ready.then(() => {
  const islands = Object.fromEntries(quorvel.islandIds.map((id) => [id, read(`tables/${id}.xml`)]));
  const control = new quorvel.CQuorvel(islands);
  control.LoadTables();
  const result = control.CalcTaxes(read("transactions/01-in-town-sale.xml"));
  process.stdout.write(JSON.stringify({ version: quorvel.version, result }));
});
