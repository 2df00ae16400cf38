// Compiled with AVX2 and carry-less multiplication allowed; run only where the processor has them
// (markup_scan.cpp).
#include "xml/wellformed/markup_scanner.hpp"
#include "xml/wellformed/vector_bytes.hpp"

namespace quorvel::xml {

std::optional<Refusal> ScanMarkupAvx2(std::string_view text) { return MarkupScanner<VectorBytes<Avx2>>(text).Run(); }

bool HasAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("pclmul"); }

}  // namespace quorvel::xml
