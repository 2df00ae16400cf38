// The rules of well-formed XML that pugixml leaves unchecked in the markup, looked for in one
// pass over the raw text before it is parsed: references ("&amp;", "&#38;"), "<" in attribute
// values, comments, CDATA sections and "]]>", processing instructions and the XML declaration,
// DTDs (never accepted), and anything but blanks, comments and processing instructions outside
// the root element.
//
// The pass follows the markup only as far as these rules need it; what pugixml checks itself
// (tag and attribute syntax, matching end tags) it leaves to pugixml, which parses the text next.
//
// The pass has versions that differ only in how they find the bytes that matter: portable (a
// table look-up per byte; what WebAssembly runs), SSE2 and AVX2 (many bytes at a time). The
// engine runs the fastest one this build and processor have, unless the environment variable
// QUORVEL_XML_SCAN names another ("portable", "sse2", "avx2"): that is how the tests run every
// version. The versions always agree.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "xml/wellformed/refusal.hpp"

namespace quorvel::xml {

enum class ScanVersion { kPortable, kSse2, kAvx2 };

// The first rule above that `text` breaks, or nothing, found by the version the engine runs.
std::optional<Refusal> ScanMarkup(std::string_view text);
// The same, found by `version`, which must be one of ScanVersions().
std::optional<Refusal> ScanMarkup(std::string_view text, ScanVersion version);

// The versions this build and processor can run, the portable one first and the fastest last.
std::vector<ScanVersion> ScanVersions();
// The version ScanMarkup runs: the one QUORVEL_XML_SCAN names when it can, else the fastest.
ScanVersion ScanVersionInUse();
// "portable", "sse2" or "avx2".
const char* NameOf(ScanVersion version);

}  // namespace quorvel::xml
