// --- <xml> islands recovered from the DOM ---------------------------------------------------
// Where a frame's source text cannot be requested (a page opened from a file, a frame written by
// script), an <xml> island is rebuilt from what the HTML parser made of it: every z:row under
// its rs:data in document order (the parser nests the rows and, past its depth limit, puts
// them side by side: their order stays), each with its attributes under the names the island's
// schema or the loader gives them, as the parser lower-cased them. What can then differ from
// reading the island as XML: entities only HTML knows (&copy;) are decoded instead of failing
// the load, &#128; to &#159; read as windows-1252 (&#128; as the euro sign), a tab or line
// break written as a character reference becomes a space, and a malformed island loads what
// the parser made of it.

// The columns the loader reads, as it spells them.
const LOADER_COLUMNS = ["iKey", "TaxGroupID", "GLAccountID", "Description", "Sequence",
  "ThreshHold", "Cutoff", "TaxRate", "crTaxType", "IsItemLevel", "TaxModelItemID", "TaxID",
  "IsTaxable", "CustomerID", "crExemptType", "InvItemID", "TaxExemptNumber"];

// The island's rowset document, rebuilt as text.
function recoveredIsland(element, islandId) {
  if (!element.firstElementChild) {
    throw new QuorvelError(ISLAND_MISSING, `island "${islandId}": the <xml> element holds no document`);
  }
  const names = columnNames(element);
  const data = element.getElementsByTagName("rs:data")[0];
  const rows = data ? [...data.getElementsByTagName("z:row")].map((row) => rowText(row, names)) : [];
  const root = '<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"';
  return data ? `${root}><rs:data>\n${rows.join("\n")}\n</rs:data></xml>` : `${root}/>`;
}

// Lower-cased column names to their spelling: the loader's, then those of the island's schema
// (<s:AttributeType name="...">), whose values the parser kept as written.
function columnNames(element) {
  const names = new Map(LOADER_COLUMNS.map((name) => [name.toLowerCase(), name]));
  for (const type of element.getElementsByTagName("s:attributetype")) {
    const name = type.getAttribute("name");
    if (name) names.set(name.toLowerCase(), name);
  }
  return names;
}

function rowText(row, names) {
  const attributes = [...row.attributes].map((attribute) =>
    ` ${names.get(attribute.name) || attribute.name}="${escapedXml(attribute.value)}"`);
  return `<z:row${attributes.join("")}/>`;
}

// A value as XML attribute text. Tabs and line breaks stay literal: XML reads them as spaces,
// as it read the literal ones of the source.
function escapedXml(value) {
  return value.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/"/g, "&quot;");
}
