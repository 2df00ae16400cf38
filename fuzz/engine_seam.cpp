#include "engine_seam.hpp"

#include <utility>

#include "common/conversions.hpp"
#include "common/number_text.hpp"
#include "control/mod_tax.hpp"
#include "xml/document.hpp"
#include "xml/wellformed/markup_scan.hpp"

namespace quorvel::fuzz {
namespace {

std::optional<std::string> Owned(std::optional<std::string_view> value) {
  if (!value) return std::nullopt;
  return std::string(*value);
}

}  // namespace

XmlVerdict ParseXml(std::string_view text) {
  xml::Document document;
  xml::ParseOutcome outcome = document.Parse(text);
  return {outcome.parsed, std::move(outcome.reason), outcome.offset};
}

bool MarkupPassesAgree(std::string_view text) {
  const std::optional<xml::Refusal> inUse = xml::ScanMarkup(text);
  for (const xml::ScanVersion version : xml::ScanVersions()) {
    if (xml::ScanMarkup(text, version) != inUse) return false;
  }
  return true;
}

std::vector<ResultRow> RowsetRows(std::string_view text) {
  xml::Document document;
  document.Parse(text);
  std::vector<ResultRow> rows;
  for (const xml::Row& row : document.RowsetRows()) {
    rows.push_back({Owned(row.element.Attribute("ExtendedPrice")), Owned(row.element.Attribute("TaxID"))});
  }
  return rows;
}

std::shared_ptr<const ReferenceTables> ThreadTables() { return ModTax::ThreadTables(); }

void InstallThreadTables(std::shared_ptr<const ReferenceTables> tables) {
  ModTax::InstallThreadTables(std::move(tables));
}

std::int64_t CurrencyUnits(std::string_view text) { return quorvel::ToCurrency(text).Units(); }
std::int64_t CurrencyUnits(const char* text) { return quorvel::ToCurrency(text).Units(); }
std::int32_t ToLong(std::string_view text) { return quorvel::ToLong(text); }
std::int32_t ToLong(const char* text) { return quorvel::ToLong(text); }
std::int16_t ToInteger(std::string_view text) { return quorvel::ToInteger(text); }
bool ToBoolean(std::string_view text) { return quorvel::ToBoolean(text); }
bool ToBoolean(const char* text) { return quorvel::ToBoolean(text); }
std::string CurrencyText(std::int64_t units) { return NumberText(Currency::FromUnits(units)); }

}  // namespace quorvel::fuzz
