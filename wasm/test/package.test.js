// The npm package as its users get it: one version everywhere, prepack's refusals, and the
// tarball of `npm pack` installed into an empty folder without a registry, then used through
// require, import and TypeScript.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { spawnSync } = require("node:child_process");
const { root, buildDir, moduleFile, examples } = require("./support");

const wasmDir = path.join(root, "wasm");
const packageJson = JSON.parse(fs.readFileSync(path.join(wasmDir, "package.json"), "utf8"));
const expected = fs.readFileSync(path.join(examples, "transactions/01-in-town-sale.expected"), "utf8");

// Runs a command; fails the test, with its output, when it does not exit 0.
function succeed(command, args, cwd) {
  const run = spawnSync(command, args, { cwd, encoding: "utf8" });
  if (run.error) throw run.error;
  assert.equal(run.status, 0, `${command} ${args.join(" ")}:\n${run.stdout}${run.stderr}`);
  return run.stdout;
}

function temporaryFolder(t) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "quorvel-package-"));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  return folder;
}

test("the C++ header, quorvel --version, package.json and quorvel.version give one version", () => {
  const header = fs.readFileSync(path.join(buildDir, "include/quorvel/version.hpp"), "utf8");
  const cppVersion = /#define QUORVEL_VERSION "([^"]*)"/.exec(header)[1];
  assert.match(cppVersion, /^\d+\.\d+\.\d+$/);
  assert.equal(packageJson.version, cppVersion);
  assert.equal(require(moduleFile).version, cppVersion);
  assert.equal(succeed(path.join(buildDir, "quorvel"), ["--version"], root), `quorvel ${cppVersion}\n`);
});

test("prepack refuses a package without its code or with code of another version", (t) => {
  const cases = [
    { name: "no dist/quorvel.js", version: packageJson.version, code: false,
      refusal: /dist\/quorvel\.js is missing/ },
    { name: "dist/quorvel.js built for another version", version: "99.0.0", code: true,
      refusal: /built for version \d+\.\d+\.\d+, but package\.json is version 99\.0\.0/ },
  ];
  for (const { name, version, code, refusal } of cases) {
    const folder = temporaryFolder(t);
    fs.writeFileSync(path.join(folder, "package.json"), JSON.stringify({ ...packageJson, version }));
    fs.copyFileSync(path.join(wasmDir, "prepack.js"), path.join(folder, "prepack.js"));
    if (code) {
      fs.mkdirSync(path.join(folder, "dist"));
      fs.copyFileSync(moduleFile, path.join(folder, "dist/quorvel.js"));
    }
    const run = spawnSync(process.execPath, ["prepack.js"], { cwd: folder, encoding: "utf8" });
    assert.equal(run.status, 1, name);
    assert.match(run.stderr, refusal, name);
  }
});

test("the packed tarball installs offline and works with require, import and TypeScript", (t) => {
  const folder = temporaryFolder(t);
  const packed = succeed("npm", ["pack", "--json", "--pack-destination", folder], wasmDir);
  const [{ filename, files }] = JSON.parse(packed.slice(packed.indexOf("[")));
  assert.deepEqual(files.map((file) => file.path).sort(),
    ["LICENSE", "README.md", "dist/pugixml-LICENSE.md", "dist/quorvel.js", "package.json",
     "quorvel.d.mts", "quorvel.d.ts", "quorvel.mjs"]);

  const app = path.join(folder, "app");
  fs.mkdirSync(app);
  fs.writeFileSync(path.join(app, "package.json"), JSON.stringify({ name: "app", private: true }));
  succeed("npm", ["install", "--offline", "--no-audit", "--no-fund", path.join(folder, filename)], app);
  for (const file of ["consumer.cjs", "consumer.mts", "run.mjs"]) {
    fs.copyFileSync(path.join(__dirname, "package", file), path.join(app, file));
  }
  fs.writeFileSync(path.join(app, "tsconfig.json"), JSON.stringify({
    compilerOptions: { strict: true, module: "node16", moduleResolution: "node16",
                       target: "es2022", lib: ["es2022"], types: [] },
    files: ["consumer.mts"],
  }));
  succeed(process.execPath, [require.resolve("typescript/bin/tsc"), "-p", app], app);

  const required = JSON.parse(succeed(process.execPath, ["consumer.cjs", examples], app));
  assert.deepEqual(required, { version: packageJson.version, result: expected });
  const imported = JSON.parse(succeed(process.execPath, ["run.mjs", examples], app));
  assert.deepEqual(imported, { version: packageJson.version, result: expected, islands: 6,
                               missingIslandError: 1001, sameApi: true });
});
