#include "control/request_intake.hpp"

#include <exception>
#include <optional>
#include <string>

#include "common/conversions.hpp"
#include "common/error.hpp"
#include "lines/transaction_columns.hpp"
#include "xml/wellformed/text_position.hpp"
#include "control/transaction_rows.hpp"

namespace quorvel {
namespace {

std::string_view HeaderColumn(const xml::ColumnValues& header, TransactionColumn column) {
  const std::optional<std::string_view> value = header.Get(column);
  if (!value) {
    Raise(errors::kObjectNotSet,
          std::string("header row: attribute \"") + kTransactionColumnNames[column] + "\" is missing");
  }
  return *value;
}

std::int32_t HeaderNumber(const char* column, std::string_view value) {
  return WithContext([&] { return std::string("header row: attribute \"") + column + "\""; },
                     [&] { return ToLong(value); });
}

}  // namespace

bool TakeRequest(std::string_view transaction, Calculation& calculation, std::string& refusal) {
  xml::Document document;
  const xml::ParseOutcome outcome = document.Parse(transaction);
  if (!outcome.parsed) {
    refusal = "not well-formed XML: " + outcome.reason + " at " + xml::TextPosition(transaction, outcome.offset);
    return false;
  }
  // Item lines are built as the rows go by. A detail row's fault is reported only once the
  // header row is known to exist and to name its customer and tax model: those come first.
  std::optional<xml::ColumnValues> header;
  std::exception_ptr detailFault;
  ForEachTransactionRow(
      document, TransactionColumns(), [&](const xml::ReadRow& row) { header = row.values; },
      [&](const xml::ReadRow& row) {
        if (detailFault) return;
        try {
          calculation.itemLines.AddRow(row);
        } catch (...) {
          detailFault = std::current_exception();
        }
      });
  if (!header) return false;
  const TransactionColumn customerColumn = header->Has(kShipToId) ? kShipToId : kCustomerId;
  calculation.customerText = HeaderColumn(*header, customerColumn);
  const std::string_view taxModelText = HeaderColumn(*header, kTaxModel);
  if (detailFault) std::rethrow_exception(detailFault);
  calculation.taxedItems = "/";
  calculation.taxLines.CustomerID(
      HeaderNumber(kTransactionColumnNames[customerColumn], calculation.customerText));
  const std::int32_t taxModel = HeaderNumber("TaxModel", taxModelText);
  WithContext([&] { return "header row: attribute \"TaxModel\", value " + Quoted(taxModelText); },
              [&] { calculation.taxLines.TaxModelID(taxModel); });
  return true;
}

}  // namespace quorvel
