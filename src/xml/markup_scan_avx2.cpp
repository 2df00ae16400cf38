// Compiled with AVX2 and carry-less multiplication allowed; called only where the processor has
// them (markup_scan.cpp).
#include "xml/markup_scan.hpp"
#include "xml/markup_scanner.hpp"

namespace quorvel::xml {

std::optional<Refusal> ScanMarkupAvx2(std::string_view text) { return MarkupScanner(text).Run(); }

bool HasAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("pclmul"); }

}  // namespace quorvel::xml
