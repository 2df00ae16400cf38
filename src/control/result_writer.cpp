#include "control/result_writer.hpp"

#include "common/number_text.hpp"

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

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A key as the result shows it: spaces at both ends removed, then every capital K.
std::string WithoutCapitalK(std::string_view key) {
  std::string shown;
  for (char c : TrimSpaces(key)) {
    if (c != 'K') shown += c;
  }
  return shown;
}

void AppendText(std::string& out, std::string_view opening, std::string_view value) {
  out += opening;
  AppendEscaped(out, value);
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
  AppendText(out, "GLAccountID = \"", WithoutCapitalK(tax.GLAccountID));
  out += kAttributeSeparator;
  AppendText(out, "TaxID = \"", WithoutCapitalK(line.KeyTaxID()));
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

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

std::string WriteResultRowset(const CTaxLines& taxLines, std::string_view taxedItems) {
  std::string out;
  out.reserve(kHeaderStart.size() + taxedItems.size() + kFooter.size() +
               kRowSizeEstimate * static_cast<std::size_t>(taxLines.Count()));
  out += kHeaderStart;
  AppendEscaped(out, taxedItems);
  out += kHeaderEnd;
  for (const auto& line : taxLines) {
    if (!line->TotalTax.IsZero()) AppendRow(out, *line);
  }
  out += kFooter;
  return out;
}

}  // namespace quorvel
