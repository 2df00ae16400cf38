#include <utility>

#include "common/error.hpp"
#include "control/mod_tax.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel {

CQuorvel::CQuorvel(std::shared_ptr<HostPage> host) : host_(std::move(host)) {
  if (!host_) Raise(errors::kObjectNotSet, "a control needs a host page");
}

std::string CQuorvel::CalcTaxes(std::string_view pstrLines) const {
  const std::shared_ptr<const ReferenceTables> tables = ModTax::ThreadTables();
  if (!tables) return "NODATA";
  return CalculateTaxes(*tables, pstrLines);
}

std::string CQuorvel::CalcTaxes(std::string_view pstrLines, std::string& refusal) const {
  refusal.clear();
  const std::shared_ptr<const ReferenceTables> tables = ModTax::ThreadTables();
  if (!tables) return "NODATA";
  return CalculateTaxes(*tables, pstrLines, refusal);
}

void CQuorvel::LoadTables() const { LoadDataObjects(); }

void CQuorvel::LoadDataObjects() const {
  // Built aside and installed whole: a failed load leaves the thread's tables as they were.
  ModTax::InstallThreadTables(LoadReferenceTables(*host_));
}

}  // namespace quorvel
