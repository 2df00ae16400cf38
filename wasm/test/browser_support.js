// What the browser tests share: a static server of the repository on 127.0.0.1, as the README's
// one-liner would be, and Debian's chromium driven by playwright-core.
"use strict";
const fs = require("node:fs");
const http = require("node:http");
const path = require("node:path");
const { chromium } = require("playwright-core");
const { root } = require("./support");

const CHROMIUM = process.env.QUORVEL_CHROMIUM || "/usr/bin/chromium";
const TYPES = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css",
                ".xml": "application/xml" };

// Serves the repository's folder. `pages` adds pages of the tests' own ({ "/path": html, or a
// promise of it to answer late }); `rewrite(pathname, searchParams, text)` may answer a changed
// copy of a file's text.
async function serveRepository(t, { pages = {}, rewrite = null } = {}) {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, "http://localhost");
    if (url.pathname in pages) {
      Promise.resolve(pages[url.pathname]).then((text) =>
        response.writeHead(200, { "Content-Type": "text/html" }).end(text));
      return;
    }
    let file = path.join(root, path.normalize(decodeURIComponent(url.pathname)));
    if (file.endsWith(path.sep)) file = path.join(file, "index.html");
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end("not found");
      return;
    }
    const type = TYPES[path.extname(file)] || "application/octet-stream";
    const text = rewrite && rewrite(url.pathname, url.searchParams, fs.readFileSync(file, "utf8"));
    if (typeof text === "string") {
      response.writeHead(200, { "Content-Type": type }).end(text);
      return;
    }
    response.writeHead(200, { "Content-Type": type });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  t.after(() => server.close());
  return `http://127.0.0.1:${server.address().port}`;
}

// Chromium, closed when the test ends. Pages opened from files may reach each other's frames,
// as they did in the browser these pages were written for.
async function launchBrowser(t) {
  const browser = await chromium.launch({
    executablePath: CHROMIUM,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
           "--disable-dev-shm-usage",  // containers often have a small /dev/shm
           "--allow-file-access-from-files"],
  });
  t.after(() => browser.close());
  return browser;
}

// A new page whose script errors are collected in `page.errors`.
async function newPage(browser, options) {
  const page = await browser.newPage(options);
  page.errors = [];
  page.on("pageerror", (error) => page.errors.push(String(error)));
  return page;
}

module.exports = { serveRepository, launchBrowser, newPage };
