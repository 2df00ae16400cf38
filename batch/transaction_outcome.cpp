// One transaction of a batch run calculated (quorvel/batch.hpp).
#include "quorvel/batch.hpp"

namespace quorvel::batch {

Outcome CalculateTransaction(const ReferenceTables& tables, std::string_view transaction) {
  Outcome outcome;
  std::string refusal;
  outcome.text = CalculateTaxes(tables, transaction, refusal);
  if (!refusal.empty()) {
    // A run has no one to read a warning beside a "NOHEADER" result: the file failed.
    outcome.failed = true;
    outcome.number = errors::kDocumentRefused;
    outcome.text = std::move(refusal);
  }
  return outcome;
}

}  // namespace quorvel::batch
