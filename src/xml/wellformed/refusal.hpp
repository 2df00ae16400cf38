// Why a text is not accepted as an XML document, and where.
#pragma once

#include <cstddef>
#include <string>

namespace quorvel::xml {

struct Refusal {
  std::string rule;    // the rule the text breaks, e.g. "duplicate attribute \"TaxRate\""
  std::size_t offset;  // byte offset of the fault in the text

  friend bool operator==(const Refusal&, const Refusal&) = default;
};

}  // namespace quorvel::xml
