// The read-only view of the tables that front-ends print and report, and the library's version.
#include "common/number_text.hpp"
#include "quorvel/quorvel.hpp"
#include "reference/reference_tables.hpp"

namespace quorvel {
namespace {

TablesView::Tax ViewTax(const CTax& tax) {
  TablesView::Tax view;
  view.key = tax.KeyTaxID;
  view.description = tax.Description;
  view.taxType = tax.crTaxType;
  view.rate = NumberText(tax.TaxRate);
  view.threshold = NumberText(tax.ThreshHold);
  view.cutoff = NumberText(tax.CutOff);
  view.sequence = tax.Sequence;
  view.taxGroup = tax.TaxGroupID;
  view.glAccount = tax.GLAccountID;
  view.itemLevel = tax.IsItemLevel;
  return view;
}

TablesView::TaxModel ViewTaxModel(const CTaxModel& model) {
  TablesView::TaxModel view{model.KeyTaxModelID, {}};
  for (const auto& item : *model.OTaxModelItems()) view.taxes.push_back(item->KeyTaxID);
  return view;
}

TablesView::TaxGroup ViewTaxGroup(const CTaxGroup& group) {
  TablesView::TaxGroup view{group.KeyTaxGroupID, {}};
  for (const auto& item : *group.OTaxGroupItems()) view.taxes.push_back({item->KeyTaxID, item->IsTaxable});
  return view;
}

}  // namespace

TableCounts CountRows(const ReferenceTables& tables) {
  return {static_cast<std::size_t>(tables.Taxes->Count()), static_cast<std::size_t>(tables.TaxModels->Count()),
          static_cast<std::size_t>(tables.TaxGroups->Count()),
          static_cast<std::size_t>(tables.TaxStatuses->Count())};
}

TablesView ViewTables(const ReferenceTables& tables) {
  TablesView view;
  for (const auto& tax : *tables.Taxes) view.taxes.push_back(ViewTax(*tax));
  for (const auto& model : *tables.TaxModels) view.taxModels.push_back(ViewTaxModel(*model));
  for (const auto& group : *tables.TaxGroups) view.taxGroups.push_back(ViewTaxGroup(*group));
  for (const auto& status : *tables.TaxStatuses) {
    view.taxStatuses.push_back({status->KeyTaxStatus, status->TaxExemptType, status->TaxExemptNumber});
  }
  return view;
}

std::string TablesVersion(const ReferenceTables& tables) { return tables.version; }

const char* Version() noexcept { return QUORVEL_VERSION; }

}  // namespace quorvel
