#include "xml/wellformed/markup_scan.hpp"

#include <cstdlib>
#include <cstring>

#include "xml/wellformed/byte_classes.hpp"
#include "xml/wellformed/markup_scanner.hpp"
#include "xml/wellformed/vector_bytes.hpp"

namespace quorvel::xml {

#if defined(QUORVEL_SCAN_AVX2)
// markup_scan_avx2.cpp: the pass compiled for AVX2, and whether this processor can run it.
std::optional<Refusal> ScanMarkupAvx2(std::string_view text);
bool HasAvx2();
#endif

namespace {

using Pass = std::optional<Refusal> (*)(std::string_view text);

template <typename Bytes>
std::optional<Refusal> Scan(std::string_view text) { return MarkupScanner<Bytes>(text).Run(); }

Pass PassOf(ScanVersion version) {
  switch (version) {
#if defined(__SSE2__)
    case ScanVersion::kSse2: return Scan<VectorBytes<Sse2>>;
#endif
#if defined(QUORVEL_SCAN_AVX2)
    case ScanVersion::kAvx2: return ScanMarkupAvx2;
#endif
    default: return Scan<PortableBytes>;
  }
}

}  // namespace

const char* NameOf(ScanVersion version) {
  constexpr const char* kNames[] = {"portable", "sse2", "avx2"};
  return kNames[static_cast<int>(version)];
}

std::vector<ScanVersion> ScanVersions() {
  std::vector<ScanVersion> versions{ScanVersion::kPortable};
#if defined(__SSE2__)
  versions.push_back(ScanVersion::kSse2);
#endif
#if defined(QUORVEL_SCAN_AVX2)
  if (HasAvx2()) versions.push_back(ScanVersion::kAvx2);
#endif
  return versions;
}

ScanVersion ScanVersionInUse() {
  const std::vector<ScanVersion> versions = ScanVersions();
  if (const char* named = std::getenv("QUORVEL_XML_SCAN")) {
    for (const ScanVersion version : versions) {
      if (std::strcmp(named, NameOf(version)) == 0) return version;
    }
  }
  return versions.back();
}

std::optional<Refusal> ScanMarkup(std::string_view text, ScanVersion version) { return PassOf(version)(text); }

std::optional<Refusal> ScanMarkup(std::string_view text) {
  static const Pass pass = PassOf(ScanVersionInUse());
  return pass(text);
}

}  // namespace quorvel::xml
