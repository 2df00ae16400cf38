#include "lines/tax_lines.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/error.hpp"
#include "common/trimming.hpp"
#include "reference/index/key_index.hpp"
#include "reference/keyed_collection.hpp"

namespace quorvel {

const std::string& CTaxLine::KeyTaxID() const {
  if (!tax_) Raise(errors::kObjectNotSet, "the tax line has no tax");
  return tax_->KeyTaxID;
}

void CTaxLine::OTax(const CTax* tax) {
  tax_ = tax;
  if (const CTaxGroup* group = taxGroups_->Find(taxGroupId_)) taxGroupItems_ = group->OTaxGroupItems().get();
}

void CTaxLine::TaxGroupID(std::string value) {
  if (value != taxGroupId_) taxGroupId_ = std::move(value);
}

void CTaxLines::CustomerID(std::int32_t customer) { customerKey_ = NumberKey('K', customer); }

void CTaxLines::TaxModelID(std::int32_t model) {
  if (model == taxModelNumber_) return;
  taxModelNumber_ = model;
  taxModelKey_ = NumberKey('K', model);
  lines_.clear();
  const CTaxModel* taxModel = tables_->TaxModels->Find(taxModelKey_);
  if (!taxModel) {
    Raise(errors::kObjectNotSet, "tax model " + Quoted(taxModelKey_) + " is not in the tax model table");
  }
  // The model's taxes in tax-table order, found from the model's side: a model lists a few of
  // the table's taxes, and a calculation should not cost more as the table grows.
  std::vector<std::size_t> taxIndexes;
  for (const auto& modelTax : *taxModel->OTaxModelItems()) {
    if (const auto index = tables_->Taxes->IndexOf(modelTax->KeyTaxID)) taxIndexes.push_back(*index);
  }
  std::sort(taxIndexes.begin(), taxIndexes.end());
  taxIndexes.erase(std::unique(taxIndexes.begin(), taxIndexes.end()), taxIndexes.end());
  CustomerStatuses statuses(*tables_->TaxStatuses, customerKey_);
  for (const std::size_t index : taxIndexes) {
    const CTax* tax = tables_->Taxes->ElementAt(index);
    CTaxLine& line = Append(tax);  // distinct taxes: no key twice
    const CTaxStatus* status = statuses.Find(tax->KeyTaxID);
    line.IsExempt = status ? status->IsExempt : false;
  }
}

CTaxLine& CTaxLines::AddItem(const CTax* pobjTax) {
  if (!pobjTax) Raise(errors::kObjectNotSet, "the tax line has no tax");
  const std::string& key = pobjTax->KeyTaxID;
  if (Item(key)) Raise(errors::kDuplicateKey, "duplicate key: " + Quoted(key) + " is already in the collection");
  return Append(pobjTax);
}

CTaxLine& CTaxLines::Append(const CTax* tax) {
  CTaxLine& line = lines_.emplace_back(*tables_->TaxGroups);
  line.OTax(tax);
  return line;
}

const CTaxLine* CTaxLines::Item(std::string_view key) const {
  const std::string_view wanted = TrimSpaces(key);
  for (const CTaxLine& line : lines_) {
    if (EqualIgnoringCase(line.KeyTaxID(), wanted)) return &line;
  }
  return nullptr;
}

CTaxLine* CTaxLines::Item(std::string_view key) {
  return const_cast<CTaxLine*>(std::as_const(*this).Item(key));
}

CTaxLine* CTaxLines::Item(std::int32_t position) {
  return const_cast<CTaxLine*>(std::as_const(*this).Item(position));
}

const CTaxLine* CTaxLines::Item(std::int32_t position) const {
  RequirePosition(position, Count());
  return &lines_[static_cast<std::size_t>(position - 1)];
}

}  // namespace quorvel
