// The legacy demo (examples/legacy-page/), a page written for the ActiveX control with only the
// script tag added, in a real browser: its <object> control, <xml> islands inline and by src=,
// the old-style script that loads in onload and calculates on a button.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { examples, nativeCalc, root, transactionsIn } = require("./support");
const { launchBrowser, newPage, serveRepository } = require("./browser_support");

const transactions = transactionsIn(path.join(examples, "transactions"))
  .map((file) => ({ name: path.basename(file, ".xml"), text: fs.readFileSync(file, "utf8"),
                    native: nativeCalc(file, path.join(examples, "tables")).stdout.toString("utf8") }));
const [first] = transactions;

// Changed copies of the hidden frame, served at islands.html?variant=NAME. Each also has other
// rates in taxData, so that a load that got as far as the tax table would change every result.
const otherRates = (html) => html.replace(/TaxRate="[^"]*"/g, 'TaxRate="12.5"');
const VARIANTS = {
  "a missing island": (html) => html.replace(/<XML ID="TaxStatusData"[^>]*><\/XML>/, ""),
  "a broken island": (html) => html.replace(/(<XML ID="TaxGroupData">[\s\S]*?)<\/rs:data>/, "$1"),
  "a wrong element": (html) => html.replace(/<XML (ID="TaxStatusData"[^>]*)><\/XML>/, "<DIV $1></DIV>"),
  "an island by src= that is not there": (html) => html.replace("../tables/TaxStatusData.xml", "../tables/absent.xml"),
  "other rates": (html) => html,
  // Stops parsing before the last island, at a script the server answers only when released.
  "still loading": (html) => html.replace('<XML ID="TaxStatusData"', '<SCRIPT SRC="/stall.js"></SCRIPT><XML ID="TaxStatusData"'),
};
const failures = [
  { variant: "a missing island",
    description: /^island "TaxStatusData": the document of the frame "invis" has no element with this id$/ },
  { variant: "a broken island", description: /^island "TaxGroupData" is not well-formed XML/ },
  { variant: "a wrong element",
    description: /^island "TaxStatusData": the element is a <div>, not an <xml> island/ },
  { variant: "an island by src= that is not there",
    description: /^island "TaxStatusData" \(src="..\/tables\/absent.xml"\): requesting http:.*\/examples\/tables\/absent.xml answered 404/ },
];

// A page with identifiers of its own: one adopted by the script tag (written otherwise), ours,
// and another; its inline script calls the objects right after them.
const ADOPTING_PAGE = `<!DOCTYPE html>
<script src="/wasm/dist/quorvel.js" data-classid="clsid:{11111111-2222-3333-4444-555555555555}"></script>
<object id="Adopted" classid="CLSID:11111111-2222-3333-4444-555555555555"></object>
<object id="Ours" classid="clsid:a4564123-dcc3-4a90-9079-c45b0d6a00d3"></object>
<object id="Other" classid="clsid:99999999-2222-3333-4444-555555555555"></object>
<script>var inline = [Adopted.CalcTaxes("<xml/>"), Ours.CalcTaxes("<xml/>"), typeof Other.CalcTaxes];</script>`;

async function openLegacyDemo(page, address) {
  await page.goto(address);
  const main = page.frame({ name: "main" });
  await main.waitForFunction(() => divStatus.innerText === "Tax tables loaded.", null, { timeout: 30000 });
  return main;
}

// The old page's own way: the transaction into its text area, then its button.
async function calculated(main, text) {
  await main.fill("textarea[name=txtLines]", text);
  await main.click("input[name=cmdCalc]");
  return main.evaluate(() => strResult);
}

