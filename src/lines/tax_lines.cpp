#include "lines/tax_lines.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/error.hpp"

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
  ResetStore();
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
  std::string statusKey = customerKey_;  // + the tax's key
  for (const std::size_t index : taxIndexes) {
    const CTax* tax = tables_->Taxes->ElementAt(index);
    const auto line = AddItem(tax);
    statusKey.resize(customerKey_.size());
    statusKey += tax->KeyTaxID;
    const CTaxStatus* status = tables_->TaxStatuses->Find(statusKey);
    line->IsExempt = status ? status->IsExempt : false;
  }
}

std::shared_ptr<CTaxLine> CTaxLines::AddItem(const CTax* pobjTax) {
  auto line = std::make_shared<CTaxLine>(*tables_->TaxGroups);
  line->OTax(pobjTax);
  std::string key = line->KeyTaxID();
  return Append(std::move(line), std::move(key));
}

}  // namespace quorvel
