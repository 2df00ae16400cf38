// Compiles and instantiates the embedded WebAssembly synchronously, so that a page can call a
// control right after its <script src="quorvel.js"> element has run. An engine that refuses to
// compile this much code on its thread gets the asynchronous way instead, and `quorvel.ready`
// then settles later. This part runs inside Emscripten's module function: `wasmBinaryFile` and
// `getBinary` are its own.
Module["instantiateWasm"] = function (imports, receiveInstance) {
  var binary = getBinary(wasmBinaryFile);
  var compiled;
  try {
    compiled = new WebAssembly.Module(binary);
  } catch (error) {
    if (!(error instanceof RangeError)) throw error;
    console.warn("quorvel.js: this browser refuses to compile the engine synchronously (" +
                 error.message + "); it is loading asynchronously, so await quorvel.ready " +
                 "before calling a control");
    WebAssembly.instantiate(binary, imports).then(function (result) {
      receiveInstance(result.instance, result.module);
    }, function (failure) {
      try {
        abort(failure);  // tells Module.onAbort, then throws what this promise need not keep
      } catch (ignored) {}
    });
    return {};
  }
  var instance = new WebAssembly.Instance(compiled, imports);
  receiveInstance(instance, compiled);
  return instance.exports;
};
