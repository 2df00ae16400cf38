// Run by `npm pack` and `npm publish` before they pack: refuses a package without its code, or
// with code built for another version than package.json's, and brings in the project's licence.
"use strict";
const fs = require("node:fs");
const path = require("node:path");

function refuse(message) {
  console.error(`prepack: ${message}`);
  process.exit(1);
}

const packageDir = __dirname;
const { version } = JSON.parse(fs.readFileSync(path.join(packageDir, "package.json"), "utf8"));

const code = path.join(packageDir, "dist/quorvel.js");
if (!fs.existsSync(code)) refuse("dist/quorvel.js is missing: build it first (make wasm)");
const built = require(code).version;
if (built !== version) {
  refuse(`dist/quorvel.js was built for version ${built ?? "(none)"}, but package.json is ` +
         `version ${version}: rebuild it (make wasm)`);
}
if (!fs.existsSync(path.join(packageDir, "dist/pugixml-LICENSE.md"))) {
  refuse("dist/pugixml-LICENSE.md is missing: the WebAssembly build writes it (make wasm)");
}

// The licence lives at the repository's root; the package carries a copy.
const licence = path.join(packageDir, "../LICENSE");
if (fs.existsSync(licence)) fs.copyFileSync(licence, path.join(packageDir, "LICENSE"));
if (!fs.existsSync(path.join(packageDir, "LICENSE"))) refuse("LICENSE is missing");
