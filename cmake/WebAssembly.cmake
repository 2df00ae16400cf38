# quorvel_wasm_code: how every C++ file of the WebAssembly build is compiled and linked, the
# engine's and the JavaScript boundary's alike (it does nothing in a native build).
#
# The engine reports every failure by throwing quorvel::Error, so C++ exceptions must be on
# (Emscripten leaves them off). "wasm" uses WebAssembly's own exception handling; "js" routes every
# call that may throw through JavaScript and makes CalcTaxes about half as slow again, but runs on
# engines older than Node 17, Chrome 95, Firefox 100 and Safari 15.2. Link-time optimisation
# inlines across the engine's files: about an eighth faster.
add_library(quorvel_wasm_code INTERFACE)
if(EMSCRIPTEN)
  if(QUORVEL_WASM_EXCEPTIONS STREQUAL "wasm")
    set(exceptions -fwasm-exceptions)
  elseif(QUORVEL_WASM_EXCEPTIONS STREQUAL "js")
    set(exceptions -fexceptions)
  else()
    message(FATAL_ERROR "QUORVEL_WASM_EXCEPTIONS must be wasm or js, not ${QUORVEL_WASM_EXCEPTIONS}")
  endif()
  target_compile_options(quorvel_wasm_code INTERFACE ${exceptions} -flto)
  target_link_options(quorvel_wasm_code INTERFACE ${exceptions} -flto)
endif()
