#include "control/request_intake.hpp"

#include <optional>
#include <string>

#include "common/conversions.hpp"
#include "common/error.hpp"
#include "xml/document.hpp"

namespace quorvel {
namespace {

std::string_view HeaderColumn(const xml::Element& header, const char* column) {
  const std::optional<std::string_view> value = header.Attribute(column);
  if (!value) Raise(errors::kObjectNotSet, std::string("header row: attribute \"") + column + "\" is missing");
  return *value;
}

std::int32_t HeaderNumber(const char* column, std::string_view value) {
  return WithContext([&] { return std::string("header row: attribute \"") + column + "\""; },
                     [&] { return ToLong(value); });
}

}  // namespace

bool TakeRequest(std::string_view transaction, Calculation& calculation) {
  xml::Document document;
  document.LoadXml(transaction);  // a text that does not parse has no header row
  const std::optional<xml::Element> header = document.HeaderRow();
  if (!header) return false;
  const char* customerColumn = header->HasAttribute("ShipToID") ? "ShipToID" : "CustomerID";
  calculation.customerText = HeaderColumn(*header, customerColumn);
  const std::string_view taxModelText = HeaderColumn(*header, "TaxModel");
  calculation.taxedItems = "/";
  calculation.itemLines.XMLDOMNodeList(document.DetailRows());
  calculation.taxLines.CustomerID(HeaderNumber(customerColumn, calculation.customerText));
  const std::int32_t taxModel = HeaderNumber("TaxModel", taxModelText);
  WithContext([&] { return "header row: attribute \"TaxModel\", value " + Quoted(taxModelText); },
              [&] { calculation.taxLines.TaxModelID(taxModel); });
  return true;
}

}  // namespace quorvel
