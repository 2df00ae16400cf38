// --- <object classid="clsid:..."> elements become controls ----------------------------------
// The control's class identifier, fixed for good: pages create the control by it.
const CLSID = "clsid:A4564123-DCC3-4A90-9079-C45B0D6A00D3";

// A class identifier as compared: lower case, without "clsid:", braces and blanks.
function classIdKey(text) {
  return String(text).trim().toLowerCase().replace(/^clsid:/, "").replace(/[{}\s]/g, "");
}

// Ours and those the script element adopts, for pages written for another build of the
// control: <script src="quorvel.js" data-classid="clsid:... clsid:...">.
function adoptedClassIds(script) {
  const named = script && script.dataset ? script.dataset.classid || "" : "";
  return new Set([CLSID, ...named.split(/[\s,;]+/)].filter(Boolean).map(classIdKey));
}

const upgradedObjects = new WeakSet();

// Upgrades the document's objects that have one of `classIds`: those there now, and each one
// added or given such an identifier later (before the next script or event handler runs).
function upgradeObjects(document, classIds) {
  const upgradeIfOurs = (element) => {
    if (element.localName === "object" && !upgradedObjects.has(element) &&
        classIds.has(classIdKey(element.getAttribute("classid") || ""))) {
      upgradeObject(element);
    }
  };
  const upgradeWithin = (node) => {
    if (node.nodeType !== Node.ELEMENT_NODE) return;
    upgradeIfOurs(node);
    node.querySelectorAll("object[classid]").forEach(upgradeIfOurs);
  };
  upgradeWithin(document.documentElement);
  new MutationObserver((records) => {
    for (const record of records) {
      if (record.type === "attributes") upgradeIfOurs(record.target);
      else record.addedNodes.forEach(upgradeWithin);
    }
  }).observe(document, { childList: true, subtree: true, attributes: true,
                         attributeFilter: ["classid"] });
}

// The element itself answers the control's three methods, on the page it is in.
function upgradeObject(element) {
  const control = new CQuorvel(element.ownerDocument.defaultView);
  const method = (call) => ({ value: call, configurable: true, writable: true });
  Object.defineProperties(element, {
    CalcTaxes: method((pstrLines) => control.CalcTaxes(pstrLines)),
    LoadTables: method(() => control.LoadTables()),
    LoadDataObjects: method(() => control.LoadDataObjects()),
  });
  upgradedObjects.add(element);
}