test("the legacy demo runs unchanged apart from its script tag", { timeout: 180000 }, async (t) => {
  let release;
  const stalled = new Promise((resolve) => { release = resolve; });
  t.after(() => release(""));
  const base = await serveRepository(t, {
    pages: { "/adopting.html": ADOPTING_PAGE, "/shared.html": '<script src="/wasm/dist/quorvel.js"></script>',
             "/stall.js": stalled },
    rewrite: (pathname, query, text) => pathname === "/examples/legacy-page/islands.html" &&
      VARIANTS[query.get("variant")] && otherRates(VARIANTS[query.get("variant")](text)),
  });
  const browser = await launchBrowser(t);

  // Served, the islands are cut from the frame's source; opened from the files, from the DOM.
  const openings = { "served": `${base}/examples/legacy-page/`,
                     "opened from its files": `file://${root}/examples/legacy-page/index.html` };
  for (const [how, address] of Object.entries(openings)) {
    await t.test(`${how}: every example transaction gives what quorvel calc gives`, async () => {
      const page = await newPage(browser);
      const main = await openLegacyDemo(page, address);
      for (const { name, text, native } of transactions) {
        assert.equal(await calculated(main, text), native, name);
      }
      assert.deepEqual(page.errors, []);
      await page.close();
    });
  }

  const page = await newPage(browser);
  const main = await openLegacyDemo(page, `${base}/examples/legacy-page/`);
  const invis = page.frame({ name: "invis" });
  const loadFrom = async (variant) => {
    await invis.goto(`${base}/examples/legacy-page/islands.html?variant=${encodeURIComponent(variant)}`);
    return main.evaluate((text) => {
      let failure = null;
      try {
        Quorvel1.LoadTables();
      } catch (error) {
        failure = { isQuorvelError: error instanceof quorvel.QuorvelError, number: error.number,
                    description: error.description };
      }
      return { failure, result: Quorvel1.CalcTaxes(text) };
    }, first.text);
  };

  for (const { variant, description } of failures) {
    await t.test(`${variant} fails the load with 1001 and keeps the tables`, async () => {
      const { failure, result } = await loadFrom(variant);
      assert.ok(failure, "the load failed");
      assert.deepEqual([failure.isQuorvelError, failure.number], [true, 1001], failure.description);
      assert.match(failure.description, description);
      assert.equal(result, first.native);
    });
  }

  let otherRatesResult;
  await t.test("islands with other rates load, so the failing ones above were read", async () => {
    const { failure, result } = await loadFrom("other rates");
    assert.equal(failure, null);
    assert.notEqual(result, first.native);
    otherRatesResult = result;
  });

  await t.test("the islands load from the frame's source while the frame is still loading", async () => {
    await main.evaluate((url) => { parent.invis.location.href = url; },
                        "islands.html?variant=still%20loading");
    await invis.waitForFunction(() => document.readyState === "loading" &&
      document.getElementById("TaxGroupItemData") && !document.getElementById("TaxStatusData"));
    const result = await main.evaluate((text) => {
      Quorvel1.LoadTables();
      return Quorvel1.CalcTaxes(text);
    }, first.text);
    release("");
    assert.equal(result, otherRatesResult);
    await invis.goto(`${base}/examples/legacy-page/islands.html`);
    await main.evaluate(() => Quorvel1.LoadTables());
  });

  await t.test("an <object> added after load is upgraded; other objects are left alone", async () => {
    const outcome = await main.evaluate(async ({ text, clsid }) => {
      const added = document.createElement("object");
      added.setAttribute("classid", clsid);
      const other = document.createElement("object");
      other.setAttribute("classid", "clsid:99999999-2222-3333-4444-555555555555");
      document.body.append(added, other);
      await null;  // the upgrade comes a microtask later
      let error = null;
      try {
        added.CalcTaxes(42);
      } catch (thrown) {
        error = { isQuorvelError: thrown instanceof quorvel.QuorvelError, number: thrown.number };
      }
      return { result: added.CalcTaxes(text), error, otherUpgraded: "CalcTaxes" in other };
    }, { text: first.text, clsid: await main.evaluate(() => quorvel.CLSID) });
    assert.deepEqual(outcome, { result: first.native, otherUpgraded: false,
                                error: { isQuorvelError: true, number: 13 } });
  });

  await t.test("a frame's own quorvel.js shares the tables of its top-level page", async () => {
    const result = await main.evaluate((text) => new Promise((resolve, reject) => {
      const frame = document.createElement("iframe");
      frame.onload = () => {
        try {
          resolve(new frame.contentWindow.quorvel.CQuorvel({}).CalcTaxes(text));
        } catch (error) {
          reject(error);
        }
      };
      frame.src = "/shared.html";
      document.body.append(frame);
    }), first.text);
    assert.equal(result, first.native);
  });

  await t.test("data-classid adopts identifiers; inline script calls the objects at once", async () => {
    const adopting = await newPage(browser);
    await adopting.goto(`${base}/adopting.html`);
    assert.deepEqual(await adopting.evaluate(() => inline), ["NODATA", "NODATA", "undefined"]);
    assert.deepEqual(adopting.errors, []);
  });

  assert.deepEqual(page.errors, []);
});
