// The demo page in a real browser (Debian's chromium, driven by playwright-core): its own script
// loads the tables from the frame "invis" and calculates; the result text and the rendered table
// are checked at two widths, with a screenshot of each under the build folder.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { buildDir, examples } = require("./support");
const { launchBrowser, newPage, serveRepository } = require("./browser_support");

function exampleText(name, extension) {
  return fs.readFileSync(path.join(examples, "transactions", `${name}${extension}`), "utf8");
}

// The rows an expected result holds: [TaxID, description, tax], read straight from its text.
function expectedRows(result) {
  return [...result.matchAll(/<z:row[^>]*?InvShortDesc = "([^"]*)"[^>]*?TaxID = "([^"]*)"[^>]*?ExtendedPrice ="([^"]*)"/gs)]
    .map(([, description, taxId, tax]) => [taxId, description, tax]);
}

function centsOf(text) {
  const [whole, fraction = ""] = text.replace("-", "").split(".");
  const cents = Number(whole) * 100 + Number((fraction + "00").slice(0, 2));
  return text.startsWith("-") ? -cents : cents;
}

// Where the result table and the panels are, once its view is scrolled to the far right.
function resultLayout() {
  const box = (element) => element.getBoundingClientRect();
  const table = document.getElementById("result-table");
  const scroller = table.parentElement;
  scroller.scrollLeft = scroller.scrollWidth;
  const panel = table.closest(".panel");
  const total = table.tFoot.rows[0].cells[9];
  return {
    insidePanel: box(scroller).right <= box(panel).right && box(panel).right <= innerWidth,
    totalInView: box(total).right <= box(scroller).right + 1 && box(total).left >= box(scroller).left,
    stacked: box(document.querySelector(".panel.raw")).top >= box(panel).bottom,
  };
}

