// quorvel.js: the Quorvel sales-tax control, compiled to WebAssembly (https://emscripten.org).
// Everything in this file stays inside one function; js/exports.js, at its end, closes it and exports
// the control: module.exports in Node (CommonJS), the global `quorvel` in a page.
(function () {
