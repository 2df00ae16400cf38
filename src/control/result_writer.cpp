#include "control/result_writer.hpp"

#include <cstdint>
#include <cstring>

#include "common/letter_removal.hpp"
#include "common/number_text.hpp"
#include "common/trimming.hpp"

namespace quorvel {
namespace {

constexpr std::string_view kHeaderStart =
    "<xml>\r\n<rs:data xmlns:rs=\"urn:schemas-microsoft-com:rowset\" TaxItems=\"";
constexpr std::string_view kHeaderEnd = "\" >\r\n";
constexpr std::string_view kRowStart = "\t<z:row xmlns:z=\"#RowsetSchema\"\t";
constexpr std::string_view kAttributeSeparator = "\r\n\t\t";
constexpr std::string_view kRowEnd = "\r\n\t />\r\n";
constexpr std::string_view kFooter = "</rs:data>\r\n</xml>";
constexpr std::size_t kRowSizeEstimate = 300;

void AppendText(std::string& out, std::string_view opening, std::string_view value) {
  out += opening;
  AppendEscaped(out, value);
  out += '"';
}

// A key as the result shows it: spaces at both ends removed, then every capital K.
void AppendKey(std::string& out, std::string_view opening, std::string_view key) {
  out += opening;
  ForEachPartWithoutLetter(TrimSpaces(key), 'K', [&](std::string_view part) { AppendEscaped(out, part); });
  out += '"';
}

void AppendNumber(std::string& out, std::string_view opening, Currency value) {
  out += opening;
  AppendNumberText(out, value);
  out += '"';
}

void AppendRow(std::string& out, const CTaxLine& line) {
  const CTax& tax = *line.OTax();
  out += kRowStart;
  AppendText(out, "InvShortDesc = \"", TrimSpaces(tax.Description));
  out += kAttributeSeparator;
  AppendText(out, "crTaxType = \"", TrimSpaces(tax.crTaxType));
  out += kAttributeSeparator;
  AppendNumber(out, "crTaxRate = \"", tax.TaxRate);  // regional number text
  out += kAttributeSeparator;
  AppendKey(out, "GLAccountID = \"", tax.GLAccountID);
  out += kAttributeSeparator;
  AppendKey(out, "TaxID = \"", line.KeyTaxID());
  out += kAttributeSeparator;
  AppendNumber(out, "NetPrice =\"", line.TaxableDollars);  // plain number text
  out += kAttributeSeparator;
  AppendNumber(out, "QtyShipped =\"", line.TaxableQuantity);
  out += kAttributeSeparator;
  AppendNumber(out, "ExtendedPrice =\"", line.TotalTax);
  out += kAttributeSeparator;
  AppendNumber(out, "ProfilePrice = \"", line.NonTaxableDollars);  // regional number text
  out += kAttributeSeparator;
  AppendNumber(out, "DiscountAmount = \"", line.ExemptDollars);
  out += kRowEnd;
}

bool IsSpecial(char c) { return c == '&' || c == '<' || c == '>' || c == '"'; }

constexpr std::uint64_t kOnes = 0x0101010101010101;

// Whether any byte of `word` is zero.
bool HasZeroByte(std::uint64_t word) { return ((word - kOnes) & ~word & (0x80 * kOnes)) != 0; }

// Whether any of the eight bytes at `bytes` needs escaping.
bool HasSpecialIn8(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return HasZeroByte(word ^ ('&' * kOnes)) || HasZeroByte(word ^ ('<' * kOnes)) ||
         HasZeroByte(word ^ ('>' * kOnes)) || HasZeroByte(word ^ ('"' * kOnes));
}

// The position of the first byte of `text` that needs escaping, or its size: eight bytes at a
// time, since most texts (the taxed-items list above all) have none.
std::size_t FirstSpecial(std::string_view text) {
  std::size_t position = 0;
  while (position + 8 <= text.size() && !HasSpecialIn8(text.data() + position)) position += 8;
  while (position < text.size() && !IsSpecial(text[position])) ++position;
  return position;
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
  while (!text.empty()) {
    const std::size_t special = FirstSpecial(text);
    out.append(text.substr(0, special));  // the run before it, in one piece
    if (special == text.size()) return;
    switch (text[special]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += "&quot;"; break;
    }
    text.remove_prefix(special + 1);
  }
}

std::string WriteResultRowset(const CTaxLines& taxLines, std::string_view taxedItems) {
  std::string out;
  out.reserve(kHeaderStart.size() + taxedItems.size() + kFooter.size() +
               kRowSizeEstimate * static_cast<std::size_t>(taxLines.Count()));
  out += kHeaderStart;
  AppendEscaped(out, taxedItems);
  out += kHeaderEnd;
  for (const CTaxLine& line : taxLines) {
    if (!line.TotalTax.IsZero()) AppendRow(out, line);
  }
  out += kFooter;
  return out;
}

}  // namespace quorvel
