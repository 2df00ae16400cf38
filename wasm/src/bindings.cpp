// The boundary between JavaScript and the engine: the C functions that wasm/js/api.js calls.
//
// A C++ exception must never reach JavaScript (it would arrive there as a bare number), so each
// function catches every failure and reports it as an error number plus a description.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <new>
#include <string>
#include <string_view>

#include "quorvel/quorvel.hpp"

namespace {

// Failures that are not quorvel::Error, numbered as the automation runtime numbered them.
constexpr int kOutOfMemory = 7;
constexpr int kInternalError = 51;

// One island's text as the host gave it; `data` is null when the host has no such island.
struct IslandText {
  const char* data;
  std::uint32_t size;
};
static_assert(sizeof(IslandText) == 8, "wasm/js/api.js writes two 32-bit words per island");

// What the last call produced: its result text, or the description of its failure.
std::string outcome;

// Runs `call` and keeps its text in `outcome`: 0, or the error number with its description.
template <typename Call>
int Guarded(Call&& call) {
  try {
    outcome = call();
    return 0;
  } catch (const quorvel::Error& error) {
    outcome = error.description();
    return error.number();
  } catch (const std::bad_alloc&) {
    outcome = "out of memory";
    return kOutOfMemory;
  } catch (const std::exception& error) {
    outcome = error.what();
    return kInternalError;
  } catch (...) {
    outcome = "an unknown failure inside the engine";
    return kInternalError;
  }
}

}  // namespace

extern "C" {

// Loads this module instance's reference tables from six islands, given in quorvel::kIslandIds
// order. 0 on success, else the error number; a failed load leaves the tables as they were.
EMSCRIPTEN_KEEPALIVE int quorvel_load_data_objects(const IslandText* islands) {
  return Guarded([islands] {
    std::map<std::string, std::string, std::less<>> texts;
    for (std::size_t i = 0; i < std::size(quorvel::kIslandIds); ++i) {
      if (islands[i].data != nullptr) {
        texts.emplace(quorvel::kIslandIds[i], std::string(islands[i].data, islands[i].size));
      }
    }
    quorvel::CQuorvel(quorvel::MakeMemoryHost(std::move(texts))).LoadDataObjects();
    return std::string();
  });
}

// Calculates the transaction document of `size` bytes at `text`: 0 with the result (the rowset,
// "NODATA" or "NOHEADER") as the outcome, else the error number.
EMSCRIPTEN_KEEPALIVE int quorvel_calc_taxes(const char* text, std::uint32_t size) {
  return Guarded([text, size] {
    // Calculating never asks the host for anything: the tables are the module's own.
    static const quorvel::CQuorvel control(quorvel::MakeMemoryHost({}));
    return control.CalcTaxes(std::string_view(text, size));
  });
}

// The text of the last call's outcome (UTF-8, not terminated).
EMSCRIPTEN_KEEPALIVE const char* quorvel_outcome_data() { return outcome.data(); }

// The length in bytes of the last call's outcome.
EMSCRIPTEN_KEEPALIVE std::uint32_t quorvel_outcome_size() {
  return static_cast<std::uint32_t>(outcome.size());
}

}  // extern "C"
