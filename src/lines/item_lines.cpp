#include "lines/item_lines.hpp"

#include <utility>

#include "common/conversions.hpp"
#include "common/error.hpp"
#include "xml/attribute_reader.hpp"

namespace quorvel {
namespace {

// The quantity column of an entity, or nullptr when rows of that entity are no item lines.
const char* QuantityColumn(std::string_view entityName) {
  if (entityName == "tblWODet") return "QtyOrdered";
  if (entityName == "tblShipmentDet" || entityName == "tblTransItem") return "QtyShipped";
  return nullptr;
}

template <typename Convert>
auto Converted(const char* column, std::string_view value, Convert convert) {
  return WithContext([&] { return std::string("attribute \"") + column + "\""; },
                     [&] { return convert(value); });
}

}  // namespace

void CItemLine::TaxGroupID(std::string value) {
  if (value == taxGroupId_) return;
  taxGroupId_ = std::move(value);
  if (const auto group = taxGroups_->Item(taxGroupId_)) taxGroupItems_ = group->OTaxGroupItems();
}

void CItemLines::XMLDOMNodeList(const std::vector<xml::Row>& detailRows) {
  for (const xml::Row& row : detailRows) {
    WithContext([&] { return "detail row at z:row " + std::to_string(row.number); },
                [&] { AddFromRow(row.element); });
  }
}

void CItemLines::AddFromRow(const xml::Element& row) {
  const std::string_view lineType = xml::ReadAttribute(row, "crLineType", "ITEM");
  if (lineType != "ITEM" && lineType != "FREIGHT") return;
  const char* quantityColumn = QuantityColumn(xml::ReadAttribute(row, "EntityName", "tblTransItem"));
  if (!quantityColumn) return;
  const std::string_view quantity = xml::ReadAttribute(row, quantityColumn, "0");
  const std::string_view netPrice = xml::ReadAttribute(row, "NetPrice", "0");
  const std::string_view extendedPrice = xml::ReadAttribute(row, "ExtendedPrice", "0");
  const std::string_view taxGroupId = xml::ReadAttribute(row, "TaxGroupID", "0");
  const std::string_view isTaxable = xml::ReadAttribute(row, "IsTaxable", "False");
  const std::string_view itemKey = xml::ReadAttribute(row, "LocInvItemID", "");
  const std::string_view invItemKey = xml::ReadAttribute(row, "InvItemID", "");
  const bool taxable = Converted("IsTaxable", isTaxable, ToBoolean);
  const std::int32_t group = Converted("TaxGroupID", taxGroupId, ToLong);
  const Currency quantityValue = Converted(quantityColumn, quantity, ToCurrency);
  const Currency netPriceValue = Converted("NetPrice", netPrice, ToCurrency);
  const Currency extendedPriceValue = Converted("ExtendedPrice", extendedPrice, ToCurrency);
  AddItem(quantityValue, netPriceValue, extendedPriceValue, group, taxable, itemKey, invItemKey);
}

std::shared_ptr<CItemLine> CItemLines::AddItem(Currency pcurQuantity, Currency pcurNetPrice,
                                               Currency pcurExtendedPrice,
                                               std::int32_t plngTaxGroupID, bool pblnIsTaxable,
                                               std::string_view pstrItemKey,
                                               std::string_view pstrInvItemKey) {
  auto line = std::make_shared<CItemLine>(*taxGroups_);
  line->Quantity = pcurQuantity;
  line->NetPrice = pcurNetPrice;
  line->ExtendedPrice = pcurExtendedPrice;
  line->TaxGroupID(NumberKey('G', plngTaxGroupID));
  line->IsTaxable = pblnIsTaxable;
  line->ItemKey = "I" + std::string(pstrItemKey);
  line->InvItemKey = "I" + std::string(pstrInvItemKey);
  return AppendWithoutKey(std::move(line));
}

}  // namespace quorvel
