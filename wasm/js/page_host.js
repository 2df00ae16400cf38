// --- The page host: the islands of a browser page -------------------------------------------
// Reached as they always were: from the control's window to its parent window, then the
// parent's member "invis" (a frame of that name), then that frame's document, then the element
// with the island's identifier. An island is written either as
//   <xml id="taxData">...</xml> or <xml id="taxData" src="taxData.xml"></xml>, as pages always
//   wrote it: read from the frame's source text as served (js/island_source.js), or where that
//   cannot be requested, recovered from the DOM (js/island_recovery.js); or as
//   <script type="application/xml" id="taxData">...</script>, whose text is the document.

function pageHost(window) {
  return guardedHost("the page", (islandId, load) =>
    islandText(invisFrame(window), islandId, load));
}

// The frame "invis" of the control's parent window: { window, document }.
function invisFrame(window) {
  let invis;
  let document;
  try {
    invis = window.parent.invis;
    document = invis && invis.document;
  } catch (error) {
    throw new QuorvelError(ISLAND_MISSING,
      `cannot reach the frame "invis" of the control's parent window: ${messageOf(error)}`);
  }
  if (!invis) {
    throw new QuorvelError(ISLAND_MISSING,
      'the control\'s parent window has no frame named "invis" (the frame that holds the data ' +
      "islands): the control's page must be a frame beside it");
  }
  if (!document) {
    throw new QuorvelError(ISLAND_MISSING,
      'the member "invis" of the control\'s parent window is no frame: it has no document');
  }
  return { window: invis, document };
}

function islandText(frame, islandId, load) {
  const element = frame.document.getElementById(islandId);
  const tag = element ? String(element.localName).toLowerCase() : null;
  if (tag === "script") return scriptIslandText(element, islandId);
  if (element && tag !== "xml") throw notAnIsland(islandId, tag, "");
  // An <xml> island, or one the frame does not show yet while it loads: as the source has it.
  if (element || frameIsLoading(frame)) {
    const islands = sourceIslands(frame, load);
    const island = islands && islands.get(islandId);
    if (island && island.src !== undefined) return requestedIsland(island.src, frame, islandId, load);
    if (island) return island.text;
  }
  if (!element) {
    throw new QuorvelError(ISLAND_MISSING,
      `island "${islandId}": the document of the frame "invis" has no element with this id`);
  }
  const src = element.getAttribute("src");
  if (src !== null) return requestedIsland(src, frame, islandId, load);
  return recoveredIsland(element, islandId);
}

function scriptIslandText(element, islandId) {
  const type = String(element.getAttribute("type") || "").trim().toLowerCase();
  if (type === "application/xml" || type === "text/xml") return element.textContent;
  throw notAnIsland(islandId, "script", type);
}

function notAnIsland(islandId, tag, type) {
  return new QuorvelError(ISLAND_MISSING,
    `island "${islandId}": the element is a <${tag}${type ? ` type="${type}"` : ""}>, not an ` +
    '<xml> island or a <script type="application/xml"> holding the rowset document');
}

function frameIsLoading(frame) {
  return frame.document.readyState !== "complete" || frame.document.URL === "about:blank";
}

// The <xml> islands of the frame's source text by identifier, once per load; null when the
// frame's address cannot be requested.
function sourceIslands(frame, load) {
  const address = sourceAddress(frame);
  if (address === null) return null;
  const key = `source ${address}`;
  if (!load.has(key)) {
    const bytes = requestedBytes(address, 'the source of the frame "invis"');
    const decoder = new TextDecoder(frame.document.characterSet || "utf-8");
    load.set(key, islandsInSource(decoder.decode(bytes)));
  }
  return load.get(key);
}

// The address the frame's document was served from, or null for a page opened from a file, a
// data: or srcdoc frame: only http(s) pages are requested again. A frame that has not yet
// started on its document (still the initial about:blank) is requested at its element's src.
function sourceAddress(frame) {
  let address = frame.document.URL;
  if (address === "about:blank") {
    const element = frame.window.frameElement;
    address = element && element.src;
  }
  let url;
  try {
    url = new URL(address);
  } catch {
    return null;
  }
  url.hash = "";
  return url.protocol === "http:" || url.protocol === "https:" ? url.href : null;
}

// An island written <xml src="...">: the document at that address (same origin), as bytes.
function requestedIsland(src, frame, islandId, load) {
  const url = new URL(src, frame.document.baseURI);
  const what = `island "${islandId}" (src="${src}")`;
  if (url.protocol === "file:" ? location.protocol !== "file:" : url.origin !== location.origin) {
    throw new QuorvelError(ISLAND_MISSING,
      `${what}: ${url.href} is not of the page's origin ${location.origin}`);
  }
  const key = `src ${url.href}`;
  if (!load.has(key)) load.set(key, requestedBytes(url.href, what));
  return load.get(key);
}

// The bytes at `address`, by a synchronous GET: islands are read while a page's script waits.
function requestedBytes(address, what) {
  const request = new XMLHttpRequest();
  try {
    request.open("GET", address, false);
    request.overrideMimeType("text/plain; charset=x-user-defined");  // every byte as one char
    request.send();
  } catch (error) {
    throw new QuorvelError(ISLAND_MISSING, `${what}: cannot request ${address}: ${messageOf(error)}`);
  }
  const fromFile = request.status === 0 && address.startsWith("file:");
  if (!fromFile && (request.status < 200 || request.status > 299)) {
    throw new QuorvelError(ISLAND_MISSING,
      `${what}: requesting ${address} answered ${request.status} ${request.statusText}`.trim());
  }
  const text = request.responseText;
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i) & 0xff;
  return bytes;
}
