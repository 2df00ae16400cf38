// --- <xml> islands read exactly from a page's source text -----------------------------------
// Today's HTML parser does not keep what XML reads inside <xml id="...">: it lower-cases
// attribute names, nests rows (it does not close an unknown element at "/>") and flattens them
// past its depth limit, decodes entities only HTML knows and keeps literal tabs that XML turns
// into spaces. So the islands are cut out of the source text and the engine parses them as XML.

// What may hide an <xml> tag from the HTML parser (comments, the raw text of script, style,
// textarea, title and xmp), or an <xml> start tag, its attributes in group 2.
const HTML_MARKUP = new RegExp([
  "<!--[\\s\\S]*?(?:-->|$)",
  "<(script|style|textarea|title|xmp)(?=[\\s/>])(?:[^>\"']|\"[^\"]*\"|'[^']*')*>[\\s\\S]*?(?:</\\1\\s*>|$)",
  "<xml(?=[\\s/>])((?:[^>\"']|\"[^\"]*\"|'[^']*')*)>",
].join("|"), "gi");

// One attribute of an HTML start tag: its name, and its value quoted or bare.
const HTML_ATTRIBUTE = /([^\s"'>/=]+)(?:\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s"'=<>`]+)))?/g;

// Markup inside an island: comments, CDATA sections, processing instructions and declarations
// (passed over), end tags (group 1) and start tags (group 2: "/" when empty).
const XML_MARKUP = new RegExp([
  "<!--[\\s\\S]*?-->",
  "<!\\[CDATA\\[[\\s\\S]*?\\]\\]>",
  "<\\?[\\s\\S]*?\\?>",
  "<!(?:[^>\"'\\[]|\"[^\"]*\"|'[^']*'|\\[[\\s\\S]*?\\])*>",
  "</([^\\s>]*)\\s*>",
  "<[^\\s/>!?](?:[^>\"']|\"[^\"]*\"|'[^']*')*?(/?)>",
].join("|"), "g");

// The islands of an HTML text by identifier (the first of an identifier counts, as with
// getElementById): { text } for an island written inline, { src } for one with a src attribute.
function islandsInSource(html) {
  const islands = new Map();
  HTML_MARKUP.lastIndex = 0;
  for (let match; (match = HTML_MARKUP.exec(html));) {
    if (match[2] === undefined) continue;
    const attributes = attributesOf(match[2]);
    const start = HTML_MARKUP.lastIndex;
    const end = /\/\s*$/.test(match[2]) ? { content: start, after: start } : islandEnd(html, start);
    HTML_MARKUP.lastIndex = end.after;
    const id = attributes.get("id");
    if (id === undefined || islands.has(id)) continue;
    islands.set(id, attributes.has("src") ? { src: attributes.get("src") }
                                          : { text: html.slice(start, end.content) });
  }
  return islands;
}

// Where the content of an island that starts at `from` ends: at the end tag that closes it,
// counting the elements inside as XML does. An island never closed runs to the end of the text
// (the engine then finds it is not well-formed).
function islandEnd(html, from) {
  XML_MARKUP.lastIndex = from;
  let depth = 0;
  for (let match; (match = XML_MARKUP.exec(html));) {
    if (match[1] !== undefined) {
      if (depth === 0) return { content: match.index, after: XML_MARKUP.lastIndex };
      depth -= 1;
    } else if (match[2] === "") {
      depth += 1;
    }
  }
  return { content: html.length, after: html.length };
}

// The attributes of an HTML start tag by lower-cased name, character references decoded.
function attributesOf(text) {
  const attributes = new Map();
  for (const [, name, ...values] of text.matchAll(HTML_ATTRIBUTE)) {
    const key = name.toLowerCase();
    const value = values.find((candidate) => candidate !== undefined);
    if (!attributes.has(key)) attributes.set(key, decodedHtml(value === undefined ? "" : value));
  }
  return attributes;
}

// An attribute value's text as the HTML parser decodes it (&amp;, &#38;, ...).
function decodedHtml(text) {
  if (!text.includes("&")) return text;
  const area = document.createElement("textarea");
  area.innerHTML = text;
  return area.value;
}
