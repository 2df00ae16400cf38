#include "lines/item_lines.hpp"

#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "common/conversions.hpp"
#include "common/error.hpp"
#include "lines/transaction_columns.hpp"
#include "reference/keyed_collection.hpp"

namespace quorvel {
namespace {

// The quantity column of an entity, or nothing when rows of that entity are no item lines.
std::optional<TransactionColumn> QuantityColumn(const char* entityName) {
  if (std::strcmp(entityName, "tblWODet") == 0) return kQtyOrdered;
  if (std::strcmp(entityName, "tblShipmentDet") == 0 || std::strcmp(entityName, "tblTransItem") == 0) {
    return kQtyShipped;
  }
  return std::nullopt;
}

// Room for the lines of most transactions at once: every line is moved when the vector grows.
constexpr std::size_t kLinesReserved = 64;

}  // namespace

void CItemLine::TaxGroupID(std::string value) {
  if (value == taxGroupId_) return;
  const CTaxGroup* group = taxGroups_->Find(value);
  TaxGroupID(std::string_view(value), group);
}

void CItemLine::TaxGroupID(std::string_view value, const CTaxGroup* group) {
  if (value == taxGroupId_) return;
  taxGroupId_.assign(value);
  if (group) taxGroupItems_ = group->OTaxGroupItems().get();
}

void CItemLines::XMLDOMNodeList(const std::vector<xml::ReadRow>& detailRows) {
  lines_.reserve(lines_.size() + detailRows.size());
  for (const xml::ReadRow& row : detailRows) AddRow(row);
}

void CItemLines::AddRow(const xml::ReadRow& detailRow) {
  WithContext([&] { return "detail row at z:row " + std::to_string(detailRow.number); },
              [&] { AddFromRow(detailRow.values); });
}

void CItemLines::AddFromRow(const xml::ColumnValues& columns) {
  // The attribute reader's rule throughout: a default only for an absent column.
  const char* const lineType = columns.ReadText(kLineType, "ITEM");
  if (std::strcmp(lineType, "ITEM") != 0 && std::strcmp(lineType, "FREIGHT") != 0) return;
  const auto quantityColumn = QuantityColumn(columns.ReadText(kEntityName, "tblTransItem"));
  if (!quantityColumn) return;
  const char* const quantity = columns.ReadText(*quantityColumn, "0");
  const char* const netPrice = columns.ReadText(kNetPrice, "0");
  const char* const extendedPrice = columns.ReadText(kExtendedPrice, "0");
  const char* const taxGroupId = columns.ReadText(kTaxGroupId, "0");
  const char* const isTaxable = columns.ReadText(kIsTaxable, "False");
  const std::string_view itemKey = columns.Read(kLocInvItemId, "");
  const std::string_view invItemKey = columns.Read(kInvItemId, "");
  const bool taxable = Converted("IsTaxable", isTaxable, ToBoolean);
  const std::int32_t group = Converted("TaxGroupID", taxGroupId, ToLong);
  const Currency quantityValue = Converted(kTransactionColumnNames[*quantityColumn], quantity, ToCurrency);
  const Currency netPriceValue = Converted("NetPrice", netPrice, ToCurrency);
  const Currency extendedPriceValue = Converted("ExtendedPrice", extendedPrice, ToCurrency);
  AddItem(quantityValue, netPriceValue, extendedPriceValue, group, taxable, itemKey, invItemKey);
}

CItemLine& CItemLines::AddItem(Currency pcurQuantity, Currency pcurNetPrice,
                               Currency pcurExtendedPrice, std::int32_t plngTaxGroupID,
                               bool pblnIsTaxable, std::string_view pstrItemKey,
                               std::string_view pstrInvItemKey) {
  const NumberKeyText groupKey('G', plngTaxGroupID);
  const CTaxGroup* group = groups_.Get(plngTaxGroupID, static_cast<std::uint32_t>(plngTaxGroupID),
                                       [&] { return taxGroups_->Find(groupKey.view()); });
  if (lines_.capacity() == 0) lines_.reserve(kLinesReserved);
  CItemLine& line = lines_.emplace_back(*taxGroups_);
  line.Quantity = pcurQuantity;
  line.NetPrice = pcurNetPrice;
  line.ExtendedPrice = pcurExtendedPrice;
  line.TaxGroupID(groupKey.view(), group);
  line.IsTaxable = pblnIsTaxable;
  line.ItemKey.assign(1, 'I').append(pstrItemKey);
  line.InvItemKey.assign(1, 'I').append(pstrInvItemKey);
  return line;
}

const CItemLine* CItemLines::Item(std::int32_t position) const {
  RequirePosition(position, Count());
  return &lines_[static_cast<std::size_t>(position - 1)];
}

CItemLine* CItemLines::Item(std::int32_t position) {
  return const_cast<CItemLine*>(std::as_const(*this).Item(position));
}

}  // namespace quorvel
