#include "xml/xpath_number.hpp"

#include <cstdlib>
#include <string>

namespace quorvel::xml {
namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> XPathNumber(std::string_view text) {
  while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
  std::size_t position = text.empty() || text.front() != '-' ? 0 : 1;
  std::size_t digits = 0;
  while (position < text.size() && IsDigit(text[position])) ++position, ++digits;
  if (position < text.size() && text[position] == '.') {
    ++position;
    while (position < text.size() && IsDigit(text[position])) ++position, ++digits;
  }
  if (digits == 0 || position != text.size()) return std::nullopt;
  const double value = std::strtod(std::string(text).c_str(), nullptr);
  return value == 0 ? 0.0 : value;  // -0 and 0 are the same number
}

}  // namespace quorvel::xml
