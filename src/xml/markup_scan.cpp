#include "xml/markup_scan.hpp"

#include "xml/markup_scanner.hpp"

namespace quorvel::xml {

std::optional<Refusal> ScanMarkupBaseline(std::string_view text) { return MarkupScanner(text).Run(); }

MarkupPass WiderMarkupPass() {
#if defined(QUORVEL_SCAN_AVX2)
  return HasAvx2() ? ScanMarkupAvx2 : nullptr;
#else
  return nullptr;
#endif
}

std::optional<Refusal> ScanMarkup(std::string_view text) {
  static const MarkupPass wider = WiderMarkupPass();
  return wider ? wider(text) : ScanMarkupBaseline(text);
}

}  // namespace quorvel::xml