test("the demo page loads its tables from the frame invis and shows the result", { timeout: 90000 },
  async (t) => {
    const base = await serveRepository(t);
    const browser = await launchBrowser(t);
    const page = await newPage(browser, { viewport: { width: 1280, height: 900 } });

    await page.goto(`${base}/examples/page/`);
    const frame = page.frame({ name: "control" });
    assert.ok(frame, "the frameset has a frame named control");
    await frame.waitForSelector("#status.ok", { timeout: 30000 });
    await frame.waitForSelector("#result-table:not([hidden])");

    await t.test("the first example's result text and table", async () => {
      const expected = exampleText("01-in-town-sale", ".expected");
      assert.equal(await frame.$eval("#result-text", (pre) => pre.textContent), expected);
      const rows = await frame.$$eval("#result-table tbody tr",
        (trs) => trs.map((tr) => [...tr.cells].map((cell) => cell.textContent)));
      const wanted = expectedRows(expected);
      assert.equal(wanted.length, 5);
      assert.deepEqual(rows.map((cells) => [cells[0], cells[1], centsOf(cells[9])]),
                       wanted.map(([taxId, description, tax]) => [taxId, description, centsOf(tax)]));
      for (const cells of rows) assert.match(cells[9], /^-?\d+\.\d\d$/, "tax shown as money");
      const total = await frame.$eval("#result-table tfoot tr", (tr) => tr.cells[9].textContent);
      assert.equal(total, "69.70");
      assert.equal(centsOf(total), wanted.reduce((sum, row) => sum + centsOf(row[2]), 0));
      assert.match(await frame.$eval("#taxed-items", (p) => p.textContent), /^Taxed items: \/1042\//);
    });

    for (const { width, stacked } of [{ width: 1280, stacked: false }, { width: 800, stacked: true }]) {
      await t.test(`at ${width} px the result table stays in its panel and scrolls to the total`,
        async () => {
          await page.setViewportSize({ width, height: 900 });
          const screenshot = path.join(buildDir, `wasm-demo-page-${width}.png`);
          fs.mkdirSync(path.dirname(screenshot), { recursive: true });
          await page.screenshot({ path: screenshot, fullPage: true });
          assert.deepEqual(await frame.evaluate(resultLayout),
                           { insidePanel: true, totalInView: true, stacked });
        });
    }

    await t.test("picking another example calculates it", async () => {
      const expected = exampleText("04-return-credit", ".expected");
      await frame.selectOption("#example", "04-return-credit");
      await frame.waitForFunction((text) => document.getElementById("result-text").textContent === text, expected);
      assert.equal(await frame.inputValue("#transaction"), exampleText("04-return-credit", ".xml"));
      const taxIds = await frame.$$eval("#result-table tbody tr", (trs) => trs.map((tr) => tr.cells[0].textContent));
      assert.deepEqual(taxIds, expectedRows(expected).map((row) => row[0]));
    });

    await t.test("an edited document without a header answers NOHEADER", async () => {
      await frame.fill("#transaction", "<xml><rs:data xmlns:rs='urn:schemas-microsoft-com:rowset'/></xml>");
      await frame.click("#calculate");
      assert.equal(await frame.$eval("#result-text", (pre) => pre.textContent), "NOHEADER");
      assert.match(await frame.$eval("#message", (p) => p.textContent), /^NOHEADER/);
      assert.equal(await frame.$eval("#result-table", (table) => table.hidden), true);
    });

    await t.test("a broken island fails the load before any table is touched", async () => {
      const transaction = exampleText("01-in-town-sale", ".xml");
      const outcomes = await frame.evaluate((text) => {
        const islands = window.parent.invis.document;
        // Other rates in taxData: a load that got as far as the tax table would change results.
        const taxData = islands.getElementById("taxData");
        const rates = taxData.textContent;
        taxData.textContent = rates.replace(/TaxRate="[^"]*"/g, 'TaxRate="12.5"');
        const failures = {};
        // Puts `replacement` in place of the island TaxStatusData while a new control loads.
        const loadWith = (replacement) => {
          const island = islands.getElementById("TaxStatusData");
          if (replacement) island.replaceWith(replacement); else island.remove();
          try {
            new quorvel.CQuorvel().LoadTables();
            return null;
          } catch (error) {
            return { number: error.number, description: error.description };
          } finally {
            if (replacement) replacement.replaceWith(island); else islands.body.append(island);
          }
        };
        failures.missing = loadWith(null);
        const xmlElement = islands.createElement("xml");
        xmlElement.id = "TaxStatusData";
        failures.xmlElement = loadWith(xmlElement);
        const script = islands.createElement("script");
        script.type = "text/plain";
        script.id = "TaxStatusData";
        failures.wrongType = loadWith(script);
        const after = new quorvel.CQuorvel().CalcTaxes(text);
        taxData.textContent = rates;
        return { failures, after };
      }, transaction);
      assert.deepEqual(outcomes.failures.missing, { number: 1001, description:
        'island "TaxStatusData": the document of the frame "invis" has no element with this id' });
      assert.deepEqual(outcomes.failures.xmlElement, { number: 1001,
        description: 'island "TaxStatusData": the <xml> element holds no document' });
      assert.match(outcomes.failures.wrongType.description,
                   /is a <script type="text\/plain">, not an <xml> island or a <script type="application\/xml">/);
      assert.equal(outcomes.after, exampleText("01-in-town-sale", ".expected"));
    });

    await t.test("the control page outside its frameset says the frame invis is missing", async () => {
      const alone = await newPage(browser);
      await alone.goto(`${base}/examples/page/control.html`);
      await alone.waitForSelector("#status.error");
      assert.match(await alone.textContent("#status"), /Error 1001: .*no frame named "invis"/);
      await alone.close();
    });

    assert.deepEqual(page.errors, []);
  });

test("where a browser refuses to compile synchronously, the page waits for ready and says why",
  { timeout: 60000 }, async (t) => {
    const base = await serveRepository(t);
    const browser = await launchBrowser(t);
    const page = await newPage(browser);
    const messages = [];
    page.on("console", (message) => messages.push(message.text()));
    await page.addInitScript(() => {
      // As a browser with a small limit for compiling on the main thread answers.
      const Compile = WebAssembly.Module;
      WebAssembly.Module = function Module(bytes) {
        if (bytes.byteLength > 4096) throw new RangeError("WebAssembly.Module(): buffer size is larger than 4 KB");
        return new Compile(bytes);
      };
    });
    await page.goto(`${base}/examples/page/`);
    const frame = page.frame({ name: "control" });
    await frame.waitForSelector("#status.ok", { timeout: 30000 });
    assert.equal(await frame.$eval("#result-text", (pre) => pre.textContent),
                 exampleText("01-in-town-sale", ".expected"));
    assert.ok(messages.some((text) => /refuses to compile the engine synchronously/.test(text)),
              messages.join("\n"));
    assert.deepEqual(page.errors, []);
  });
