// The demo's visible frame: loads the tables through the control from the hidden frame "invis",
// then calculates the transaction in the editor and shows the result rows as a table.
"use strict";

// The example transactions of examples/transactions/ (wasm/test/page.test.js keeps this in step).
const EXAMPLES = [
  "01-in-town-sale",
  "02-county-exempt-customer",
  "03-reseller-work-order",
  "04-return-credit",
  "05-shipment-with-exempt-item",
  "06-luxury-purchase",
];

const ROWSET_SCHEMA = "#RowsetSchema";
const element = (id) => document.getElementById(id);
let control = null;

// Settles once the frameset, and so the frame "invis", has finished loading.
function framesetLoaded() {
  if (window.parent === window || window.parent.document.readyState === "complete") {
    return Promise.resolve();
  }
  return new Promise((resolve) => window.parent.addEventListener("load", resolve, { once: true }));
}

function showStatus(text, kind) {
  const status = element("status");
  status.textContent = text;
  status.className = `status ${kind}`;
}

async function showExample(name) {
  const response = await fetch(`../transactions/${name}.xml`);
  if (!response.ok) throw new Error(`cannot fetch the example ${name}: ${response.status}`);
  element("transaction").value = await response.text();
}

function calculate() {
  const text = element("transaction").value;
  try {
    showResult(control.CalcTaxes(text));
  } catch (error) {
    showFailure(error);
  }
}

function showResult(result) {
  element("result-text").textContent = result;
  if (result === "NODATA" || result === "NOHEADER") {
    showMessage(result === "NODATA" ? "NODATA: no tables are loaded."
                                    : "NOHEADER: the document has no header row.", "notice");
    return;
  }
  const rowset = new DOMParser().parseFromString(result, "application/xml");
  if (rowset.getElementsByTagName("parsererror").length) {
    showMessage("The result is no well-formed XML; see the raw text.", "notice");
    return;
  }
  const data = rowset.documentElement.firstElementChild;
  const rows = [...rowset.getElementsByTagNameNS(ROWSET_SCHEMA, "row")];
  showMessage("", null);
  element("taxed-items").hidden = false;
  element("taxed-items").textContent = `Taxed items: ${data ? data.getAttribute("TaxItems") : ""}`;
  fillTable(rows);
}

function showFailure(error) {
  element("result-text").textContent = "";
  const text = typeof error.number === "number"
    ? `Error ${error.number}: ${error.description}` : String(error);
  showMessage(text, "error");
}

function showMessage(text, kind) {
  const message = element("message");
  message.hidden = !kind;
  message.textContent = text;
  message.className = `message ${kind || ""}`;
  element("taxed-items").hidden = true;
  element("result-table").hidden = true;
}

function fillTable(rows) {
  const body = element("result-table").tBodies[0];
  body.replaceChildren(...rows.map((row) => tableRow([
    row.getAttribute("TaxID"),
    row.getAttribute("InvShortDesc"),
    row.getAttribute("crTaxType") === "%" ? "percentage" : `per unit (${row.getAttribute("crTaxType")})`,
    row.getAttribute("crTaxType") === "%" ? `${row.getAttribute("crTaxRate")} %` : row.getAttribute("crTaxRate"),
    row.getAttribute("GLAccountID"),
    asMoney(row.getAttribute("NetPrice")),
    row.getAttribute("QtyShipped"),
    asMoney(row.getAttribute("ProfilePrice")),
    asMoney(row.getAttribute("DiscountAmount")),
    asMoney(row.getAttribute("ExtendedPrice")),
  ])));
  const total = asMoney(sumOf(rows.map((row) => row.getAttribute("ExtendedPrice"))));
  const footer = tableRow(["", "Total tax", "", "", "", "", "", "", "", total]);
  element("result-table").tFoot.replaceChildren(footer);
  element("result-table").hidden = false;
}

function tableRow(cells) {
  const row = document.createElement("tr");
  cells.forEach((text, index) => {
    const cell = document.createElement("td");
    cell.textContent = text;
    if (index === 1 || index === 2) cell.className = "text";
    row.append(cell);
  });
  return row;
}

// A decimal text as an amount of money: at least two decimals (3.7 as 3.70).
function asMoney(text) {
  const [whole, fraction = ""] = text.split(".");
  return `${whole}.${fraction.padEnd(2, "0")}`;
}

// The exact sum of decimal texts (four places at most), written without trailing zeros.
function sumOf(texts) {
  const scale = 10000n;
  const total = texts.reduce((sum, text) => {
    const [whole, fraction = ""] = text.replace("-", "").split(".");
    const units = BigInt(whole || "0") * scale + BigInt((fraction + "0000").slice(0, 4));
    return sum + (text.startsWith("-") ? -units : units);
  }, 0n);
  const magnitude = total < 0n ? -total : total;
  const fraction = String(magnitude % scale).padStart(4, "0").replace(/0+$/, "");
  return `${total < 0n ? "-" : ""}${magnitude / scale}${fraction ? `.${fraction}` : ""}`;
}

async function main() {
  const select = element("example");
  select.replaceChildren(...EXAMPLES.map((name) => new Option(name, name)));
  select.addEventListener("change", () => showExample(select.value).then(calculate, showFailure));
  element("calculate").addEventListener("click", calculate);
  element("transaction").addEventListener("keydown", (event) => {
    if (event.key === "Enter" && event.ctrlKey) calculate();
  });

  await Promise.all([quorvel.ready, framesetLoaded()]);
  control = new quorvel.CQuorvel();  // on this page: parent window, frame "invis", its islands
  try {
    control.LoadTables();
  } catch (error) {
    showStatus(`The tables could not be loaded. Error ${error.number}: ${error.description}`, "error");
    return;
  }
  showStatus('Tables loaded from the six data islands of the hidden frame "invis".', "ok");
  element("calculate").disabled = false;
  await showExample(select.value);
  calculate();
}

main().catch((error) => showStatus(`The page failed: ${error}`, "error"));
